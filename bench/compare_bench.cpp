// Cost of one whole comparison, from bytes in memory to marked results, on the bundled examples
// and on a large synthetic pair (full MAC lists, every SSID).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "engine/config_compare.h"

namespace {

std::string ReadExample(const char* name) {
  std::ifstream in(std::string(VARNIC_SOURCE_DIR "/examples/") + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string LargeConfig(int shift) {
  std::string text = "[System]\nUsername=admin\nDHCPclient=Disable\nMask=255.255.255.0\n";
  for (const char* band : {"5GHz", "2.4GHz"}) {
    text += std::string("[") + band + "_Filter]\nfilter_mac_acl=Accept\n";
    for (int n = 1; n <= 256; ++n) {
      text += "filter_mac_add" + std::to_string(n) +
              "=00:00:00:00:" + std::to_string((n + shift) % 256) + "\n";
    }
    text += std::string("[") + band + "_MultiSSIDSettings]\nMulti_Status=Enable\n";
    for (int s = 1; s <= 7; ++s) {
      const std::string p = "SSID" + std::to_string(s);
      text += p + "_Status=Enable\n" + p + "_Security=WPA2-Personal\n" + p + "_Ssid=net" +
              std::to_string(s + shift) + "\n" + p + "_PassPhrase=secret\n";
    }
  }
  return text;
}

void Compare(benchmark::State& state, const std::string& text1, const std::string& text2) {
  for (auto _ : state) {
    varnic::CConfigCompare engine;
    engine.LoadTexts(text1, 0, text2, 0);
    engine.CompareFiles();
    benchmark::DoNotOptimize(engine.Result1().data());
  }
}

void BM_CompareExamples(benchmark::State& state) {
  Compare(state, ReadExample("ap-before.cfg"), ReadExample("ap-after.cfg"));
}
BENCHMARK(BM_CompareExamples);

void BM_CompareFullLists(benchmark::State& state) {
  Compare(state, LargeConfig(0), LargeConfig(3));
}
BENCHMARK(BM_CompareFullLists);

// The same comparison with an observer that ignores every report: what --explain costs the
// engine beyond the observer's own work.
void BM_CompareExamplesObserved(benchmark::State& state) {
  const std::string text1 = ReadExample("ap-before.cfg");
  const std::string text2 = ReadExample("ap-after.cfg");
  varnic::CCompareObserver observer;
  for (auto _ : state) {
    varnic::CConfigCompare engine;
    engine.SetObserver(&observer);
    engine.LoadTexts(text1, 0, text2, 0);
    engine.CompareFiles();
    benchmark::DoNotOptimize(engine.Result1().data());
  }
}
BENCHMARK(BM_CompareExamplesObserved);

void BM_ConstructEngine(benchmark::State& state) {
  for (auto _ : state) {
    varnic::CConfigCompare engine;
    benchmark::DoNotOptimize(&engine);
  }
}
BENCHMARK(BM_ConstructEngine);

}  // namespace

BENCHMARK_MAIN();
