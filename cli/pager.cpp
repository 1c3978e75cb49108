#include "cli/pager.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "cli/os.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace varnic::cli {
namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

CPagerEnv CPagerEnv::FromProcess(bool noPagerFlag) {
  return {os::StdoutIsTerminal(), noPagerFlag, Variable("VARNIC_PAGER"), Variable("PAGER"),
          Variable("TERM")};
}

std::optional<std::string> ChoosePager(const CPagerEnv& env) {
  if (!env.stdoutIsTerminal || env.noPagerFlag) return std::nullopt;
  std::string command;
  if (env.varnicPager) {
    command = *env.varnicPager;
  } else if (env.term == "dumb") {
    return std::nullopt;  // a dumb terminal pages only when asked by name
  } else {
    command = env.pager.value_or("less");
  }
  if (command.empty() || command == "cat") return std::nullopt;
  return command;
}

#ifdef _WIN32

bool PagerCanStart(const std::string& /*command*/, const char* /*path*/) { return true; }

bool CPager::Start(const std::string& /*command*/) { return false; }

int CPager::Finish() { return -1; }

#else

namespace {

// What the signal handler needs, outside any object: one pager per process.
volatile std::sig_atomic_t g_pagerPid = 0;

constexpr std::array<int, 4> kEndingSignals = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};
struct sigaction g_savedPipe {};
std::array<bool, kEndingSignals.size()> g_caught = {};

// Lets the pager finish with the terminal before the signal ends this process. SA_RESETHAND has
// put the default action back; the signal, blocked while this runs, is delivered on return.
void EndWithPager(int signal) {
  const int saved = errno;
  ::close(STDOUT_FILENO);
  const pid_t pid = g_pagerPid;
  if (pid > 0) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  ::raise(signal);
  errno = saved;
}

int StatusOf(int wait) {
  if (WIFEXITED(wait)) return WEXITSTATUS(wait);
  if (WIFSIGNALED(wait)) return 128 + WTERMSIG(wait);
  return -1;
}

// The process's environment with LESS and LV added where they are missing, as git sets them.
std::vector<char*> PagerEnvironment(std::vector<std::string>& added) {
  if (std::getenv("LESS") == nullptr) added.emplace_back("LESS=FRX");
  if (std::getenv("LV") == nullptr) added.emplace_back("LV=-c");
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  for (std::string& a : added) envp.push_back(a.data());
  envp.push_back(nullptr);
  return envp;
}

// Runs `shell -c command` reading from `input`, with SIGPIPE at its default whatever this
// process does with it. Returns the pid, or 0.
pid_t Spawn(const std::string& shell, const std::string& command, int input) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (::posix_spawn_file_actions_init(&actions) != 0) return 0;
  if (::posix_spawnattr_init(&attributes) != 0) {
    ::posix_spawn_file_actions_destroy(&actions);
    return 0;
  }
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  std::vector<std::string> added;
  std::vector<char*> envp = PagerEnvironment(added);
  std::string argv0 = "sh";
  std::string dashC = "-c";
  std::string text = command;
  std::array<char*, 4> argv = {argv0.data(), dashC.data(), text.data(), nullptr};
  pid_t pid = 0;
  const bool ready = ::posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO) == 0 &&
                     ::posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
                     ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF) == 0;
  // glibc reports a shell that cannot be executed here, not as a child exiting 127.
  if (!ready ||
      ::posix_spawn(&pid, shell.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) {
    pid = 0;
  }
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool Executable(const std::string& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

bool PagerCanStart(const std::string& command, const char* path) {
  const std::size_t start = command.find_first_not_of(" \t\n");
  if (start == std::string::npos) return false;
  const std::string program = command.substr(start, command.find_first_of(" \t\n", start) - start);
  // Only a plain word is looked up; anything the shell expands or runs itself is the shell's.
  if (program.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                "0123456789_./+-") != std::string::npos ||
      program == "exec" || program == "command" || program == "." || program.ends_with('=')) {
    return true;
  }
  if (program.find('/') != std::string::npos) return Executable(program);
  const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t at = 0; at <= folders.size();) {
    std::size_t end = folders.find(':', at);
    if (end == std::string::npos) end = folders.size();
    std::string file = end == at ? std::string(".") : folders.substr(at, end - at);
    if (Executable(file.append("/").append(program))) return true;
    at = end + 1;
  }
  return false;
}

bool CPager::Start(const std::string& command) {
  if (pid_ > 0 || g_pagerPid != 0) return false;
  std::fflush(stdout);  // what C stdio holds was written before the pager
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC) != 0) return false;
  const int saved = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  const pid_t pid = saved >= 0 ? Spawn(shell_, command, ends[0]) : 0;
  ::close(ends[0]);
  if (pid == 0 || ::dup2(ends[1], STDOUT_FILENO) < 0) {
    ::close(ends[1]);
    if (saved >= 0) ::close(saved);
    if (pid > 0) {  // the pager sees the pipe's end at once
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
    return false;
  }
  ::close(ends[1]);
  pid_ = pid;
  savedStdout_ = saved;
  g_pagerPid = pid;

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &g_savedPipe);
  struct sigaction end {};
  end.sa_handler = EndWithPager;
  sigemptyset(&end.sa_mask);
  end.sa_flags = SA_RESETHAND;
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    struct sigaction current {};
    ::sigaction(kEndingSignals[i], nullptr, &current);
    // A handler someone installed (or an ignored signal) is theirs to keep.
    g_caught[i] = current.sa_handler == SIG_DFL && (current.sa_flags & SA_SIGINFO) == 0 &&
                  ::sigaction(kEndingSignals[i], &end, nullptr) == 0;
  }
  return true;
}

int CPager::Finish() {
  if (pid_ <= 0) return -1;
  std::fflush(stdout);
  ::dup2(savedStdout_, STDOUT_FILENO);  // closes the pipe: the pager reads to its end
  ::close(savedStdout_);
  savedStdout_ = -1;
  int wait = 0;
  pid_t reaped = 0;
  while ((reaped = ::waitpid(static_cast<pid_t>(pid_), &wait, 0)) < 0 && errno == EINTR) {
  }
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    if (g_caught[i]) ::sigaction(kEndingSignals[i], &standard, nullptr);
    g_caught[i] = false;
  }
  ::sigaction(SIGPIPE, &g_savedPipe, nullptr);
  g_pagerPid = 0;
  pid_ = 0;
  return reaped > 0 ? StatusOf(wait) : -1;
}

#endif

}  // namespace varnic::cli
