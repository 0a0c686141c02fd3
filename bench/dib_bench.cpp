// Picture operations on a scan-sized frame (2592 × 1944) against one memcpy
// pass over the same data.

#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tavrel::bench
{

namespace
{

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;

// Smooth gradients with film grain, so the data is not trivially compressible.
void FillScan(CDib& pic)
{
    unsigned state = 17;
    const int channels = pic.BitsPerPixel() / 8;
    for (int y = 0; y < pic.Height(); ++y)
    {
        std::uint8_t* row = pic.Row(y);
        for (int x = 0; x < pic.Width() * channels; ++x)
        {
            state = state * 1664525u + 1013904223u;
            const int grain = int((state >> 24) & 31) - 16;
            const int v = 40 + (x / channels) * 150 / kWidth + y * 50 / kHeight + grain;
            row[x] = std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
}

const CDib& Scan(int bpp)
{
    static CDib colour, grey;
    CDib& pic = bpp == 24 ? colour : grey;
    if (!pic.HasPixels())
    {
        pic.Create(kWidth, kHeight, bpp, 300);
        FillScan(pic);
    }
    return pic;
}

void Report(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

void BM_MemcpyBaseline(benchmark::State& state)
{
    const CDib& src = Scan(24);
    std::vector<std::uint8_t> dst(src.PixelBytes());
    for (auto _ : state)
    {
        std::memcpy(dst.data(), src.Pixels(), src.PixelBytes());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    Report(state, src.PixelBytes());
}

void BM_InvertInPlace(benchmark::State& state)
{
    CDib pic(Scan(24));
    for (auto _ : state)
        benchmark::DoNotOptimize(pic.Invert(nullptr, 0, 0, 0, 0));
    Report(state, pic.PixelBytes());
}

void BM_RotateHalfTurn(benchmark::State& state)
{
    CDib src(Scan(24));
    CDib dst;
    dst.Create(kWidth, kHeight, 24, 300);
    for (auto _ : state)
        benchmark::DoNotOptimize(src.Rotate(&dst, 3, 0));
    Report(state, src.PixelBytes());
}

void BM_Crop(benchmark::State& state)
{
    CDib src(Scan(24));
    CDib dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(src.Crop(&dst, 100, 80, kWidth - 100, kHeight - 80));
    Report(state, src.PixelBytes());
}

void BM_ShrinkBy4(benchmark::State& state)
{
    CDib src(Scan(24));
    CDib dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(src.ShrinkByFactor(&dst, 4));
    Report(state, src.PixelBytes());
}

void BM_ConvertToGrey(benchmark::State& state)
{
    CDib src(Scan(24));
    CDib dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(src.ConvertToGrey(&dst, 0));
    Report(state, src.PixelBytes());
}

void BM_FlipVertical(benchmark::State& state)
{
    CDib src(Scan(24));
    CDib dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(src.FlipVertical(&dst));
    Report(state, src.PixelBytes());
}

void BM_GreyToRgb(benchmark::State& state)
{
    CDib grey;
    CDib colour(Scan(24));
    colour.ConvertToGrey(&grey, 0);
    CDib dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(grey.GreyToRgb(&dst));
    Report(state, std::size_t(kWidth) * kHeight * 3);
}

} // namespace

BENCHMARK(BM_MemcpyBaseline)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_InvertInPlace)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_RotateHalfTurn)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_Crop)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_ShrinkBy4)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_ConvertToGrey)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_FlipVertical)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_GreyToRgb)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();

} // namespace tavrel::bench

// --row-threads=N caps the row bands at N threads (default: one per core).
int main(int argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--row-threads=", 14) == 0)
            tavrel::SetRowBandThreads(std::atoi(argv[i] + 14));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
