#include "cli/explain.h"

namespace varnic::cli {
namespace {

int FileNumber(FileSide file) { return static_cast<int>(file); }

std::string EntryKeyNumber(std::string_view line) {
  const std::size_t eq = line.find('=');
  const std::string_view key = line.substr(0, eq);
  const std::size_t digits = key.find_first_of("0123456789");
  return digits == std::string_view::npos ? std::string(key) : std::string(key.substr(digits));
}

}  // namespace

void CExplainCollector::OnLineFiltered(FileSide file, Section section, std::string_view line,
                                       const CLineList& rules) {
  // The conditions of the rules that matched tell a reader which settings made the line
  // irrelevant; their key lists (up to 257 keys) would only bury that.
  std::string detail;
  for (const std::string& rule : rules) {
    if (!detail.empty()) detail += "; ";
    detail += rule.substr(0, rule.find(':'));
  }
  explanations_.push_back({CExplanation::Kind::kFiltered, FileNumber(file),
                           std::string(SectionHeader(section)), std::string(line),
                           std::move(detail)});
}

void CExplainCollector::OnBandCleared(FileSide file, Band band) {
  explanations_.push_back({CExplanation::Kind::kBandCleared, FileNumber(file),
                           band == Band::k5GHz ? "5GHz" : "2.4GHz", "", ""});
}

void CExplainCollector::OnReconcileRemoved(FileSide file, Section section, std::string_view line) {
  explanations_.push_back({CExplanation::Kind::kReconcileRemoved, FileNumber(file),
                           std::string(SectionHeader(section)), std::string(line), ""});
}

void CExplainCollector::OnReconcileRestored(FileSide file, Section section, std::string_view line) {
  explanations_.push_back({CExplanation::Kind::kReconcileRestored, FileNumber(file),
                           std::string(SectionHeader(section)), std::string(line), ""});
}

void CExplainCollector::OnMacRenumbered(FileSide file, Section section, std::string_view before,
                                        std::string_view after) {
  explanations_.push_back({CExplanation::Kind::kRenumbered, FileNumber(file),
                           std::string(SectionHeader(section)), std::string(before),
                           std::string(after)});
}

std::string KindName(CExplanation::Kind kind) {
  switch (kind) {
    case CExplanation::Kind::kFiltered:
      return "filtered";
    case CExplanation::Kind::kBandCleared:
      return "band_cleared";
    case CExplanation::Kind::kReconcileRemoved:
      return "reconcile_removed";
    case CExplanation::Kind::kReconcileRestored:
      return "reconcile_restored";
    case CExplanation::Kind::kRenumbered:
      return "renumbered";
  }
  return "unknown";
}

std::string DescribeExplanation(const CExplanation& e) {
  const std::string file = "file " + std::to_string(e.file);
  switch (e.kind) {
    case CExplanation::Kind::kFiltered:
      return file + " " + e.section + ": dropped '" + e.line + "': not relevant under " + e.detail;
    case CExplanation::Kind::kBandCleared:
      return file + ": " + e.section +
             " band cleared: the other device type has no settings for it";
    case CExplanation::Kind::kReconcileRemoved:
      return file + " " + e.section + ": removed '" + e.line +
             "': the other device type's section lacks its key";
    case CExplanation::Kind::kReconcileRestored:
      return file + " " + e.section + ": restored '" + e.line +
             "': its own settings make it relevant";
    case CExplanation::Kind::kRenumbered:
      return file + " " + e.section + ": MAC address '" + e.line.substr(e.line.find('=') + 1) +
             "' renumbered " + EntryKeyNumber(e.line) + " -> " + EntryKeyNumber(e.detail);
  }
  return {};
}

}  // namespace varnic::cli
