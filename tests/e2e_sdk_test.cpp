// The library as a user outside this source tree gets it: `cmake --install` into a temporary
// DESTDIR, and the libvantorel1 and libvantorel-dev packages unpacked with dpkg-deb. Programs from
// tests/sdk/ are built against them in a temporary folder through the CMake package (shared and
// static library, C++ and C-only projects), through pkg-config (C99 and C++, shared and static) and
// run off-screen; their pictures are checked. The backends' shared libraries load through ctypes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "util/test_util.h"

namespace {

namespace fs = std::filesystem;
using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

const std::string kLibDir = VT_LIBDIR;  // relative to the prefix, e.g. lib/x86_64-linux-gnu

// The tools come from scripts/install-deps.sh.
std::string tool(const std::string& name) { return vt_test::installed_tool(name); }

RunResult run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
              const std::string& cwd = "") {
  return vt_test::run_program(argv, cwd, env, "", 240);
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// The output of pkg-config for the modules, split into arguments.
std::vector<std::string> pkg_config(const std::vector<std::string>& args,
                                    const std::string& pc_dir) {
  std::vector<std::string> argv = {tool("pkg-config")};
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult r = run(argv, {"PKG_CONFIG_PATH=" + pc_dir});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return words(r.out);
}

// A sanitizer build installs instrumented libraries, which only instrumented programs link; what
// these tests check (the installed files, packages and build lines) is the same in the normal build.
#define SKIP_IF_SANITIZED()                                                             \
  if (VT_SANITIZED) GTEST_SKIP() << "the library of a sanitizer build is not for outside programs"

// An installed tree: `cmake --install` of this build under DESTDIR with the prefix /opt/vantorel.
struct Staged {
  TempDir dest;
  std::string prefix;
  Staged() : prefix(dest.path + "/opt/vantorel") {
    RunResult r = run({VT_CMAKE, "--install", VANTOREL_BIN_DIR, "--prefix", "/opt/vantorel"},
                      {"DESTDIR=" + dest.path});
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  }
};

// A user's project folder outside the source tree with the test programs and their CMakeLists.
void copy_user_project(const std::string& dir) {
  for (const char* name : {"CMakeLists.txt", "hello.c", "hello.cpp"})
    fs::copy_file(vt_test::source_path(std::string("tests/sdk/") + name), dir + "/" + name);
}

// 24-bit uncompressed BMP (as screenshot_window writes) into an RGB image, rows top first.
bool read_bmp(const std::string& path, Image* out) {
  std::string b = vt_test::read_file(path);
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
  };
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || uint8_t(b[28]) != 24) return false;
  size_t offset = u32(10);
  int w = int(u32(18)), h = int(u32(22));
  size_t row = (size_t(w) * 3 + 3) / 4 * 4;
  if (w <= 0 || h <= 0 || offset + row * size_t(h) > b.size()) return false;
  out->width = w, out->height = h;
  out->rgb.assign(size_t(w) * h * 3, 0);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      for (int c = 0; c < 3; c++)
        out->rgb[(size_t(y) * w + x) * 3 + c] = uint8_t(b[offset + size_t(h - 1 - y) * row + 3 * x + 2 - c]);
  return true;
}

bool near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 2) return false;
  return true;
}

// What tests/sdk/hello.c and hello.cpp draw: a dark blue background, an orange box at
// (200, 40) 80x60, white text at (20, 150) in the built-in font and nothing else.
void expect_hello_picture(const Image& img, const std::string& what) {
  ASSERT_EQ(img.width, 320) << what;
  ASSERT_EQ(img.height, 240) << what;
  EXPECT_PRED2(near, img.pixel(5, 5), 0x102060u) << what;
  EXPECT_PRED2(near, img.pixel(310, 230), 0x102060u) << what;
  EXPECT_PRED2(near, img.pixel(240, 70), 0xFF8000u) << what;
  EXPECT_PRED2(near, img.pixel(201, 41), 0xFF8000u) << what;
  EXPECT_PRED2(near, img.pixel(198, 70), 0x102060u) << what;
  int text = 0, stray = 0;
  for (int y = 140; y < 240; y++)
    for (int x = 0; x < 320; x++) {
      uint32_t p = img.pixel(x, y);
      bool white = (p >> 16) > 0xC0 && ((p >> 8) & 0xFF) > 0xC0 && (p & 0xFF) > 0xC0;
      if (white) (y < 175 && x >= 20 && x < 180 ? text : stray)++;
    }
  EXPECT_GT(text, 60) << what << ": the line of text is missing";
  EXPECT_EQ(stray, 0) << what;
}

// Runs a built test program on the headless host and checks the snapshot of its third frame.
void run_and_check(const std::string& program, const std::vector<std::string>& env_extra) {
  TempDir work;
  ASSERT_TRUE(vt_test::write_file(work.file("script.txt"),
                                  "3 snapshot " + work.file("shot.png") + "\n4 quit\n"));
  std::vector<std::string> env = {"VANTOREL_SCRIPT=" + work.file("script.txt"),
                                  "VANTOREL_SCREEN=800x600"};
  env.insert(env.end(), env_extra.begin(), env_extra.end());
  RunResult r = run({program}, env, work.path);
  ASSERT_EQ(r.exit_code, 0) << program << ": " << r.out << r.err;
  Image img;
  ASSERT_TRUE(vt_test::read_png(work.file("shot.png"), &img)) << program;
  expect_hello_picture(img, program);

  // The library's own screenshot call gives the same picture (the Windows test relies on it).
  RunResult bmp = run({program, work.file("shot.bmp")}, env, work.path);
  ASSERT_EQ(bmp.exit_code, 0) << program << ": " << bmp.out << bmp.err;
  Image from_bmp;
  ASSERT_TRUE(read_bmp(work.file("shot.bmp"), &from_bmp)) << program;
  EXPECT_EQ(from_bmp.rgb, img.rgb) << program;
}

// The shared objects a program asks the dynamic linker for (readelf's NEEDED entries).
std::string needed(const std::string& program) {
  RunResult r = run({tool("readelf"), "-d", program});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string out;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    if (line.find("(NEEDED)") != std::string::npos) out += line.substr(line.find('[')) + "\n";
  return out;
}

// Configures and builds tests/sdk/CMakeLists.txt against the prefix, then runs both programs.
void build_with_cmake_package(const std::string& prefix) {
  TempDir project;
  copy_user_project(project.path);
  RunResult conf = run({VT_CMAKE, "-S", project.path, "-B", project.file("build"),
                        "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_BUILD_TYPE=Release"});
  ASSERT_EQ(conf.exit_code, 0) << conf.out << conf.err;
  RunResult build = run({VT_CMAKE, "--build", project.file("build"), "-j", "2"});
  ASSERT_EQ(build.exit_code, 0) << build.out << build.err;

  // The default library is the self-contained shared one; the _static targets need no shared
  // library of ours at all.
  EXPECT_NE(needed(project.file("build/hello_cpp")).find("[libvantorel-headless.so.1]"),
            std::string::npos);
  EXPECT_EQ(needed(project.file("build/hello_c")).find("libvantorel"), std::string::npos);
  run_and_check(project.file("build/hello_cpp"), {"LD_LIBRARY_PATH=" + prefix + "/" + kLibDir});
  run_and_check(project.file("build/hello_c"), {});

  // A project with no C++ enabled links every backend, shared and static, and the default name.
  TempDir c_project;
  fs::copy_file(vt_test::source_path("tests/sdk/c_only/CMakeLists.txt"),
                c_project.file("CMakeLists.txt"));
  fs::copy_file(vt_test::source_path("tests/sdk/hello.c"), c_project.file("hello.c"));
  RunResult c_conf = run({VT_CMAKE, "-S", c_project.path, "-B", c_project.file("build"),
                          "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_BUILD_TYPE=Release"});
  ASSERT_EQ(c_conf.exit_code, 0) << c_conf.out << c_conf.err;
  RunResult c_build = run({VT_CMAKE, "--build", c_project.file("build"), "-j", "2"});
  ASSERT_EQ(c_build.exit_code, 0) << c_build.out << c_build.err;
  EXPECT_NE(needed(c_project.file("build/hello_vantorel")).find("[libvantorel-sdl.so.1]"),
            std::string::npos);
  EXPECT_EQ(needed(c_project.file("build/hello_sdl_static")).find("libvantorel"), std::string::npos);
  run_and_check(c_project.file("build/hello_headless"), {"LD_LIBRARY_PATH=" + prefix + "/" + kLibDir});
  run_and_check(c_project.file("build/hello_headless_static"), {});
}

// Each backend's shared library alone, copied where nothing else of ours is, loads into Python
// through ctypes; the headless one opens its window and draws.
void load_with_ctypes(const std::string& prefix) {
  for (const char* backend : {"headless", "sdl"}) {
    TempDir alone;
    const std::string name = std::string("libvantorel-") + backend + ".so.1";
    fs::copy_file(prefix + "/" + kLibDir + "/" + name, alone.file(name));
    std::string script =
        "import ctypes\n"
        "lib = ctypes.CDLL('" + alone.file(name) + "')\n"
        "lib.vantorel_version.restype = ctypes.c_char_p\n"
        "print(lib.vantorel_version().decode())\n";
    if (std::string(backend) == "headless")
      script +=
          "assert lib.gfx_open(64, 48, b'ctypes') == 1\n"
          "lib.fillbox(0, 0, 64, 48, 0x3366cc)\n"
          "lib.screenshot_window(b'" + alone.file("shot.bmp") + "', 0)\n";
    RunResult r = run({tool("python3"), "-c", script}, {"LD_LIBRARY_PATH="});
    EXPECT_EQ(r.exit_code, 0) << name << ": " << r.err;
    EXPECT_EQ(r.out, VT_VERSION "\n") << name << ": " << r.err;
  }
}

// Builds hello.c as C99 and hello.cpp as C++17 with the compiler lines pkg-config gives.
void build_with_pkg_config(const std::string& prefix) {
  TempDir out;
  const std::string pc = prefix + "/" + kLibDir + "/pkgconfig";
  std::vector<std::string> flags = pkg_config({"--cflags", "--libs", "vantorel-headless"}, pc);
  ASSERT_FALSE(flags.empty());
  std::vector<std::string> c = {VT_CC, "-std=c99", "-pedantic", "-Wall", "-Wextra", "-Werror",
                                vt_test::source_path("tests/sdk/hello.c"), "-o", out.file("hello_c")};
  c.insert(c.end(), flags.begin(), flags.end());
  RunResult cc = run(c);
  ASSERT_EQ(cc.exit_code, 0) << cc.out << cc.err;
  std::vector<std::string> cxx = {VT_CXX, "-std=c++17", "-Wall", "-Wextra", "-Werror",
                                  vt_test::source_path("tests/sdk/hello.cpp"), "-o",
                                  out.file("hello_cpp")};
  cxx.insert(cxx.end(), flags.begin(), flags.end());
  RunResult cxx_run = run(cxx);
  ASSERT_EQ(cxx_run.exit_code, 0) << cxx_run.out << cxx_run.err;
  const std::string lib = "LD_LIBRARY_PATH=" + prefix + "/" + kLibDir;
  run_and_check(out.file("hello_c"), {lib});
  run_and_check(out.file("hello_cpp"), {lib});

  // The windowed program links too (it is not run: that needs a display), through the desktop
  // library, which brings SDL and the desktop GL library, never OSMesa beside it.
  std::vector<std::string> sdl = {VT_CC, "-std=c99", vt_test::source_path("tests/sdk/hello.c"), "-o",
                                  out.file("hello_sdl")};
  std::vector<std::string> sdl_flags = pkg_config({"--cflags", "--libs", "vantorel-sdl"}, pc);
  sdl.insert(sdl.end(), sdl_flags.begin(), sdl_flags.end());
  RunResult sdl_run = run(sdl);
  ASSERT_EQ(sdl_run.exit_code, 0) << sdl_run.out << sdl_run.err;
  std::string libs = needed(out.file("hello_sdl"));
  EXPECT_NE(libs.find("[libvantorel-sdl.so.1]"), std::string::npos) << libs;
  EXPECT_EQ(libs.find("OSMesa"), std::string::npos) << libs;
  std::string sdl_libs = needed(prefix + "/" + kLibDir + "/libvantorel-sdl.so.1");
  EXPECT_NE(sdl_libs.find("[libSDL2-2.0.so.0]"), std::string::npos) << sdl_libs;
  EXPECT_NE(sdl_libs.find("[libGL.so.1]"), std::string::npos) << sdl_libs;
  EXPECT_EQ(sdl_libs.find("OSMesa"), std::string::npos) << sdl_libs;
}

TEST(E2eSdk, CMakePackageFromAStagingTreeBuildsSharedAndStaticPrograms) {
  SKIP_IF_SANITIZED();
  Staged staged;
  build_with_cmake_package(staged.prefix);
  load_with_ctypes(staged.prefix);
}

TEST(E2eSdk, PkgConfigFilesFromAStagingTreeBuildC99AndCxxPrograms) {
  SKIP_IF_SANITIZED();
  Staged staged;
  build_with_pkg_config(staged.prefix);

  // --static with only the static library present: the C program still links, so the files name
  // every library the static archive needs (the C++ runtime, libm, the system libraries).
  TempDir copy;
  const std::string prefix = copy.path + "/vt";
  fs::copy(staged.prefix, prefix, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  std::vector<fs::path> shared;
  for (auto& e : fs::directory_iterator(prefix + "/" + kLibDir))
    if (e.path().filename().string().find(".so") != std::string::npos) shared.push_back(e.path());
  // Per backend the .so link, the SONAME link and the library; the portable one's last two.
  EXPECT_EQ(shared.size(), 8u);
  for (const fs::path& p : shared) fs::remove(p);
  std::vector<std::string> flags =
      pkg_config({"--static", "--cflags", "--libs", "vantorel-headless"},
                 prefix + "/" + kLibDir + "/pkgconfig");
  std::vector<std::string> c = {VT_CC, "-std=c99", vt_test::source_path("tests/sdk/hello.c"), "-o",
                                copy.file("hello_static")};
  c.insert(c.end(), flags.begin(), flags.end());
  RunResult cc = run(c);
  ASSERT_EQ(cc.exit_code, 0) << cc.out << cc.err;
  EXPECT_EQ(needed(copy.file("hello_static")).find("libvantorel"), std::string::npos);
  run_and_check(copy.file("hello_static"), {});
}

TEST(E2eSdk, CMakePackageRefusesAnotherMajorVersionAndUnknownBackends) {
  Staged staged;
  struct Case {
    const char* call;
    const char* message;
  } cases[] = {
      {"find_package(Vantorel 2.0 CONFIG REQUIRED)", "version: 1.0.0"},
      {"find_package(Vantorel 1.0 CONFIG REQUIRED COMPONENTS headless wayland)",
       "There is no component wayland"},
  };
  for (const Case& c : cases) {
    TempDir project;
    ASSERT_TRUE(vt_test::write_file(project.file("CMakeLists.txt"),
                                    "cmake_minimum_required(VERSION 3.16)\nproject(p LANGUAGES C)\n" +
                                        std::string(c.call) + "\n"));
    RunResult conf = run({VT_CMAKE, "-S", project.path, "-B", project.file("build"),
                          "-DCMAKE_PREFIX_PATH=" + staged.prefix});
    EXPECT_NE(conf.exit_code, 0) << c.call;
    EXPECT_NE(conf.err.find(c.message), std::string::npos) << c.call << ": " << conf.err;
  }
}

TEST(E2eSdk, UnpackedDebsBuildWithCMakeAndPkgConfig) {
  SKIP_IF_SANITIZED();
  TempDir out, root;
  // Only the two library packages: the programs' package is not needed to build against them.
  RunResult pack = run({VT_CPACK, "-G", "DEB", "--config",
                        std::string(VANTOREL_BIN_DIR) + "/CPackConfig.cmake", "-B", out.path, "-D",
                        "CPACK_COMPONENTS_ALL=libraries;development"});
  ASSERT_EQ(pack.exit_code, 0) << pack.out << pack.err;
  int unpacked = 0;
  for (auto& e : fs::directory_iterator(out.path)) {
    std::string name = e.path().filename().string();
    if (name.rfind("libvantorel1_", 0) == 0 || name.rfind("libvantorel-dev_", 0) == 0) {
      RunResult x = run({tool("dpkg-deb"), "-x", e.path().string(), root.path});
      ASSERT_EQ(x.exit_code, 0) << x.err;
      unpacked++;
    }
  }
  ASSERT_EQ(unpacked, 2) << pack.out;
  build_with_cmake_package(root.path + "/usr");
  build_with_pkg_config(root.path + "/usr");
  load_with_ctypes(root.path + "/usr");
}

}  // namespace
