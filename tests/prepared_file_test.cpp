// A baseline analysed once must compare as if it were read afresh for every pair: the same rows,
// and the same changes in the same order (reports find lines by their place in the file).
#include "engine/prepared_file.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/pair_generator.h"
#include "varnic/compare.h"
#include "varnic/lines.h"
#include "varnic/marked.h"

namespace varnic {
namespace {

// A view's place: its offset in the file it points into, or its bytes when it is elsewhere (an
// arena's renumbered line).
std::string Where(std::string_view view, const CComparison& c) {
  for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
    const std::string_view text = c.Text(side);
    if (view.data() >= text.data() && view.data() + view.size() <= text.data() + text.size()) {
      return std::to_string(static_cast<int>(side)) + "@" +
             std::to_string(view.data() - text.data()) + "+" + std::to_string(view.size());
    }
  }
  return "=" + std::string(view);
}

constexpr std::array kShapes = {pairgen::Shape::kRealistic, pairgen::Shape::kMacList,
                                pairgen::Shape::kUnknownSections, pairgen::Shape::kNoEquals,
                                pairgen::Shape::kManySsids};

// The generated pairs of 150 lines of each shape, seeds 1 to `seeds`, appended to `files`: both
// files of each, or the first alone.
void AddGenerated(std::vector<std::string>& files, std::uint64_t seeds, bool both) {
  for (const pairgen::Shape shape : kShapes) {
    for (std::uint64_t seed = 1; seed <= seeds; ++seed) {
      pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 150, seed);
      files.push_back(std::move(pair.first));
      if (both) files.push_back(std::move(pair.second));
    }
  }
}

std::vector<std::string> Described(const CComparison& c) {
  std::vector<std::string> out{MarkedText(c, FileSide::kFile1), MarkedText(c, FileSide::kFile2),
                               std::to_string(c.LinesRead(FileSide::kFile1)),
                               std::to_string(c.LinesRead(FileSide::kFile2))};
  for (const CChange& change : c.Changes().Changes()) {
    std::string line = std::to_string(static_cast<int>(change.kind)) + " " +
                       std::to_string(static_cast<int>(change.file)) + " " +
                       (change.section ? std::to_string(static_cast<int>(*change.section)) : "-") +
                       " " + Where(change.line, c);
    if (change.kind == ChangeKind::kFiltered) {
      for (const std::uint16_t rule : c.Changes().RuleSet(change))
        line += " r" + std::to_string(rule);
    }
    if (change.kind == ChangeKind::kRenumbered)
      line += " -> " + Where(c.Changes().After(change), c);
    out.push_back(std::move(line));
  }
  return out;
}

TEST(PreparedFile, ComparesAsTheFileReadAfresh) {
  const std::vector<std::pair<std::string, std::string>> written = {
      // Filtered on both sides, a header given twice, an unknown section, a line before any.
      {"x=1\n[System]\nDHCPclient=Enable\nIP=1.2.3.4\n[Odd]\nq=1\n[System]\nDHCPclient=Enable\n"
       "IP=1.2.3.4\nMask=255.0.0.0\n",
       "[System]\nDHCPclient=Disable\nIP=1.2.3.5\nMask=255.0.0.0\n"},
      // A MAC list renumbered in file 1 because file 2 shares an address.
      {"[2.4GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add3=00:00:00:00:00:01\n"
       "filter_mac_add7=00:00:00:00:00:02\n",
       "[2.4GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=00:00:00:00:00:02\n"},
      {"", "[System]\nIP=1\n"},
  };
  std::vector<std::pair<std::string, std::string>> pairs = written;
  for (const pairgen::Shape shape : kShapes) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 200, seed);
      pairs.emplace_back(std::move(pair.first), std::move(pair.second));
    }
  }
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const auto& [first, second] = pairs[i];
    const std::shared_ptr<const CPreparedFile> prepared = CPreparedFile::Make({first, 0});
    const std::shared_ptr<const CPreparedFile> prepared2 = CPreparedFile::Make({second, 0});
    // The same prepared file for several pairs and types, as a fleet uses it.
    for (const auto& [type1, type2] :
         {std::pair{0, 0}, std::pair{1, 1}, std::pair{0, 1}, std::pair{1, 0}, std::pair{0, 0}}) {
      const std::vector<std::string> fresh = Described(Compare({first, type1}, {second, type2}));
      EXPECT_EQ(Described(Compare(prepared, type1, {second, type2})), fresh)
          << "pair " << i << ", types " << type1 << " and " << type2;
      EXPECT_EQ(Described(Compare(prepared, type1, prepared2, type2)), fresh)
          << "pair " << i << ", both prepared, types " << type1 << " and " << type2;
    }
  }
}

// A file derived from another by replacing some of its lines.
struct CDerivation {
  std::string text;
  std::vector<CReplacedLine> replaced;
};

// `base` with the lines `rng` picks replaced: their values changed to values the rules test, now
// and then their key or the whole line, a header among them (which Derive must refuse to reuse).
CDerivation Derived(std::string_view base, std::mt19937_64& rng) {
  static const std::vector<std::string> kValues = {
      "",       "Enable", "Disable", "*",   "WPA2-Personal", "Open System",
      "Accept", "Reject", "1",       "x\r", "{{ v }}",       "10.0.0.1"};
  static const std::vector<std::string> kLines = {"DHCPclient=Enable",
                                                  "Telnet_option=Disable",
                                                  "auth_type=WPA-Personal",
                                                  "filter_mac_acl=Accept",
                                                  "Multi_Status=Enable",
                                                  "no equals",
                                                  "[System]",
                                                  "[Odd]",
                                                  ""};
  CDerivation out;
  std::size_t start = 0;
  while (start < base.size()) {
    const std::size_t lf = base.find('\n', start);
    const std::size_t end = lf == std::string_view::npos ? base.size() : lf + 1;
    const std::string_view line = base.substr(start, end - start);
    std::size_t bodySize = line.size() - (line.ends_with("\r\n") ? 2
                                          : line.ends_with('\n') ? 1
                                                                 : 0);
    const std::string_view body = line.substr(0, bodySize);
    const std::string_view ending = line.substr(bodySize);
    const std::size_t eq = body.find('=');
    if (rng() % 8 == 0) {
      std::string replacement;
      if (eq != std::string_view::npos && rng() % 4 != 0) {
        replacement = std::string(body.substr(0, eq + 1)) + kValues[rng() % kValues.size()];
      } else {
        replacement = kLines[rng() % kLines.size()];
      }
      replacement += ending;
      out.replaced.push_back({start, line.size(), out.text.size(), replacement.size()});
      out.text += replacement;
    } else {
      out.text += line;
    }
    start = end;
  }
  return out;
}

TEST(PreparedFile, DerivedAnalysisIsTheFreshOne) {
  std::mt19937_64 rng(19);
  std::vector<std::string> bases = {
      "[System]\nDHCPclient=Enable\nIP=1\n[Odd]\nq=1\n[System]\nDHCPclient=Disable\nMask=1\n"
      "Telnet_option=Enable\nIsSSH=1",
      "a=1\r\n[5GHz_SecuritySettings]\r\nauth_type=Open System\r\nwep_status=Enable\r\nkey1=k\r\n",
  };
  AddGenerated(bases, 2, /*both=*/false);
  const std::string other = pairgen::GeneratePair(pairgen::Shape::kRealistic, 150, 7).second;
  for (std::size_t i = 0; i < bases.size(); ++i) {
    const std::shared_ptr<const CPreparedFile> base = CPreparedFile::Make({bases[i], 0});
    for (int round = 0; round < 12; ++round) {
      const CDerivation derived = Derived(bases[i], rng);
      const std::shared_ptr<const CPreparedFile> analysed =
          CPreparedFile::Derive(base, {derived.text, 0}, derived.replaced);
      ASSERT_EQ(analysed->Text(), derived.text);
      for (const auto& [type1, type2] : {std::pair{0, 0}, std::pair{1, 0}}) {
        for (const std::string& second : {other, bases[i]}) {
          EXPECT_EQ(Described(Compare(analysed, type1, {second, type2})),
                    Described(Compare({derived.text, type1}, {second, type2})))
              << "base " << i << ", round " << round << ", types " << type1 << " and " << type2;
        }
      }
    }
  }
  // Lines that are not whole lines, or bytes between them that differ, are analysed afresh.
  const std::string base = "[System]\nDHCPclient=Enable\nIP=1\n";
  const std::string text = "[System]\nDHCPclient=Disable\nIP=2\n";
  for (const std::vector<CReplacedLine>& replaced :
       {std::vector<CReplacedLine>{{9, 18, 9, 19}}, std::vector<CReplacedLine>{{9, 10, 9, 10}},
        std::vector<CReplacedLine>{{9, 18, 9, 19}, {27, 5, 28, 4}}, std::vector<CReplacedLine>{},
        std::vector<CReplacedLine>{{9, 18, 9, 19}, {27, 5, 28, 5}}}) {
    EXPECT_EQ(Described(Compare(
                  CPreparedFile::Derive(CPreparedFile::Make({base, 0}), {text, 0}, replaced), 0,
                  {base, 0})),
              Described(Compare({text, 0}, {base, 0})));
  }
}

// `base` edited as a fix edits a device, and more: lines set (often to values the rules test),
// removed, added after a line (a header or a line without "=" among them), sections appended.
std::string Edited(std::string_view base, std::mt19937_64& rng) {
  static const std::vector<std::string> kValues = {
      "", "Enable", "Disable", "*", "WPA2-Personal", "Open System", "Accept", "1", "x"};
  static const std::vector<std::string> kLines = {"DHCPclient=Disable",
                                                  "Telnet_option=Enable",
                                                  "SSID1_Security=WPA2-Personal",
                                                  "filter_mac_acl=Reject",
                                                  "Multi_Status=Enable",
                                                  "no equals",
                                                  "[System]",
                                                  "[Odd]",
                                                  "Gateway=10.0.0.1",
                                                  "SSID1_Status=Enable",
                                                  "auth_type=Open System"};
  static const std::vector<std::string> kAppended = {
      "[5GHz_MultiSSID]\nSSID1_Status=Enable\nSSID1_Security=WEP\n",
      "[2.4GHz_Filter]\r\nfilter_mac_acl=Accept\r\n", "[System]\nIP=1\n"};
  std::string out;
  std::size_t start = 0;
  while (start < base.size()) {
    const std::size_t lf = base.find('\n', start);
    const std::size_t end = lf == std::string_view::npos ? base.size() : lf + 1;
    const std::string_view line = base.substr(start, end - start);
    const std::string_view body = line.substr(0, line.find_first_of("\r\n"));
    const std::string_view ending = line.substr(body.size());
    const std::size_t eq = body.find('=');
    switch (rng() % 12) {
      case 0:
        if (eq != std::string_view::npos) {
          out.append(body.substr(0, eq + 1)).append(kValues[rng() % kValues.size()]).append(ending);
        }
        break;
      case 1:
        break;  // removed
      case 2:
        out.append(line);
        if (ending.empty()) out += '\n';
        out.append(kLines[rng() % kLines.size()]).append("\n");
        break;
      default:
        out.append(line);
    }
    start = end;
  }
  if (rng() % 3 == 0) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += kAppended[rng() % kAppended.size()];
  }
  return out;
}

TEST(PreparedFile, RevisedAnalysisIsTheFreshOne) {
  std::mt19937_64 rng(23);
  std::vector<std::string> bases = {
      "",
      "[System]\nDHCPclient=Enable\nIP=1\n[Odd]\nq=1\n[System]\nDHCPclient=Disable\nMask=1\n"
      "Telnet_option=Enable\nIsSSH=1",
      "a=1\r\n[5GHz_SecuritySettings]\r\nauth_type=Open System\r\nwep_status=Enable\r\n",
  };
  AddGenerated(bases, 2, /*both=*/true);
  const std::string other = pairgen::GeneratePair(pairgen::Shape::kRealistic, 150, 7).second;
  for (std::size_t i = 0; i < bases.size(); ++i) {
    const std::shared_ptr<const CPreparedFile> base = CPreparedFile::Make({bases[i], 0});
    // Edited once and again (a fix's rounds), and one wholly other file.
    std::vector<std::string> texts = {bases[(i + 1) % bases.size()], bases[i]};
    for (int round = 0; round < 10; ++round) {
      texts.push_back(Edited(round % 2 == 0 ? bases[i] : texts.back(), rng));
    }
    const std::shared_ptr<const CPreparedFile> first = CPreparedFile::Make({other, 0});
    for (std::size_t t = 0; t < texts.size(); ++t) {
      const std::shared_ptr<const CPreparedFile> revised =
          CPreparedFile::Revise(*base, {texts[t], 0});
      ASSERT_EQ(revised->Text(), texts[t]);
      for (const auto& [type1, type2] : {std::pair{0, 0}, std::pair{1, 0}}) {
        EXPECT_EQ(Described(Compare(first, type1, revised, type2)),
                  Described(Compare({other, type1}, {texts[t], type2})))
            << "base " << i << ", text " << t << ", types " << type1 << " and " << type2;
      }
      // Against its own base, as an audit compares each device with the baseline it revised.
      EXPECT_EQ(Described(Compare(base, 0, revised, 0)),
                Described(Compare({bases[i], 0}, {texts[t], 0})))
          << "base " << i << ", text " << t << " against its base";
      // A revised analysis serves as file 1 and as the base of another as well.
      EXPECT_EQ(Described(Compare(CPreparedFile::Revise(*revised, {bases[i], 0}), 0, {other, 0})),
                Described(Compare({bases[i], 0}, {other, 0})))
          << "base " << i << ", back from text " << t;
    }
  }
}

bool AllAlike(const CComparison& c) {
  for (const CSectionRows& rows : c.Sections()) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows.kind(i) != RowKind::kSame) return false;
    }
  }
  return true;
}

// `text` with two neighbouring settings swapped, each line ended by LF: the order a fix keeps.
std::string Swapped(const std::string& text, std::mt19937_64& rng) {
  CLines lines = SplitLines(text);
  const auto setting = [](std::string_view line) {
    return line.find('=') != std::string_view::npos && !line.starts_with('[');
  };
  for (int attempt = 0; attempt < 20 && lines.size() > 1; ++attempt) {
    const std::size_t i = rng() % (lines.size() - 1);
    if (setting(lines[i]) && setting(lines[i + 1])) {
      std::swap(lines[i], lines[i + 1]);
      break;
    }
  }
  std::string out;
  for (const std::string_view line : lines) out.append(line).append("\n");
  return out;
}

// Two files that keep the same lines are alike wherever compared, however their bytes differ
// elsewhere: a fix's check trusts this instead of comparing.
TEST(PreparedFile, KeepingTheSameLinesMeansAlike) {
  std::mt19937_64 rng(29);
  // Addresses given twice and numbers written with a leading zero: both lists are rewritten. A
  // key held twice, whose order decides which line is compared.
  std::vector<std::string> bases = {
      "[2.4GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add3=00:00:00:00:00:01\n"
      "filter_mac_add07=00:00:00:00:00:01\nfilter_mac_add1=00:00:00:00:00:02\nnote\n",
      "[5GHz_WirelessSettings]\nzz=1\nzz=2\nyy=3\n"};
  AddGenerated(bases, 1, /*both=*/true);
  std::size_t alikeElsewhereUnequal = 0;
  for (std::size_t i = 0; i < bases.size(); ++i) {
    const std::shared_ptr<const CPreparedFile> file1 = CPreparedFile::Make({bases[i], 0});
    std::vector<std::string> texts = {bases[i], bases[i] + "\n[Odd]\nq=1\n", "x=1\n" + bases[i]};
    for (int round = 0; round < 30; ++round) {
      texts.push_back(Edited(bases[i], rng));
      texts.push_back(Swapped(round % 2 == 0 ? bases[i] : texts[texts.size() - 2], rng));
    }
    for (std::size_t t = 0; t < texts.size(); ++t) {
      const std::shared_ptr<const CPreparedFile> file2 = CPreparedFile::Make({texts[t], 0});
      if (!file1->KeepsSameLines(*file2)) continue;
      EXPECT_TRUE(AllAlike(Compare(file1, 0, file2, 0))) << "base " << i << ", text " << t;
      alikeElsewhereUnequal += texts[t] != bases[i] ? 1 : 0;
    }
  }
  EXPECT_GT(alikeElsewhereUnequal, bases.size());
}

}  // namespace
}  // namespace varnic
