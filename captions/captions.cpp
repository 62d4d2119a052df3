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

bool is_line_end(int ch) { return ch == '\n' || ch == '\r' || ch == 0; }

// A frame number by the atoi rule (leading white space, a sign, digits up to the first other
// character, none: 0), held at the 32-bit limits instead of wrapping round.
int32_t frame_number(const char* s) {
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) s++;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') s++;
  long long value = 0;
  for (; *s >= '0' && *s <= '9'; s++)
    if (value <= INT32_MAX) value = value * 10 + (*s - '0');
  if (negative) value = -value;
  return int32_t(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
}

}  // namespace

char* file_getline(FILE* f) {
  // One pass, no seeking, so pipes and FIFOs read like files. A read error ends the reading as
  // the end of the file does (a folder opened on Linux fails every read and never reaches it).
  size_t n = 0, size = 64;
  char* line = static_cast<char*>(malloc(size));
  int ch;
  while ((ch = fgetc(f)) != EOF && !is_line_end(ch)) {
    if (n + 1 == size) {
      size *= 2;
      char* bigger = static_cast<char*>(realloc(line, size));
      if (!bigger) break;  // the line is taken as far as it fits
      line = bigger;
    }
    line[n++] = char(ch);
  }
  line[n] = 0;

  // A carriage return takes a following line feed with it.
  if (ch == '\r') {
    int next = fgetc(f);
    if (next != '\n' && next != EOF) ungetc(next, f);
  }
  if (n == 0 && (feof(f) || ferror(f))) {
    free(line);
    return nullptr;
  }
  return line;
}

DynArray load_captions(const char* path) {
  DynArray list = array_new(sizeof(Caption));
  // Binary mode: file_getline handles every kind of line end itself.
  FILE* f = path ? fopen(path, "rb") : nullptr;
  if (!f) return list;
  while (char* line = file_getline(f)) {
    char* comma = strchr(line, ',');
    if (comma) {
      Caption c;
      c.first_frame = frame_number(line);
      c.last_frame = frame_number(comma + 1);
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
  // near the end can never send the escape handling past the terminator, and only as far as they
  // can show, so that a huge caption costs no more than a screenful.
  const size_t len = strlen(text);
  set_blend_mode(2);
  font_print_window(x + 1, y, wrap + 1, text, len, 0x000000);
  font_print_window(x - 1, y, wrap - 1, text, len, 0x000000);
  font_print_window(x, y + 1, wrap, text, len, 0x000000);
  font_print_window(x, y - 1, wrap, text, len, 0x000000);
  set_blend_mode(3);
  font_print_window(x, y, wrap, text, len, 0xFFFFFF);
  return i;
}

void free_captions(DynArray list) {
  Caption* caps = reinterpret_cast<Caption*>(list.data);
  for (unsigned i = list.count; i-- > 0;) free(caps[i].text);
  array_free(list);
}
