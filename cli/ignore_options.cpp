#include "cli/ignore_options.h"

#include <system_error>

#include "engine/text_file.h"
#include "report/terminal_text.h"

namespace varnic::cli {

bool LoadIgnores(std::span<const std::string> patterns, std::span<const std::string> files,
                 CIgnoreList& ignores, std::ostream& err) {
  std::string error;
  for (const std::string& pattern : patterns) {
    if (!ignores.Add(pattern, error)) {
      err << "varnic: --ignore '" << SafeText(pattern) << "': " << SafeText(error) << "\n";
      return false;
    }
  }
  for (const std::string& path : files) {
    std::string text;
    std::error_code readError;
    if (!ReadFileBytes(path, text, readError)) {
      err << "varnic: cannot read '" << SafeText(path) << "': " << readError.message() << "\n";
      return false;
    }
    if (!ignores.AddLines(text, error)) {
      err << "varnic: '" << SafeText(path) << "': " << SafeText(error) << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace varnic::cli
