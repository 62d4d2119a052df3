// gzip and zstd streams for .anim files: the decoder and the recorder keep using one buffered
// FILE*, whatever the file's compression. With glibc (and musl in the browser build) the streams
// decompress as they are read (fopencookie); Windows has no such streams, so there a compressed
// file is decompressed once into a temporary file that the decoder reads, and a restart is a seek
// in it. Which libraries a build has comes from CMake (VT_HAVE_ZLIB, VT_HAVE_ZSTD,
// VT_ZSTD_DECODER_ONLY, VT_HAVE_LIBDEFLATE); without them compressed files are refused.
#if defined(__EMSCRIPTEN__) && !defined(_GNU_SOURCE)
#define _GNU_SOURCE 1  // musl declares fopencookie only then
#endif
#include "anim/compressed.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "anim/anim_file.h"

#if defined(__GLIBC__) || defined(__EMSCRIPTEN__)
#define VT_HAVE_COOKIES 1  // glibc's, and musl's in the browser build
#define VT_HAVE_SPOOL 0
#elif defined(_WIN32)
#define VT_HAVE_COOKIES 0
#define VT_HAVE_SPOOL 1
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#define VT_HAVE_COOKIES 0
#define VT_HAVE_SPOOL 0
#undef VT_HAVE_ZLIB
#undef VT_HAVE_ZSTD
#endif

#if VT_HAVE_ZLIB
#include <zlib.h>
#endif
#if VT_HAVE_ZLIB && VT_HAVE_LIBDEFLATE && VT_HAVE_COOKIES
#include <libdeflate.h>
#include <sys/stat.h>
#endif
#if VT_HAVE_ZSTD
#include <zstd.h>
#endif

int anim_compression_of(const unsigned char* head, size_t len) {
  if (len >= 2 && head[0] == 0x1F && head[1] == 0x8B) return ANIM_GZIP;
  if (len >= 4 && std::memcmp(head, "\x28\xB5\x2F\xFD", 4) == 0) return ANIM_ZSTD;
  return ANIM_PLAIN;
}

bool anim_stream_cookies() { return VT_HAVE_COOKIES; }

bool anim_stream_can(int compression) {
  if (compression == ANIM_PLAIN) return true;
#if VT_HAVE_ZLIB
  if (compression == ANIM_GZIP) return true;
#endif
#if VT_HAVE_ZSTD
  if (compression == ANIM_ZSTD) return true;
#endif
  return false;
}

bool anim_stream_can_write(int compression) {
#if VT_HAVE_ZSTD && VT_ZSTD_DECODER_ONLY
  if (compression == ANIM_ZSTD) return false;
#endif
#if !VT_HAVE_COOKIES && !VT_HAVE_SPOOL
  if (compression != ANIM_PLAIN) return false;
#endif
  return anim_stream_can(compression);
}

#if !VT_HAVE_COOKIES && !VT_HAVE_SPOOL

FILE* anim_decompressing(FILE*, int, const unsigned char*, size_t) { return nullptr; }
FILE* anim_compressing(FILE*, int, int) { return nullptr; }
FILE* anim_replaying(FILE*, const unsigned char*, size_t) { return nullptr; }
bool anim_stream_failed(FILE* f) { return std::ferror(f) != 0; }
void anim_stream_forget(FILE*) {}
int anim_stream_close(FILE* f) { return std::fclose(f); }

#else

namespace {

constexpr size_t kChunk = 1 << 16;

#if defined(__GLIBC__)
using cookie_offset = off64_t;
#elif VT_HAVE_COOKIES
using cookie_offset = off_t;  // musl's, 64 bits wide
#endif

// Every stream's state is on this list while the stream is open. A program may end without
// closing its file (the player does on "-once"), as it may with any FILE; kept on the list, that
// state is still reachable at the end, like the FILE itself, and leak checkers leave it alone.
struct Linked {
  Linked* prev = nullptr;
  Linked* next = nullptr;
};
Linked* open_streams = nullptr;

void link(Linked* l) {
  l->next = open_streams;
  if (open_streams) open_streams->prev = l;
  open_streams = l;
}

void unlink(Linked* l) {
  if (l->prev) l->prev->next = l->next;
  else open_streams = l->next;
  if (l->next) l->next->prev = l->prev;
}

#if VT_HAVE_COOKIES
// ---- bytes given back before a pipe ------------------------------------------------------------

struct Replay : Linked {
  FILE* raw;
  std::vector<unsigned char> prefix;
  size_t taken = 0;
  long long pos = 0;
};

ssize_t replay_read(void* cookie, char* buf, size_t size) {
  Replay* r = static_cast<Replay*>(cookie);
  size_t n = 0;
  while (n < size && r->taken < r->prefix.size()) buf[n++] = char(r->prefix[r->taken++]);
  if (n < size) {
    n += std::fread(buf + n, 1, size - n, r->raw);
    if (n == 0 && std::ferror(r->raw)) return -1;
  }
  r->pos += (long long)n;
  return ssize_t(n);
}

// Only "where am I": a pipe goes nowhere else.
int replay_seek(void* cookie, cookie_offset* offset, int whence) {
  Replay* r = static_cast<Replay*>(cookie);
  long long target = whence == SEEK_SET ? *offset : whence == SEEK_CUR ? r->pos + *offset : -1;
  if (target != r->pos) {
    errno = ESPIPE;
    return -1;
  }
  *offset = r->pos;
  return 0;
}

int replay_close(void* cookie) {
  Replay* r = static_cast<Replay*>(cookie);
  int result = std::fclose(r->raw);
  unlink(r);
  delete r;
  return result;
}

#endif

// ---- decompressing -----------------------------------------------------------------------------

struct Inflow : Linked {
  FILE* raw;
  int compression;
  std::vector<unsigned char> prefix;  // bytes of raw's start that a pipe already gave
  size_t prefix_taken = 0;
  std::vector<unsigned char> in = std::vector<unsigned char>(kChunk);
  size_t in_pos = 0, in_len = 0;
  bool raw_done = false, ended = false;
  long long pos = 0;  // decompressed bytes handed out
#if VT_HAVE_ZLIB
  z_stream z{};
  bool z_open = false;
#endif
#if VT_HAVE_ZSTD
  ZSTD_DStream* zs = nullptr;
  size_t zstd_hint = 0;  // 0 when the last frame was complete
#endif
  // The whole decompressed file, when it was decompressed at once (a gzip file that fits).
  std::unique_ptr<unsigned char[]> whole;
  size_t whole_len = 0;
};

// Refills the input buffer; false when raw has nothing more.
bool fill(Inflow* s) {
  if (s->in_pos < s->in_len) return true;
  s->in_pos = s->in_len = 0;
  while (s->in_len < s->in.size() && s->prefix_taken < s->prefix.size())
    s->in[s->in_len++] = s->prefix[s->prefix_taken++];
  if (s->in_len == 0 && !s->raw_done) {
    s->in_len = std::fread(s->in.data(), 1, s->in.size(), s->raw);
    if (s->in_len == 0) s->raw_done = true;
  }
  return s->in_len > 0;
}

bool start(Inflow* s) {
  s->in_pos = s->in_len = 0;
  s->raw_done = s->ended = false;
  s->pos = 0;
#if VT_HAVE_ZLIB
  if (s->compression == ANIM_GZIP) {
    if (s->z_open) inflateEnd(&s->z);
    s->z = z_stream{};
    s->z_open = inflateInit2(&s->z, 15 + 16) == Z_OK;  // gzip wrapper only
    return s->z_open;
  }
#endif
#if VT_HAVE_ZSTD
  if (s->compression == ANIM_ZSTD) {
    if (!s->zs) s->zs = ZSTD_createDStream();
    s->zstd_hint = 0;
    return s->zs && !ZSTD_isError(ZSTD_DCtx_reset(s->zs, ZSTD_reset_session_only));
  }
#endif
  return false;
}

// Up to size decompressed bytes; 0 at the end, -1 on damaged data, a read error, or data that
// stops short of its own end (which must not pass for a whole file).
ssize_t inflow_produce(Inflow* s, unsigned char* out, size_t size) {
  if (s->whole) {
    size_t left = s->whole_len - size_t(s->pos), n = size < left ? size : left;
    std::memcpy(out, s->whole.get() + s->pos, n);
    s->pos += (long long)n;
    return ssize_t(n);
  }
  size_t made = 0;
  while (made < size && !s->ended) {
    // The decompressor is called even without input: it may still hold output.
    bool have = fill(s);
    size_t made_before = made;
    bool incomplete = false;
#if VT_HAVE_ZLIB
    if (s->compression == ANIM_GZIP) {
      s->z.next_in = s->in.data() + s->in_pos;
      s->z.avail_in = unsigned(s->in_len - s->in_pos);
      s->z.next_out = out + made;
      s->z.avail_out = unsigned(size - made);
      int rc = inflate(&s->z, Z_NO_FLUSH);
      s->in_pos = s->in_len - s->z.avail_in;
      made = size - s->z.avail_out;
      if (rc == Z_STREAM_END) {
        // gzip allows members one after another (cat a.gz b.gz); anything else after the end
        // is ignored, as gzip itself ignores trailing zeros.
        if (fill(s) && s->in[s->in_pos] == 0x1F)
          inflateReset(&s->z);
        else
          s->ended = true;
        continue;
      }
      if (rc != Z_OK && rc != Z_BUF_ERROR) {
        s->pos += (long long)made;
        return made ? ssize_t(made) : -1;
      }
      incomplete = true;  // inside a member until its end is seen
    }
#endif
#if VT_HAVE_ZSTD
    if (s->compression == ANIM_ZSTD) {
      ZSTD_inBuffer in = {s->in.data(), s->in_len, s->in_pos};
      ZSTD_outBuffer o = {out, size, made};
      size_t rc = ZSTD_decompressStream(s->zs, &o, &in);
      s->in_pos = in.pos;
      made = o.pos;
      if (ZSTD_isError(rc)) {
        s->pos += (long long)made;
        return made ? ssize_t(made) : -1;
      }
      // With no input left, zstd asks for the next frame's header: only a call that moved
      // tells whether the data stopped inside a frame.
      if (in.pos != in.size || o.pos != made_before || in.size != 0) s->zstd_hint = rc;
      incomplete = s->zstd_hint != 0;
    }
#endif
    if (!have && made == made_before) {
      if (incomplete || std::ferror(s->raw)) {
        s->pos += (long long)made;
        return made ? ssize_t(made) : -1;
      }
      s->ended = true;
    }
  }
  s->pos += (long long)made;
  return ssize_t(made);
}

Inflow* inflow_new(FILE* raw, int compression, const unsigned char* prefix, size_t len) {
  Inflow* s = new Inflow;
  link(s);
  s->raw = raw;
  s->compression = compression;
  s->prefix.assign(prefix, prefix + len);
  return s;
}

// Ends the decompressor and the stream's state; raw is the caller's.
void inflow_free(Inflow* s) {
#if VT_HAVE_ZLIB
  if (s->z_open) inflateEnd(&s->z);
#endif
#if VT_HAVE_ZSTD
  if (s->zs) ZSTD_freeDStream(s->zs);
#endif
  unlink(s);
  delete s;
}

#if VT_HAVE_COOKIES
#if VT_HAVE_ZLIB && VT_HAVE_LIBDEFLATE
// A gzip file, from a regular file at its first byte, decompressed at once by libdeflate, which
// takes about half of zlib's time (with its checksum) and so brings a compressed file's decoding
// near a plain one's. Kept to files whose decompressed size (the gzip trailer's) is at most
// kWholeLimit; anything it does not take whole (several members, damaged data, a wrong size)
// leaves raw at its first byte for zlib's stream, which reads every gzip file as before.
constexpr size_t kWholeLimit = size_t(256) << 20;

void decompress_whole(Inflow* s) {
  struct stat info;
  if (fstat(fileno(s->raw), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 18 ||
      (unsigned long long)info.st_size > kWholeLimit || std::ftell(s->raw) != 0)
    return;
  size_t n = size_t(info.st_size);
  std::unique_ptr<unsigned char[]> in(new (std::nothrow) unsigned char[n]);
  if (!in || std::fread(in.get(), 1, n, s->raw) != n) {
    std::fseek(s->raw, 0, SEEK_SET);
    std::clearerr(s->raw);
    return;
  }
  size_t size = size_t(in[n - 4]) | size_t(in[n - 3]) << 8 | size_t(in[n - 2]) << 16 |
                size_t(in[n - 1]) << 24;
  std::unique_ptr<unsigned char[]> out;
  if (size > 0 && size <= kWholeLimit) out.reset(new (std::nothrow) unsigned char[size]);
  libdeflate_decompressor* d = out ? libdeflate_alloc_decompressor() : nullptr;
  size_t used = 0, made = 0;
  bool whole = d && libdeflate_gzip_decompress_ex(d, in.get(), n, out.get(), size, &used, &made) ==
                        LIBDEFLATE_SUCCESS &&
               made == size && !(used < n && in[used] == 0x1F);
  if (d) libdeflate_free_decompressor(d);
  if (whole) {
    s->whole = std::move(out);
    s->whole_len = size;
  }
  std::fseek(s->raw, whole ? long(n) : 0L, SEEK_SET);
  std::clearerr(s->raw);
}
#endif

ssize_t inflow_read(void* cookie, char* buf, size_t size) {
  return inflow_produce(static_cast<Inflow*>(cookie), reinterpret_cast<unsigned char*>(buf), size);
}

// Forward by decompressing and dropping; back by starting over from the file's first byte.
int inflow_seek(void* cookie, cookie_offset* offset, int whence) {
  Inflow* s = static_cast<Inflow*>(cookie);
  long long target = whence == SEEK_SET ? *offset : whence == SEEK_CUR ? s->pos + *offset : -1;
  if (target < 0) {
    errno = EINVAL;
    return -1;
  }
  if (s->whole) {
    s->pos = target < (long long)s->whole_len ? target : (long long)s->whole_len;
    *offset = s->pos;
    return 0;
  }
  if (target < s->pos) {
    if (!s->prefix.empty() || std::fseek(s->raw, 0, SEEK_SET) != 0) {
      errno = ESPIPE;
      return -1;
    }
    std::clearerr(s->raw);
    if (!start(s)) return -1;
  }
  unsigned char scratch[4096];
  while (s->pos < target) {
    size_t want = size_t(target - s->pos < (long long)sizeof scratch ? target - s->pos
                                                                      : (long long)sizeof scratch);
    ssize_t got = inflow_produce(s, scratch, want);
    if (got <= 0) break;  // past the end stays at the end, as for a file
  }
  *offset = s->pos;
  return 0;
}

int inflow_close(void* cookie) {
  Inflow* s = static_cast<Inflow*>(cookie);
  int result = std::fclose(s->raw);
  inflow_free(s);
  return result;
}

#endif

// ---- compressing -------------------------------------------------------------------------------

struct Outflow : Linked {
  FILE* raw;
  int compression;
  bool failed = false;
  std::vector<unsigned char> out = std::vector<unsigned char>(kChunk);
#if VT_HAVE_ZLIB
  z_stream z{};
  bool z_open = false;
#endif
#if VT_HAVE_ZSTD && !VT_ZSTD_DECODER_ONLY
  ZSTD_CCtx* zc = nullptr;
#endif
};

// Ends the compressor and the stream's state; raw is the caller's.
void outflow_free(Outflow* s) {
#if VT_HAVE_ZLIB
  if (s->z_open) deflateEnd(&s->z);
#endif
#if VT_HAVE_ZSTD && !VT_ZSTD_DECODER_ONLY
  if (s->zc) ZSTD_freeCCtx(s->zc);
#endif
  unlink(s);
  delete s;
}

[[maybe_unused]] bool put(Outflow* s, size_t n) {  // unused where nothing compresses
  if (n && std::fwrite(s->out.data(), 1, n, s->raw) != n) s->failed = true;
  return !s->failed;
}

// Feeds data (finishing the compressed stream when last) and writes what comes out.
bool outflow_push(Outflow* s, const unsigned char* data, size_t size, bool last) {
#if VT_HAVE_ZLIB
  if (s->compression == ANIM_GZIP) {
    s->z.next_in = const_cast<unsigned char*>(data);
    s->z.avail_in = unsigned(size);
    for (;;) {
      s->z.next_out = s->out.data();
      s->z.avail_out = unsigned(s->out.size());
      int rc = deflate(&s->z, last ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR) return false;
      if (!put(s, s->out.size() - s->z.avail_out)) return false;
      if (last ? rc == Z_STREAM_END : s->z.avail_in == 0 && s->z.avail_out != 0) return true;
    }
  }
#endif
#if VT_HAVE_ZSTD && !VT_ZSTD_DECODER_ONLY
  if (s->compression == ANIM_ZSTD) {
    ZSTD_inBuffer in = {data, size, 0};
    for (;;) {
      ZSTD_outBuffer o = {s->out.data(), s->out.size(), 0};
      size_t rc = ZSTD_compressStream2(s->zc, &o, &in, last ? ZSTD_e_end : ZSTD_e_continue);
      if (ZSTD_isError(rc)) return false;
      if (!put(s, o.pos)) return false;
      if (last ? rc == 0 : in.pos == in.size) return true;
    }
  }
#endif
  (void)s, (void)data, (void)size, (void)last;
  return false;
}

// A compressor writing to raw (not owned), or null when this build cannot make it.
Outflow* outflow_new(FILE* raw, int compression, int level) {
  if (compression == ANIM_PLAIN || !anim_stream_can_write(compression)) return nullptr;
  if (level <= 0) level = compression == ANIM_GZIP ? 9 : 19;
  Outflow* s = new Outflow;
  link(s);
  s->raw = raw;
  s->compression = compression;
  bool ok = false;
#if VT_HAVE_ZLIB
  if (compression == ANIM_GZIP) {
    ok = deflateInit2(&s->z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    s->z_open = ok;
  }
#endif
#if VT_HAVE_ZSTD && !VT_ZSTD_DECODER_ONLY
  if (compression == ANIM_ZSTD) {
    s->zc = ZSTD_createCCtx();
    ok = s->zc && !ZSTD_isError(ZSTD_CCtx_setParameter(s->zc, ZSTD_c_compressionLevel, level));
  }
#endif
  (void)level;
  if (!ok) {
    outflow_free(s);
    return nullptr;
  }
  return s;
}

#if VT_HAVE_COOKIES

ssize_t outflow_write(void* cookie, const char* buf, size_t size) {
  Outflow* s = static_cast<Outflow*>(cookie);
  if (s->failed || !outflow_push(s, reinterpret_cast<const unsigned char*>(buf), size, false)) {
    s->failed = true;
    errno = EIO;
    return -1;
  }
  return ssize_t(size);
}

int outflow_close(void* cookie) {
  Outflow* s = static_cast<Outflow*>(cookie);
  bool ok = !s->failed && outflow_push(s, nullptr, 0, true);
  if (std::fclose(s->raw) != 0) ok = false;
  outflow_free(s);
  return ok ? 0 : -1;
}

#endif

}  // namespace

#if VT_HAVE_COOKIES


FILE* anim_replaying(FILE* raw, const unsigned char* prefix, size_t len) {
  Replay* r = new Replay;
  r->raw = raw;
  r->prefix.assign(prefix, prefix + len);
  link(r);
  cookie_io_functions_t io = {replay_read, nullptr, replay_seek, replay_close};
  FILE* f = fopencookie(r, "rb", io);
  if (!f) {
    unlink(r);
    delete r;
  }
  return f;
}

FILE* anim_decompressing(FILE* raw, int compression, const unsigned char* prefix, size_t len) {
  if (compression == ANIM_PLAIN || !anim_stream_can(compression)) return nullptr;
  Inflow* s = inflow_new(raw, compression, prefix, len);
  if (!start(s)) {
    inflow_free(s);
    return nullptr;
  }
#if VT_HAVE_ZLIB && VT_HAVE_LIBDEFLATE
  if (compression == ANIM_GZIP && len == 0) decompress_whole(s);
#endif
  cookie_io_functions_t io = {inflow_read, nullptr, inflow_seek, inflow_close};
  FILE* f = fopencookie(s, "rb", io);
  if (!f) inflow_free(s);
  return f;
}

FILE* anim_compressing(FILE* raw, int compression, int level) {
  Outflow* s = outflow_new(raw, compression, level);
  if (!s) return nullptr;
  cookie_io_functions_t io = {nullptr, outflow_write, nullptr, outflow_close};
  FILE* f = fopencookie(s, "wb", io);
  if (!f) outflow_free(s);
  return f;
}

bool anim_stream_failed(FILE* f) { return std::ferror(f) != 0; }
void anim_stream_forget(FILE*) {}
int anim_stream_close(FILE* f) { return std::fclose(f); }

#else  // the temporary file of Windows

namespace {

// A temporary file that is deleted when closed, in the user's temporary folder (the C runtime's
// tmpfile() uses the drive's root, where ordinary users may not create files). Marked temporary,
// it mostly stays in the file cache.
FILE* temporary_file() {
  wchar_t dir[MAX_PATH + 1], name[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0 || n > MAX_PATH || GetTempFileNameW(dir, L"vta", 0, name) == 0) return std::tmpfile();
  HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    return std::tmpfile();
  }
  int fd = _open_osfhandle(intptr_t(h), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  FILE* f = _fdopen(fd, "w+b");
  if (!f) _close(fd);
  return f;
}

// The decompressed copies whose compressed data was damaged or cut short: they end where the good
// data ends, and reading them to that end must still count as a failure.
std::vector<FILE*> damaged;

// The temporary files written in place of compressed ones, each with the compressor that
// anim_stream_close feeds it through.
struct Spooled {
  FILE* spool;
  Outflow* outflow;
};
std::vector<Spooled> spooled;

}  // namespace

FILE* anim_replaying(FILE*, const unsigned char*, size_t) { return nullptr; }

FILE* anim_decompressing(FILE* raw, int compression, const unsigned char* prefix, size_t len) {
  if (compression == ANIM_PLAIN || !anim_stream_can(compression)) return nullptr;
  FILE* spool = temporary_file();
  if (!spool) return nullptr;
  Inflow* s = inflow_new(raw, compression, prefix, len);
  if (!start(s)) {
    inflow_free(s);
    std::fclose(spool);
    return nullptr;
  }
  // All at once: a restart is then a seek, and the decoder reads an ordinary file.
  std::vector<unsigned char> chunk(kChunk);
  bool bad = false, written = true;
  for (;;) {
    ssize_t got = inflow_produce(s, chunk.data(), chunk.size());
    if (got < 0) bad = true;
    if (got <= 0) break;
    if (std::fwrite(chunk.data(), 1, size_t(got), spool) != size_t(got)) {
      written = false;
      break;
    }
  }
  inflow_free(s);
  if (!written || std::fflush(spool) != 0 || std::fseek(spool, 0, SEEK_SET) != 0) {
    int reason = errno ? errno : ENOSPC;
    std::fclose(spool);
    errno = reason;
    return nullptr;
  }
  std::fclose(raw);
  if (bad) damaged.push_back(spool);
  return spool;
}

FILE* anim_compressing(FILE* raw, int compression, int level) {
  Outflow* s = outflow_new(raw, compression, level);
  if (!s) return nullptr;
  FILE* spool = temporary_file();
  if (!spool) {
    outflow_free(s);
    return nullptr;
  }
  spooled.push_back({spool, s});
  return spool;
}

int anim_stream_close(FILE* f) {
  anim_stream_forget(f);
  Outflow* s = nullptr;
  for (size_t i = 0; i < spooled.size() && !s; i++)
    if (spooled[i].spool == f) {
      s = spooled[i].outflow;
      spooled.erase(spooled.begin() + long(i));
    }
  if (!s) return std::fclose(f);
  // Compressed only now, from the temporary file's first byte.
  bool ok = std::fflush(f) == 0 && !std::ferror(f) && std::fseek(f, 0, SEEK_SET) == 0;
  std::vector<unsigned char> chunk(kChunk);
  while (ok) {
    size_t n = std::fread(chunk.data(), 1, chunk.size(), f);
    if (n == 0) {
      ok = !std::ferror(f) && outflow_push(s, nullptr, 0, true);
      break;
    }
    ok = outflow_push(s, chunk.data(), n, false);
  }
  int reason = ok ? 0 : errno ? errno : EIO;
  std::fclose(f);
  if (std::fclose(s->raw) != 0) ok = false;
  outflow_free(s);
  if (!ok && reason) errno = reason;
  return ok ? 0 : EOF;
}

bool anim_stream_failed(FILE* f) {
  if (std::ferror(f)) return true;
  for (FILE* d : damaged)
    if (d == f) return std::feof(f) != 0;
  return false;
}

void anim_stream_forget(FILE* f) {
  for (size_t i = 0; i < damaged.size(); i++)
    if (damaged[i] == f) damaged.erase(damaged.begin() + long(i));
}
#endif  // VT_HAVE_COOKIES
#endif  // streams at all

#if VT_HAVE_SPOOL
FILE* anim_temporary_file() { return temporary_file(); }
#else
FILE* anim_temporary_file() { return std::tmpfile(); }
#endif
