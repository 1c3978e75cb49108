#ifndef VARNIC_ENGINE_TEXT_COMPARE_H_
#define VARNIC_ENGINE_TEXT_COMPARE_H_

#include <string>
#include <string_view>
#include <vector>

#include "model/line_list.h"

namespace varnic {

// Two files and their two marked results, with no knowledge of configuration sections.
class CTextCompare {
 public:
  CTextCompare() = default;
  virtual ~CTextCompare() = default;
  CTextCompare(const CTextCompare&) = delete;
  CTextCompare& operator=(const CTextCompare&) = delete;

  // Appends the lines of both files to the raw line lists. False when either file cannot be
  // opened or read; the lines read before the failure stay.
  bool ReadFiles(const std::string& path1, const std::string& path2);
  // Appends the lines held in two byte strings, split as ReadFiles splits files.
  void ReadTexts(std::string_view text1, std::string_view text2);

  // Sets the counts to the result lists' lengths before touching any file, then writes both
  // results, every line ended by CR LF. False when either file cannot be created or written.
  bool WriteFiles(const std::string& path1, int& count1, const std::string& path2,
                  int& count2) const;

  // Rebuilds both result lists from the two normalized line lists held in the raw line lists.
  void AlignAndMark();
  void BuildKeyGroups();
  void OrderMultiSSIDGroups();
  void BuildAlignedList(const CLineList& normalized, CLineList& aligned) const;
  static bool FindKeyValue(const CLineList& normalized, std::string_view key,
                           std::string_view header, std::string& value);

  const CLineList& RawLines1() const { return raw1_; }
  const CLineList& RawLines2() const { return raw2_; }
  const CLineList& Result1() const { return result1_; }
  const CLineList& Result2() const { return result2_; }
  const std::vector<CLineList>& KeyGroups() const { return keyGroups_; }

 protected:
  CLineList raw1_;
  CLineList raw2_;
  CLineList result1_;
  CLineList result2_;
  // Each group: a section name, then its keys in first-met order.
  std::vector<CLineList> keyGroups_;
};

}  // namespace varnic

#endif  // VARNIC_ENGINE_TEXT_COMPARE_H_
