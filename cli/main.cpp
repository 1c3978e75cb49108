#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/compare_command.h"

int main(int argc, char** argv) {
  using varnic::cli::kExitTrouble;
  CLI::App app{"varnic: compare two configuration backups of a dual-band access point"};
  app.set_version_flag("--version", "varnic 0.1.0");
  app.require_subcommand(1);

  varnic::cli::CCompareOptions options;
  std::vector<std::string> save;
  CLI::App* compare = app.add_subcommand(
      "compare", "Compare FILE1 with FILE2. Exit status: 0 same, 1 different, 2 trouble.");
  compare->add_option("FILE1", options.file1, "First backup")->required();
  compare->add_option("FILE2", options.file2, "Second backup")->required();
  compare->add_option("--type1", options.type1, "Device type of FILE1 (any 32-bit integer)");
  compare->add_option("--type2", options.type2, "Device type of FILE2 (any 32-bit integer)");
  compare->add_option("--save", save, "Write the two marked results to OUT1 and OUT2")
      ->expected(2)
      ->type_name("OUT1 OUT2");
  compare->add_flag("-q,--quiet", options.quiet, "Print nothing; report by exit status only");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "varnic: " << e.what() << "\nRun 'varnic --help' for usage.\n";
    return kExitTrouble;
  }
  if (!save.empty()) options.save = {save[0], save[1]};
  try {
    return varnic::cli::RunCompare(options, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "varnic: " << e.what() << "\n";
    return kExitTrouble;
  }
}
