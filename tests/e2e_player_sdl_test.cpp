// The desktop player under a virtual X server: real key presses through xdotool, the window's
// pixels read back from the server. Paused on frame 1 the window shows exactly the memory-canvas
// render; P freezes the picture, R restarts at frame 1, F draws the frame-number box, Q and
// Escape quit with status 0; Space pauses too, S saves what the window shows, F11 covers the screen
// and comes back; closing a full-screen window exits 0 with the display mode put back, and Alt+Tab
// asks for the window to be minimised. Skipped when Xvfb or xdotool is missing.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "util/anim_expect.h"
#include "util/test_util.h"

// Last: Xlib's macros (None, Status, ...) must not reach the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

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

using vt_test::kill_group;
using vt_test::spawn;
using vt_test::wait_exit;

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

// Under the sanitizers the desktop player is not leak-checked: the desktop stack (SDL's D-Bus link,
// the GL driver that SDL unloads at exit) keeps blocks the check can only show as unknown modules.
// The headless player, running the same portable code, is leak-checked; memory errors and
// undefined behaviour are still caught here.
std::string no_leak_check() {
  const char* asan = getenv("ASAN_OPTIONS");
  return std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") +
         "detect_leaks=0";
}
std::vector<std::string> player_env() {
  std::vector<std::string> env = server->env();
  env.push_back(no_leak_check());
  return env;
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
    player = spawn(argv, player_env(), dir.path);
    vt_test::RunResult r = vt_test::run_program(
        {"/usr/bin/env", "xdotool", "search", "--sync", "--name", "^Vantorel - pattern\\.anim$"}, "",
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

// A screenshot in the folder dir (a BMP, or its PNG where a converter is installed), waited for,
// as width, height and 0xRRGGBB top row first.
bool read_screenshot(const std::string& dir, int* w, int* h, std::vector<uint32_t>* out) {
  auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    std::string name;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.path().filename().string().rfind("screenshot", 0) == 0) name = entry.path();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // written whole by then
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
      vt_test::Image img;
      if (!vt_test::read_png(name, &img)) continue;
      *w = img.width, *h = img.height;
      out->clear();
      for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) out->push_back(img.pixel(x, y));
      return true;
    }
    std::string b = name.empty() ? std::string() : vt_test::read_file(name);
    if (b.size() < 54 || b.compare(0, 2, "BM") != 0) continue;
    auto u32 = [&](size_t at) {
      return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
             uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
    };
    *w = int(u32(18)), *h = int(u32(22));
    size_t stride = (size_t(*w) * 3 + 3) / 4 * 4;
    if (*w <= 0 || *h <= 0 || b.size() != 54 + stride * size_t(*h)) continue;
    out->clear();
    for (int y = *h - 1; y >= 0; y--)
      for (int x = 0; x < *w; x++) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&b[54 + stride * y + 3 * x]);
        out->push_back(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
      }
    return true;
  }
  return false;
}

TEST_F(PlayerSdl, SpacePausesAndSSavesTheWindow) {
  start({"-fms:20", "-res:64x48"});
  std::vector<uint32_t> first = grab_until([](const std::vector<uint32_t>& p) { return !p.empty(); });
  grab_until([&](const std::vector<uint32_t>& p) { return p != first; });
  key("space");
  std::vector<uint32_t> still = still_picture();
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(server->grab(window), still) << "Space did not pause";

  // S writes the picture on screen (the front buffer) into the folder the player started in.
  key("s");
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(read_screenshot(dir.path, &w, &h, &pixels)) << "no screenshot in " << dir.path;
  EXPECT_EQ(w, kW);
  EXPECT_EQ(h, kH);
  EXPECT_TRUE(pixels == still) << "the screenshot is not what the window shows";

  key("space");
  std::vector<uint32_t> moved = grab_until([&](const std::vector<uint32_t>& p) { return p != still; });
  EXPECT_NE(moved, still) << "Space did not resume";
  key("q");
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
}

TEST_F(PlayerSdl, F11CoversTheScreenWithoutAModeChangeAndComesBack) {
  start({"-paused", "-res:64x48"});
  std::vector<uint32_t> want = first_frame(anim);
  grab_until([&](const std::vector<uint32_t>& p) { return p == want; });
  auto geometry = [&]() {
    vt_test::RunResult r = vt_test::run_program(
        {"/usr/bin/env", "xdotool", "getwindowgeometry", std::to_string(window)}, "", server->env(),
        "", 30);
    size_t at = r.out.find("Geometry: ");
    return at == std::string::npos ? std::string() : r.out.substr(at + 10, r.out.find('\n', at) - at - 10);
  };
  auto geometry_until = [&](const std::string& want_geometry) {
    std::string g;
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline && (g = geometry()) != want_geometry)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return g;
  };

  key("F11");
  EXPECT_EQ(geometry_until("800x600"), "800x600");
  // The drawing area follows (a screenshot has its size) and frame 1 is drawn again at the top.
  std::vector<uint32_t> big =
      grab_until([&](const std::vector<uint32_t>& p) { return p == want; }, kW, kH);
  EXPECT_TRUE(big == want);
  key("s");
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(read_screenshot(dir.path, &w, &h, &pixels)) << "no screenshot in " << dir.path;
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(pixels[0], want[0]);

  key("F11");
  EXPECT_EQ(geometry_until("64x48"), "64x48");
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
      player_env(), "", 60);
  EXPECT_EQ(r.exit_code, 1);
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
    vt_test::RunResult r = vt_test::run_program(argv, dir.path, {no_leak_check()}, "", 30);
    EXPECT_EQ(r.exit_code, 1) << driver;
    EXPECT_NE(r.err.find("Oh sod it: Window Creation Error.\n"), std::string::npos)
        << driver << ": " << r.err;
  }
}

namespace {

// The rest of Xlib and XRandR that the tests below use, reached at run time like Xlib above.
struct XExtras {
  Atom (*intern_atom)(Display*, const char*, Bool) = nullptr;
  int (*select_input)(Display*, Window, long) = nullptr;
  int (*pending)(Display*) = nullptr;
  int (*next_event)(Display*, XEvent*) = nullptr;
  Status (*send_event)(Display*, Window, Bool, long, XEvent*) = nullptr;
  int (*sync)(Display*, Bool) = nullptr;
  XRRScreenResources* (*get_resources)(Display*, Window) = nullptr;
  void (*free_resources)(XRRScreenResources*) = nullptr;
  RRMode (*create_mode)(Display*, Window, XRRModeInfo*) = nullptr;
  void (*add_output_mode)(Display*, RROutput, RRMode) = nullptr;
  void (*delete_output_mode)(Display*, RROutput, RRMode) = nullptr;
  void (*destroy_mode)(Display*, RRMode) = nullptr;

  bool load() {
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    void* randr = dlopen("libXrandr.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!x11 || !randr) return false;
    auto get = [](void* lib, const char* name, auto* fn) {
      *fn = reinterpret_cast<std::remove_reference_t<decltype(*fn)>>(dlsym(lib, name));
      return *fn != nullptr;
    };
    return get(x11, "XInternAtom", &intern_atom) && get(x11, "XSelectInput", &select_input) &&
           get(x11, "XPending", &pending) && get(x11, "XNextEvent", &next_event) &&
           get(x11, "XSendEvent", &send_event) && get(x11, "XSync", &sync) &&
           get(randr, "XRRGetScreenResources", &get_resources) &&
           get(randr, "XRRFreeScreenResources", &free_resources) &&
           get(randr, "XRRCreateMode", &create_mode) &&
           get(randr, "XRRAddOutputMode", &add_output_mode) &&
           get(randr, "XRRDeleteOutputMode", &delete_output_mode) &&
           get(randr, "XRRDestroyMode", &destroy_mode);
  }
};

class PlayerSdlDesktop : public PlayerSdl {
 protected:
  void SetUp() override {
    PlayerSdl::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(x.load()) << "libX11 or libXrandr cannot be loaded";
    dpy = server->dpy;
    root = DefaultRootWindow(dpy);
  }
  void TearDown() override {
    PlayerSdl::TearDown();
    if (mode_id) {
      x.delete_output_mode(dpy, mode_output, mode_id);
      x.destroy_mode(dpy, mode_id);
      x.sync(dpy, False);
    }
  }

  // The screen's size as a new client sees it, "W H".
  std::string display_size() {
    vt_test::RunResult r = vt_test::run_program({"/usr/bin/env", "xdotool", "getdisplaygeometry"},
                                                "", server->env(), "", 30);
    while (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
    return r.out;
  }

  // Xvfb offers only its own size. A 640 x 480 mode on its output, for this test only, lets the
  // player really change the display mode.
  void add_mode_640x480() {
    XRRScreenResources* res = x.get_resources(dpy, root);
    ASSERT_TRUE(res && res->noutput > 0);
    XRRModeInfo mode = {};
    char name[] = "640x480";
    mode.width = 640;
    mode.height = 480;
    mode.dotClock = 25175000;
    mode.hSyncStart = 656;
    mode.hSyncEnd = 752;
    mode.hTotal = 800;
    mode.vSyncStart = 490;
    mode.vSyncEnd = 492;
    mode.vTotal = 525;
    mode.name = name;
    mode.nameLength = 7;
    mode_output = res->outputs[0];
    mode_id = x.create_mode(dpy, root, &mode);
    x.add_output_mode(dpy, mode_output, mode_id);
    x.free_resources(res);
    x.sync(dpy, False);
  }

  // What the close button of a title bar sends.
  void close_window() {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = x.intern_atom(dpy, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(x.intern_atom(dpy, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    x.send_event(dpy, window, False, NoEventMask, &e);
    x.sync(dpy, False);
  }

  // Requests to iconify our window seen since the last call (a client asks the window manager
  // with a WM_CHANGE_STATE message to the root window).
  int iconify_requests() {
    x.sync(dpy, False);
    const Atom change_state = x.intern_atom(dpy, "WM_CHANGE_STATE", False);
    int seen = 0;
    while (x.pending(dpy)) {
      XEvent e;
      x.next_event(dpy, &e);
      if (e.type == ClientMessage && e.xclient.message_type == change_state &&
          e.xclient.window == window && e.xclient.data.l[0] == IconicState)
        seen++;
    }
    return seen;
  }

  template <typename Pred>
  bool wait_for(Pred ok) {
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
      if (ok()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return ok();
  }

  XExtras x;
  Display* dpy = nullptr;
  Window root = 0;
  RROutput mode_output = 0;
  RRMode mode_id = 0;
};

}  // namespace

TEST_F(PlayerSdlDesktop, ClosingFullScreenExitsZeroWithTheDisplayModeBack) {
  add_mode_640x480();
  ASSERT_EQ(display_size(), "800 600");
  start({"-fullscreen", "-res:640x480", "-paused"});
  EXPECT_TRUE(wait_for([&] { return display_size() == "640 480"; })) << "the mode never changed";
  close_window();
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
  EXPECT_EQ(display_size(), "800 600");
}

// A program that set gfx_close_returns gets the close button as a flag and ends its own way.
TEST_F(PlayerSdlDesktop, ExampleTakesTheCloseItselfWhenItAsksTo) {
  const std::string program = vt_test::bin_path("examples/example-input");
  if (!vt_test::file_exists(program)) GTEST_SKIP() << "the examples were not built";
#if defined(__SANITIZE_ADDRESS__)
  // Under the sanitizer the program starts far slower than the typing runs; the plain build
  // checks the close.
  GTEST_SKIP() << "checked by the plain build";
#endif
  player = spawn({"/bin/sh", "-c", "exec timeout -s KILL 60 \"$0\" > out.txt", program},
                 player_env(), dir.path);
  vt_test::RunResult r = vt_test::run_program(
      {"/usr/bin/env", "xdotool", "search", "--sync", "--name", "^Vantorel: keyboard and mouse$"},
      "", server->env(), "", 30);
  window = strtoul(r.out.c_str(), nullptr, 10);
  ASSERT_NE(window, 0ul) << r.err;
  // The X server hands the program the key presses before the close that follows them.
  xdotool({"windowfocus", "--sync", std::to_string(window), "type", "ok"});
  close_window();
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
  EXPECT_EQ(vt_test::read_file(dir.file("out.txt")), "Window closed; the line held \"ok\".\n");
}

TEST_F(PlayerSdlDesktop, AltTabMinimisesTheWindow) {
  // No window manager runs, so the window stays on screen; what is checked is the request.
  x.select_input(dpy, root, SubstructureNotifyMask);
  start({"-paused", "-res:64x48"});
  std::vector<uint32_t> want = first_frame(anim);
  grab_until([&](const std::vector<uint32_t>& p) { return p == want; });
  key("Tab");  // alone it minimises nothing
  EXPECT_EQ(iconify_requests(), 0) << "minimised before Alt+Tab";
  xdotool({"windowfocus", "--sync", std::to_string(window), "keydown", "alt+Tab", "sleep", "0.5",
           "keyup", "alt+Tab"});
  EXPECT_TRUE(wait_for([&] { return iconify_requests() > 0; })) << "Alt+Tab did not minimise";
  key("Escape");
  EXPECT_EQ(wait_exit(player, 30), 0);
  player = -1;
}
