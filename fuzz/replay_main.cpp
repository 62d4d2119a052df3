// The entry of the fuzz targets in the test builds, where there is no libFuzzer: runs a target's
// LLVMFuzzerInitialize (when it has one), then LLVMFuzzerTestOneInput once on every file named on
// the command line, reading folders recursively in name order. Lets `make test` replay the seeds
// and the kept regressions of every target under the sanitizers, so a target that stops building
// or crashes on a known input fails the tests. Hidden files (".gitkeep" and the like) are skipped.
// Exit status 0 when every input ran, 1 when a path could not be read or no input was found.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Weak: most targets have no set-up, and then the symbol stays null.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// Appends the regular files under path (path itself when it is one) to files, in name order.
bool collect(const std::string& path, std::vector<std::string>* files) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "replay: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    files->push_back(path);
    return true;
  }
  DIR* dir = opendir(path.c_str());
  if (!dir) {
    std::fprintf(stderr, "replay: cannot read folder %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  bool ok = true;
  for (const std::string& name : names) ok = collect(path + "/" + name, files) && ok;
  return ok;
}

// The whole file into bytes; 0, or the system's reason when it cannot be read.
int read_all(const std::string& path, std::vector<uint8_t>* bytes) {
  errno = 0;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return errno ? errno : EACCES;
  bytes->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes->insert(bytes->end(), chunk, chunk + got);
  const int reason = std::ferror(f) ? (errno ? errno : EIO) : 0;
  std::fclose(f);
  return reason;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE|FOLDER...\n  runs the fuzz target once on every file\n",
                 argv[0]);
    return 1;
  }
  std::vector<std::string> files;
  bool ok = true;
  for (int i = 1; i < argc; i++) ok = collect(argv[i], &files) && ok;
  if (!ok) return 1;
  if (files.empty()) {
    std::fprintf(stderr, "replay: no inputs found\n");
    return 1;
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<uint8_t> bytes;
  for (const std::string& file : files) {
    if (int reason = read_all(file, &bytes)) {
      std::fprintf(stderr, "replay: cannot read %s: %s\n", file.c_str(), std::strerror(reason));
      return 1;
    }
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
    // An exactly sized copy, so that a read past the end shows under AddressSanitizer.
    std::vector<uint8_t> input(bytes);
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
  }
  std::printf("replay: %zu inputs ran\n", files.size());
  return 0;
}
