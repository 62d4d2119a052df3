/* zstd for the <vantorel-player> element: a small WebAssembly module of its own, fetched only when
   a file begins with zstd's signature, that unpacks the whole file in memory; the player then
   reads the plain bytes, as it does those of a gzip file the browser unpacked. Kept out of the
   player's module, which every page loads, since most files are not zstd.
   The element writes the file into the module's memory (vt_zstd_alloc), calls vt_zstd_unpack and
   reads the result back; then frees both. */
#include <stdlib.h>
#include <string.h>

#include "zstd.h"

/* Memory for the element to write into; 0 when there is none. */
void* vt_zstd_alloc(size_t size) { return malloc(size ? size : 1); }
void vt_zstd_free(void* p) { free(p); }

/* Unpacks every frame of in[0..len) into one new block, its length at *out_len. Returns 0 when the
   data is damaged or cut short, or memory runs out (nothing is left allocated then). */
unsigned char* vt_zstd_unpack(const unsigned char* in, size_t len, size_t* out_len) {
  ZSTD_DStream* z = ZSTD_createDStream();
  size_t cap = len * 4 + 65536, made = 0;
  unsigned char* out = malloc(cap);
  ZSTD_inBuffer src = {in, len, 0};
  if (!z || !out) goto fail;
  for (;;) {
    if (made == cap) {
      unsigned char* more = realloc(out, cap * 2);
      if (!more) goto fail;
      out = more;
      cap *= 2;
    }
    ZSTD_outBuffer dst = {out, cap, made};
    const size_t used = src.pos;
    const size_t rc = ZSTD_decompressStream(z, &dst, &src);
    if (ZSTD_isError(rc)) goto fail;
    const int progress = src.pos != used || dst.pos != made;
    made = dst.pos;
    if (rc == 0 && src.pos == src.size) break; /* all of it, ending with a whole frame */
    if (!progress && made < cap) goto fail;    /* cut short */
  }
  ZSTD_freeDStream(z);
  *out_len = made;
  return out;
fail:
  ZSTD_freeDStream(z);
  free(out);
  return 0;
}
