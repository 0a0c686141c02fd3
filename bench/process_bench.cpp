// The processing chain on the 5 MP test picture, capture flavour, in
// milliseconds per picture: full mode with every adjustment non-zero, the
// same with double resolution, and one live-preview frame to 640 wide.

#include "imaging/ImageProfile.h"
#include "imaging/ProcessingChain.h"
#include "imaging/cwimage/dib/Dib.h"

#include "peers/AdjustedProfile.h"
#include "peers/PhotoPicture.h"
#include "peers/RepeatedRuns.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavrel::bench
{

namespace
{

using benchpicture::kHeight;
using benchpicture::kWidth;
using benchpicture::Photo;
using benchpicture::PrepareAdjusted;
using benchpicture::RowBytes;

void Configure(benchmark::internal::Benchmark* b)
{
    benchpicture::ConfigureRepeated(b, 5);
}

void FillPicture(CDib& picture)
{
    const auto& photo = Photo();
    picture.Free();
    picture.Create(kWidth, kHeight, 24, 300);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(picture.Row(y), photo.data() + std::size_t(y) * RowBytes(kWidth),
                    std::size_t(kWidth) * 3);
}

void RunFull(benchmark::State& state, int doubleResolution)
{
    CImageProfile profile(ProfileFlavour::Capture);
    PrepareAdjusted(profile, doubleResolution);
    CDib picture;
    for (auto _ : state)
    {
        state.PauseTiming();
        FillPicture(picture);
        state.ResumeTiming();
        benchmark::DoNotOptimize(profile.ProcessImage(0, picture));
        benchmark::ClobberMemory();
    }
    if (picture.Width() != (doubleResolution ? 2 : 1) * kWidth)
        state.SkipWithError("unexpected result size");
}

void BM_ProcessImageFull(benchmark::State& state)
{
    RunFull(state, 0);
}

void BM_ProcessImageFullDouble(benchmark::State& state)
{
    RunFull(state, 1);
}

void BM_PreviewFrame640(benchmark::State& state)
{
    CImageProfile profile(ProfileFlavour::Capture);
    PrepareAdjusted(profile, 1);
    profile.rotate = 1;
    CDib frame;
    FillPicture(frame);
    for (auto _ : state)
    {
        auto shown = MakePreviewFrame(profile, frame, FrameMargins{}, 640);
        benchmark::DoNotOptimize(shown.get());
    }
}

} // namespace

BENCHMARK(BM_ProcessImageFull)->Apply(Configure);
BENCHMARK(BM_ProcessImageFullDouble)->Apply(Configure);
BENCHMARK(BM_PreviewFrame640)->Apply(Configure);

} // namespace tavrel::bench

BENCHMARK_MAIN();
