// The headless input script: every action and key name, comments, ordering by poll, and the line
// number in the message for a bad line.
#include <gtest/gtest.h>

#include "host/headless/headless_host.h"

TEST(HeadlessScript, ActionsKeysAndComments) {
  std::vector<ScriptAction> a;
  std::string error;
  ASSERT_TRUE(headless_parse_script("# a comment\n"
                                    "5 snapshot out/pic.png   # trailing comment\n"
                                    "\n"
                                    "2 press q\r\n"
                                    "2 char hello  there\n"
                                    "3 size 640 480\n"
                                    "3 mouse 10 20 lr\n"
                                    "3 mouse 1 2\n"
                                    "4 wheel down\n"
                                    "4 down 0x6b\n"
                                    "4 up ESC\n"
                                    "6 close\n"
                                    "7 quit\n",
                                    &a, &error))
      << error;
  ASSERT_EQ(a.size(), 12u);
  EXPECT_EQ(a[0].poll, 2);
  EXPECT_EQ(a[0].kind, ScriptKind::down);
  EXPECT_EQ(a[0].key, 'Q');
  EXPECT_EQ(a[1].kind, ScriptKind::character);
  EXPECT_EQ(a[1].text, "hello there");
  EXPECT_EQ(a[2].poll, 3);  // the release of "press" comes one poll later, after the others at 2
  EXPECT_EQ(a[2].kind, ScriptKind::up);
  EXPECT_EQ(a[2].key, 'Q');
  EXPECT_EQ(a[3].kind, ScriptKind::size);
  EXPECT_EQ(a[3].a, 640);
  EXPECT_EQ(a[3].b, 480);
  EXPECT_EQ(a[4].kind, ScriptKind::mouse);
  EXPECT_EQ(a[4].c, 0x03);
  EXPECT_EQ(a[5].c, 0);
  EXPECT_EQ(a[6].kind, ScriptKind::wheel);
  EXPECT_EQ(a[6].a, -1);
  EXPECT_EQ(a[7].key, 0x6B);
  EXPECT_EQ(a[8].kind, ScriptKind::up);
  EXPECT_EQ(a[8].key, 0x1B);  // names ignore case
  EXPECT_EQ(a[9].kind, ScriptKind::snapshot);
  EXPECT_EQ(a[9].text, "out/pic.png");
  EXPECT_EQ(a[10].kind, ScriptKind::close);
  EXPECT_EQ(a[11].kind, ScriptKind::quit);
}

TEST(HeadlessScript, KeyNames) {
  EXPECT_EQ(headless_key_code("a"), 'A');
  EXPECT_EQ(headless_key_code("Z"), 'Z');
  EXPECT_EQ(headless_key_code("7"), '7');
  EXPECT_EQ(headless_key_code("esc"), 0x1B);
  EXPECT_EQ(headless_key_code("add"), 0x6B);
  EXPECT_EQ(headless_key_code("subtract"), 0x6D);
  EXPECT_EQ(headless_key_code("alt"), 0x12);
  EXPECT_EQ(headless_key_code("tab"), 0x09);
  EXPECT_EQ(headless_key_code("space"), 0x20);
  EXPECT_EQ(headless_key_code("enter"), 0x0D);
  EXPECT_EQ(headless_key_code("0xA4"), 0xA4);
  EXPECT_EQ(headless_key_code("0x100"), -1);
  EXPECT_EQ(headless_key_code("0x0"), -1);
  EXPECT_EQ(headless_key_code("ab"), -1);
  EXPECT_EQ(headless_key_code("!"), -1);
  EXPECT_EQ(headless_key_code("Right"), 0x27);
  EXPECT_EQ(headless_key_code("left"), 0x25);
  EXPECT_EQ(headless_key_code("period"), 0xBE);
  EXPECT_EQ(headless_key_code("f1"), 0x70);
  EXPECT_EQ(headless_key_code("F11"), 0x7A);
  EXPECT_EQ(headless_key_code("f12"), 0x7B);
  for (const char* bad : {"f0", "f13", "f01", "f+1", "f0x1"})
    EXPECT_EQ(headless_key_code(bad), -1) << bad;
}

TEST(HeadlessScript, BadLinesNameTheirNumber) {
  const char* bad[] = {"0 quit",        "x quit",         "3",           "3 jump",
                       "3 down",        "3 down ctrl",    "3 size 10",   "3 size -1 5",
                       "3 wheel left",  "3 mouse 1",      "3 mouse 1 2 q", "3 snapshot",
                       "3 quit now",    "3 char",         "99999999999 quit"};
  for (const char* line : bad) {
    std::vector<ScriptAction> a;
    std::string error;
    EXPECT_FALSE(headless_parse_script(std::string("1 quit\n") + line + "\n", &a, &error)) << line;
    EXPECT_EQ(error.rfind("script line 2: ", 0), 0u) << error;
  }
}

TEST(HeadlessScript, DropTakesOneFile) {
  std::vector<ScriptAction> actions;
  std::string error;
  ASSERT_TRUE(headless_parse_script("4 drop clip.anim\n", &actions, &error)) << error;
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0].kind, ScriptKind::drop);
  EXPECT_EQ(actions[0].poll, 4);
  EXPECT_EQ(actions[0].text, "clip.anim");
  EXPECT_FALSE(headless_parse_script("4 drop\n", &actions, &error));
  EXPECT_FALSE(headless_parse_script("4 drop a b\n", &actions, &error));
  EXPECT_NE(error.find("script line 1"), std::string::npos);
}
