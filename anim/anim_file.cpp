// The ANIM container: header detection, rewinding, closing and opening a recorder of a given size.
#include "anim/anim_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "anim/compressed.h"

FILE* anim_fopen_read(const char* path) {
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) return nullptr;
  // Linux opens a folder for reading and only its reads fail; that must not pass for an empty file.
  struct stat info;
  if (fstat(fileno(f), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(f);
    errno = EISDIR;
    return nullptr;
  }
  return f;
}

AnimFile anim_open(const char* path) {
  errno = 0;
  FILE* f = anim_fopen_read(path);
  if (!f) {
    AnimFile anim = {};
    anim.version = 1;
    anim.open_errno = errno ? errno : ENOENT;
    return anim;
  }
  return anim_open_stream(f);
}

namespace {

// Bytes looked at to tell what a file is: enough for every signature, a Windows program's second
// one included.
constexpr size_t kSniff = 1024;

AnimFile refuse(FILE* stream, const char* why) {
  if (stream) std::fclose(stream);
  AnimFile anim = {};
  anim.version = 1;
  anim.open_errno = EINVAL;
  anim.refused = why;
  return anim;
}

// The version from the first bytes of a plain stream at its first byte; afterwards the stream
// stands at the first frame, or the bytes it cannot give back wait in `peeked`.
AnimFile open_plain(FILE* stream) {
  AnimFile anim = {};
  anim.version = 1;
  anim.file = stream;
  unsigned char head[ANIM_HEADER_SIZE];
  size_t got = std::fread(head, 1, sizeof head, anim.file);
  if (got == ANIM_HEADER_SIZE && std::memcmp(head, ANIM_SIGNATURE, ANIM_HEADER_SIZE) == 0) {
    anim.version = 2;
    anim.offset = ANIM_HEADER_SIZE;  // the stream is already at the first frame
  } else if (std::fseek(anim.file, 0, SEEK_SET) != 0) {
    // A pipe cannot go back: the decoder takes the peeked bytes first.
    std::memcpy(anim.peeked, head, got);
    anim.peeked_len = int(got);
  }
  return anim;
}

AnimFile open_stream(FILE* stream, bool inside_compression) {
  // Where the stream cannot go back and no stream can replay what was read, only the header's
  // bytes are looked at, which the decoder can take back through `peeked`.
  bool can_look_far = anim_stream_cookies() || std::fseek(stream, 0, SEEK_CUR) == 0;
  unsigned char head[kSniff];
  size_t got = std::fread(head, 1, can_look_far ? kSniff : size_t(ANIM_HEADER_SIZE), stream);
  bool rewound = std::fseek(stream, 0, SEEK_SET) == 0;
  if (rewound) std::clearerr(stream);

  int compression = anim_compression_of(head, got);
  if (compression != ANIM_PLAIN) {
    if (inside_compression) return refuse(stream, "compressed twice, not a plain .anim animation");
    if (!anim_stream_can(compression))
      return refuse(stream, compression == ANIM_GZIP
                                ? "a gzip-compressed file, which this build cannot read"
                                : "a zstd-compressed file, which this build cannot read");
    errno = 0;
    FILE* inner = rewound ? anim_decompressing(stream, compression, nullptr, 0)
                          : anim_decompressing(stream, compression, head, got);
    if (!inner) {
      int reason = errno ? errno : ENOMEM;
      std::fclose(stream);
      AnimFile anim = {};
      anim.version = 1;
      anim.open_errno = reason;
      return anim;
    }
    AnimFile anim = open_stream(inner, true);
    anim.compression = compression;
    return anim;
  }
  if (const char* other = anim_foreign_format(head, got)) {
    // Said here for all readers, so the player, animtool and the thumbnailer agree. One text per
    // format, kept for the program's life, since `refused` may be held on to.
    static std::map<const char*, std::string> reasons;
    std::string& why = reasons[other];
    if (why.empty()) why = std::string(other) + ", not an .anim animation";
    return refuse(stream, why.c_str());
  }
  if (rewound) return open_plain(stream);
  if (got > ANIM_HEADER_SIZE || anim_stream_cookies()) {
    FILE* replay = anim_replaying(stream, head, got);
    if (replay) return open_plain(replay);
  }
  // A pipe of which only the header's bytes were read.
  AnimFile anim = {};
  anim.version = 1;
  anim.file = stream;
  if (got == ANIM_HEADER_SIZE && std::memcmp(head, ANIM_SIGNATURE, ANIM_HEADER_SIZE) == 0) {
    anim.version = 2;
    anim.offset = ANIM_HEADER_SIZE;
  } else {
    std::memcpy(anim.peeked, head, got);
    anim.peeked_len = int(got);
  }
  return anim;
}

}  // namespace

AnimFile anim_open_stream(FILE* stream) {
  if (!stream) {
    AnimFile anim = {};
    anim.version = 1;
    anim.open_errno = EBADF;
    return anim;
  }
  return open_stream(stream, false);
}

int anim_compression_available(int compression) { return anim_stream_can_write(compression) ? 1 : 0; }

int anim_rewind(AnimFile* anim) {
  if (anim->file) {
    long first = anim->version == 1 ? 0 : ANIM_HEADER_SIZE;
    if (std::fseek(anim->file, first, SEEK_SET) == 0) {
      anim->offset = first;
      anim->peeked_len = anim->peeked_used = 0;
    } else if (anim->offset != first || anim->peeked_used != 0) {
      return 0;  // a pipe past the start of its first frame
    }
    std::clearerr(anim->file);
  }
  anim->frame = 0;
  return 1;
}

bool anim_at_end(const AnimFile* anim) {
  if (!anim->file) return true;
  if (anim->peeked_used < anim->peeked_len) return false;
  return std::feof(anim->file) || std::ferror(anim->file);
}

void anim_close(AnimFile anim) {
  if (anim.file) {
    anim_stream_close(anim.file);
  }
  if (anim.columns) {
    for (int x = 0; x < anim.width; x++) std::free(anim.columns[x]);
    std::free(anim.columns);
  }
}

AnimFile anim_writer_open_size(const char* path, int version, int width, int height) {
  return anim_writer_open_compressed(path, version, width, height, ANIM_PLAIN, 0);
}

AnimFile anim_writer_open_compressed(const char* path, int version, int width, int height,
                                     int compression, int level) {
  AnimFile anim = {};
  anim.version = version;
  anim.compression = compression;
  int top = compression == ANIM_GZIP ? 9 : compression == ANIM_ZSTD ? 22 : 0;
  if (width < 1 || height < 1 || width > ANIM_MAX_SIZE || height > ANIM_MAX_SIZE ||
      (version != 1 && version != 2) || !anim_stream_can_write(compression) || level < 0 ||
      level > top) {
    anim.open_errno = EINVAL;
    return anim;
  }
  if (level == 0) level = compression == ANIM_GZIP ? 9 : 19;
  anim.columns = static_cast<unsigned char**>(std::calloc(size_t(width), sizeof(unsigned char*)));
  if (!anim.columns) {
    anim.open_errno = ENOMEM;
    return anim;
  }
  anim.width = width;
  anim.height = height;
  for (int x = width - 1; x >= 0; x--) {
    anim.columns[x] = static_cast<unsigned char*>(std::calloc(size_t(height), 1));
    if (!anim.columns[x]) {
      anim_close(anim);
      AnimFile failed = {};
      failed.version = version;
      failed.open_errno = ENOMEM;
      return failed;
    }
  }
  anim.file = std::fopen(path, "wb");
  if (!anim.file) {
    int reason = errno ? errno : EACCES;
    anim_close(anim);
    AnimFile failed = {};
    failed.version = version;
    failed.open_errno = reason;
    return failed;
  }
  if (compression != ANIM_PLAIN) {
    FILE* packed = anim_compressing(anim.file, compression, level);
    if (!packed) {
      std::fclose(anim.file);
      std::remove(path);
      anim.file = nullptr;
      anim_close(anim);
      AnimFile failed = {};
      failed.version = version;
      failed.open_errno = ENOMEM;
      return failed;
    }
    anim.file = packed;
  }
  if (version == 2) {
    std::fwrite(ANIM_SIGNATURE, 1, ANIM_HEADER_SIZE, anim.file);  // with its zero byte
    std::fflush(anim.file);  // a recording is a valid file from the start
  }
  return anim;
}
