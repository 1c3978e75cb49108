// The reasons in words that reports give for lines set aside are formed once per class of line
// and shared: on generated pairs of every shape, with equal and with reconciled device types,
// every line must get the very words it gets when its reason is formed for it alone.
#include "report/reasons.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "bench/pair_generator.h"
#include "report/file_settings.h"
#include "varnic/compare.h"

namespace varnic {
namespace {

TEST(CReasons, SharedReasonsAreTheWordsOfEachLine) {
  for (const pairgen::Shape shape : pairgen::AllShapes()) {
    const pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 3000);
    for (const auto& [type1, type2] : {std::pair{1, 1}, {0, 1}, {1, 0}}) {
      const CComparison comparison = Compare({pair.first, type1}, {pair.second, type2});
      const report::CFileSettings settings(comparison);
      std::deque<std::string> texts;
      report::CReasons reasons(comparison.Changes(), settings, texts);
      std::map<std::string, std::string_view, std::less<>> viewOf;
      for (const CChange& change : comparison.Changes().Changes()) {
        if (!change.section || change.kind == ChangeKind::kRenumbered ||
            change.kind == ChangeKind::kSuperseded || change.kind == ChangeKind::kUnknownSection) {
          continue;
        }
        const std::string_view shared = reasons.For(change);
        ASSERT_EQ(shared, report::ReasonFor(change, comparison.Changes(), settings))
            << pairgen::ShapeName(shape) << " types " << type1 << type2 << ": " << change.line;
        // One text, one view: renderers group lines by their reason's view first.
        const auto [known, added] = viewOf.try_emplace(std::string(shared), shared);
        EXPECT_EQ(known->second.data(), shared.data()) << shared;
      }
      EXPECT_EQ(texts.size(), viewOf.size()) << pairgen::ShapeName(shape);
    }
  }
}

}  // namespace
}  // namespace varnic
