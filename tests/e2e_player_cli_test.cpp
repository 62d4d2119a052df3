// The real headless player on the command line: exit statuses, the help on standard output byte
// for byte, the missing-file box on standard error, and huge or hostile command lines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "player/command_line.h"
#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

const std::string kBoxLine = std::string("Vantorel Error: ") + PLAYER_NO_FILE_TEXT + "\n";

vt_test::RunResult run(std::vector<std::string> args, const std::string& cwd = "") {
  args.insert(args.begin(), vt_test::bin_path("vantorel-headless"));
  return vt_test::run_program(args, cwd, {}, "");
}

TEST(PlayerCli, NoFileShowsBoxAndExitsOne) {
  vt_test::RunResult r = run({});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, kBoxLine);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(kBoxLine,
            "Vantorel Error: No file specified!  You must give a filename at the commandline, or "
            "drag .anim files onto vantorel.exe or associate .anim files to open with Vantorel.  "
            "Run 'vantorel -?' to see commandline usage.\n");

  r = run({"-once", "-fullscreen", "-res:640x480", "-captionfile:caps.txt", "-once2"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, kBoxLine);
}

TEST(PlayerCli, HelpWinsAndExitsZero) {
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"-?"}, {"-HELP"}, {"-help"}, {"-once", "-Help"}, {"a.anim", "-?", "b.anim"}}) {
    vt_test::RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 0) << args[0];
    EXPECT_EQ(r.out, PLAYER_HELP_TEXT) << args[0];
    EXPECT_EQ(r.err, "") << args[0];
  }
  vt_test::RunResult r = run({"-?"});
  ASSERT_GT(r.out.size(), 100u);
  EXPECT_EQ(r.out.substr(0, 37), "\nvantorel [switches] input_file.anim\n");
  EXPECT_NE(r.out.find("-paused\tStart paused (press P to play))\n"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 18), "\nQ or Escape\tQuit\n");
}

TEST(PlayerCli, IndependentOfTheStartingDirectory) {
  vt_test::TempDir dir;
  vt_test::RunResult r = run({"-once"}, dir.path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, kBoxLine);
  r = run({"-?"}, dir.path);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, PLAYER_HELP_TEXT);
}

// The arguments reach the player exactly as given: a name holding blanks, quotes and backslashes
// before a quote opens that very file, and a relative caption file is found in a starting folder
// whose path holds a blank.
TEST(PlayerCli, NamesAreOpenedExactlyAsGiven) {
  vt_test::TempDir dir;
  std::string folder = dir.file("my dir");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string name = "x \"y\\\" z\\\\.anim";  // x "y\" z\\.anim
  ASSERT_TRUE(vt_test::write_file(folder + "/" + name, vt_test::block_fill_anim({{{0, 0, 200}}})));
  ASSERT_TRUE(vt_test::write_file(folder + "/caps.txt", "1,1000,HELLO\n"));
  vt_test::Image with, without;
  for (bool caption : {true, false}) {
    std::string shot = caption ? "with.png" : "without.png";
    ASSERT_TRUE(vt_test::write_file(folder + "/script.txt", "3 snapshot " + shot + "\n3 quit\n"));
    std::vector<std::string> argv{vt_test::bin_path("vantorel-headless"), "-res:160x120",
                                  "-paused"};
    if (caption) argv.push_back("-captionfile:caps.txt");
    argv.push_back(name);
    vt_test::RunResult r = vt_test::run_program(argv, folder, {"VANTOREL_SCRIPT=script.txt"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(vt_test::read_png(folder + "/" + shot, caption ? &with : &without));
  }
  EXPECT_NE(with.rgb, without.rgb) << "the caption was not drawn";
}

TEST(PlayerCli, HugeCommandLines) {
  std::vector<std::string> many(10000, "-once");
  vt_test::RunResult r = run(many);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, kBoxLine);

  many.push_back("-HELP");
  r = run(many);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, PLAYER_HELP_TEXT);

  // 100 kB switches (an argument may not exceed 128 kB on Linux), quoted ones among them, and stray quotes inside arguments.
  std::string big(100 * 1024, 'z');
  r = run({"-captionfile:" + big, "-res:" + big, "-fms:" + big, "-" + big.substr(0, 60000) + " " + big.substr(0, 60000),
           "-x\"y", "-\""});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, kBoxLine);
}

}  // namespace
