// The still conversion of a full 2592 x 1944 frame, and the steps from a
// press to the stored picture in still mode: conversion, processing,
// hand-over (with encoding and writing on the manager's side) measured on
// the simulated scanner's frame.
#include "capture/Yuy2Converter.h"
#include "imaging/ImageProfile.h"
#include "imaging/ProcessingChain.h"
#include "imaging/cwimage/dib/Dib.h"
#include "shared/camera/SimulatedFrames.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <unistd.h>
#include <vector>

namespace tavrel::bench
{

namespace
{

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;

const std::vector<std::uint8_t>& SlideStill()
{
    static const std::vector<std::uint8_t> still =
        tavrel::RenderSlideYuy2(tavrel::SlideConditions{}, kWidth, kHeight);
    return still;
}

void BM_StillConversion(benchmark::State& state)
{
    const auto& src = SlideStill();
    std::vector<std::uint8_t> bgr(std::size_t(kWidth) * kHeight * 3);
    for (auto _ : state)
    {
        ConvertYuy2(src.data(), std::size_t(kWidth) * kHeight, bgr.data());
        benchmark::DoNotOptimize(bgr.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(src.size()));
}
BENCHMARK(BM_StillConversion)->Unit(benchmark::kMillisecond);

void BM_StillConversionTables(benchmark::State& state)
{
    const auto& src = SlideStill();
    const Yuy2Tables tables = BuildYuy2Tables();
    std::vector<std::uint8_t> bgr(std::size_t(kWidth) * kHeight * 3);
    for (auto _ : state)
    {
        ConvertYuy2Reference(src.data(), std::size_t(kWidth) * kHeight, bgr.data(), tables);
        benchmark::DoNotOptimize(bgr.data());
    }
}
BENCHMARK(BM_StillConversionTables)->Unit(benchmark::kMillisecond);

void BM_StillToDib(benchmark::State& state)
{
    const auto& src = SlideStill();
    for (auto _ : state)
    {
        CDib image;
        ConvertYuy2ToDib(src.data(), src.size(), kWidth, kHeight, image);
        benchmark::DoNotOptimize(image.Pixels());
    }
}
BENCHMARK(BM_StillToDib)->Unit(benchmark::kMillisecond);

// Processing as the capture thread runs it with the shipped positive
// profile and the shipped sensor geometry (crop 96/72 on each side).
void BM_StillProcessing(benchmark::State& state)
{
    const auto& src = SlideStill();
    CDib frame;
    ConvertYuy2ToDib(src.data(), src.size(), kWidth, kHeight, frame);
    CImageProfile profile(ProfileFlavour::Capture);
    const char* share = std::getenv("TAVREL_SHARE_DIR");
    if (share)
        profile.LoadProfile(std::string(share) + "/Positive.xml");
    for (auto _ : state)
    {
        CDib picture;
        MakeStillPicture(profile, frame, FrameMargins{96, 72, 96, 72}, 0, 0, picture);
        benchmark::DoNotOptimize(picture.Pixels());
    }
}
BENCHMARK(BM_StillProcessing)->Unit(benchmark::kMillisecond);

// The manager's share of the hand-over: JPEG at quality 95 and the write.
void BM_StoreJpeg(benchmark::State& state)
{
    const auto& src = SlideStill();
    CDib picture;
    ConvertYuy2ToDib(src.data(), src.size(), kWidth, kHeight, picture);
    char path[] = "/tmp/tavrel-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0)
        close(fd);
    for (auto _ : state)
        benchmark::DoNotOptimize(picture.SaveFile(path, 0x0200005F));
    unlink(path);
}
BENCHMARK(BM_StoreJpeg)->Unit(benchmark::kMillisecond);

} // namespace

} // namespace tavrel::bench

BENCHMARK_MAIN();
