// The ANIM container: header detection, rewinding, closing and opening a recorder of a given size.
#include "anim/anim_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>

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

AnimFile anim_open_stream(FILE* stream) {
  AnimFile anim = {};
  anim.version = 1;
  anim.file = stream;
  if (!anim.file) {
    anim.open_errno = EBADF;
    return anim;
  }
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
  if (anim.file) std::fclose(anim.file);
  if (anim.columns) {
    for (int x = 0; x < anim.width; x++) std::free(anim.columns[x]);
    std::free(anim.columns);
  }
}

AnimFile anim_writer_open_size(const char* path, int version, int width, int height) {
  AnimFile anim = {};
  anim.version = version;
  if (width < 1 || height < 1 || width > ANIM_MAX_SIZE || height > ANIM_MAX_SIZE ||
      (version != 1 && version != 2)) {
    anim.open_errno = EINVAL;
    return anim;
  }
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
  if (version == 2) {
    std::fwrite(ANIM_SIGNATURE, 1, ANIM_HEADER_SIZE, anim.file);  // with its zero byte
    std::fflush(anim.file);  // a recording is a valid file from the start
  }
  return anim;
}
