// Cost of one whole comparison, from bytes in memory to the marked results, on the bundled
// examples and on generated pairs of every shape: a realistic pair at growing sizes and the
// hostile shapes, whose time must grow no faster than n log n.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "bench/pair_generator.h"
#include "varnic/compare.h"
#include "varnic/marked.h"

namespace {

using varnic::pairgen::GeneratedPair;
using varnic::pairgen::Shape;

std::string ReadExample(const char* name) {
  std::ifstream in(std::string(VARNIC_SOURCE_DIR "/examples/") + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Counts the bytes of both marked results without keeping them: what a save costs, less the disk.
struct CCountingSink {
  std::size_t bytes = 0;
  void Append(std::string_view text) { bytes += text.size(); }
};

void CompareAndRender(benchmark::State& state, const std::string& text1, const std::string& text2,
                      varnic::CCompareObserver* observer = nullptr) {
  for (auto _ : state) {
    const varnic::CComparison comparison = varnic::Compare({text1, 0}, {text2, 0}, observer);
    CCountingSink sink;
    varnic::RenderMarked(comparison, varnic::FileSide::kFile1, sink);
    varnic::RenderMarked(comparison, varnic::FileSide::kFile2, sink);
    benchmark::DoNotOptimize(sink.bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text1.size() + text2.size()));
}

void BM_CompareExamples(benchmark::State& state) {
  CompareAndRender(state, ReadExample("ap-before.cfg"), ReadExample("ap-after.cfg"));
}
BENCHMARK(BM_CompareExamples);

// The same with an observer that ignores every change: what streaming costs the engine.
class CIgnoringObserver : public varnic::CCompareObserver {
 public:
  void OnChange(const varnic::CChange& /*change*/, const varnic::CChangeLog& /*log*/) override {}
};

void BM_CompareExamplesObserved(benchmark::State& state) {
  CIgnoringObserver observer;
  CompareAndRender(state, ReadExample("ap-before.cfg"), ReadExample("ap-after.cfg"), &observer);
}
BENCHMARK(BM_CompareExamplesObserved);

void BM_CompareGenerated(benchmark::State& state, Shape shape) {
  const GeneratedPair pair =
      varnic::pairgen::GeneratePair(shape, static_cast<std::size_t>(state.range(0)));
  CompareAndRender(state, pair.first, pair.second);
  state.SetComplexityN(state.range(0));
}

BENCHMARK_CAPTURE(BM_CompareGenerated, realistic, Shape::kRealistic)
    ->Arg(250)
    ->Arg(20'000)
    ->Arg(200'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompareGenerated, unique_keys, Shape::kUniqueKeys)
    ->RangeMultiplier(4)
    ->Range(10'000, 160'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompareGenerated, one_key, Shape::kOneKey)
    ->RangeMultiplier(4)
    ->Range(10'000, 160'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompareGenerated, mac_list, Shape::kMacList)
    ->RangeMultiplier(4)
    ->Range(10'000, 160'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompareGenerated, unknown_sections, Shape::kUnknownSections)
    ->RangeMultiplier(4)
    ->Range(10'000, 160'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompareGenerated, no_equals, Shape::kNoEquals)
    ->RangeMultiplier(4)
    ->Range(10'000, 160'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompareGenerated, many_ssids, Shape::kManySsids)
    ->RangeMultiplier(4)
    ->Range(10'000, 160'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
