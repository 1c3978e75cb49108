#ifndef VARNIC_TESTS_SUPPORT_COMMAND_H_
#define VARNIC_TESTS_SUPPORT_COMMAND_H_

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnic::testing {

struct CommandRun {
  int status = -1;  // the exit status, or 128 + the signal that ended the run
  std::string out;
  std::string err;
};

inline std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs `command` through the shell; its standard output is collected.
inline CommandRun RunShell(const std::string& command) {
  CommandRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
    run.out.append(buffer.data(), n);
  }
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return run;
}

// Runs the `varnic` binary with `args` through the shell, with `before` as shell text ahead of it
// (a prlimit) and `after` behind it (redirections); standard output is collected unless `after`
// redirects it.
inline CommandRun RunVarnic(const std::vector<std::string>& args, const std::string& before = "",
                            const std::string& after = "") {
  CTempDir dir;
  std::string command = before + Quote(VARNIC_BINARY);
  // Appends rather than `" " + ...`, which GCC 12 misreports under -O2 (-Wrestrict).
  for (const auto& arg : args) command.append(" ").append(Quote(arg));
  command.append(" ").append(after).append(" 2>").append(Quote(dir.File("stderr")));
  CommandRun run = RunShell(command);
  run.err = ReadAll(dir.File("stderr"));
  return run;
}

}  // namespace varnic::testing

#endif  // VARNIC_TESTS_SUPPORT_COMMAND_H_
