// The regexp commands as scripts use them: a name entry checked against a pattern, a line
// of message text rewritten, a settings line split. Compiled patterns are cached, so the
// "Fresh" cases cycle through more patterns than the cache holds to show a compile's cost.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/regexp.h"
#include "platform/cp932.h"

namespace {

std::string line() {
  // About 1 KB of message text with the troublesome trail bytes in it.
  std::string one = platform::utf8ToCp932("表示ソ能予の名前は「ｱｲｳｴ」、日付は2024-12-07です。");
  std::string out;
  while (out.size() < 1024) out += one;
  return out;
}

void BM_MatchNameCached(benchmark::State& state) {
  const std::string name = platform::utf8ToCp932("ソウイチ");
  const std::string pattern = platform::utf8ToCp932("/^[ァ-ヶー]{1,8}$/");
  for (auto _ : state) benchmark::DoNotOptimize(core::regexpMatch(pattern, name));
}
BENCHMARK(BM_MatchNameCached);

void BM_MatchNameFresh(benchmark::State& state) {
  const std::string name = platform::utf8ToCp932("ソウイチ");
  std::vector<std::string> patterns;
  for (int i = 1; i <= 32; ++i)
    patterns.push_back(platform::utf8ToCp932("/^[ァ-ヶー]{1,") + std::to_string(i + 8) + "}$/");
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(core::regexpMatch(patterns[i++ % patterns.size()], name));
}
BENCHMARK(BM_MatchNameFresh);

void BM_SubstituteGlobalLine(benchmark::State& state) {
  const std::string text = line();
  for (auto _ : state) benchmark::DoNotOptimize(core::regexpSubstitute("s/(\\d+)-(\\d+)-(\\d+)/$3.$2.$1/g", text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SubstituteGlobalLine);

void BM_SplitSettingsLine(benchmark::State& state) {
  const std::string text = "800, 600, 32, 1, 0, 100, 75, 50, 25, 0";
  for (auto _ : state) benchmark::DoNotOptimize(core::regexpSplit("/\\s*,\\s*/", text));
}
BENCHMARK(BM_SplitSettingsLine);

void BM_SplitEveryCharacter(benchmark::State& state) {
  const std::string text = line();
  for (auto _ : state) benchmark::DoNotOptimize(core::regexpSplit("//", text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SplitEveryCharacter);

}  // namespace

BENCHMARK_MAIN();
