// The POSIX console: the help is written to standard output and the program does not wait for a
// key afterwards (the wait only keeps a fresh console window open on Windows), so nothing of
// standard input is taken either.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "host/host.h"

TEST(PosixConsole, GetcharNeitherWaitsNorTakesInput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "k", 1), 1);  // the pipe stays open: a read after "k" would block
  int saved = dup(0);
  ASSERT_EQ(dup2(fds[0], 0), 0);
  EXPECT_EQ(host_console_getchar(), EOF);
  char c = 0;
  EXPECT_EQ(read(0, &c, 1), 1);
  EXPECT_EQ(c, 'k');
  dup2(saved, 0);
  close(saved);
  close(fds[0]);
  close(fds[1]);
}
