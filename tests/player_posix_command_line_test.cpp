// The POSIX command line: quoting of empty and whitespace arguments, relative file names and the
// caption file made absolute, and that the player's splitter gives the arguments back.
#include "player/posix_command_line.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "player/command_line.h"

namespace {

std::string build(const char* exe, std::vector<const char*> args, const std::string& dir) {
  return posix_command_line(exe, int(args.size()), args.data(), dir);
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  const char* cursor = line.c_str();
  while (char* arg = next_arg(&cursor)) {
    out.push_back(arg);
    free(arg);
  }
  return out;
}

TEST(PosixCommandLine, QuotesEmptyAndWhitespaceArguments) {
  EXPECT_EQ(build("/opt/v/vantorel", {"-once", "", "-res:640x480"}, "/home/u"),
            "/opt/v/vantorel -once \"\" -res:640x480");
  EXPECT_EQ(build("/opt/my apps/vantorel", {"my file.anim"}, "/home/u"),
            "\"/opt/my apps/vantorel\" \"/home/u/my file.anim\"");
  EXPECT_EQ(build("/v", {"-delay:\t1"}, "/"), "/v \"-delay:\t1\"");
}

TEST(PosixCommandLine, AnyArgumentComesBackFromTheSplitter) {
  std::vector<const char*> args{"x \"y\".anim", "\"q", "a\\\" b\\", "-captionfile:c\\\"d", "e\"f"};
  std::vector<std::string> want{"/v", "/d/x \"y\".anim", "/d/\"q", "/d/a\\\" b\\",
                                "-captionfile:/caps/c\\\"d", "/d/e\"f"};
  EXPECT_EQ(split(posix_command_line("/v", int(args.size()), args.data(), "/d", "/caps")), want);
  EXPECT_EQ(build("/v", {"e\"f", "\"q"}, "/"), "/v /e\"f /\"q");  // plain where it can be
  EXPECT_EQ(build("/v", {"\"q"}, ""), "/v \"\\\"q\"");  // a leading quote cannot stand plain
}

TEST(PosixCommandLine, RelativeNamesBecomeAbsolute) {
  EXPECT_EQ(build("/v", {"a.anim", "/abs/b.anim", "../c.anim"}, "/home/u"),
            "/v /home/u/a.anim /abs/b.anim /home/u/../c.anim");
  EXPECT_EQ(build("/v", {"a.anim"}, "/"), "/v /a.anim");
  EXPECT_EQ(build("/v", {"a.anim"}, ""), "/v a.anim");  // start directory unknown
  EXPECT_EQ(build("/v", {"-captionfile:caps.txt", "-CaptionFile:/abs.txt", "-captionfile:"},
                  "/home/u"),
            "/v -captionfile:/home/u/caps.txt -CaptionFile:/abs.txt -captionfile:");
  EXPECT_EQ(build("/v", {"-CAPTIONFILE:x"}, "/d"), "/v -CAPTIONFILE:/d/x");
  EXPECT_EQ(build("/v", {"-fps:25", "-?"}, "/d"), "/v -fps:25 -?");
}

TEST(PosixCommandLine, SplitterGivesArgumentsBack) {
  std::string line = build("/opt/my apps/vantorel",
                           {"-once", "", "my file.anim", "tab\there", "-res:1x2"}, "/start dir");
  EXPECT_EQ(split(line), (std::vector<std::string>{"/opt/my apps/vantorel", "-once", "",
                                                   "/start dir/my file.anim",
                                                   "/start dir/tab\there", "-res:1x2"}));
  char* dir = exe_dir(line.c_str());
  EXPECT_STREQ(dir, "/opt/my apps");
  free(dir);
}

TEST(PosixCommandLine, ManyAndLongArguments) {
  std::vector<std::string> store(10000, "-once");
  store.push_back(std::string(100 * 1024, 'f'));
  std::vector<const char*> args;
  for (const std::string& s : store) args.push_back(s.c_str());
  std::string line = build("/v", args, "/d");
  std::vector<std::string> back = split(line);
  ASSERT_EQ(back.size(), 10002u);
  EXPECT_EQ(back[10000], "-once");
  EXPECT_EQ(back[10001], "/d/" + store.back());
}

}  // namespace
