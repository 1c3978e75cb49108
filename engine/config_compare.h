#ifndef VARNIC_ENGINE_CONFIG_COMPARE_H_
#define VARNIC_ENGINE_CONFIG_COMPARE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/comparison.h"

namespace varnic {

// The comparison behind the component's three calls: load two files, compare, save the two
// marked results. Each load begins a new comparison; a compare without a new load compares the
// normalized files of the last comparison again.
class CConfigCompare {
 public:
  // Stores both types (even when the load then fails) and reads both files, dropping everything
  // of an earlier comparison first. False when either file cannot be opened or read; the whole
  // lines read before the failure stay loaded.
  bool LoadFiles(const std::string& path1, std::int32_t nType1, const std::string& path2,
                 std::int32_t nType2);
  // The same from bytes already read.
  void LoadTexts(std::string_view text1, std::int32_t nType1, std::string_view text2,
                 std::int32_t nType2);

  // Runs the whole pipeline; no stage's outcome stops it.
  void CompareFiles();

  // Sets the counts to the result lengths (0 before any compare) before touching any file, then
  // writes both results, every line ended by CR LF. False when either file cannot be created or
  // written; both are replaced together or neither is (see CStagedFiles), so a failure leaves
  // the files as they were.
  // Refuses (false, nothing written, counts untouched) when OutputsAreSafe does not hold.
  bool WriteFiles(const std::string& path1, int& count1, const std::string& path2,
                  int& count2) const;
  // False when the two outputs are one file, or either is a file the last LoadFiles read, by any
  // spelling: the save would destroy a result or a backup. Devices and pipes are always safe.
  bool OutputsAreSafe(const std::string& path1, const std::string& path2) const;

  std::int32_t Type1() const { return nType1_; }
  std::int32_t Type2() const { return nType2_; }
  // The bytes loaded for the next compare.
  std::string_view Loaded1() const { return text1_; }
  std::string_view Loaded2() const { return text2_; }
  // The last comparison, if any.
  const CComparison* Comparison() const { return comparison_ ? &*comparison_ : nullptr; }
  // The marked results of the last comparison, line by line; empty before any compare.
  std::vector<std::string> Result1() const;
  std::vector<std::string> Result2() const;

 private:
  std::int32_t nType1_ = 0;
  std::int32_t nType2_ = 0;
  std::string text1_;
  std::string text2_;
  std::string path1_;  // of the last LoadFiles; empty after LoadTexts
  std::string path2_;
  std::optional<CComparison> comparison_;
};

}  // namespace varnic

#endif  // VARNIC_ENGINE_CONFIG_COMPARE_H_
