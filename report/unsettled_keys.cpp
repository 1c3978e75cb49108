#include "report/unsettled_keys.h"

#include <algorithm>

#include "report/file_settings.h"

namespace varnic::report {
namespace {

// Lines of one file set aside are tried this far ahead for the next line of the other: an edit
// that sets one more line aside in one file then costs the lines it shifts, not the section.
constexpr std::size_t kResync = 4;
// Keys looked for one by one up to this many; in a hash set beyond.
constexpr std::size_t kFewKeys = 4;

}  // namespace

void CUnsettledKeys::Clear(Section section) {
  section_ = section;
  for (std::vector<std::string_view>& lines : lines_) lines.clear();
  keys_.clear();
  set_.reset();
}

bool CUnsettledKeys::Find(const CSectionRows* rows) {
  limit_ = (lines_[0].size() + lines_[1].size()) / 2;
  return AddUnmatched() && (rows == nullptr || AddUnpaired(*rows));
}

bool CUnsettledKeys::Contains(std::string_view key) {
  if (keys_.size() <= kFewKeys) return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
  if (!set_) {
    set_.emplace(keys_.size());
    for (const std::string_view k : keys_) set_->Insert(k);
  }
  return set_->Contains(key);
}

std::string_view CUnsettledKeys::KeyOf(std::string_view line) const {
  return CFileSettings::MatchKey(section_, line);
}

bool CUnsettledKeys::Add(std::string_view line) {
  keys_.push_back(KeyOf(line));
  return keys_.size() <= limit_;
}

// Lines are matched in order, equal bytes to equal bytes, and the key of each line left
// unmatched is added: a key whose lines are all matched has, in each file, the same lines set
// aside in the same order.
bool CUnsettledKeys::AddUnmatched() {
  const std::vector<std::string_view>& a = lines_[0];
  const std::vector<std::string_view>& b = lines_[1];
  partner_.assign(a.size(), kUnmatched);
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] == b[j]) {
      partner_[i++] = static_cast<std::uint32_t>(j++);
      continue;
    }
    std::size_t skipA = 0;  // lines of one file passed over to meet the other's next
    std::size_t skipB = 0;
    for (std::size_t d = 1; d <= kResync && skipA + skipB == 0; ++d) {
      if (i + d < a.size() && a[i + d] == b[j]) {
        skipA = d;
      } else if (j + d < b.size() && a[i] == b[j + d]) {
        skipB = d;
      }
    }
    if (skipA + skipB == 0) skipA = skipB = 1;  // a line each that differs
    for (; skipA > 0; --skipA) {
      if (!Add(a[i++])) return false;
    }
    for (; skipB > 0; --skipB) {
      if (!Add(b[j++])) return false;
    }
  }
  for (; i < a.size(); ++i) {
    if (!Add(a[i])) return false;
  }
  for (; j < b.size(); ++j) {
    if (!Add(b[j])) return false;
  }
  return true;
}

bool CUnsettledKeys::AddUnpaired(const CSectionRows& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (RowSharesKey(rows, i)) continue;
    const auto left = rows.BucketLine(i, FileSide::kFile1);
    const auto right = rows.BucketLine(i, FileSide::kFile2);
    if ((left && !Add(*left)) || (right && !Add(*right))) return false;
  }
  return true;
}

}  // namespace varnic::report
