#ifndef VARNIC_ENGINE_COMPARISON_STATE_H_
#define VARNIC_ENGINE_COMPARISON_STATE_H_

#include <array>
#include <memory>
#include <string_view>
#include <utility>

#include "engine/align.h"
#include "model/text_arena.h"
#include "varnic/compare.h"
#include "varnic/comparison.h"

namespace varnic {

// Everything a comparison owns, on the heap so that views into it survive a move of the value.
struct CComparison::CState {
  std::array<std::string, 2> texts;
  std::array<std::shared_ptr<const void>, 2> owners;  // of bytes not in `texts`
  std::array<std::string_view, 2> bytes;              // what each file held
  std::array<std::int32_t, 2> types{};
  std::array<std::size_t, 2> lines{};
  std::array<CSectionBuckets, 2> buckets;
  CTextArena arena;
  CChangeLog log;
  std::vector<CSectionRows> sections;
  // File 1's halves of the alignment, made beforehand (a prepared file's, which `owners` keeps).
  const CLeftPasses* leftPasses = nullptr;

  // Holds `input`'s bytes as file `i`'s: a mapped or shared buffer is kept alive, a string moved.
  void Take(std::size_t i, CInput& input) {
    if (input.owner) {
      owners[i] = std::move(input.owner);
      bytes[i] = input.view;
    } else {
      texts[i] = std::move(input.text);
      bytes[i] = texts[i];
    }
  }
};

// The last stages of every comparison, on its filtered buckets: MAC filter lists matched by
// address, sections aligned, the observer let go.
CComparison MatchAndAlign(std::unique_ptr<CComparison::CState> state);

}  // namespace varnic

#endif  // VARNIC_ENGINE_COMPARISON_STATE_H_
