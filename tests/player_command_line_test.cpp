// The player's command line: the splitter's quoting consequences, the program's folder, every
// switch with its case variants and ordering, the help text byte for byte, the window title, and
// command lines that are huge or malformed.
#include "player/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/shell_state.h"
#include "util/test_util.h"

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  int count = count_args(line.c_str());
  for (int n = 0; n < count; n++) {
    char* arg = get_arg(line.c_str(), n);
    EXPECT_NE(arg, nullptr);
    out.push_back(arg ? arg : "<null>");
    free(arg);
  }
  EXPECT_EQ(get_arg(line.c_str(), count), nullptr);
  // The sequential walk gives the same arguments.
  const char* cursor = line.c_str();
  for (int n = 0; n < count; n++) {
    char* arg = next_arg(&cursor);
    EXPECT_EQ(out[n], arg ? arg : "<null>");
    free(arg);
  }
  EXPECT_EQ(next_arg(&cursor), nullptr);
  return out;
}

using Args = std::vector<std::string>;

TEST(Splitter, PlainAndQuotedArguments) {
  EXPECT_EQ(split("prog a.anim -once"), (Args{"prog", "a.anim", "-once"}));
  EXPECT_EQ(split("  prog\t\ta  "), (Args{"prog", "a"}));
  EXPECT_EQ(split("\"C:\\Program Files\\v.exe\" \"my file.anim\""),
            (Args{"C:\\Program Files\\v.exe", "my file.anim"}));
  EXPECT_EQ(split("prog \"\""), (Args{"prog", ""}));
  EXPECT_EQ(split(""), Args{});
  EXPECT_EQ(split(" \t\r\n"), Args{});
}

TEST(Splitter, QuoteOpensOnlyAtTheStartOfAnArgument) {
  EXPECT_EQ(split("prog -captionfile:\"my captions.txt\""),
            (Args{"prog", "-captionfile:\"my", "captions.txt\""}));
  EXPECT_EQ(split("prog a\"b c"), (Args{"prog", "a\"b", "c"}));
}

TEST(Splitter, CharacterAfterClosingQuoteStartsNewArgument) {
  EXPECT_EQ(split("prog \"ab\"cd"), (Args{"prog", "ab", "cd"}));
  EXPECT_EQ(split("prog \"ab\"\"cd\""), (Args{"prog", "ab", "cd"}));
  EXPECT_EQ(split("\"p\"x"), (Args{"p", "x"}));
}

// Inside quotes only: 2n backslashes before a quote give n and close, 2n + 1 give n and a quote.
TEST(Splitter, BackslashesBeforeAQuoteInsideQuotes) {
  EXPECT_EQ(split("p \"a\\\"b c\""), (Args{"p", "a\"b c"}));
  EXPECT_EQ(split("p \"a\\\\\" b"), (Args{"p", "a\\", "b"}));
  EXPECT_EQ(split("p \"a\\\\\\\"\" \"C:\\dir\\x\""), (Args{"p", "a\\\"", "C:\\dir\\x"}));
  EXPECT_EQ(split("p a\\\"b \\\""), (Args{"p", "a\\\"b", "\\\""}));  // plain: no escapes
}

TEST(Splitter, UnterminatedQuoteRunsToTheEnd) {
  EXPECT_EQ(split("prog \"abc  def"), (Args{"prog", "abc  def"}));
  EXPECT_EQ(split("prog \""), (Args{"prog", ""}));  // a lone quote: one empty argument
  EXPECT_EQ(split("\""), (Args{""}));
  EXPECT_EQ(split("prog x \"\t"), (Args{"prog", "x", "\t"}));
}

TEST(Splitter, WhitespaceIsExactlySixCharacters) {
  EXPECT_EQ(split("a b\tc\nd\ve\ff\rg"), (Args{"a", "b", "c", "d", "e", "f", "g"}));
  std::string nbsp = "a\xA0" "b\x85" "c";
  EXPECT_EQ(split(nbsp), Args{nbsp});
  EXPECT_EQ(split("a\\\"b"), Args{"a\\\"b"});  // no escape character
}

TEST(Splitter, NegativeAndOutOfRangeIndices) {
  EXPECT_EQ(get_arg("prog a", -1), nullptr);
  EXPECT_EQ(get_arg("prog a", 2), nullptr);
  EXPECT_EQ(get_arg("", 0), nullptr);
  EXPECT_EQ(count_args("prog a"), 2);
}

TEST(Splitter, HugeCommandLines) {
  std::string line = "prog";
  for (int i = 0; i < 10000; i++) line += i % 3 ? " -once" : " \"x y\"";
  EXPECT_EQ(count_args(line.c_str()), 10001);
  char* last = get_arg(line.c_str(), 10000);
  ASSERT_NE(last, nullptr);
  EXPECT_STREQ(last, "x y");  // 9999 is a multiple of 3
  free(last);

  std::string big(100 * 1024, 'q');
  std::string quoted = "prog \"" + big + " " + big;  // unterminated, 200 kB
  char* arg = get_arg(quoted.c_str(), 1);
  ASSERT_NE(arg, nullptr);
  EXPECT_EQ(std::string(arg), big + " " + big);
  free(arg);
}

TEST(ExeDir, QuotedAndUnquotedProgramPaths) {
  struct Case {
    const char* line;
    const char* dir;
  } cases[] = {
      {"D:\\tools\\vantorel.exe", "D:\\tools"},
      {"D:\\tools\\vantorel.exe -once a.anim", "D:\\tools"},
      {"\"C:\\Program Files\\Vantorel\\vantorel.exe\" a.anim", "C:\\Program Files\\Vantorel"},
      {"C:\\Program Files\\Vantorel\\vantorel.exe", "C:"},  // unquoted: cut at the first blank
      {"/usr/local/bin/vantorel x", "/usr/local/bin"},
      {"\"/opt/my apps/vantorel\"", "/opt/my apps"},
      {"D:\\a/b\\c/prog.exe", "D:\\a/b\\c"},
      {"vantorel.exe", ""},
      {"\\vantorel.exe", ""},  // a separator only at the first character
      {"/vantorel", ""},
      {"", ""},
      {"\"", ""},
      {"\"unterminated dir\\p", "\"unterminated dir"},
      {"a\tb\\c d", "a\tb"},  // only the blank ends the path here
  };
  for (const Case& c : cases) {
    char* dir = exe_dir(c.line);
    EXPECT_STREQ(dir, c.dir) << c.line;
    free(dir);
  }
}

TEST(ExeDir, ChdirToExeMovesToTheProgramsFolder) {
  char* before = getcwd(nullptr, 0);
  vt_test::TempDir dir;
  std::string line = "\"" + dir.path + "/vantorel\" -once";
  chdir_to_exe(line.c_str());
  char* now = getcwd(nullptr, 0);
  char* expected = realpath(dir.path.c_str(), nullptr);
  EXPECT_STREQ(now, expected);
  free(now);
  free(expected);
  chdir_to_exe("/no/such/dir/vantorel");  // failure ignored: stays
  now = getcwd(nullptr, 0);
  expected = realpath(dir.path.c_str(), nullptr);
  EXPECT_STREQ(now, expected);
  free(now);
  free(expected);
  ASSERT_EQ(chdir(before), 0);
  free(before);
}

// ---- Switches ----------------------------------------------------------------------------------

struct Parsed {
  PlayerOptions options;
  bool help = false;
  ~Parsed() {
    free(options.file_name);
    free(options.caption_path);
  }
};

void parse(Parsed* p, const std::vector<std::string>& args) {
  player_default_options(&p->options);
  for (const std::string& a : args)
    if (player_examine_arg(&p->options, a.c_str()) == ARG_SHOW_HELP) p->help = true;
}

TEST(Switches, Defaults) {
  screen_w = 5;
  screen_h = 6;
  windowed = 0;
  Parsed p;
  parse(&p, {});
  EXPECT_EQ(p.options.file_name, nullptr);
  EXPECT_EQ(p.options.frame_ms, 40.0f);
  EXPECT_FALSE(p.options.play_once);
  EXPECT_FALSE(p.options.paused);
  EXPECT_FALSE(p.options.show_frame_numbers);
  EXPECT_EQ(p.options.caption_path, nullptr);
  EXPECT_EQ(p.options.first_frame_delay, 0.0f);
  EXPECT_EQ(screen_w, 0);
  EXPECT_EQ(screen_h, 0);
  EXPECT_EQ(windowed, 1);
}

TEST(Switches, FileNameLastWins) {
  Parsed p;
  parse(&p, {"a.anim", "-once", "b.anim"});
  EXPECT_STREQ(p.options.file_name, "b.anim");
  Parsed q;
  parse(&q, {""});  // an empty argument is a (empty) file name
  ASSERT_NE(q.options.file_name, nullptr);
  EXPECT_STREQ(q.options.file_name, "");
}

TEST(Switches, FrameDurationWithCaseAndOrder) {
  Parsed a;
  parse(&a, {"-FPS:50"});
  EXPECT_FLOAT_EQ(a.options.frame_ms, 20.0f);
  Parsed b;
  parse(&b, {"-fps:10", "-fms:20"});
  EXPECT_EQ(b.options.frame_ms, 20.0f);
  Parsed c;
  parse(&c, {"-fms:20", "-fps:10"});
  EXPECT_EQ(c.options.frame_ms, 100.0f);
  Parsed d;
  parse(&d, {"-Fms:12.5", "-fms:abc"});
  EXPECT_EQ(d.options.frame_ms, 0.0f);  // no number: 0
  Parsed e;
  parse(&e, {"-fps:3"});
  EXPECT_EQ(e.options.frame_ms, float(1000.0 / 3.0));
  Parsed f;
  parse(&f, {"-fps:0"});
  EXPECT_TRUE(std::isinf(f.options.frame_ms));
  Parsed g;
  parse(&g, {"-fms: 1e2xyz", "-fms"});  // atof rule; "-fms" without colon matches nothing
  EXPECT_EQ(g.options.frame_ms, 100.0f);
}

TEST(Switches, WholeWordSwitchesIgnoreCase) {
  for (const char* once : {"-once", "-ONCE", "-Once"}) {
    Parsed p;
    parse(&p, {once});
    EXPECT_TRUE(p.options.play_once) << once;
  }
  Parsed p;
  parse(&p, {"-once2", "-onc", "-pausedx", "-fullscreen:", "-showframenum"});
  EXPECT_FALSE(p.options.play_once);
  EXPECT_FALSE(p.options.paused);
  EXPECT_FALSE(p.options.show_frame_numbers);
  EXPECT_EQ(windowed, 1);
  EXPECT_EQ(p.options.file_name, nullptr);

  Parsed q;
  parse(&q, {"-FullScreen", "-PAUSED", "-ShowFrameNums"});
  EXPECT_EQ(windowed, 0);
  EXPECT_TRUE(q.options.paused);
  EXPECT_TRUE(q.options.show_frame_numbers);
}

TEST(Switches, CaptionFileStopsAtWhitespace) {
  Parsed p;
  parse(&p, {"-captionfile:my captions.txt"});
  EXPECT_STREQ(p.options.caption_path, "my");
  Parsed q;
  parse(&q, {"-CAPTIONFILE:First.txt", "-CaptionFile:C:\\Caps\\Second.TXT\tx"});
  EXPECT_STREQ(q.options.caption_path, "C:\\Caps\\Second.TXT");
  Parsed r;
  parse(&r, {"-captionfile:"});
  ASSERT_NE(r.options.caption_path, nullptr);
  EXPECT_STREQ(r.options.caption_path, "");
  EXPECT_EQ(r.options.file_name, nullptr);
}

TEST(Switches, Delay) {
  Parsed p;
  parse(&p, {"-delay:1.5"});
  EXPECT_EQ(p.options.first_frame_delay, 1.5f);
  Parsed q;
  parse(&q, {"-DELAY:2", "-delay:x"});
  EXPECT_EQ(q.options.first_frame_delay, 0.0f);
}

TEST(Switches, ResolutionPartialScans) {
  struct Case {
    const char* arg;
    int w, h;
  } cases[] = {
      {"-res:640x480", 640, 480},  {"-RES:640x480", 640, 480},
      {"-res:640X480", 640, 0},    {"-res:800", 800, 0},
      {"-res:-1", -1, 0},          {"-res:x480", 0, 0},
      {"-res:", 0, 0},             {"-res:640x", 640, 0},
      {"-res:640xabc", 640, 0},    {"-res:640x480junk", 640, 480},
      {"-res: 640x 480", 640, 480}, {"-res:640 x480", 640, 0},
      {"-res:+12x-3", 12, -3},     {"-res:-x5", 0, 0},
      {"-res:99999999999999999999x5", INT_MAX, 5},
      {"-res:-99999999999x5", INT_MIN, 5},
  };
  for (const Case& c : cases) {
    Parsed p;
    parse(&p, {c.arg});
    EXPECT_EQ(screen_w, c.w) << c.arg;
    EXPECT_EQ(screen_h, c.h) << c.arg;
  }
  // Only what converts is stored: an earlier height survives "-res:1024".
  Parsed p;
  parse(&p, {"-res:640x480", "-res:1024"});
  EXPECT_EQ(screen_w, 1024);
  EXPECT_EQ(screen_h, 480);
}

TEST(Switches, HelpAndUnknown) {
  for (const char* h : {"-?", "-help", "-HELP", "-Help"}) {
    Parsed p;
    parse(&p, {h});
    EXPECT_TRUE(p.help) << h;
  }
  for (const char* n : {"-?x", "-h", "-helpme", "-", "--help", "-foo"}) {
    Parsed p;
    parse(&p, {n});
    EXPECT_FALSE(p.help) << n;
    EXPECT_EQ(p.options.file_name, nullptr) << n;
  }
}

TEST(Switches, HugeArguments) {
  std::string name(100 * 1024, 'n');
  std::string caption = "-captionfile:" + std::string(100 * 1024, 'c');
  std::string res = "-res:" + std::string(100 * 1024, '9') + "x" + std::string(100 * 1024, '7');
  Parsed p;
  parse(&p, {name, caption, res, "-fps:" + std::string(100 * 1024, '1')});
  EXPECT_EQ(std::string(p.options.file_name), name);
  EXPECT_EQ(std::string(p.options.caption_path), caption.substr(13));
  EXPECT_EQ(screen_w, INT_MAX);
  EXPECT_EQ(screen_h, INT_MAX);
  EXPECT_EQ(p.options.frame_ms, 0.0f);
}

TEST(HelpText, ByteForByte) {
  const std::string expected =
      "\nvantorel [switches] input_file.anim\n\n"
      "-fullscreen\tPlay fullscreen (otherwise windowed)\n"
      "-once\tPlay only once and quit (otherwise loop)\n"
      "-paused\tStart paused (press P to play))\n"
      "-res:nxm\tSet resolution of window or screen to n by m\n"
      "-fps:n\tPlay at n frames per second\n"
      "-fms:n\tPlay with frames lasting n milliseconds\n"
      "-delay:n\tPause for n seconds on first frame (for slow screens)\n"
      "-showframenums\tShow frame numbers\n"
      "-captionfile:file.txt\tUse caption file (advanced)\n"
      "-?,-help\tShow this help\n\n"
      "Interactive keys:\n"
      "Keypad +/- or X/Z\tIncrease/Decrease frame rate\n"
      "P\tToggle pause\n"
      "R\tRestart animation\n"
      "F\tToggle frame numbers\n"
      "Q or Escape\tQuit\n";
  EXPECT_EQ(std::string(PLAYER_HELP_TEXT), expected);
  EXPECT_STREQ(PLAYER_ERROR_CAPTION, "Vantorel Error");
  EXPECT_STREQ(PLAYER_NO_FILE_TEXT,
               "No file specified!  You must give a filename at the commandline, or drag .anim "
               "files onto vantorel.exe or associate .anim files to open with Vantorel.  Run "
               "'vantorel -?' to see commandline usage.");
}

// ---- Title -------------------------------------------------------------------------------------

std::string title_of(const std::string& file_name) {
  char text[PLAYER_TEXT_SIZE];
  memset(text, 'Z', sizeof text);
  player_make_title(text, sizeof text, file_name.c_str());
  EXPECT_NE(memchr(text, 0, sizeof text), nullptr);
  return text;
}

TEST(Title, BaseNameAfterLastBackslash) {
  EXPECT_EQ(title_of("C:\\anims\\walk.anim"), "Vantorel - walk.anim");
  EXPECT_EQ(title_of("walk.anim"), "Vantorel - walk.anim");
  EXPECT_EQ(title_of("/home/me/walk.anim"), "Vantorel - /home/me/walk.anim");  // slashes kept
  EXPECT_EQ(title_of("dir\\"), "Vantorel - ");
  EXPECT_EQ(title_of(""), "Vantorel - ");
}

TEST(Title, LongNamesAreCutToTheBuffer) {
  std::string fits(PLAYER_TEXT_SIZE - 1 - 11, 'a');
  EXPECT_EQ(title_of(fits), "Vantorel - " + fits);
  std::string over = fits + "b";
  std::string t = title_of(over);
  EXPECT_EQ(t.size(), size_t(PLAYER_TEXT_SIZE - 1));
  EXPECT_EQ(t.substr(0, 14), "Vantorel - ...");
  EXPECT_EQ(t.back(), 'b');

  std::string huge = "D:\\" + std::string(100000, 'x') + "\\" + std::string(500, 'y') + "end.anim";
  t = title_of(huge);
  EXPECT_EQ(t.size(), size_t(PLAYER_TEXT_SIZE - 1));
  EXPECT_EQ(t.substr(t.size() - 8), "end.anim");

  // A cut never starts inside a UTF-8 sequence.
  std::string utf;
  for (int i = 0; i < 200; i++) utf += "\xC3\xA9";  // é
  t = title_of(utf);
  EXPECT_LE(t.size(), size_t(PLAYER_TEXT_SIZE - 1));
  EXPECT_EQ(t.substr(14, 2), "\xC3\xA9");

  char small[5];
  player_make_title(small, sizeof small, "abc");
  EXPECT_STREQ(small, "Vant");
}

// ---- player_main's ends ------------------------------------------------------------------------

TEST(PlayerMainDeathTest, MissingFileShowsBoxAndExitsOne) {
  EXPECT_EXIT(player_main("prog -once -res:1x2"), testing::ExitedWithCode(1),
              "Vantorel Error: No file specified!  You must give a filename at the commandline");
}

}  // namespace
