// Error log and date formatters: stamped lines appended across runs, messages written unchanged, the
// orderly end even when the log cannot be written, and bounded date and time formatting.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cmath>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <regex>
#include <string>

#include "gfx/error_log.h"
#include "util/test_util.h"

namespace {

// Runs gfx_fatal(message) in a child process whose current directory is dir.
void fatal_in(const std::string& dir, const char* message) {
  if (chdir(dir.c_str()) != 0) _exit(99);
  gfx_fatal(message);
}

std::string handled;
jmp_buf back;
void handler(const char* message) {
  handled = message;
  longjmp(back, 1);
}

const std::regex kStampLine(R"(^\d{4}-[^ ]+-\d{2} \d{2}:\d{2}:\d{2} (.*)$)");

}  // namespace

TEST(ErrorLog, FatalAppendsStampedLinesAcrossRunsAndExitsOne) {
  vt_test::TempDir dir;
  EXPECT_EXIT(fatal_in(dir.path, "first failure"), ::testing::ExitedWithCode(1),
              "Oh sod it: first failure");
  EXPECT_EXIT(fatal_in(dir.path, "100% sure %s %d %n"), ::testing::ExitedWithCode(1), "");
  std::string log = vt_test::read_file(dir.file("graphics_error.log"));
  size_t nl = log.find('\n');
  ASSERT_NE(nl, std::string::npos);
  std::string first = log.substr(0, nl);
  std::string second = log.substr(nl + 1);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.back(), '\n');
  second.pop_back();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(first, m, kStampLine)) << first;
  EXPECT_EQ(m[1], "first failure");
  ASSERT_TRUE(std::regex_match(second, m, kStampLine)) << second;
  EXPECT_EQ(m[1], "100% sure %s %d %n");  // never used as a format
}

TEST(ErrorLog, UnwritableLogStillShowsTheBoxAndExitsZero) {
  // A folder in the log's place cannot be opened for appending, not even by root.
  vt_test::TempDir dir;
  ASSERT_EQ(mkdir(dir.file("graphics_error.log").c_str(), 0755), 0);
  EXPECT_EXIT(fatal_in(dir.path, "no log here"), ::testing::ExitedWithCode(1),
              "Oh sod it: no log here");
}

TEST(ErrorLog, EpochFormatsAsFirstOfJanuary1970Utc) {
  char out[DATETIME_SIZE];
  std::string s = format_datetime(0.0, out);
  // The month is abbreviated by name, in the user's locale like the host's date pictures.
  struct tm january = {};
  january.tm_year = 70;
  char month[64];
  locale_t user = newlocale(LC_TIME_MASK, "", (locale_t)0);
  if (!user) user = newlocale(LC_TIME_MASK, "C", (locale_t)0);
  ASSERT_GT(strftime_l(month, sizeof month, "%b", &january, user), 0u);
  freelocale(user);
  EXPECT_EQ(s, std::string("1970-") + month + "-01 00:00:00");
  char date[DATE_PART_SIZE], clock[DATE_PART_SIZE];
  EXPECT_EQ(std::string(format_time(0.0, clock)), "00:00:00");
  EXPECT_EQ(std::string(format_date(0.0, date)), s.substr(0, s.find(' ')));
  // 2001-09-09 01:46:40 UTC, whatever the local zone.
  EXPECT_EQ(std::string(format_time(1e9, clock)), "01:46:40");
}

TEST(ErrorLog, TimeNowIsTheCurrentLocalTime) {
  for (int attempt = 0; attempt < 3; attempt++) {
    time_t before = time(nullptr);
    char out[DATETIME_SIZE], clock[DATE_PART_SIZE];
    std::string stamp = format_datetime(TIME_NOW, out);
    std::string hms = format_time(TIME_NOW, clock);
    time_t after = time(nullptr);
    if (before != after) continue;  // a second boundary passed: try again
    struct tm tm;
    localtime_r(&before, &tm);
    char expect_time[16], expect_year[8];
    strftime(expect_time, sizeof expect_time, "%H:%M:%S", &tm);
    strftime(expect_year, sizeof expect_year, "%Y-", &tm);
    EXPECT_EQ(hms, expect_time);
    EXPECT_EQ(stamp.substr(0, 5), expect_year);
    EXPECT_EQ(stamp.substr(stamp.size() - 8), expect_time);
    return;
  }
  FAIL() << "the clock kept crossing second boundaries";
}

TEST(ErrorLog, FormattersStayWithinTheirBuffers) {
  char buf[40];
  memset(buf, 'Z', sizeof buf);
  format_date(0.0, buf);
  EXPECT_EQ(std::string(buf + DATE_PART_SIZE, buf + sizeof buf), std::string(20, 'Z'));
  memset(buf, 'Z', sizeof buf);
  format_datetime(0.0, buf, 8);
  EXPECT_EQ(strlen(buf), 7u);
  EXPECT_EQ(std::string(buf + 8, buf + sizeof buf), std::string(32, 'Z'));
  // Times the host cannot represent give empty parts, not garbage.
  char out[DATETIME_SIZE];
  EXPECT_EQ(std::string(format_datetime(-1e30, out)), " ");
  EXPECT_EQ(std::string(format_date(std::nan(""), buf)), "");
}

TEST(ErrorLog, UnixToFiletime) {
  FileTime ft = unix_to_filetime(0.0);  // 116444736000000000 intervals
  EXPECT_EQ(ft.high, 0x019DB1DEu);
  EXPECT_EQ(ft.low, 0xD53E8000u);
  ft = unix_to_filetime(-11644473600.0);
  EXPECT_EQ(ft.high, 0u);
  EXPECT_EQ(ft.low, 0u);
  HostSystemTime st;
  ASSERT_TRUE(unix_to_systemtime(86400.0 * 31 + 3661.5, &st));
  EXPECT_EQ(st.year, 1970);
  EXPECT_EQ(st.month, 2);
  EXPECT_EQ(st.day, 1);
  EXPECT_EQ(st.hour, 1);
  EXPECT_EQ(st.minute, 1);
  EXPECT_EQ(st.second, 1);
  EXPECT_EQ(st.milliseconds, 500);
  char out[DATETIME_SIZE];
  char expect[DATETIME_SIZE];
  EXPECT_STREQ(format_filetime(unix_to_filetime(0.0), out), format_datetime(0.0, expect));
}

// A handler takes the failure over: it gets the message after the log line, no box is shown, and
// the program goes on where the handler sends it; without one, the box and the exit come back.
TEST(ErrorLog, FatalHandlerIsCalledInsteadOfTheBoxAndTheExit) {
  vt_test::TempDir dir;
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.path.c_str()), 0);
  gfx_set_fatal_handler(handler);
  testing::internal::CaptureStderr();
  if (setjmp(back) == 0) gfx_fatal("font 'x' not found");
  std::string err = testing::internal::GetCapturedStderr();
  gfx_set_fatal_handler(nullptr);
  ASSERT_EQ(chdir(here), 0);
  EXPECT_EQ(handled, "font 'x' not found");
  EXPECT_EQ(err.find("Oh sod it"), std::string::npos) << err;
  EXPECT_NE(vt_test::read_file(dir.file("graphics_error.log")).find(" font 'x' not found\n"),
            std::string::npos);
  EXPECT_EXIT(fatal_in(dir.path, "boxed again"), ::testing::ExitedWithCode(1), "Oh sod it: boxed");
}
