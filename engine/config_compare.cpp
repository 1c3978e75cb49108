#include "engine/config_compare.h"

#include "macfilter/mac_filter.h"
#include "model/emit_normalized.h"
#include "model/split_sections.h"
#include "rules/filter.h"
#include "rules/reconcile.h"

namespace varnic {

CConfigCompare::CConfigCompare() : rules_(BuiltInRuleLists()) {}

bool CConfigCompare::LoadFiles(const std::string& path1, std::int32_t nType1,
                               const std::string& path2, std::int32_t nType2) {
  nType1_ = nType1;
  nType2_ = nType2;
  return ReadFiles(path1, path2);
}

void CConfigCompare::LoadTexts(std::string_view text1, std::int32_t nType1, std::string_view text2,
                               std::int32_t nType2) {
  nType1_ = nType1;
  nType2_ = nType2;
  ReadTexts(text1, text2);
}

void CConfigCompare::CompareFiles() {
  SplitIntoSections(raw1_, buckets1_);
  SplitIntoSections(raw2_, buckets2_);
  if (nType1_ != nType2_) {
    ReconcileBands(nType1_, buckets1_, buckets2_, observer_);
    ReconcileSections(nType1_, buckets1_, buckets2_, rules_, observer_);
  }
  FilterSections(buckets1_, buckets2_, rules_, observer_);
  CompareMacFilterLists(buckets1_, buckets2_, observer_);
  EmitNormalizedLines(buckets1_, raw1_);
  EmitNormalizedLines(buckets2_, raw2_);
  AlignAndMark();
}

}  // namespace varnic
