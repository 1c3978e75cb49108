#ifndef VARNIC_GOLDEN_TEMPLATE_H_
#define VARNIC_GOLDEN_TEMPLATE_H_

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "golden/inventory.h"
#include "golden/matcher.h"

namespace varnic::golden {

// A matcher the device's value did not satisfy: its line keeps the rule's text, so the
// comparison shows a difference that names it.
struct CFailedRule {
  std::string section;  // the header line as written, "[System]"
  std::string key;
  std::string rule;                        // "one_of 1 6 11"
  std::optional<std::string> singleValue;  // what a repair can write, when the rule allows one
  std::size_t line = 0;                    // in the golden file, from 1
};

struct CRendered {
  std::string text;  // the intended file of one device
  std::vector<CFailedRule> failed;
  // Where the lines a device fills are in `text` (offset, size, the line end included), in order:
  // every other byte is the template's own, the same for every device.
  std::vector<std::pair<std::size_t, std::size_t>> filled;

  void Clear() {
    text.clear();
    failed.clear();
    filled.clear();
  }
};

// A golden file whose values may be "{{ name }}" (a variable of the device, anywhere in a value)
// or "{{ matcher }}" (the whole value). "\{{" is a literal "{{". Only setting values are read;
// headers and other lines pass through. Parsed once; rendered per device.
class CTemplate {
 public:
  // False, with "FILE:LINE: reason" in `error`, on an unknown matcher, a malformed rule or an
  // unclosed "{{". A `literal` file is taken as it is, braces and all.
  bool Parse(std::string path, std::string_view bytes, std::string& error, bool literal = false);

  bool UsesVariables() const { return usesVariables_; }
  // The template as a device that fills each line with the rule's or variable's own text would
  // have it: where the lines a device fills are, every rendering holds the same bytes.
  void RenderAsWritten(CRendered& rendered) const;
  bool IsTemplate() const { return templated_; }

  // The golden file for `device`: variables from `variables` (null: no inventory row), matchers
  // rendered against `deviceText` (null: none is, each keeps its text). False, with the reason
  // naming the variable, the device and the file, when a variable has no value.
  bool Render(const CVariables* variables, const std::string& deviceName,
              const std::string& inventoryPath, const std::string* deviceText, CRendered& rendered,
              std::string& error) const;
  // The same with the device as a view. `rendered` is cleared, and its buffers are reused: a
  // fleet renders into one per thread.
  bool Render(const CVariables* variables, const std::string& deviceName,
              const std::string& inventoryPath, const std::string_view* deviceText,
              CRendered& rendered, std::string& error) const;

 public:
  // Keys by section header, each found by a view.
  using CRuleKeys = std::map<std::string, std::set<std::string, std::less<>>, std::less<>>;

 private:
  struct CPart {
    std::string text;  // literal bytes, or the variable's name
    bool variable = false;
    std::shared_ptr<const CMatcher> matcher;
  };
  struct CLine {
    std::string head;  // the whole line, or a setting's "key="
    std::vector<CPart> parts;
    std::string tail;  // the line end
    std::string section;
    std::string key;  // a setting's key, when a matcher tests its value
    std::size_t number = 0;
    bool templated = false;
  };
  // The template as rendered: the bytes no device changes, joined, each run followed by the line
  // a variable or matcher fills (none after the last run). A file is mostly such bytes.
  struct CPiece {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::string literal;
    std::size_t line = kNone;  // in lines_
  };

  // Appends the pieces in order to `rendered`, noting where each filled line is; `write` appends
  // one part of a line, or refuses (false, and so does this).
  template <typename WritePart>
  bool RenderPieces(CRendered& rendered, WritePart write) const;

  std::string path_;
  std::vector<CLine> lines_;
  std::vector<CPiece> pieces_;
  std::size_t bytes_ = 0;  // the template's size, about that of each rendering
  CRuleKeys ruleKeys_;     // the settings the rules test
  bool usesVariables_ = false;
  bool templated_ = false;
  bool usesMatchers_ = false;
};

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_TEMPLATE_H_
