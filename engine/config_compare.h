#ifndef VARNIC_ENGINE_CONFIG_COMPARE_H_
#define VARNIC_ENGINE_CONFIG_COMPARE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/text_compare.h"
#include "model/compare_observer.h"
#include "model/sections.h"
#include "rules/rule_lists.h"

namespace varnic {

// The access-point comparison: section buckets, relevance rules, band reconciliation and MAC
// filter matching ahead of the line alignment. Good for one comparison: a second load appends to
// what the first comparison left.
class CConfigCompare : public CTextCompare {
 public:
  CConfigCompare();
  ~CConfigCompare() override = default;

  // Stores both types (even when the load then fails) and reads both files.
  bool LoadFiles(const std::string& path1, std::int32_t nType1, const std::string& path2,
                 std::int32_t nType2);
  // The same from bytes already read.
  void LoadTexts(std::string_view text1, std::int32_t nType1, std::string_view text2,
                 std::int32_t nType2);

  // Runs the whole pipeline; no stage's outcome stops it.
  void CompareFiles();

  // Reports what the stages drop or change to `observer`, which must outlive the engine's use of
  // it; null detaches.
  void SetObserver(CCompareObserver* observer) { observer_ = observer; }

  std::int32_t Type1() const { return nType1_; }
  std::int32_t Type2() const { return nType2_; }
  const CSectionBuckets& Buckets1() const { return buckets1_; }
  const CSectionBuckets& Buckets2() const { return buckets2_; }
  const CRuleLists& RuleLists() const { return rules_; }

 private:
  std::int32_t nType1_ = 0;
  std::int32_t nType2_ = 0;
  const CRuleLists& rules_;
  CSectionBuckets buckets1_;
  CSectionBuckets buckets2_;
  CCompareObserver* observer_ = nullptr;
};

}  // namespace varnic

#endif  // VARNIC_ENGINE_CONFIG_COMPARE_H_
