#pragma once
// Runs the nrctl built beside the running benchmark as a script would: its output thrown away,
// its exit status, its time and its peak memory kept.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace nr::bench {

inline std::filesystem::path NrctlPath() {
  char self[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  return std::filesystem::path(std::string(self, n > 0 ? static_cast<size_t>(n) : 0)).parent_path() / "nrctl";
}

struct NrctlRun {
  int status = -1;    // -1 when it could not start or did not exit by itself
  double seconds = 0;
  long peakKiB = 0;   // its peak resident memory
};

inline NrctlRun RunNrctl(const std::vector<std::string>& args) {
  std::vector<std::string> argv{NrctlPath().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  NrctlRun run;
  pid_t pid = -1;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKiB = usage.ru_maxrss;
  return run;
}

}  // namespace nr::bench
