#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <new>
#include <utility>

#include "cli/audit_command_line.h"
#include "cli/compare_command.h"
#include "cli/os.h"
#include "cli/stdout_buffer.h"
#include "report/terminal_text.h"
#include "report/version.h"

namespace {

constexpr const char* kFooter = R"(Formats (--format):
  side    two columns with a gutter: blank same, | different, < only in FILE1,
          > only in FILE2; counts per section at the end (default on a terminal)
  marked  the two marked results one after the other, as --save writes them
          (default when standard output is not a terminal)
  json    one JSON document, schema_version 1 (docs/varnic.schema.json)

Secrets (Password, passphrase, key1-key4, radius_secret, SSIDn_PassPhrase, SSIDn_Key,
SSIDn_Radius_Secret, in any letter case and for any SSID number) are masked as labels in JSON
and HTML unless --show-secrets, and shown in the terminal (views, explanations, marked output)
unless --mask-secrets. One value has one label in every output of a run. Marks are always
computed on the real values.

Exit status: 0 no line marked d_ or o_; 1 some line is; 2 trouble (bad arguments, an input
that cannot be read, an output that cannot be written, a file with no known section).)";

}  // namespace

namespace {

constexpr const char* kUsageHint = "Run 'varnic --help' for usage.\n";

// Maps an option's word (in any letter case) to its value, or says which words there are.
template <typename Value>
bool Choose(const std::string& word, const char* option,
            std::initializer_list<std::pair<const char*, Value>> choices, Value& value) {
  std::string lower = word;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string names;
  for (const auto& [name, choice] : choices) {
    if (lower == name) {
      value = choice;
      return true;
    }
    names += names.empty() ? name : std::string(", ") + name;
  }
  std::cerr << "varnic: " << option << ": '" << varnic::cli::SafeText(word) << "' is not one of "
            << names << "\n"
            << kUsageHint;
  return false;
}

int Run(int argc, char** argv) {
  using varnic::cli::ColorMode;
  using varnic::cli::Format;
  using varnic::cli::kExitTrouble;
  CLI::App app{"varnic: compare two configuration backups of a dual-band access point"};
  app.set_version_flag("--version", std::string("varnic ") + varnic::cli::kVersion);
  app.require_subcommand(1);
  app.footer(kFooter);

  varnic::cli::CCompareOptions options;
  std::vector<std::string> save;
  std::string html;
  std::size_t width = 0;
  CLI::App* compare = app.add_subcommand("compare", "Compare FILE1 with FILE2");
  compare->footer(kFooter);
  compare->add_option("FILE1", options.file1, "First backup ('-' reads standard input)")
      ->required();
  compare->add_option("FILE2", options.file2, "Second backup ('-' reads standard input)")
      ->required();
  compare->add_option("--type1", options.type1, "Device type of FILE1 (any 32-bit integer)");
  compare->add_option("--type2", options.type2, "Device type of FILE2 (any 32-bit integer)");
  compare->add_option("--save", save, "Write the two marked results to OUT1 and OUT2 (CR LF)")
      ->expected(2)
      ->type_name("OUT1 OUT2");
  compare->add_flag("-q,--quiet", options.quiet, "Print nothing; report by exit status only");
  std::string format;
  compare->add_option("--format", format, "Output format: side, marked or json");
  compare->add_option("-W,--width", width, "Total width of the side-by-side view")
      ->check(CLI::Range(std::size_t{20}, std::size_t{10000}));
  compare->add_flag("--suppress-common-lines", options.suppressCommonLines,
                    "Side by side: hide settings that are the same");
  compare->add_flag("--truncate", options.truncate, "Side by side: cut long lines, do not wrap");
  std::string color;
  compare->add_option("--color", color,
                      "Colour: auto (a terminal, NO_COLOR unset, TERM not dumb), always or never");
  compare->add_flag("--stat", options.stat,
                    "Print counts per section: same, different, only in one file, dropped");
  compare->add_flag("--explain", options.explain,
                    "Tell what was dropped or changed before comparing, and why");
  compare->add_option("--html", html, "Also write a self-contained HTML report to FILE")
      ->type_name("FILE");
  compare->add_flag("--show-secrets", options.showSecrets, "Show secret values in JSON and HTML");
  compare->add_flag("--mask-secrets", options.maskSecrets, "Mask secret values in the terminal");

  varnic::cli::CAuditCommandLine audit(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // The parser's message may quote what was typed: shown escaped, as every name is.
    std::cerr << "varnic: " << varnic::cli::SafeText(e.what()) << "\n" << kUsageHint;
    return kExitTrouble;
  }
  if (audit.Chosen()) return audit.Run(std::cout, std::cerr);
  if (!format.empty() &&
      !Choose(format, "--format",
              {{"side", Format::kSide}, {"marked", Format::kMarked}, {"json", Format::kJson}},
              options.format)) {
    return kExitTrouble;
  }
  if (!color.empty() && !Choose(color, "--color",
                                {{"auto", ColorMode::kAuto},
                                 {"always", ColorMode::kAlways},
                                 {"never", ColorMode::kNever}},
                                options.color)) {
    return kExitTrouble;
  }
  if (!save.empty()) options.save = {save[0], save[1]};
  if (!html.empty()) options.html = html;
  if (width != 0) options.width = width;
  return varnic::cli::RunCompare(options, varnic::cli::CTerminal::FromProcess(), std::cin,
                                 std::cout, std::cerr);
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
  int status = varnic::cli::kExitTrouble;
  try {
    status = Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "varnic: out of memory\n";
    return varnic::cli::kExitTrouble;
  } catch (const std::exception& e) {
    std::cerr << "varnic: " << varnic::cli::SafeText(e.what()) << "\n";
    return varnic::cli::kExitTrouble;
  } catch (...) {
    std::cerr << "varnic: unexpected error\n";
    return varnic::cli::kExitTrouble;
  }
  std::cout.flush();
  if (stdoutBuffer.Error() != 0) {
    std::cerr << "varnic: cannot write standard output: " << std::strerror(stdoutBuffer.Error())
              << "\n";
    return varnic::cli::kExitTrouble;
  }
  return status;
}
