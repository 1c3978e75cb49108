#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/compare_command.h"
#include "cli/os.h"
#include "cli/version.h"

namespace {

constexpr const char* kFooter = R"(Formats (--format):
  side    two columns with a gutter: blank same, | different, < only in FILE1,
          > only in FILE2; counts per section at the end (default on a terminal)
  marked  the two marked results one after the other, as --save writes them
          (default when standard output is not a terminal)
  json    one JSON document, schema_version 1 (docs/varnic.schema.json)

Secrets (Password, passphrase, key1-key4, radius_secret, SSIDn_PassPhrase, SSIDn_Key,
SSIDn_Radius_Secret) are masked as labels in JSON and HTML unless --show-secrets, and shown in
the terminal unless --mask-secrets. Marks are always computed on the real values.

Exit status: 0 no line marked d_ or o_; 1 some line is; 2 trouble (bad arguments, an input
that cannot be read, an output that cannot be written, a file with no known section).)";

}  // namespace

namespace {

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
  compare->add_option("--format", options.format, "Output format: side, marked or json")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, Format>{
              {"side", Format::kSide}, {"marked", Format::kMarked}, {"json", Format::kJson}},
          CLI::ignore_case));
  compare->add_option("-W,--width", width, "Total width of the side-by-side view")
      ->check(CLI::Range(std::size_t{20}, std::size_t{10000}));
  compare->add_flag("--suppress-common-lines", options.suppressCommonLines,
                    "Side by side: hide settings that are the same");
  compare->add_flag("--truncate", options.truncate, "Side by side: cut long lines, do not wrap");
  compare
      ->add_option("--color", options.color,
                   "Colour: auto (a terminal, NO_COLOR unset, TERM not dumb), always or never")
      ->transform(
          CLI::CheckedTransformer(std::map<std::string, ColorMode>{{"auto", ColorMode::kAuto},
                                                                   {"always", ColorMode::kAlways},
                                                                   {"never", ColorMode::kNever}},
                                  CLI::ignore_case));
  compare->add_flag("--stat", options.stat,
                    "Print counts per section: same, different, only in one file, dropped");
  compare->add_flag("--explain", options.explain,
                    "Tell what was dropped or changed before comparing, and why");
  compare->add_option("--html", html, "Also write a self-contained HTML report to FILE")
      ->type_name("FILE");
  compare->add_flag("--show-secrets", options.showSecrets, "Show secret values in JSON and HTML");
  compare->add_flag("--mask-secrets", options.maskSecrets, "Mask secret values in the terminal");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "varnic: " << e.what() << "\nRun 'varnic --help' for usage.\n";
    return kExitTrouble;
  }
  if (!save.empty()) options.save = {save[0], save[1]};
  if (!html.empty()) options.html = html;
  if (width != 0) options.width = width;
  try {
    return varnic::cli::RunCompare(options, varnic::cli::CTerminal::FromProcess(), std::cin,
                                   std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "varnic: " << e.what() << "\n";
    return kExitTrouble;
  }
}

}  // namespace

int main(int argc, char** argv) {
  varnic::cli::os::UseBinaryStdout();  // piped marked results are the bytes --save writes
  try {
    return Run(argc, argv);
  } catch (...) {
    std::cerr << "varnic: out of memory\n";
    return varnic::cli::kExitTrouble;
  }
}
