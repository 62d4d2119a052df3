// The desktop player under a virtual X server: real key presses through xdotool, the window's
// pixels read back from the server. Paused on frame 1 the window shows exactly the memory-canvas
// render; P freezes the picture, R restarts at frame 1, F draws the frame-number box, Q and
// Escape quit with status 0. Skipped when Xvfb or xdotool is missing.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "util/anim_expect.h"
#include "util/test_util.h"

// Last: Xlib's macros (None, Status, ...) must not reach the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;
using vt_test::TempDir;

constexpr int kW = 64, kH = 48;

bool on_path(const std::string& name) {
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (access((dirs.substr(start, end - start) + "/" + name).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
            const std::string& cwd = "") {
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
  auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < deadline) {
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

// Xlib reached at run time, so the tests need no link change and skip cleanly without it.
struct Xlib {
  void* lib = nullptr;
  Display* (*open)(const char*) = nullptr;
  int (*close)(Display*) = nullptr;
  XImage* (*get_image)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) =
      nullptr;
  bool load() {
    lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    open = reinterpret_cast<decltype(open)>(dlsym(lib, "XOpenDisplay"));
    close = reinterpret_cast<decltype(close)>(dlsym(lib, "XCloseDisplay"));
    get_image = reinterpret_cast<decltype(get_image)>(dlsym(lib, "XGetImage"));
    using Handler = int (*)(Display*, XErrorEvent*);
    auto set_handler = reinterpret_cast<Handler (*)(Handler)>(dlsym(lib, "XSetErrorHandler"));
    // A window that vanished makes XGetImage fail; the default handler would end the test run.
    if (set_handler) set_handler([](Display*, XErrorEvent*) { return 0; });
    return open && close && get_image && set_handler;
  }
};

// One virtual X server for the whole suite, on a display number nobody uses.
struct XServer {
  pid_t pid = -1;
  std::string display;
  Xlib x;
  Display* dpy = nullptr;

  bool start(std::string* why) {
    if (!on_path("Xvfb") || !on_path("xdotool")) {
      *why = "Xvfb or xdotool is not installed (scripts/install-deps.sh installs them)";
      return false;
    }
    if (!x.load()) {
      *why = "libX11 cannot be loaded";
      return false;
    }
    for (int n = 40 + getpid() % 40; n < 200; n++) {
      std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
      if (access(lock.c_str(), F_OK) == 0 || access(sock.c_str(), F_OK) == 0) continue;
      display = ":" + std::to_string(n);
      pid = spawn({"Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {});
      auto deadline = Clock::now() + std::chrono::seconds(15);
      while (Clock::now() < deadline) {
        if (access(sock.c_str(), F_OK) == 0 && (dpy = x.open(display.c_str()))) return true;
        if (wait_exit(pid, 0.05) != -1) break;  // lost a race for this number: try the next
      }
      kill_group(pid);
      pid = -1;
    }
    *why = "Xvfb did not start";
    return false;
  }

  void stop() {
    if (dpy) x.close(dpy);
    dpy = nullptr;
    if (pid > 0) {
      kill(pid, SIGTERM);
      if (wait_exit(pid, 5) == -1) kill_group(pid);
    }
    pid = -1;
  }

  std::vector<std::string> env() const { return {"DISPLAY=" + display}; }

  // The window's pixels as 0xRRGGBB, top row first; empty when it cannot be read.
  std::vector<uint32_t> grab(unsigned long window, int w = kW, int h = kH) {
    std::vector<uint32_t> out;
    XImage* img = x.get_image(dpy, window, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img) return out;
    out.resize(size_t(w) * h);
    for (int y = 0; y < h; y++)
      for (int xx = 0; xx < w; xx++) {
        unsigned long p = img->f.get_pixel(img, xx, y);
        out[size_t(y) * w + xx] = uint32_t(p & 0xFFFFFF);
      }
    img->f.destroy_image(img);
    return out;
  }
};

XServer* server = nullptr;
std::string skip_reason;

// Frame 1 fills every block of a w x h area; then 999 frames repaint one block each of the
// 64 x 48 area.
std::string pattern_anim(int w = kW, int h = kH) {
  std::vector<std::vector<vt_test::BlockFill>> frames(1);
  for (int by = 0; by < h / 8; by++)
    for (int bx = 0; bx < w / 8; bx++) frames[0].push_back({bx, by, 16 + 5 * (by * 8 + bx)});
  for (int k = 1; k < 1000; k++) frames.push_back({{k % 8, (k / 8) % 6, (k * 7) % 256}});
  return vt_test::block_fill_anim(frames);
}

// Frame 1 painted on a memory canvas, in the colours GL draws.
std::vector<uint32_t> first_frame(const std::string& path, int w = kW, int h = kH) {
  return vt_test::canvas_colours_after(path, w, h, 1);
}

class PlayerSdl : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new XServer;
    if (!server->start(&skip_reason)) {
      delete server;
      server = nullptr;
    }
  }
  static void TearDownTestSuite() {
    if (server) server->stop();
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    if (!server) GTEST_SKIP() << skip_reason;
    if (!vt_test::file_exists(vt_test::bin_path("vantorel")))
      GTEST_SKIP() << "the desktop player was not built (SDL2 missing)";
    anim = dir.file("pattern.anim");
    ASSERT_TRUE(vt_test::write_file(anim, pattern_anim()));
  }

  void TearDown() override { kill_group(player); }

  // Starts the player (killed after a minute whatever happens) and finds its window.
  void start(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"timeout", "-s", "KILL", "60", vt_test::bin_path("vantorel")};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back("pattern.anim");
    player = spawn(argv, server->env(), dir.path);
    vt_test::RunResult r = vt_test::run_program(
        {"/usr/bin/env", "xdotool", "search", "--sync", "--name", anim + "$"}, "",
        server->env(), "", 30);
    window = strtoul(r.out.c_str(), nullptr, 10);
    ASSERT_NE(window, 0ul) << r.err;
  }

  void xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/env", "xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    vt_test::RunResult r = vt_test::run_program(argv, "", server->env(), "", 30);
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }

  void key(const std::string& name) {
    vt_test::RunResult r = vt_test::run_program(
        {"/usr/bin/env", "xdotool", "windowfocus", "--sync", std::to_string(window), "key", name},
        "", server->env(), "", 30);
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }

  // Grabs until the picture satisfies ok, for up to 30 seconds; returns the last grab.
  template <typename Pred>
  std::vector<uint32_t> grab_until(Pred ok, int w = kW, int h = kH) {
    std::vector<uint32_t> last;
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
      last = server->grab(window, w, h);
      if (ok(last)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return last;
  }

  // Waits until two grabs some time apart are equal: the picture stands still.
  std::vector<uint32_t> still_picture() {
    std::vector<uint32_t> before = server->grab(window);
    return grab_until([&](const std::vector<uint32_t>& now) {
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      std::vector<uint32_t> after = server->grab(window);
      bool same = !now.empty() && now == after && now == before;
      before = after;
      return same;
    });
  }

  TempDir dir;
  std::string anim;
  pid_t player = -1;
  unsigned long window = 0;
};

}  // namespace

TEST_F(PlayerSdl, PausedWindowShowsTheFirstFrameAndQQuits) {
  start({"-paused", "-res:64x48"});
  std::vector<uint32_t> want = first_frame(anim);
  std::vector<uint32_t> got = grab_until([&](const std::vector<uint32_t>& p) { return p == want; });
  EXPECT_TRUE(got == want) << "the window never showed frame 1";
  key("q");
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
}

TEST_F(PlayerSdl, PauseFreezesRestartShowsFrameOneAndFDrawsTheBox) {
  start({"-fms:20", "-res:64x48"});
  // Playing: the picture keeps changing.
  std::vector<uint32_t> first = grab_until([](const std::vector<uint32_t>& p) { return !p.empty(); });
  std::vector<uint32_t> moved = grab_until([&](const std::vector<uint32_t>& p) { return p != first; });
  EXPECT_NE(moved, first);

  key("p");
  std::vector<uint32_t> still = still_picture();
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(server->grab(window), still) << "paused, yet the picture changed";

  // R while paused: blank, frame 1, and still paused.
  key("r");
  std::vector<uint32_t> want = first_frame(anim);
  std::vector<uint32_t> got = grab_until([&](const std::vector<uint32_t>& p) { return p == want; });
  EXPECT_TRUE(got == want) << "R did not bring back frame 1";

  // F draws the frame-number box at the top centre (64 / 2 + 20 wide, from about x 6) with a grey
  // outline; its text may run past the box, but the leftmost columns stay as they were.
  key("f");
  got = grab_until([&](const std::vector<uint32_t>& p) { return !p.empty() && p != want; });
  int left_of_box = 0, grey = 0;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) {
      if (x < 4) left_of_box += got[size_t(y) * kW + x] != want[size_t(y) * kW + x];
      grey += got[size_t(y) * kW + x] == 0x808080u;
    }
  EXPECT_EQ(left_of_box, 0);
  EXPECT_GT(grey, 40);

  key("Escape");
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
}

TEST_F(PlayerSdl, ResizeRedrawsFrameOneAtTheNewSize) {
  // Frame 1 covers 96 x 64; the window opens at 64 x 48, paused, and is then made larger.
  ASSERT_TRUE(vt_test::write_file(anim, pattern_anim(96, 64)));
  start({"-paused", "-res:64x48"});
  std::vector<uint32_t> small = first_frame(anim);
  grab_until([&](const std::vector<uint32_t>& p) { return p == small; });
  xdotool({"windowsize", "--sync", std::to_string(window), "96", "64"});
  // The size change rewinds: frame 1 is drawn again, now over the whole larger area, one pixel per
  // unit (a frame drawn at the old size would be cut off or stretched).
  std::vector<uint32_t> want = first_frame(anim, 96, 64);
  std::vector<uint32_t> got =
      grab_until([&](const std::vector<uint32_t>& p) { return p == want; }, 96, 64);
  EXPECT_TRUE(got == want) << "frame 1 was not redrawn at 96 x 64";
  key("q");
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
}

TEST_F(PlayerSdl, FullScreenAtAnotherSizeShowsThePictureOnTheUnchangedDisplay) {
  // The virtual screen is 800 x 600 and cannot change its mode: the picture is shown in a
  // 64 x 48 full-screen popup at the top-left corner.
  start({"-paused", "-fullscreen", "-res:64x48"});
  std::vector<uint32_t> want = first_frame(anim);
  std::vector<uint32_t> got = grab_until([&](const std::vector<uint32_t>& p) { return p == want; });
  EXPECT_TRUE(got == want) << "the full-screen popup never showed frame 1";
  key("q");
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
}

TEST_F(PlayerSdl, DrawingAreaBeyondTheRendererIsRefusedNamingTheSize) {
  vt_test::RunResult r = vt_test::run_program(
      {vt_test::bin_path("vantorel"), "-once", "-res:20000x300", "pattern.anim"}, dir.path,
      server->env(), "", 60);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.err.find("Oh sod it: Drawing area 20000x300 is larger than the renderer can hold"),
            std::string::npos)
      << r.err;
}

// Without a display SDL would pick its invisible offscreen driver and play for ever; the window
// cannot be made, which is reported (the box falls back to standard error), -once or not.
TEST(PlayerSdlNoDisplay, WindowCreationErrorWithoutADisplay) {
  if (!vt_test::file_exists(vt_test::bin_path("vantorel")))
    GTEST_SKIP() << "the desktop player was not built (SDL2 missing)";
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("a.anim"), pattern_anim()));
  for (const char* driver : {"", "offscreen", "dummy"}) {
    std::vector<std::string> argv{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    if (*driver) argv.push_back(std::string("SDL_VIDEODRIVER=") + driver);
    argv.insert(argv.end(), {vt_test::bin_path("vantorel"), "-once", "-fms:1", "a.anim"});
    vt_test::RunResult r = vt_test::run_program(argv, dir.path, {}, "", 30);
    EXPECT_EQ(r.exit_code, 0) << driver;
    EXPECT_NE(r.err.find("Oh sod it: Window Creation Error.\n"), std::string::npos)
        << driver << ": " << r.err;
  }
}
