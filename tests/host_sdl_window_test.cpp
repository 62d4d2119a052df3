// The SDL host on a virtual X server: the shell's swap interval reaches the platform's swap
// control, which Mesa never lists in the OpenGL extension string. Xvfb's GLX has none, so SDL is
// asked for EGL, which has it. Skipped without Xvfb.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "gfx/shell_state.h"
#include "gfx/view.h"
#include "gfx/window.h"

namespace {

// Starts Xvfb on a free display number; its pid, or -1.
pid_t start_xvfb(std::string* display) {
  for (int n = 200 + getpid() % 50; n < 300; n++) {
    std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
    if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0 ||
        access(sock.c_str(), F_OK) == 0)
      continue;
    *display = ":" + std::to_string(n);
    pid_t pid = fork();
    if (pid == 0) {
      freopen("/dev/null", "w", stderr);
      execlp("Xvfb", "Xvfb", display->c_str(), "-screen", "0", "320x240x24", "-nolisten", "tcp",
             (char*)nullptr);
      _exit(127);
    }
    for (int i = 0; i < 300; i++) {  // up to 15 seconds
      if (access(sock.c_str(), F_OK) == 0) return pid;
      if (waitpid(pid, nullptr, WNOHANG) == pid) break;
      usleep(50000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  return -1;
}

}  // namespace

TEST(SdlWindow, SwapIntervalReachesThePlatformsSwapControl) {
  std::string display;
  pid_t xvfb = start_xvfb(&display);
  if (xvfb < 0) GTEST_SKIP() << "Xvfb did not start";
  setenv("DISPLAY", display.c_str(), 1);
  setenv("SDL_VIDEO_X11_FORCE_EGL", "1", 1);
  windowed = 1;
  ASSERT_EQ(gfx_open(64, 48, "swap"), 1);
  gfx_swap_interval(1);
  EXPECT_EQ(has_swap_control, 1);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
  gfx_swap_interval(0);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
  SDL_Quit();
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
}
