// Installing and packaging end to end: cmake --install into a temporary DESTDIR and the uninstall
// script, the thumbnailer's command run as a file manager would, the desktop entry and the MIME
// type through the freedesktop tools, the manual pages through the linters, the four .debs
// through dpkg-deb and lintian, and the committed icons against their generator. Building against
// the installed library is e2e_sdk_test's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

const char* const kMimeType = "video/x-vantorel-anim";

// The tools come from scripts/install-deps.sh.
std::string tool(const std::string& name) { return vt_test::installed_tool(name); }

// CPack and lintian take minutes on a loaded machine.
RunResult run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
  return vt_test::run_program(argv, "", env, "", 600);
}

// Every regular file under root, as paths relative to it.
std::set<std::string> files_under(const std::string& root) {
  std::set<std::string> out;
  std::error_code ec;
  for (auto& e : std::filesystem::recursive_directory_iterator(root, ec))
    if (e.is_regular_file()) out.insert(std::filesystem::relative(e.path(), root).string());
  return out;
}

const std::set<std::string> kInstalled = {
    "bin/vantorel",
    "bin/vantorel-headless",
    "bin/animtool",
    "bin/bmp2png",
    "share/applications/vantorel.desktop",
    "share/icons/hicolor/48x48/apps/vantorel.png",
    "share/icons/hicolor/256x256/apps/vantorel.png",
    "share/mime/packages/vantorel.xml",
    "share/thumbnailers/vantorel.thumbnailer",
    "share/man/man1/vantorel.1.gz",
    "share/man/man1/vantorel-headless.1.gz",
    "share/man/man1/animtool.1.gz",
    "share/man/man1/bmp2png.1.gz",
    "share/vantorel/demo.anim",
    "share/vantorel/demo_captions.txt",
    "share/doc/vantorel/copyright",
    "share/doc/vantorel/changelog.gz",
};

// The library's packages: the shared library, and (for the -dev package) a sample of each kind
// of file: a header per area, the static archives, the CMake package, pkg-config, an example.
const std::vector<std::string> kLibraryPackage = {
    VT_LIBDIR "/libvantorel.so." VT_VERSION,
    VT_LIBDIR "/libvantorel-headless.so." VT_VERSION,
    VT_LIBDIR "/libvantorel-sdl.so." VT_VERSION,
    "share/doc/libvantorel1/copyright",
    "share/doc/libvantorel1/changelog.gz",
};
const std::vector<std::string> kDevelopmentPackage = {
    "include/vantorel/vantorel.h",
    "include/vantorel/version.h",
    "include/vantorel/gfx/window.h",
    "include/vantorel/text/font.h",
    "include/vantorel/anim/encode.h",
    "include/vantorel/gfx3d/shapes.h",
    VT_LIBDIR "/libvantorel.a",
    VT_LIBDIR "/libvantorel-headless.a",
    VT_LIBDIR "/libvantorel-sdl.a",
    VT_LIBDIR "/cmake/Vantorel/VantorelConfig.cmake",
    VT_LIBDIR "/cmake/Vantorel/VantorelConfigVersion.cmake",
    VT_LIBDIR "/cmake/Vantorel/VantorelTargets.cmake",
    VT_LIBDIR "/pkgconfig/vantorel.pc",
    VT_LIBDIR "/pkgconfig/vantorel-sdl.pc",
    VT_LIBDIR "/pkgconfig/vantorel-headless.pc",
    "share/doc/libvantorel-dev/examples/gallery.cpp",
    "share/doc/libvantorel-dev/examples/CMakeLists.txt",
    "share/doc/libvantorel-dev/library.md",
    "share/doc/libvantorel-dev/README.md",
    "share/doc/libvantorel-dev/html/index.html",
    "share/man/man3/vantorel.3.gz",
    "share/man/man3/gfx_open.3vantorel.gz",
    "share/man/man3/window.h.3vantorel.gz",
    "share/doc/libvantorel-dev/copyright",
    "share/doc/libvantorel-dev/changelog.gz",
};

// The value of "Key=" in a desktop-style file.
std::string entry(const std::string& text, const std::string& key) {
  size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  at += key.size() + 2;
  return text.substr(at, text.find('\n', at) - at);
}

TEST(E2eInstall, InstallsUnderPrefixThumbnailerRunsUninstallRemovesAll) {
  TempDir dest;
  const std::string prefix = "/opt/vt";
  RunResult inst =
      run({VT_CMAKE, "--install", VANTOREL_BIN_DIR, "--prefix", prefix}, {"DESTDIR=" + dest.path});
  ASSERT_EQ(inst.exit_code, 0) << inst.out << inst.err;
  const std::string root = dest.path + prefix;
  std::set<std::string> all = files_under(dest.path + "/opt/vt");
  for (const std::string& f : kInstalled) EXPECT_TRUE(all.count(f)) << f;
  for (const auto* files : {&kLibraryPackage, &kDevelopmentPackage})
    for (const std::string& f : *files) EXPECT_TRUE(all.count(f)) << f;
  EXPECT_EQ(vt_test::read_file(root + "/share/doc/vantorel/copyright"),
            vt_test::read_file(vt_test::source_path("packaging/debian/copyright")));
  EXPECT_EQ(vt_test::read_file(root + "/share/vantorel/demo.anim"),
            vt_test::read_file(vt_test::source_path("assets/demo.anim")));
  for (const char* program : {"vantorel", "vantorel-headless", "animtool", "bmp2png"}) {
    struct stat st;
    ASSERT_EQ(stat((root + "/bin/" + program).c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXOTH) << program;
  }

  // The reference where man looks: a page for each public function and the overview.
  for (const char* name : {"gfx_open", "anim_open", "gfx_key_pressed", "gfx_frame_end", "vantorel"}) {
    RunResult m = run({tool("man"), "-M", root + "/share/man", "3", name},
                      {"MANPAGER=cat", "PAGER=cat", "MANWIDTH=100", "LANG=C.UTF-8"});
    EXPECT_EQ(m.exit_code, 0) << name << ": " << m.err;
    EXPECT_NE(m.out.find(name), std::string::npos) << name;
  }

  // What a file manager does with the thumbnailer entry: substitute and run.
  std::string exec =
      entry(vt_test::read_file(root + "/share/thumbnailers/vantorel.thumbnailer"), "Exec");
  ASSERT_EQ(exec, "animtool thumbnail %i %o --size %s");
  RunResult thumb = run({root + "/bin/animtool", "thumbnail", root + "/share/vantorel/demo.anim",
                         dest.file("thumb.png"), "--size", "128"});
  ASSERT_EQ(thumb.exit_code, 0) << thumb.err;
  Image img;
  ASSERT_TRUE(vt_test::read_png(dest.file("thumb.png"), &img));
  EXPECT_EQ(img.width, 128);
  EXPECT_EQ(img.height, 96);

  // The record make install keeps: every installed path, DESTDIR included.
  std::string record;
  std::istringstream lines(inst.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("-- Installing: ", 0) == 0) record += line.substr(15) + "\n";
  ASSERT_TRUE(vt_test::write_file(dest.file("installed_files.txt"), record));
  RunResult un =
      run({vt_test::source_path("scripts/uninstall.sh"), dest.file("installed_files.txt")});
  ASSERT_EQ(un.exit_code, 0) << un.err;
  EXPECT_EQ(files_under(dest.path + "/opt"), std::set<std::string>{});
  EXPECT_FALSE(vt_test::file_exists(root + "/share/vantorel"));
  EXPECT_FALSE(vt_test::file_exists(dest.file("installed_files.txt")));

  // The programs' component alone is exactly the programs' files (the vantorel package).
  TempDir programs;
  RunResult comp = run({VT_CMAKE, "--install", VANTOREL_BIN_DIR, "--prefix", prefix, "--component",
                        "programs"},
                       {"DESTDIR=" + programs.path});
  ASSERT_EQ(comp.exit_code, 0) << comp.out << comp.err;
  EXPECT_EQ(files_under(programs.path + prefix), kInstalled);
}

TEST(E2eInstall, MimeTypeRecognisesTheFilesAndThePlayerOpensThem) {
  const std::string desktop = vt_test::source_path("packaging/vantorel.desktop");
  RunResult valid = run({tool("desktop-file-validate"), desktop});
  EXPECT_EQ(valid.exit_code, 0);
  EXPECT_EQ(valid.out + valid.err, "");
  std::string text = vt_test::read_file(desktop);
  EXPECT_EQ(entry(text, "Exec"), "vantorel %f");
  EXPECT_EQ(entry(text, "MimeType"), std::string(kMimeType) + ";");
  EXPECT_EQ(
      entry(vt_test::read_file(vt_test::source_path("packaging/vantorel.thumbnailer")), "MimeType"),
      std::string(kMimeType) + ";");

  // A data folder holding only our type, queried the way GNOME's file manager does (gio).
  TempDir data;
  std::filesystem::create_directories(data.path + "/mime/packages");
  std::filesystem::create_directories(data.path + "/home");
  std::filesystem::copy_file(vt_test::source_path("packaging/vantorel.xml"),
                             data.path + "/mime/packages/vantorel.xml");
  RunResult db = run({tool("update-mime-database"), data.path + "/mime"});
  ASSERT_EQ(db.exit_code, 0) << db.err;

  const std::string demo = vt_test::read_file(vt_test::source_path("assets/demo.anim"));
  const std::string v1 = std::string("\x10\x07\x20\x00\x0f\x08\x30\x00", 8);  // two records
  struct Case {
    const char* name;
    std::string bytes;
    bool ours;
  } cases[] = {
      {"demo.anim", demo, true},
      {"old.anim", v1, true},                       // version 1: the name tells
      {"renamed.bin", demo.substr(0, 4096), true},  // version 2: the header tells
      {"old.bin", v1, false},
      {"near.bin", std::string("ANIM2\x01", 6) + v1, false},  // no zero after ANIM2
      {"demo.anim.gz", vt_test::compressed_with("gzip", v1), true},  // compressed: the name tells
      {"demo.anim.zst", vt_test::compressed_with("zstd", v1), true},
  };
  const std::vector<std::string> env = {"XDG_DATA_HOME=" + data.path + "/home",
                                        "XDG_DATA_DIRS=" + data.path, "XDG_CURRENT_DESKTOP=GNOME",
                                        "HOME=" + data.path + "/home"};
  for (const Case& c : cases) {
    ASSERT_TRUE(vt_test::write_file(data.file(c.name), c.bytes));
    RunResult q = run({tool("xdg-mime"), "query", "filetype", data.file(c.name)}, env);
    EXPECT_EQ(q.exit_code, 0) << q.err;
    EXPECT_EQ(q.out == std::string(kMimeType) + "\n", c.ours) << c.name << ": " << q.out;
  }

  // With the menu entry registered, the player is what opens the type.
  std::filesystem::create_directories(data.path + "/applications");
  std::filesystem::copy_file(desktop, data.path + "/applications/vantorel.desktop");
  ASSERT_EQ(run({tool("update-desktop-database"), data.path + "/applications"}).exit_code, 0);
  RunResult opener = run({tool("xdg-mime"), "query", "default", kMimeType}, env);
  EXPECT_EQ(opener.out, "vantorel.desktop\n") << opener.err;
}

// Plain text of a manual page, without the overstriking of bold and underlined words.
std::string page_text(const std::string& page) {
  RunResult r = run({tool("groff"), "-T", "ascii", "-P", "-cbou", "-man", page});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

TEST(E2eInstall, ManualPagesLintCleanAndDocumentEverySwitchAndKey) {
  for (const char* name :
       {"vantorel.1", "vantorel-headless.1", "animtool.1", "bmp2png.1", "vantorel.3"}) {
    std::string page = vt_test::source_path(std::string("man/") + name);
    RunResult lint = run({tool("mandoc"), "-T", "lint", page});
    EXPECT_EQ(lint.exit_code, 0) << name;
    EXPECT_EQ(lint.out + lint.err, "") << name;
    RunResult groff = run({tool("groff"), "-ww", "-z", "-man", page});
    EXPECT_EQ(groff.exit_code, 0) << name;
    EXPECT_EQ(groff.err, "") << name;
  }

  // Every switch the player's own help lists (the text before the tab; "-res:nxm" by its
  // prefix), and every key, has its place in the page.
  std::string page = page_text(vt_test::source_path("man/vantorel.1"));
  RunResult help = run({vt_test::bin_path("vantorel-headless"), "-?"});
  ASSERT_EQ(help.exit_code, 0);
  std::istringstream lines(help.out);
  int switches = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != '-' || line.find('\t') == std::string::npos) continue;
    std::stringstream names(line.substr(0, line.find('\t')));
    for (std::string name; std::getline(names, name, ',');) {
      name = name.substr(0, name.find(':') + (name.find(':') != std::string::npos));
      EXPECT_NE(page.find(name), std::string::npos) << name;
      switches++;
    }
  }
  EXPECT_EQ(switches, 11);
  for (const char* item :
       {"--help", "-h", "--version", "Keypad +", "Keypad -", "Escape", "Space", "Right arrow",
        "F11", "dropped", "EXIT STATUS", "ENVIRONMENT", "graphics_error.log", "bmp2png"})
    EXPECT_NE(page.find(item), std::string::npos) << item;

  std::string tool_page = page_text(vt_test::source_path("man/animtool.1"));
  for (const char* item :
       {"info", "render", "encode", "thumbnail", "palette", "--json", "--size", "--frames",
        "--every", "--raw", "--version", "--alt", "extent", "EXIT STATUS", "check", "compress",
        "decompress", "--compress", "--level", "truncated"})
    EXPECT_NE(tool_page.find(item), std::string::npos) << item;
}

// A control field's value in dpkg-deb -I output ("" when absent).
std::string field(const std::string& info, const std::string& name) {
  size_t at = info.find("\n " + name + ": ");
  if (at == std::string::npos) return "";
  at += name.size() + 4;
  return info.substr(at, info.find('\n', at) - at);
}

TEST(E2eInstall, DebianPackagesHoldTheirFilesAndLinkedLibrariesAsDependencies) {
  TempDir out;
  RunResult pack = run({VT_CPACK, "-G", "DEB", "--config",
                        std::string(VANTOREL_BIN_DIR) + "/CPackConfig.cmake", "-B", out.path});
  ASSERT_EQ(pack.exit_code, 0) << pack.out << pack.err;
  std::map<std::string, std::string> debs;  // package name -> file
  for (auto& e : std::filesystem::directory_iterator(out.path))
    if (e.path().extension() == ".deb") {
      std::string name = e.path().filename().string();
      debs[name.substr(0, name.find('_'))] = e.path().string();
    }
  ASSERT_EQ(debs.size(), 4u) << pack.out;
  for (const char* name : {"vantorel", "libvantorel1", "libvantorel-dev"}) {
    ASSERT_TRUE(debs.count(name)) << name;
    EXPECT_NE(debs[name].find(std::string(name) + "_" VT_VERSION "_"), std::string::npos);
  }
  const std::string deb = debs["vantorel"];

  RunResult list = run({tool("dpkg-deb"), "-c", deb});
  ASSERT_EQ(list.exit_code, 0) << list.err;
  for (const std::string& f : kInstalled)
    EXPECT_NE(list.out.find(" ./usr/" + f + "\n"), std::string::npos) << f;

  RunResult info = run({tool("dpkg-deb"), "-I", deb});
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find(" Package: vantorel\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find(" Version: " VT_VERSION "\n"), std::string::npos) << info.out;
  std::string depends = field(info.out, "Depends");
  for (const char* lib : {"libc6", "libsdl2-2.0-0", "libpng16-16", "libgl1"})
    EXPECT_NE(depends.find(lib), std::string::npos) << lib << " in" << depends;
  EXPECT_NE(depends.find("libosmesa6"), std::string::npos) << depends;  // vantorel-headless's

  // libvantorel1: the library under its SONAME, the shlibs entry and the ldconfig trigger,
  // no maintainer scripts.
  RunResult lib_list = run({tool("dpkg-deb"), "-c", debs["libvantorel1"]});
  for (const std::string& f : kLibraryPackage)
    EXPECT_NE(lib_list.out.find(" ./usr/" + f + "\n"), std::string::npos) << f;
  EXPECT_NE(lib_list.out.find(" ./usr/" VT_LIBDIR "/libvantorel.so.1 -> libvantorel.so." VT_VERSION
                              "\n"),
            std::string::npos)
      << lib_list.out;
  EXPECT_EQ(lib_list.out.find(".a\n"), std::string::npos) << lib_list.out;
  EXPECT_EQ(lib_list.out.find("include/"), std::string::npos) << lib_list.out;
  RunResult lib_info = run({tool("dpkg-deb"), "-I", debs["libvantorel1"]});
  EXPECT_NE(field(lib_info.out, "Depends").find("libstdc++6"), std::string::npos) << lib_info.out;
  EXPECT_EQ(lib_info.out.find(" postinst"), std::string::npos) << lib_info.out;
  EXPECT_EQ(lib_info.out.find(" postrm"), std::string::npos) << lib_info.out;
  std::string shlibs = run({tool("dpkg-deb"), "-I", debs["libvantorel1"], "shlibs"}).out;
  for (const char* lib : {"libvantorel", "libvantorel-headless", "libvantorel-sdl"})
    EXPECT_NE(shlibs.find(std::string(lib) + " 1 libvantorel1 (>= " VT_VERSION ")\n"),
              std::string::npos)
        << shlibs;
  EXPECT_EQ(run({tool("dpkg-deb"), "-I", debs["libvantorel1"], "triggers"}).out,
            "activate-noawait ldconfig\n");

  // libvantorel-dev: what building against the library takes, on the exact library release.
  RunResult dev_list = run({tool("dpkg-deb"), "-c", debs["libvantorel-dev"]});
  for (const std::string& f : kDevelopmentPackage)
    EXPECT_NE(dev_list.out.find(" ./usr/" + f + "\n"), std::string::npos) << f;
  for (const char* backend : {"headless", "sdl"}) {
    std::string link = std::string("libvantorel-") + backend + ".so";
    EXPECT_NE(dev_list.out.find(" ./usr/" VT_LIBDIR "/" + link + " -> " + link + ".1\n"),
              std::string::npos)
        << dev_list.out;
  }
  // The portable library alone is kept for the programs linked against it, not for new links.
  EXPECT_EQ(dev_list.out.find("/libvantorel.so "), std::string::npos) << dev_list.out;
  EXPECT_EQ(dev_list.out.find("libvantorel.so." VT_VERSION), std::string::npos) << dev_list.out;
  RunResult dev_info = run({tool("dpkg-deb"), "-I", debs["libvantorel-dev"]});
  std::string dev_depends = field(dev_info.out, "Depends");
  for (const char* dep : {"libvantorel1 (= " VT_VERSION ")", "libosmesa6-dev", "libsdl2-dev",
                          "libgl-dev", "libpng-dev", "pkg-config"})
    EXPECT_NE(dev_depends.find(dep), std::string::npos) << dep << " in " << dev_depends;
  EXPECT_EQ(field(dev_info.out, "Recommends"), "vantorel");  // for bmp2png

  // python3-vantorel: the Python package, for every architecture, on the library and NumPy.
  ASSERT_TRUE(debs.count("python3-vantorel"));
  EXPECT_NE(debs["python3-vantorel"].find("python3-vantorel_" VT_VERSION "_all.deb"),
            std::string::npos);
  RunResult py_list = run({tool("dpkg-deb"), "-c", debs["python3-vantorel"]});
  for (const char* f : {"lib/python3/dist-packages/vantorel/__init__.py",
                        "lib/python3/dist-packages/vantorel/pillow.py",
                        "lib/python3/dist-packages/vantorel/gfx.py",
                        "lib/python3/dist-packages/vantorel-" VT_VERSION ".dist-info/METADATA",
                        "share/doc/python3-vantorel/copyright"})
    EXPECT_NE(py_list.out.find(std::string(" ./usr/") + f + "\n"), std::string::npos) << f;
  RunResult py_info = run({tool("dpkg-deb"), "-I", debs["python3-vantorel"]});
  EXPECT_EQ(field(py_info.out, "Depends"),
            "python3:any, libvantorel1 (>= " VT_VERSION "), python3-numpy");
  EXPECT_EQ(field(py_info.out, "Suggests"), "python3-pil");

  // No error or warning from lintian for any of the four (its information tags are allowed); the
  // packages of a sanitizer build are not for release.
  if (VT_SANITIZED) return;
  std::vector<std::string> lint = {tool("lintian"), "--fail-on", "error,warning"};
  for (auto& d : debs) lint.push_back(d.second);
  RunResult lintian = run(lint);
  EXPECT_EQ(lintian.exit_code, 0) << lintian.out << lintian.err;
  for (const char* severity : {"E: ", "W: "})
    EXPECT_EQ(lintian.out.find(severity), std::string::npos) << lintian.out;
}

// The installed player's folder is the system's: its error log goes to the user's state folder
// (made on demand), and nothing is written beside the program, whatever the current directory.
TEST(E2eInstall, InstalledPlayerLogsInTheUsersStateFolder) {
  TempDir dest, home, start;
  const std::string prefix = "/usr/local";
  RunResult inst =
      run({VT_CMAKE, "--install", VANTOREL_BIN_DIR, "--prefix", prefix}, {"DESTDIR=" + dest.path});
  ASSERT_EQ(inst.exit_code, 0) << inst.out << inst.err;
  const std::string bin = dest.path + prefix + "/bin";
  if (!vt_test::file_exists(bin + "/vantorel")) GTEST_SKIP() << "no desktop player in this build";
  const std::set<std::string> programs = files_under(bin);

  // No display: the window cannot open, which is a fatal error like any other.
  const std::string state = home.path + "/state";
  const std::vector<std::string> env = {"HOME=" + home.path, "XDG_STATE_HOME=" + state,
                                        "DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=x11"};
  RunResult r = vt_test::run_program({bin + "/vantorel", start.file("missing.anim")}, start.path,
                                     env, "", 120);
  size_t said = r.err.find("Oh sod it: ");
  ASSERT_NE(said, std::string::npos) << r.err;
  std::string message = r.err.substr(said + 11);
  message = message.substr(0, message.find('\n'));
  std::string log = vt_test::read_file(state + "/vantorel/graphics_error.log");
  ASSERT_FALSE(log.empty()) << "no log in $XDG_STATE_HOME/vantorel";
  EXPECT_NE(log.find(" " + message + "\n"), std::string::npos) << log;
  EXPECT_EQ(files_under(bin), programs);
  EXPECT_EQ(files_under(start.path), std::set<std::string>{});

  // Without XDG_STATE_HOME the folder is ~/.local/state/vantorel.
  RunResult again = vt_test::run_program(
      {bin + "/vantorel", start.file("missing.anim")}, start.path,
      {"HOME=" + home.path, "XDG_STATE_HOME=", "DISPLAY=", "WAYLAND_DISPLAY=",
       "SDL_VIDEODRIVER=x11"}, "", 120);
  EXPECT_FALSE(vt_test::read_file(home.path + "/.local/state/vantorel/graphics_error.log").empty())
      << again.err;
  EXPECT_EQ(files_under(bin), programs);
}

TEST(E2eInstall, CommittedIconsAreWhatTheirGeneratorDraws) {
  TempDir dir;
  RunResult r = run({vt_test::source_path("scripts/make-icon.sh"), VANTOREL_BIN_DIR, dir.path});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* size : {"16", "32", "48", "256"}) {
    std::string name = std::string("vantorel-") + size + ".png";
    Image made, committed;
    ASSERT_TRUE(vt_test::read_png(dir.file(name), &made));
    ASSERT_TRUE(vt_test::read_png(vt_test::source_path("packaging/icons/" + name), &committed));
    EXPECT_EQ(made.width, atoi(size));
    EXPECT_EQ(made.height, atoi(size));
    EXPECT_TRUE(made.width == committed.width && made.rgb == committed.rgb) << name;
  }
}

}  // namespace
