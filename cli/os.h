#ifndef VARNIC_CLI_OS_H_
#define VARNIC_CLI_OS_H_

#include <cstddef>
#include <optional>

// The few operating-system calls the command makes beyond the engine's file layer, in one place:
// POSIX on Linux, the C runtime and Win32 for the Windows build.
namespace varnic::cli::os {

// Standard output passes bytes as they are: no LF turned into CR LF where the C runtime would.
void UseBinaryStdout();

bool StdoutIsTerminal();
bool StderrIsTerminal();
// The terminal's width in columns, when standard output is one and it says.
std::optional<std::size_t> TerminalColumns();

}  // namespace varnic::cli::os

#endif  // VARNIC_CLI_OS_H_
