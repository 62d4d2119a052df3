// The ANIM container: header detection, rewinding, closing and opening a recorder of a given size.
#include "anim/anim_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

AnimFile anim_open(const char* path) {
  AnimFile anim = {};
  anim.version = 1;
  anim.file = std::fopen(path, "rb");
  if (!anim.file) {
    anim.open_errno = errno ? errno : ENOENT;
    return anim;
  }
  unsigned char head[10] = {};
  size_t got = std::fread(head, 1, sizeof head, anim.file);
  if (got >= ANIM_HEADER_SIZE && std::memcmp(head, "ANIM2", ANIM_HEADER_SIZE) == 0) {
    anim.version = 2;
    std::fseek(anim.file, ANIM_HEADER_SIZE, SEEK_SET);
  } else {
    std::rewind(anim.file);
  }
  return anim;
}

void anim_rewind(AnimFile* anim) {
  if (anim->file) {
    if (anim->version == 1)
      std::rewind(anim->file);
    else
      std::fseek(anim->file, ANIM_HEADER_SIZE, SEEK_SET);
    std::clearerr(anim->file);
  }
  anim->frame = 0;
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
    std::fwrite("ANIM2", 1, 5, anim.file);
    std::fputc(0, anim.file);
    std::fflush(anim.file);  // a recording is a valid file from the start
  }
  return anim;
}
