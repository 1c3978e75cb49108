#include "cli/ignore_options.h"

#include <system_error>

#include "engine/text_file.h"
#include "report/terminal_text.h"

namespace varnic::cli {

bool LoadIgnores(std::span<const std::string> patterns, std::span<const std::string> files,
                 CIgnores& ignores, std::ostream& err) {
  std::string error;
  for (const std::string& pattern : patterns) {
    if (!ignores.list.Add(pattern, error)) {
      err << "varnic: --ignore '" << report::SafeText(pattern) << "': " << report::SafeText(error)
          << "\n";
      return false;
    }
  }
  ignores.files.assign(ignores.list.size(), std::string());
  for (const std::string& path : files) {
    std::string text;
    std::error_code readError;
    if (!ReadFileBytes(path, text, readError)) {
      err << "varnic: cannot read '" << report::SafeText(path) << "': " << readError.message()
          << "\n";
      return false;
    }
    if (!ignores.list.AddLines(text, error)) {
      err << "varnic: '" << report::SafeText(path) << "': " << report::SafeText(error) << "\n";
      return false;
    }
    ignores.files.resize(ignores.list.size(), path);
  }
  return true;
}

void WarnUnusedPatterns(const CIgnores& ignores, const report::CPatternUse& use,
                        std::string_view where, std::ostream& err) {
  for (const std::size_t i : use.Unused()) {
    const report::CPatternOrigin& origin = ignores.list.origin(i);
    err << "varnic: warning: ";
    if (ignores.files[i].empty()) {
      err << "--ignore '" << report::SafeText(origin.text) << "'";
    } else {
      err << "'" << report::SafeText(ignores.files[i]) << "' line " << origin.line << ": '"
          << report::SafeText(origin.text) << "'";
    }
    err << " matches no setting " << where << "\n";
  }
}

}  // namespace varnic::cli
