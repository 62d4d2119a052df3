// Test helpers: temporary directories, running programs with captured output, files and PNGs.
#include "util/test_util.h"

#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace vt_test {

std::string bin_path(const std::string& name) { return std::string(VANTOREL_BIN_DIR) + "/" + name; }
std::string source_path(const std::string& rel) {
  return std::string(VANTOREL_SOURCE_DIR) + "/" + rel;
}

std::string installed_tool(const std::string& name) {
  std::stringstream path(getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(path, dir, ':'))
    if (access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
  ADD_FAILURE() << name << " is not installed (scripts/install-deps.sh installs it)";
  return "/nonexistent/" + name;
}

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vantorel-test-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  if (mkdtemp(buf.data())) path = buf.data();
}

TempDir::~TempDir() {
  if (!path.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
}

RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env, const std::string& stdin_text,
                      int timeout_seconds) {
  RunResult result;
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe)) return result;

  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) env_strings.push_back(*e);
  for (const std::string& extra : env) {
    std::string name = extra.substr(0, extra.find('=') + 1);
    for (auto it = env_strings.begin(); it != env_strings.end();)
      it = it->compare(0, name.size(), name) == 0 ? env_strings.erase(it) : it + 1;
    env_strings.push_back(extra);
  }
  std::vector<char*> envp, args;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  for (auto& s : argv_copy) args.push_back(s.data());
  args.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      close(fd);
    setpgid(0, 0);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  signal(SIGPIPE, SIG_IGN);
  if (!stdin_text.empty()) {
    ssize_t ignored = write(in_pipe[1], stdin_text.data(), stdin_text.size());
    (void)ignored;
  }
  close(in_pipe[1]);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  int open_fds = 2;
  bool killed = false;
  while (open_fds > 0) {
    int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                     deadline - std::chrono::steady_clock::now()).count());
    if (ms <= 0) {
      kill(-pid, SIGKILL);
      killed = true;
      break;
    }
    if (poll(fds, 2, ms) <= 0) continue;
    for (int i = 0; i < 2; i++) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[65536];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buf, size_t(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        open_fds--;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) result.exit_code = 128 + WTERMSIG(status);
  if (killed) result.err += "\n[killed after timeout]\n";
  return result;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

bool file_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool read_png(const std::string& path, Image* out) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  out->width = int(image.width);
  out->height = int(image.height);
  out->rgb.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, out->rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return true;
}

bool write_png(const std::string& path, const Image& img) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(img.width);
  image.height = png_uint_32(img.height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, img.rgb.data(), 0, nullptr) != 0;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
            const std::string& cwd) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    // Nothing of ours stays open in the child (a server outliving a crash would hold our pipes).
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
    }
    for (const std::string& e : env_extra) putenv(const_cast<char*>(e.c_str()));
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// Exit status of pid, or -1 when it has not ended within the time given.
int wait_exit(pid_t pid, double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

void kill_group(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace vt_test
