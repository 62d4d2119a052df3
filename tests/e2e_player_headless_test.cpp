// The headless player end to end: scripted runs of vantorel-headless whose snapshots are compared
// pixel by pixel with the memory-canvas render of the same file (looping, -once, pause, restart,
// resize), and the quiet and fatal ends with their exit codes, messages and log line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "util/anim_expect.h"
#include "util/test_util.h"

namespace {

using vt_test::BlockFill;
using vt_test::Image;
using vt_test::RunResult;
using vt_test::TempDir;

// Pixels of the snapshot that differ from the expected picture (-1: missing or wrong size).
int differing(const std::string& png, const std::vector<uint32_t>& want, int w, int h) {
  Image img;
  if (!vt_test::read_png(png, &img) || img.width != w || img.height != h) return -1;
  int wrong = 0;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) wrong += img.pixel(x, y) != want[size_t(y) * w + x];
  return wrong;
}

RunResult play(const TempDir& dir, const std::vector<std::string>& args, const std::string& script,
               const std::string& program = vt_test::bin_path("vantorel-headless")) {
  vt_test::write_file(dir.file("script.txt"), script);
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  // Relative names (script, snapshots, the animation) are taken from the starting folder.
  return vt_test::run_program(argv, dir.path,
                              {"VANTOREL_SCRIPT=script.txt", "VANTOREL_SCREEN=800x600"}, "", 120);
}

// One block per frame.
const std::vector<std::vector<BlockFill>> kThree = {{{0, 0, 40}}, {{1, 1, 100}}, {{2, 2, 200}}};

// The picture after the first `frames` frames, painted on a memory canvas; -1 leaves it black.
std::vector<uint32_t> expected(const std::string& path, int w, int h, int frames) {
  if (frames < 0) return std::vector<uint32_t>(size_t(w) * h, 0);
  return vt_test::canvas_colours_after(path, w, h, frames);
}

}  // namespace

TEST(PlayerHeadless, LoopsWithAnEmptyFrameBetweenRounds) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  // Poll p comes after pass p - 1: passes 1-3 draw, 4 finds the end late, 5 blanks, 6 draws f1.
  RunResult r = play(dir, {"-res:64x48", "three.anim"},
                     "2 snapshot p2.png\n4 snapshot p4.png\n5 snapshot p5.png\n"
                     "6 snapshot p6.png\n7 snapshot p7.png\n8 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string anim = dir.file("three.anim");
  EXPECT_EQ(differing(dir.file("p2.png"), expected(anim, 64, 48, 1), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("p4.png"), expected(anim, 64, 48, 3), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("p5.png"), expected(anim, 64, 48, 3), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("p6.png"), expected(anim, 64, 48, -1), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("p7.png"), expected(anim, 64, 48, 1), 64, 48), 0);
}

TEST(PlayerHeadless, OnceEndsInPassNPlusTwo) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  RunResult r = play(dir, {"-once", "-res:64x48", "three.anim"},
                     "5 snapshot p5.png\n6 snapshot p6.png\n50 quit\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(differing(dir.file("p5.png"), expected(dir.file("three.anim"), 64, 48, 3), 64, 48), 0);
  EXPECT_FALSE(vt_test::file_exists(dir.file("p6.png")));  // pass 5 ended the process

  // With -once, R quits at once too.
  r = play(dir, {"-once", "-res:64x48", "three.anim"}, "2 press r\n3 snapshot r3.png\n50 quit\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_FALSE(vt_test::file_exists(dir.file("r3.png")));
}

TEST(PlayerHeadless, PausedShowsTheFirstFrameAndRestartKeepsPaused) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  // Pass 5 sees P after deciding not to decode; passes 6 and 7 draw frames 2 and 3. P pauses
  // again at poll 8; R at poll 9 blanks in pass 9, and pass 10 shows frame 1 and stays paused.
  RunResult r = play(dir, {"-paused", "-res:64x48", "three.anim"},
                     "3 snapshot a.png\n5 snapshot b.png\n5 press p\n8 snapshot c.png\n"
                     "8 press p\n9 press r\n11 snapshot d.png\n13 snapshot e.png\n14 down esc\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string anim = dir.file("three.anim");
  EXPECT_EQ(differing(dir.file("a.png"), expected(anim, 64, 48, 1), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("b.png"), expected(anim, 64, 48, 1), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("c.png"), expected(anim, 64, 48, 3), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("d.png"), expected(anim, 64, 48, 1), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("e.png"), expected(anim, 64, 48, 1), 64, 48), 0);
}

TEST(PlayerHeadless, ResizeRestartsAtFrameOneWithoutBlanking) {
  TempDir dir;
  // Frame 3 paints frame 1's block again in another colour.
  std::vector<std::vector<BlockFill>> frames = {{{0, 0, 40}}, {{1, 1, 100}}, {{0, 0, 200}}};
  ASSERT_TRUE(vt_test::write_file(dir.file("f.anim"), vt_test::block_fill_anim(frames)));
  RunResult r = play(dir, {"-res:64x48", "f.anim"},
                     "3 size 80 60\n4 snapshot big.png\n6 snapshot later.png\n7 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // Pass 3 rewinds and draws frame 1 over the picture of frames 1 and 2, now in a larger area.
  std::vector<uint32_t> want = expected(dir.file("f.anim"), 80, 60, 2);
  EXPECT_EQ(differing(dir.file("big.png"), want, 80, 60), 0);
  EXPECT_EQ(differing(dir.file("later.png"), expected(dir.file("f.anim"), 80, 60, 3), 80, 60), 0);
}

TEST(PlayerHeadless, HeightLeftZeroEndsSilently) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  RunResult r = play(dir, {"-res:640X480", "three.anim"}, "1 snapshot never.png\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(vt_test::file_exists(dir.file("never.png")));
}

TEST(PlayerHeadless, MissingAnimationIsLoggedInTheProgramsFolder) {
  TempDir dir;
  // The log lies in the program's own folder, so run a copy of the program from a folder of its own.
  std::string bin = dir.file("bin");
  mkdir(bin.c_str(), 0755);
  std::filesystem::copy_file(vt_test::bin_path("vantorel-headless"), bin + "/vantorel-headless");
  std::string start = dir.file("start");
  mkdir(start.c_str(), 0755);
  vt_test::write_file(start + "/script.txt", "");
  RunResult r = vt_test::run_program({bin + "/vantorel-headless", "-res:64x48", "gone.anim"}, start,
                                     {"VANTOREL_SCRIPT=script.txt"}, "", 60);
  EXPECT_EQ(r.exit_code, 1);  // a failure, not a success
  std::string message = "Can't open animation file '" + start + "/gone.anim': No such file or directory";
  EXPECT_NE(r.err.find("Oh sod it: " + message), std::string::npos) << r.err;
  std::string log = vt_test::read_file(bin + "/graphics_error.log");
  EXPECT_NE(log.find(" " + message + "\n"), std::string::npos) << log;
}

TEST(PlayerHeadless, EndlessFrameTimeStillQuitsAndCloseEndsWithZero) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  RunResult r = play(dir, {"-fps:0", "-res:64x48", "three.anim"},
                     "2 snapshot one.png\n3 down q\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(differing(dir.file("one.png"), expected(dir.file("three.anim"), 64, 48, 1), 64, 48), 0);

  r = play(dir, {"-res:64x48", "three.anim"}, "3 close\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(PlayerHeadless, FirstFrameDelayHoldsFrameOneOverExtraPolls) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  // Frame 1 lasts 1.54 s: the loop answers input at least once a second, so pass 2 only holds
  // frame 1 and frame 2 comes in pass 3. Without the delay poll 3 would show frames 1 and 2.
  RunResult r = play(dir, {"-delay:1.5", "-res:64x48", "three.anim"},
                     "3 snapshot held.png\n5 snapshot on.png\n6 quit\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string anim = dir.file("three.anim");
  EXPECT_EQ(differing(dir.file("held.png"), expected(anim, 64, 48, 1), 64, 48), 0);
  EXPECT_EQ(differing(dir.file("on.png"), expected(anim, 64, 48, 3), 64, 48), 0);
}

TEST(PlayerHeadless, SnapshotThatCannotBeWrittenAndScriptFolderEndWithTwo) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  RunResult r = play(dir, {"-res:64x48", "three.anim"}, "2 snapshot no/such/dir.png\n5 quit\n");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("dir.png: cannot write: No such file or directory"), std::string::npos)
      << r.err;

  mkdir(dir.file("folder").c_str(), 0755);
  r = vt_test::run_program({vt_test::bin_path("vantorel-headless"), "-once", "-res:64x48",
                            "three.anim"},
                           dir.path, {"VANTOREL_SCRIPT=folder"}, "", 60);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "headless: cannot read script folder: Is a directory\n");
}

TEST(PlayerHeadless, FoldersAndPipes) {
  TempDir dir;
  const std::string three = vt_test::block_fill_anim(kThree);
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), three));
  ASSERT_TRUE(vt_test::write_file(dir.file("script.txt"), "5 snapshot p5.png\n"));
  // A copy of the program in a folder of its own keeps the error log out of the build.
  std::string bin = dir.file("bin");
  mkdir(bin.c_str(), 0755);
  std::filesystem::copy_file(vt_test::bin_path("vantorel-headless"), bin + "/vantorel-headless");
  auto run = [&](std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), {bin + "/vantorel-headless", "-res:64x48", "-fms:1"});
    return vt_test::run_program(args, dir.path, {"VANTOREL_SCRIPT=script.txt"}, input, 30);
  };
  // A folder is no animation: the fatal path with the system's reason.
  RunResult r = run({"-once", "bin"}, "");
  EXPECT_NE(r.err.find("Can't open animation file '" + dir.path + "/bin': Is a directory"),
            std::string::npos)
      << r.err;
  // A folder as the caption file reads as no captions, and the run ends.
  r = run({"-once", "-captionfile:bin", "three.anim"}, "");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(differing(dir.file("p5.png"), expected(dir.file("three.anim"), 64, 48, 3), 64, 48), 0);
  // The animation from a pipe plays exactly as the file; looping it ends after the one round.
  std::remove(dir.file("p5.png").c_str());
  r = run({"/dev/stdin"}, three);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(differing(dir.file("p5.png"), expected(dir.file("three.anim"), 64, 48, 3), 64, 48), 0);
}

TEST(PlayerHeadless, CaptionsFromAPipe) {
  TempDir dir;
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), vt_test::block_fill_anim(kThree)));
  ASSERT_TRUE(vt_test::write_file(dir.file("script.txt"), "3 snapshot cap.png\n"));
  RunResult r = vt_test::run_program({vt_test::bin_path("vantorel-headless"), "-once",
                                      "-res:320x240", "-captionfile:/dev/stdin", "three.anim"},
                                     dir.path, {"VANTOREL_SCRIPT=script.txt"}, "1,9,HELLO\n", 60);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Image img;
  ASSERT_TRUE(vt_test::read_png(dir.file("cap.png"), &img));
  int white = 0;  // near-white pixels where the caption band starts, at (40, 180)
  for (int y = 180; y < 220; y++)
    for (int x = 40; x < 200; x++) white += (img.pixel(x, y) & 0xC0C0C0) == 0xC0C0C0;
  EXPECT_GT(white, 20);
}

TEST(PlayerHeadless, CompressedFilesPlayFrameForFrameLoopAndRestart) {
  TempDir dir;
  const std::string three = vt_test::block_fill_anim(kThree);
  ASSERT_TRUE(vt_test::write_file(dir.file("three.anim"), three));
  const std::string anim = dir.file("three.anim");
  // Passes as in LoopsWithAnEmptyFrameBetweenRounds; R at poll 8 blanks in pass 8, and the
  // passes after it start the decompression again: frame 1, then frame 2 on top.
  const std::string script =
      "2 snapshot p2.png\n4 snapshot p4.png\n6 snapshot p6.png\n7 snapshot p7.png\n"
      "8 press r\n9 snapshot r9.png\n10 snapshot r10.png\n11 snapshot r11.png\n12 quit\n";
  const std::vector<std::pair<std::string, int>> want = {
      {"p2.png", 1}, {"p4.png", 3}, {"p6.png", -1}, {"p7.png", 1},
      {"r9.png", -1}, {"r10.png", 1}, {"r11.png", 2}};
  for (const char* tool : {"gzip", "zstd"}) {
    SCOPED_TRACE(tool);
    // Named without a telling ending: the first bytes decide.
    ASSERT_TRUE(vt_test::write_file(dir.file("packed"), vt_test::compressed_with(tool, three)));
    RunResult r = play(dir, {"-res:64x48", "packed"}, script);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const auto& [png, frames] : want)
      EXPECT_EQ(differing(dir.file(png), expected(anim, 64, 48, frames), 64, 48), 0) << png;
  }
  // From a pipe, as a plain file from a pipe: one round.
  RunResult r = vt_test::run_program(
      {vt_test::bin_path("vantorel-headless"), "-once", "-res:64x48", "/dev/stdin"}, dir.path,
      {"VANTOREL_SCRIPT=script.txt"}, vt_test::compressed_with("zstd", three), 60);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(differing(dir.file("p4.png"), expected(anim, 64, 48, 3), 64, 48), 0);
}

TEST(PlayerHeadless, OtherFormatsAreRefusedWithWhatTheyAre) {
  TempDir dir;
  vt_test::write_file(dir.file("script.txt"), "3 snapshot never.png\n");
  // A copy of the program in a folder of its own keeps the error log out of the build.
  std::string bin = dir.file("bin");
  mkdir(bin.c_str(), 0755);
  std::filesystem::copy_file(vt_test::bin_path("vantorel-headless"), bin + "/vantorel-headless");
  for (const vt_test::ForeignSample& sample : vt_test::foreign_samples()) {
    ASSERT_TRUE(vt_test::write_file(dir.file("input"), sample.bytes));
    RunResult r = vt_test::run_program({bin + "/vantorel-headless", "-res:64x48", "input"},
                                       dir.path, {"VANTOREL_SCRIPT=script.txt"}, "", 60);
    EXPECT_EQ(r.exit_code, 1);  // as for any file that cannot be opened
    EXPECT_NE(r.err.find("Can't open animation file '" + dir.path + "/input': it is " +
                         sample.what + ", not an .anim animation"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(vt_test::file_exists(dir.file("never.png"))) << sample.what;
  }
}
