// Saving and loading a scan-sized picture in each format, and the reduced
// JPEG decode used for thumbnails.

#include "imaging/codecs/ImageCodec.h"
#include "imaging/codecs/Thumbnail.h"
#include "imaging/cwimage/dib/Dib.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace tavrel::bench
{

namespace
{

CDib& Scan()
{
    static CDib pic;
    if (!pic.HasPixels())
    {
        pic.Create(2592, 1944, 24, 300);
        unsigned state = 5;
        for (int y = 0; y < pic.Height(); ++y)
            for (int x = 0; x < pic.Width() * 3; ++x)
            {
                state = state * 1664525u + 1013904223u;
                pic.Row(y)[x] = std::uint8_t(60 + x / 60 + y / 20 + ((state >> 24) & 15));
            }
    }
    return pic;
}

std::string BenchPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("tavrel-codec-bench-") + name))
        .string();
}

void BM_Save(benchmark::State& state, const char* name, std::uint32_t code)
{
    const std::string path = BenchPath(name);
    for (auto _ : state)
        benchmark::DoNotOptimize(Scan().SaveFile(path, code));
    std::remove(path.c_str());
}

void BM_Load(benchmark::State& state, const char* name, std::uint32_t code)
{
    const std::string path = BenchPath(name);
    Scan().SaveFile(path, code);
    CDib pic;
    for (auto _ : state)
        benchmark::DoNotOptimize(pic.LoadFile(path));
    std::remove(path.c_str());
}

void BM_JpegThumbnail(benchmark::State& state)
{
    const std::string path = BenchPath("thumb.jpg");
    Scan().SaveFile(path, kFormatJpeg95);
    CDib pic;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadThumbnail(path, pic, 160, 120));
    std::remove(path.c_str());
}

void BM_WriteTiff48(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::string path = BenchPath("w48.tif");
        benchmark::DoNotOptimize(
            WriteTiff48(path, Scan().Width(), Scan().Height(), 24, Scan().Pixels()));
    }
    std::remove(BenchPath("w48.tif").c_str());
}

} // namespace

BENCHMARK_CAPTURE(BM_Save, jpeg95, "s.jpg", kFormatJpeg95)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, tiff_lzw, "s.tif", 0x01000002)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, bmp, "s.bmp", kFormatBmp)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, jpeg95, "l.jpg", kFormatJpeg95)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, tiff_lzw, "l.tif", 0x01000002)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, bmp, "l.bmp", kFormatBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTiff48)->Unit(benchmark::kMillisecond);

} // namespace tavrel::bench

BENCHMARK_MAIN();
