// A baseline analysed once must compare as if it were read afresh for every pair: the same rows,
// and the same changes in the same order (reports find lines by their place in the file).
#include "engine/prepared_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "bench/pair_generator.h"
#include "varnic/compare.h"
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
  for (const pairgen::Shape shape :
       {pairgen::Shape::kRealistic, pairgen::Shape::kMacList, pairgen::Shape::kUnknownSections,
        pairgen::Shape::kNoEquals, pairgen::Shape::kManySsids}) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 200, seed);
      pairs.emplace_back(std::move(pair.first), std::move(pair.second));
    }
  }
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const auto& [first, second] = pairs[i];
    const std::shared_ptr<const CPreparedFile> prepared = CPreparedFile::Make({first, 0});
    // The same prepared file for several pairs and types, as a fleet uses it.
    for (const auto& [type1, type2] :
         {std::pair{0, 0}, std::pair{1, 1}, std::pair{0, 1}, std::pair{1, 0}, std::pair{0, 0}}) {
      EXPECT_EQ(Described(Compare(prepared, type1, {second, type2})),
                Described(Compare({first, type1}, {second, type2})))
          << "pair " << i << ", types " << type1 << " and " << type2;
    }
  }
}

}  // namespace
}  // namespace varnic
