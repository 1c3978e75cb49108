#include "varnic/comparison.h"

#include <algorithm>

#include "engine/align.h"
#include "engine/comparison_state.h"
#include "model/emit_normalized.h"
#include "rules/primitives.h"

namespace varnic {
CRow CSectionRows::operator[](std::size_t i) const {
  const CPair& pair = pairs_[i];
  CRow row{section_, {}, std::nullopt, std::nullopt, pair.kind};
  row.left = ComparedLine(i, FileSide::kFile1);
  row.right = ComparedLine(i, FileSide::kFile2);
  row.key = GetItemKey(row.left ? *row.left : *row.right);
  return row;
}

CComparison::CComparison(std::unique_ptr<CState> state) : state_(std::move(state)) {}
CComparison::CComparison(CComparison&&) noexcept = default;
CComparison& CComparison::operator=(CComparison&&) noexcept = default;
CComparison::~CComparison() = default;

std::int32_t CComparison::Type(FileSide side) const { return state_->types[SideIndex(side)]; }

std::string_view CComparison::Text(FileSide side) const { return state_->bytes[SideIndex(side)]; }

std::size_t CComparison::LinesRead(FileSide side) const { return state_->lines[SideIndex(side)]; }

const CSectionBuckets& CComparison::Buckets(FileSide side) const {
  return state_->buckets[SideIndex(side)];
}

bool CComparison::HasNoSettings(FileSide side) const { return HasNoLines(Buckets(side)); }

const std::vector<CSectionRows>& CComparison::Sections() const { return state_->sections; }

const CChangeLog& CComparison::Changes() const { return state_->log; }

bool CComparison::HasDifferences() const {
  return std::any_of(Sections().begin(), Sections().end(), [](const CSectionRows& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows.kind(i) != RowKind::kSame) return true;
    }
    return false;
  });
}

std::size_t CComparison::ResultLineCount() const {
  std::size_t count = 0;
  for (const CSectionRows& rows : Sections()) count += 1 + rows.size();
  return count;
}

}  // namespace varnic
