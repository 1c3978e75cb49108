#include "engine/text_compare.h"

#include <system_error>

#include "engine/align.h"
#include "engine/text_file.h"

namespace varnic {

bool CTextCompare::ReadFiles(const std::string& path1, const std::string& path2) {
  std::error_code error;
  return ReadLines(path1, raw1_, error) && ReadLines(path2, raw2_, error);
}

void CTextCompare::ReadTexts(std::string_view text1, std::string_view text2) {
  SplitLines(text1, raw1_);
  SplitLines(text2, raw2_);
}

bool CTextCompare::WriteFiles(const std::string& path1, int& count1, const std::string& path2,
                              int& count2) const {
  count1 = static_cast<int>(result1_.size());
  count2 = static_cast<int>(result2_.size());
  std::error_code error;
  return WriteFileBytes(path1, JoinLinesCrLf(result1_), error) &&
         WriteFileBytes(path2, JoinLinesCrLf(result2_), error);
}

void CTextCompare::AlignAndMark() {
  BuildKeyGroups();
  OrderMultiSSIDGroups();
  CLineList aligned1;
  CLineList aligned2;
  BuildAlignedList(raw1_, aligned1);
  BuildAlignedList(raw2_, aligned2);
  MarkAlignedLists(aligned1, aligned2, result1_, result2_);
}

void CTextCompare::BuildKeyGroups() { keyGroups_ = varnic::BuildKeyGroups(raw1_, raw2_); }

void CTextCompare::OrderMultiSSIDGroups() { varnic::OrderMultiSSIDGroups(keyGroups_); }

void CTextCompare::BuildAlignedList(const CLineList& normalized, CLineList& aligned) const {
  varnic::BuildAlignedList(normalized, keyGroups_, aligned);
}

bool CTextCompare::FindKeyValue(const CLineList& normalized, std::string_view key,
                                std::string_view header, std::string& value) {
  return varnic::FindKeyValue(normalized, key, header, value);
}

}  // namespace varnic
