// The key questions of gfx/keys.h, read from the snapshots gfx_poll takes: keydown now and keyprev
// from the poll before. Only the host's 256 codes are answered; anything else is "not down".
#include "gfx/keys.h"

#include "gfx/shell_state.h"

namespace {

int down_in(const unsigned char* keys, int key) {
  return key >= 0 && key < 256 && (keys[key] & 0x80) ? 1 : 0;
}

}  // namespace

int gfx_key_down(int key) { return down_in(keydown, key); }

int gfx_key_pressed(int key) { return down_in(keydown, key) && !down_in(keyprev, key); }

int gfx_key_released(int key) { return !down_in(keydown, key) && down_in(keyprev, key); }
