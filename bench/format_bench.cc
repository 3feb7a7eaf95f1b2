// SPDX-License-Identifier: MIT
// Cost of one line of the report's data table, "(5X, I3, 2X, 4F12.3, 3X, F10.6)": with the format
// parsed once (as the report does) and, for comparison, parsed again for every line.
#include <benchmark/benchmark.h>

#include <vector>

#include "util/fortran_format.h"

namespace {

using velmor::util::FortranFormat;
using velmor::util::FortranValue;

constexpr const char* kRowFormat = "(5X, I3, 2X, 4F12.3, 3X, F10.6)";

std::vector<FortranValue> row_values(int i) {
  const double t = 0.5 * i;
  return {i, t, 100.0, 37.125 + 0.001 * i, 37.1187 + 0.001 * i, -0.006325};
}

void BM_TableLineParsedOnce(benchmark::State& state) {
  const FortranFormat format(kRowFormat);
  const std::vector<FortranValue> values = row_values(123);
  for (auto _ : state) {
    benchmark::DoNotOptimize(format.write(values));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TableLineParsedOnce);

void BM_TableLineParsedEachTime(benchmark::State& state) {
  const std::vector<FortranValue> values = row_values(123);
  for (auto _ : state) {
    benchmark::DoNotOptimize(velmor::util::fortran_write(kRowFormat, values));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TableLineParsedEachTime);

}  // namespace

BENCHMARK_MAIN();
