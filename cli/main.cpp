#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "base/path_names.h"
#include "cli/audit_command_line.h"
#include "cli/choice.h"
#include "cli/compare_cli.h"
#include "cli/compare_command.h"
#include "cli/env_options.h"
#include "cli/exact_arguments.h"
#include "cli/help.h"
#include "cli/history_command_line.h"
#include "cli/os.h"
#include "cli/pager.h"
#include "cli/render_command.h"
#include "cli/stdout_buffer.h"
#include "cli/suggest.h"
#include "cli/usage_errors.h"
#include "report/terminal_text.h"
#include "report/version.h"

namespace {

using varnic::cli::kExitTrouble;
using varnic::cli::kUsageHint;

constexpr std::array<std::string_view, 5> kSubcommands = {"compare", "audit", "history", "render",
                                                          "help"};

// "varnic FILE1 FILE2" means "varnic compare FILE1 FILE2": a first word that is no subcommand
// (and no request for help or the version) starts the compare arguments. A word that is no file
// but nearly a subcommand is a typo, told as such.
bool ImplyCompare(std::vector<std::string>& args) {
  if (args.size() < 2) return true;
  const std::string& first = args[1];
  for (const char* word :
       {"compare", "audit", "history", "render", "help", "--help", "-h", "--version"}) {
    if (first == word) return true;
  }
  std::error_code ignored;
  if (!first.starts_with('-') && !std::filesystem::exists(varnic::base::PathOf(first), ignored)) {
    if (const auto nearest = varnic::cli::NearestWord(first, kSubcommands)) {
      std::cerr << "varnic: '" << varnic::report::SafeText(first)
                << "' is neither a subcommand nor a file; did you mean '" << *nearest << "'?\n"
                << kUsageHint;
      return false;
    }
  }
  args.insert(args.begin() + 1, "compare");
  return true;
}

// The arguments as typed, with $VARNIC_OPTIONS in front of them.
bool Arguments(int argc, char** argv, std::vector<std::string>& args) {
  args = varnic::cli::os::Arguments(argc, argv);
  if (!ImplyCompare(args)) return false;
  // VARNIC_OPTIONS holds defaults for compare, whose options the audit does not take.
  if (args.size() > 1 && (args[1] == "audit" || args[1] == "history" || args[1] == "render")) {
    return true;
  }
  const char* defaults = std::getenv("VARNIC_OPTIONS");
  if (defaults == nullptr) return true;
  std::vector<std::string> words;
  std::string error;
  if (!varnic::cli::SplitOptions(defaults, words, error)) {
    std::cerr << "varnic: " << error << "\n";
    return false;
  }
  args = varnic::cli::InsertEnvironmentOptions(args, words, kSubcommands);
  return true;
}

int Run(int argc, char** argv, varnic::cli::CPager& pager) {
  // Named, so that no usage line shows the path the program was run by.
  CLI::App app{"varnic: compare two configuration backups of a dual-band access point", "varnic"};
  app.set_version_flag("--version", std::string("varnic ") + varnic::report::kVersion);
  app.require_subcommand(1);
  app.footer(varnic::cli::kCompareFooter);
  // A default from VARNIC_OPTIONS comes first; what was typed after it wins.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  varnic::cli::CCompareArgs compare;
  varnic::cli::AddCompareCommand(app, compare);
  varnic::cli::CAuditCommandLine audit(app);
  varnic::cli::CHistoryCommandLine history(app);
  varnic::cli::CRenderOptions render;
  CLI::App* renderCommand = varnic::cli::AddRenderCommand(app, render);
  varnic::cli::TakeArgumentsAsGiven(app);

  // Help is asked for before VARNIC_OPTIONS is read: a default meant for compare must not
  // turn a request for help into an unknown option.
  if (argc > 1) {
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
      std::cout << varnic::cli::OverviewHelp(app);
      return 0;
    }
    if (first == "help") {
      return varnic::cli::RunHelp(app, std::vector<std::string>(argv + 2, argv + argc), std::cout,
                                  std::cerr);
    }
  }
  try {
    std::vector<std::string> args;
    if (!Arguments(argc, argv, args)) return kExitTrouble;
    varnic::cli::ProtectBrackets(args);
    std::vector<char*> pointers;
    pointers.reserve(args.size());
    for (std::string& arg : args) pointers.push_back(arg.data());
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << varnic::cli::UsageErrorMessage(e, app);
    return kExitTrouble;
  }
  if (audit.Chosen()) return audit.Run(std::cout, std::cerr);
  if (history.Chosen()) return history.Run(std::cout, std::cerr);
  if (renderCommand->parsed()) return varnic::cli::RunRender(render, std::cout, std::cerr);
  if (!varnic::cli::FinishCompareArgs(compare, std::cerr)) return kExitTrouble;
  // The terminal is read before a pager takes standard output over.
  const varnic::cli::CTerminal terminal = varnic::cli::CTerminal::FromProcess();
  if (!compare.options.quiet) {
    const auto command =
        varnic::cli::ChoosePager(varnic::cli::CPagerEnv::FromProcess(compare.noPager));
    if (command) {
      std::cout.flush();
      // Without a pager the output stays where it was going: shown, with a word of why.
      if (!varnic::cli::PagerCanStart(*command, std::getenv("PATH")) || !pager.Start(*command)) {
        std::cerr << "varnic: warning: the pager '" << varnic::report::SafeText(*command)
                  << "' cannot be started; the output follows here\n";
      }
    }
  }
  return varnic::cli::RunCompare(compare.options, terminal, std::cin, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  varnic::cli::os::UseBinaryStdout();  // piped marked results are the bytes --save writes
#ifdef SIGXFSZ
  // Past a file-size limit a write then fails (EFBIG) instead of killing the run: staged files
  // are removed and the reason is told.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  // Standard output is an output like any other: a full disk or a closed pipe is trouble, not a
  // result, and the message tells why the first write failed.
  varnic::cli::CFdStreambuf stdoutBuffer(1);
  struct CRestore {
    std::streambuf* previous;
    ~CRestore() { std::cout.rdbuf(previous); }
  } const restore{std::cout.rdbuf(&stdoutBuffer)};
  // Declared after the buffer, so the pager is waited for before the buffer goes.
  varnic::cli::CPager pager;
  int status = varnic::cli::kExitTrouble;
  try {
    status = Run(argc, argv, pager);
  } catch (const std::bad_alloc&) {
    std::cerr << "varnic: out of memory\n";
    return varnic::cli::kExitTrouble;
  } catch (const std::exception& e) {
    std::cerr << "varnic: " << varnic::report::SafeText(e.what()) << "\n";
    return varnic::cli::kExitTrouble;
  } catch (...) {
    std::cerr << "varnic: unexpected error\n";
    return varnic::cli::kExitTrouble;
  }
  std::cout.flush();
  const bool paged = pager.Active();
  pager.Finish();
  // Quitting the pager early is no trouble: the comparison's status stands.
  if (paged && stdoutBuffer.Error() == EPIPE) return status;
  if (stdoutBuffer.Error() != 0) {
    std::cerr << "varnic: cannot write standard output: " << std::strerror(stdoutBuffer.Error())
              << "\n";
    return varnic::cli::kExitTrouble;
  }
  return status;
}
