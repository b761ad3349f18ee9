#pragma once
// Runs a program as scripts run it, through the shell, and collects its exit status and output.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace nr::test {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// One word for the shell, quoted.
inline std::string Quote(const std::string& word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string ReadText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command line; standard error goes through errFile.
inline Result RunShell(std::string command, const std::filesystem::path& errFile) {
  command += " 2>" + Quote(errFile.string());
  Result r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) r.out.append(buf, n);
  const int wait = ::pclose(pipe);
  r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
  r.err = ReadText(errFile);
  return r;
}

}  // namespace nr::test
