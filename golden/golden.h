#ifndef VARNIC_GOLDEN_GOLDEN_H_
#define VARNIC_GOLDEN_GOLDEN_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/prepared_file.h"
#include "golden/inventory.h"
#include "golden/template.h"

namespace varnic::golden {

// A golden template and the inventory that fills it, loaded once for a run and shared read-only
// by every device it is rendered for.
class CGolden {
 public:
  // Parses the template `bytes` of `path` and reads the inventory `varsPath` (none when empty).
  // False, with a message naming the file and the reason. A `literal` file is no template: its
  // bytes are its rendering for every device.
  bool Load(const std::string& path, std::string_view bytes, const std::string& varsPath,
            std::string& error, bool literal = false);
  // Replaces the inventory with the one `bytes` hold, read by the caller from `path`. False,
  // with a message naming the file and the line, when it is malformed.
  bool SetInventory(const std::string& path, std::string_view bytes, std::string& error);

  // The intended file of the device known by the first of `names` the inventory holds, its
  // matchers rendered against `deviceText` (null: left as their text).
  bool RenderFor(const std::vector<std::string>& names, const std::string* deviceText,
                 CRendered& rendered, std::string& error) const;
  // The same with the device as a view; `rendered`'s buffers are reused.
  bool RenderFor(const std::vector<std::string>& names, const std::string_view* deviceText,
                 CRendered& rendered, std::string& error) const;

  // `rendered`'s text, taken over, analysed from the template's own analysis, made once: a
  // rendering differs from it in the lines a device fills only.
  std::shared_ptr<const CPreparedFile> Analyse(CRendered& rendered) const;

  const CTemplate& Template() const { return template_; }

 private:
  CTemplate template_;
  std::optional<CInventory> inventory_;
  std::vector<std::pair<std::size_t, std::size_t>> writtenLines_;  // CRendered::filled
  std::shared_ptr<const CPreparedFile> written_;  // the template rendered as written, analysed
};

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_GOLDEN_H_
