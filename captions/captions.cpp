// Caption files and caption drawing. The file is read line by line with file_getline, which
// accepts Unix, Windows and old Mac line ends alike; each "first,last,text" line becomes a
// Caption. draw_caption picks the caption of a frame and draws it outlined over the picture.
#include "captions/captions.h"

#include <cstdlib>
#include <cstring>

#include "gfx/shell_state.h"
#include "support/util.h"
#include "text/font_variants.h"
#include "text/text_draw.h"

namespace {

// A re-read that keeps coming up short means the file is changing under us; after this many
// tries the line is taken as far as it could be read.
constexpr int MAX_REREADS = 8;

bool is_line_end(int ch) { return ch == '\n' || ch == '\r' || ch == 0; }

}  // namespace

char* file_getline(FILE* f) {
  long start = ftell(f);
  size_t n = 0;
  int ch;
  while ((ch = fgetc(f)) != EOF && !is_line_end(ch)) n++;

  char* line = static_cast<char*>(malloc(n + 1));
  size_t got = 0;
  if (n > 0) {
    for (int attempt = 0; attempt < MAX_REREADS; attempt++) {
      fseek(f, start, SEEK_SET);
      got = fread(line, 1, n, f);
      if (got == n) break;
    }
  } else {
    fseek(f, start, SEEK_SET);
  }
  line[got] = 0;

  // Consume the terminator; a carriage return takes a following line feed with it.
  ch = fgetc(f);
  if (ch == '\r') {
    ch = fgetc(f);
    if (ch != '\n' && ch != EOF) fseek(f, -1, SEEK_CUR);
  }
  if (n == 0 && feof(f)) {
    free(line);
    return nullptr;
  }
  return line;
}

DynArray load_captions(const char* path) {
  DynArray list = array_new(sizeof(Caption));
  // Binary mode: file_getline handles every kind of line end itself, and positions stay exact.
  FILE* f = path ? fopen(path, "rb") : nullptr;
  if (!f) return list;
  while (char* line = file_getline(f)) {
    char* comma = strchr(line, ',');
    if (comma) {
      Caption c;
      c.first_frame = atoi(line);
      c.last_frame = atoi(comma + 1);
      char* second = strchr(comma + 1, ',');
      c.text = nullptr;
      string_dup(&c.text, second ? second + 1 : "");
      array_push(&list, &c);
    }
    free(line);
  }
  fclose(f);
  return list;
}

unsigned draw_caption(DynArray list, float frame) {
  const Caption* caps = reinterpret_cast<const Caption*>(list.data);
  unsigned i = 0;
  while (i < list.count && float(caps[i].last_frame) < frame) i++;
  if (i == list.count || float(caps[i].first_frame) > frame) return i;

  char spec[64];
  snprintf(spec, sizeof spec, "caption:size=%gpx", 0.05 * screen_h);
  font_use(spec);

  const int w = screen_w, h = screen_h;
  const int x = w / 8, y = 3 * h / 4, wrap = 7 * w / 8;
  const char* text = caps[i].text;
  // Caption texts come from a file: draw them with their known length, so that a control byte
  // near the end can never send the escape handling past the terminator.
  const size_t len = strlen(text);
  set_blend_mode(2);
  font_print_len(x + 1, y, wrap + 1, text, len, 0x000000);
  font_print_len(x - 1, y, wrap - 1, text, len, 0x000000);
  font_print_len(x, y + 1, wrap, text, len, 0x000000);
  font_print_len(x, y - 1, wrap, text, len, 0x000000);
  set_blend_mode(3);
  font_print_len(x, y, wrap, text, len, 0xFFFFFF);
  return i;
}

void free_captions(DynArray list) {
  Caption* caps = reinterpret_cast<Caption*>(list.data);
  for (unsigned i = list.count; i-- > 0;) free(caps[i].text);
  array_free(list);
}
