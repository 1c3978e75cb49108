#ifndef VARNIC_REPORT_REASONS_H_
#define VARNIC_REPORT_REASONS_H_

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "report/file_settings.h"
#include "varnic/comparison.h"

namespace varnic::report {

// Why a stage set `change.line` aside, in the words of the settings that decided it: "SSID2 is
// disabled: SSID2_Status=Disable", "WEP keys are not used while auth_type=WPA2-Personal", "not
// compared while DHCPclient=Disable". No rule notation: a reader knows settings, not rules.
std::string ReasonFor(const CChange& change, const CChangeLog& log, const CFileSettings& settings);

// ReasonFor over many lines: a large pair sets aside most of its lines, and their words depend
// only on the file, the section, the setting that governs the key (and for a few keys a class of
// the key, such as its SSID number). Lines that share those share one text, formed once and
// kept in `texts`; a line costs a classification and a look-up, not a string.
class CReasons {
 public:
  // All three must outlive the object; the views it hands out point into `texts`.
  CReasons(const CChangeLog& log, const CFileSettings& settings, std::deque<std::string>& texts)
      : log_(log), settings_(settings), texts_(texts) {}

  // ReasonFor(change, log, settings), kept once per distinct text.
  std::string_view For(const CChange& change);
  // `text` kept once: the same view for the same text.
  std::string_view Keep(std::string text);

  // What the words of a line's reason depend on besides the file and the section.
  struct CClass {
    ChangeKind kind = ChangeKind::kFiltered;
    FileSide file = FileSide::kFile1;
    Section section = Section::kSystem;
    std::uint8_t tag = 0;             // a class of the key the wording looks at
    std::string_view part{};          // the part of the key the wording quotes (an SSID number)
    const char* governing = nullptr;  // the governing key, by address in the rule tables
    std::uint32_t governingSize = 0;
    std::uint32_t ruleSet = 0;  // the matched rules, where no governing key speaks
    bool operator==(const CClass&) const = default;
  };

 private:
  struct CHash {
    std::size_t operator()(const CClass& c) const;
  };
  const CChangeLog& log_;
  const CFileSettings& settings_;
  std::deque<std::string>& texts_;
  std::unordered_map<CClass, std::string_view, CHash> byClass_;
  std::unordered_map<std::string, std::string_view> byText_;
  // Lines of one bucket come in runs of one class: the last answer is tried first.
  CClass last_{};
  std::string_view lastText_{};
  bool hasLast_ = false;
};

}  // namespace varnic::report

#endif  // VARNIC_REPORT_REASONS_H_
