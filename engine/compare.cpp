#include "varnic/compare.h"

#include "engine/align.h"
#include "engine/comparison_state.h"
#include "macfilter/mac_filter.h"
#include "model/split_sections.h"
#include "rules/filter.h"
#include "rules/reconcile.h"

namespace varnic {

CComparison Compare(CInput input1, CInput input2, CCompareObserver* observer) {
  auto state = std::make_unique<CComparison::CState>();
  state->Take(0, input1);
  state->Take(1, input2);
  state->types = {input1.type, input2.type};
  state->log = CChangeLog(observer);
  CChangeLog& log = state->log;
  auto& [file1, file2] = state->buckets;

  for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
    const std::size_t i = SideIndex(side);
    CSplitFile split = SplitIntoSections(state->bytes[i], side, log);
    state->buckets[i] = std::move(split.buckets);
    state->lines[i] = split.lines;
  }
  if (input1.type != input2.type) {
    ReconcileBands(input1.type, file1, file2, log);
    ReconcileSections(input1.type, file1, file2, log);
  }
  FilterSections(file1, file2, log);
  return MatchAndAlign(std::move(state));
}

CComparison MatchAndAlign(std::unique_ptr<CComparison::CState> state) {
  auto& [file1, file2] = state->buckets;
  CompareMacFilterLists(file1, file2, state->arena, state->log);
  state->sections = AlignSections(file1, file2, state->log, state->leftPasses);
  state->log.DetachObserver();
  return CComparison(std::move(state));
}

}  // namespace varnic
