// Colour adjustments and resampling of CImageBuffer on the 5 MP test picture,
// in milliseconds per picture. `--write-picture=PATH` writes the picture as
// PPM for the peer comparison and exits.

#include "imaging/ImageBuffer.h"

#include "peers/PhotoPicture.h"
#include "peers/RepeatedRuns.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace tavrel::bench
{

namespace
{

using benchpicture::kHeight;
using benchpicture::kWidth;
using benchpicture::Photo;
using benchpicture::RowBytes;

void Configure(benchmark::internal::Benchmark* b)
{
    benchpicture::ConfigureRepeated(b, 7);
}

// Runs op on a fresh copy of the picture each iteration; the copy is not timed.
template <typename Op> void RunOnPicture(benchmark::State& state, Op op)
{
    const auto& photo = Photo();
    CImageBuffer buffer;
    for (auto _ : state)
    {
        state.PauseTiming();
        if (!buffer.IsValid() || buffer.GetWidth() != kWidth || buffer.GetHeight() != kHeight)
            buffer.CreateFromArray(photo.data(), kWidth, kHeight, 24, RowBytes(kWidth));
        else
            std::memcpy(buffer.GetBits(0), photo.data(), photo.size());
        state.ResumeTiming();
        op(buffer);
        benchmark::ClobberMemory();
    }
}

void BM_Memcpy(benchmark::State& state)
{
    const auto& photo = Photo();
    std::vector<std::uint8_t> out(photo.size());
    for (auto _ : state)
    {
        std::memcpy(out.data(), photo.data(), photo.size());
        benchmark::ClobberMemory();
    }
}

void BM_Saturate(benchmark::State& state)
{
    RunOnPicture(state, [](CImageBuffer& b) { b.Saturate(30, 2); });
}

void BM_Light(benchmark::State& state)
{
    RunOnPicture(state, [](CImageBuffer& b) { b.Light(12, 20); });
}

void BM_ShiftRGB(benchmark::State& state)
{
    RunOnPicture(state, [](CImageBuffer& b) { b.ShiftRGB(6, -4, 9); });
}

void BM_Adjust(benchmark::State& state)
{
    RunOnPicture(state, [](CImageBuffer& b) { b.Adjust(30, 12, 20, 6, -4, 9); });
}

void BM_AdjustInTurn(benchmark::State& state)
{
    RunOnPicture(state,
                 [](CImageBuffer& b)
                 {
                     b.Saturate(30, 2);
                     b.Light(12, 20);
                     b.ShiftRGB(6, -4, 9);
                 });
}

void BM_Resample2x(benchmark::State& state)
{
    const auto& photo = Photo();
    for (auto _ : state)
    {
        state.PauseTiming();
        CImageBuffer buffer;
        buffer.CreateFromArray(photo.data(), kWidth, kHeight, 24, RowBytes(kWidth));
        state.ResumeTiming();
        buffer.Resample(2 * kWidth, 2 * kHeight, 1);
        benchmark::ClobberMemory();
        state.PauseTiming();
        buffer.Destroy();
        state.ResumeTiming();
    }
}

void BM_ResampleTo640(benchmark::State& state)
{
    const auto& photo = Photo();
    for (auto _ : state)
    {
        state.PauseTiming();
        CImageBuffer buffer;
        buffer.CreateFromArray(photo.data(), kWidth, kHeight, 24, RowBytes(kWidth));
        state.ResumeTiming();
        buffer.Resample(640, 480, 1);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_Memcpy)->Apply(Configure);
BENCHMARK(BM_Saturate)->Apply(Configure);
BENCHMARK(BM_Light)->Apply(Configure);
BENCHMARK(BM_ShiftRGB)->Apply(Configure);
BENCHMARK(BM_Adjust)->Apply(Configure);
BENCHMARK(BM_AdjustInTurn)->Apply(Configure);
BENCHMARK(BM_Resample2x)->Apply(Configure);
BENCHMARK(BM_ResampleTo640)->Apply(Configure);

} // namespace tavrel::bench

int main(int argc, char** argv)
{
    return tavrel::benchpicture::BenchmarkMain(argc, argv);
}
