#pragma once
// Benchmarks report the minimum and median of repeated runs in milliseconds,
// wall time, so they compare with the peers' figures taken the same way.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace tavrel::benchpicture
{

inline double Min(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

inline void ConfigureRepeated(benchmark::internal::Benchmark* b, int repetitions)
{
    b->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime()
        ->Repetitions(repetitions)
        ->ComputeStatistics("min", Min)
        ->ReportAggregatesOnly(true);
}

} // namespace tavrel::benchpicture
