#ifndef VARNIC_CLI_COMPARE_COMMAND_H_
#define VARNIC_CLI_COMPARE_COMMAND_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varnic::cli {

// Exit statuses, as diff has them.
inline constexpr int kExitSame = 0;
inline constexpr int kExitDifferent = 1;
inline constexpr int kExitTrouble = 2;

enum class Format { kAuto, kSide, kChanges, kMarked, kJson, kBrief, kGithub, kRemediation };
enum class ColorMode { kAuto, kAlways, kNever };

struct CCompareOptions {
  std::string file1;  // "-" reads standard input
  std::string file2;
  std::int32_t type1 = 0;
  std::int32_t type2 = 0;
  bool typesAuto = false;           // choose the types from the files
  bool typesAutoByDefault = false;  // no type was given: say so only when the files are reconciled
  std::optional<std::pair<std::string, std::string>> save;
  bool quiet = false;
  bool strict = false;                   // a setting not compared that differs is a difference
  std::vector<std::string> ignores;      // [Section]key patterns
  std::vector<std::string> ignoreFiles;  // files of patterns, one per line

  Format format = Format::kAuto;  // side on a terminal, changes otherwise
  std::optional<std::size_t> width;
  bool suppressCommonLines = false;
  bool truncate = false;
  ColorMode color = ColorMode::kAuto;
  bool stat = false;
  bool explain = false;
  std::optional<std::string> html;
  bool showSecrets = false;  // in JSON and HTML, where secrets are masked by default
  bool maskSecrets = false;  // in the terminal view, where secrets are shown by default

  // FILE1 as a golden template, rendered against FILE2 before the comparison.
  bool golden = false;                    // --template, or implied by --vars
  std::optional<std::string> vars;        // the inventory
  std::optional<std::string> device;      // FILE2's name in it, instead of its file name
  std::optional<std::string> writeFixed;  // FILE2 brought to FILE1, written here
};

// The side view's width, as -W takes it; COLUMNS and the terminal's width are held to it too.
inline constexpr std::size_t kMinWidth = 20;
inline constexpr std::size_t kMaxWidth = 10000;
std::size_t ClampWidth(std::size_t width);
// COLUMNS as the view takes it: a positive whole number, held to the range above; nothing for
// anything else (unset, empty, a sign, letters).
std::optional<std::size_t> ColumnsFrom(const char* value);

// What the command knows of where its output goes, read once from the process.
struct CTerminal {
  bool stdoutIsTerminal = false;
  std::optional<std::size_t> terminalWidth;
  std::optional<std::size_t> columnsVariable;  // COLUMNS, see ColumnsFrom
  bool noColor = false;                        // NO_COLOR is set and not empty
  bool dumbTerminal = false;                   // TERM is "dumb"

  static CTerminal FromProcess();
};

// Loads, compares, saves and reports as the options say. Returns the exit status.
int RunCompare(const CCompareOptions& options, const CTerminal& terminal, std::istream& in,
               std::ostream& out, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_COMPARE_COMMAND_H_
