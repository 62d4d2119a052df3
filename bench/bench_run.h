// Running a whole program from a benchmark: its wall time and the processor time it used, for
// figures that compare our programs with each other or with another tool in one run.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// Runs a program to its end with its standard output (and, when quiet, its standard error) sent
// to /dev/null: wall seconds, or -1 when it failed; its processor time in *cpu.
inline double bench_run_seconds(std::vector<std::string> args, double* cpu, bool quiet = false) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  if (quiet) posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t pid;
  int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) return -1;
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t : -1;
}
