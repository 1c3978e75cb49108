#ifndef VARNIC_CLI_PAGER_H_
#define VARNIC_CLI_PAGER_H_

#include <optional>
#include <string>
#include <utility>

// Output taller than the screen goes through a pager, as git's does.
namespace varnic::cli {

// What decides whether there is a pager and which: read once from the process, or written out
// by a test.
struct CPagerEnv {
  bool stdoutIsTerminal = false;
  bool noPagerFlag = false;                // --no-pager
  std::optional<std::string> varnicPager;  // VARNIC_PAGER, when set (perhaps empty)
  std::optional<std::string> pager;        // PAGER
  std::optional<std::string> term;         // TERM

  static CPagerEnv FromProcess(bool noPagerFlag);
};

// The pager command to run, or none. None when standard output is not a terminal or for
// --no-pager; otherwise VARNIC_PAGER when set, else PAGER when set, else "less"; a chosen
// command that is empty or "cat" means none. On a dumb terminal (TERM=dumb) only VARNIC_PAGER
// is used: it was asked for by name for this command.
std::optional<std::string> ChoosePager(const CPagerEnv& env);

// False when the program `command` starts with is sure not to run: a name found in no folder
// of `path` (PATH's value), or a path to a file that cannot be executed. A command the shell
// reads for more than a program name (quotes, variables, a builtin such as exec) is left to the
// shell: true. The output then stays on standard output, with a warning, instead of going into
// a shell that exits 127 and takes it with it.
bool PagerCanStart(const std::string& command, const char* path);

// A running pager that the process's standard output (fd 1) goes into.
//
// Start() runs `command` through /bin/sh -c with its standard input a pipe, LESS=FRX and LV=-c
// in its environment unless already set (so plain `less` is `less -FRX`: it quits at once when
// the text fits one screen, passes colours, leaves the screen as it was), and points fd 1 at the
// pipe. Everything written to fd 1 afterwards, by any stream, reaches the pager. Standard error
// stays where it was.
//
// While a pager runs:
//  - SIGPIPE is ignored, so when the reader quits early a write fails with EPIPE instead of
//    killing the process. That failure is the reader's choice, not trouble: see Active().
//  - SIGINT, SIGQUIT, SIGHUP and SIGTERM, where no handler was installed, close fd 1, wait for
//    the pager to exit and then end the process as the signal would: the pager keeps the
//    terminal until it is done with it, and the shell's prompt does not come back under it.
//
// Finish() (also run by the destructor) flushes C stdio, points fd 1 back at what it was
// (which closes the pipe, so the pager sees the end), waits for the pager and restores the
// signal dispositions. Flush every C++ stream that writes to fd 1 before it: what is written
// afterwards goes to the original standard output.
//
// Wiring in main, in this order: decide what depends on the terminal (CTerminal::FromProcess(),
// colour, width, default format) before Start(), since fd 1 is a pipe afterwards and
// StdoutIsTerminal() says no; flush std::cout; Start(). At the end flush std::cout, take
// stdoutBuffer.Error(), Finish(); an error of EPIPE while Active() was true is the reader having
// quit the pager: exit with the comparison's status, and say nothing.
//
// One pager at a time per process. On Windows there is none: Start() returns false.
class CPager {
 public:
  // `shell` runs the command; another one only in tests.
  explicit CPager(std::string shell = "/bin/sh") : shell_(std::move(shell)) {}
  ~CPager() { Finish(); }
  CPager(const CPager&) = delete;
  CPager& operator=(const CPager&) = delete;

  // Starts the pager and points fd 1 at it. False when the pipe, the process or the shell cannot
  // be made (or on Windows, or when a pager already runs): fd 1 and the signal dispositions are
  // then as they were and output goes where it went. A command the shell cannot find is not
  // noticed here: the shell exits 127, writes then fail with EPIPE, and Finish() returns 127.
  bool Start(const std::string& command);

  // True from a successful Start() until Finish().
  bool Active() const { return pid_ > 0; }

  // Ends the pager as described above. Returns its exit status (128 + the signal when a signal
  // ended it), or -1 when no pager ran or it could not be waited for.
  int Finish();

 private:
  std::string shell_;
  long pid_ = 0;  // pid_t, which the Windows build has not
  int savedStdout_ = -1;
};

}  // namespace varnic::cli

#endif  // VARNIC_CLI_PAGER_H_
