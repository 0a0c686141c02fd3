// The restoration plug-in's steps and the lens correction on a 5 MP picture,
// and the capture program's still and preview chains with and without the
// restoration, in milliseconds per picture. --write-picture=PATH writes the
// grainy test picture (PPM) that the peer programs filter.

#include "imaging/FlatFieldMap.h"
#include "imaging/ImageProfile.h"
#include "imaging/ProcessingChain.h"
#include "imaging/cwimage/dib/Dib.h"
#include "plugins/Denoise.h"
#include "plugins/Restoration.h"
#include "shared/camera/SimulatedFrames.h"

#include "peers/PhotoPicture.h"
#include "peers/RepeatedRuns.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace tavrel::bench
{

namespace
{

using benchpicture::kHeight;
using benchpicture::kWidth;
using namespace tavrel::restoration;

void Configure(benchmark::internal::Benchmark* b)
{
    benchpicture::ConfigureRepeated(b, 5);
}

// The grainy photo, or the simulated scanner's frame of a colour negative
// through its light box (as the chain sees it: inverted).
void FillPhoto(CDib& picture)
{
    picture.Create(kWidth, kHeight, 24, 300);
    std::memcpy(picture.Pixels(), benchpicture::Photo().data(), picture.PixelBytes());
}

const CDib& Frame(HolderFilm film)
{
    static CDib frames[2];
    CDib& frame = frames[film == HolderFilm::None ? 1 : 0];
    if (!frame.HasPixels())
    {
        frame.Create(kWidth, kHeight, 24, 300);
        SlideConditions c;
        c.film = film;
        c.sensor = SensorFilmType::Negative;
        c.lightBox = true;
        RenderSlideRgb24(c, kWidth, kHeight, frame.Pixels(), std::size_t(frame.RowSize()));
    }
    return frame;
}

void FillInvertedNegative(CDib& picture)
{
    picture.CopyFrom(Frame(HolderFilm::Negative));
    picture.Invert(nullptr, 0, 0, kWidth, kHeight);
}

RestorationParams Block(const CDib& picture)
{
    RestorationParams block{};
    block.width = picture.Width();
    block.height = picture.Height();
    block.awbRegion = {200, picture.Width() - 200, 200, picture.Height() - 200};
    block.aeRegion = {0, picture.Width(), 0, picture.Height()};
    block.TargetY = 110;
    for (int i = 0; i < 256; ++i)
        block.gTable[i] = std::uint8_t(i);
    return block;
}

template <typename Fill, typename Work> void Run(benchmark::State& state, Fill fill, Work work)
{
    CDib picture;
    for (auto _ : state)
    {
        state.PauseTiming();
        fill(picture);
        state.ResumeTiming();
        work(picture);
        benchmark::ClobberMemory();
    }
}

void BM_Denoise(benchmark::State& state)
{
    Run(state, FillPhoto,
        [](CDib& p) {
            DenoisePicture({p.Pixels(), p.Width(), p.Height(), std::size_t(p.RowSize())}, {});
        });
}

// RestorePicture with the block's switches set by `ask`.
template <typename Fill, typename Ask>
void RunRestoration(benchmark::State& state, Fill fill, Ask ask)
{
    Run(state, fill,
        [&](CDib& p)
        {
            RestorationParams block = Block(p);
            ask(block);
            RestorePicture(block, p.Pixels());
        });
}

void BM_WhiteBalance(benchmark::State& state)
{
    RunRestoration(state, FillPhoto, [](RestorationParams& b) { b.AWB_En = 1; });
}

void BM_Exposure(benchmark::State& state)
{
    RunRestoration(state, FillPhoto, [](RestorationParams& b) { b.AE_En = 1; });
}

void AskNegative(RestorationParams& b)
{
    b.negative = 1;
    b.AWB_En = 1;
    b.AE_En = 1;
}

void BM_NegativeBalanceAndExposure(benchmark::State& state)
{
    RunRestoration(state, FillInvertedNegative, AskNegative);
}

void BM_WholeRestoration(benchmark::State& state)
{
    RunRestoration(state, FillInvertedNegative,
                   [](RestorationParams& b)
                   {
                       AskNegative(b);
                       b.denoiseSwitch = 1;
                   });
}

const FlatFieldMap& LensMap()
{
    static const FlatFieldMap map = *FlatFieldMap::FromBlankFrame(Frame(HolderFilm::None));
    return map;
}

void BM_FlatFieldMeasure(benchmark::State& state)
{
    const CDib& blank = Frame(HolderFilm::None);
    for (auto _ : state)
        benchmark::DoNotOptimize(FlatFieldMap::FromBlankFrame(blank));
}

void BM_FlatFieldApply(benchmark::State& state)
{
    LensMap();
    Run(
        state, [](CDib& p) { p.CopyFrom(Frame(HolderFilm::Negative)); },
        [](CDib& p) { LensMap().Apply(p); });
}

// The capture program's profiles: the switches off (as shipped for
// positives), or a negative restored as shipped, with the remove-noise box.
enum class Chain
{
    Plain,
    Restored,
    RestoredAndDenoised
};

void Prepare(CImageProfile& profile, Chain chain)
{
    profile.rotate = 1;
    profile.reverse = chain == Chain::Plain ? 0 : 1;
    profile.negative = chain == Chain::Plain ? 0 : 1;
    profile.block.AWB_En = chain == Chain::Plain ? 0 : 1;
    profile.block.AE_En = chain == Chain::Plain ? 0 : 1;
    profile.block.TargetY = 110;
    profile.denoiseEnabled = chain == Chain::RestoredAndDenoised ? 1 : 0;
    profile.block.denoiseScale = 1;
    for (int i = 0; i < 256; ++i)
        profile.block.gTable[i] = std::uint8_t(i);
}

void RunStill(benchmark::State& state, Chain chain)
{
    CImageProfile profile(ProfileFlavour::Capture);
    if (!profile.PluginLoaded())
    {
        state.SkipWithError("the restoration plug-in is not beside the benchmark");
        return;
    }
    Prepare(profile, chain);
    LensMap();
    CDib frame, picture;
    const FrameMargins margins{40, 30, 40, 30};
    for (auto _ : state)
    {
        state.PauseTiming();
        frame.CopyFrom(Frame(HolderFilm::Negative));
        state.ResumeTiming();
        if (chain != Chain::Plain)
            LensMap().Apply(frame);
        benchmark::DoNotOptimize(MakeStillPicture(profile, frame, margins, 0, 0, picture));
        benchmark::ClobberMemory();
    }
}

void BM_StillChainPlain(benchmark::State& state)
{
    RunStill(state, Chain::Plain);
}

void BM_StillChainRestored(benchmark::State& state)
{
    RunStill(state, Chain::Restored);
}

void BM_StillChainRestoredDenoised(benchmark::State& state)
{
    RunStill(state, Chain::RestoredAndDenoised);
}

void RunPreview(benchmark::State& state, Chain chain)
{
    CImageProfile profile(ProfileFlavour::Capture);
    Prepare(profile, chain);
    CDib frame;
    frame.Create(640, 480, 24, 300);
    SlideConditions c;
    c.film = HolderFilm::Negative;
    c.sensor = SensorFilmType::Negative;
    c.lightBox = true;
    RenderSlideRgb24(c, 640, 480, frame.Pixels(), std::size_t(frame.RowSize()));
    for (auto _ : state)
    {
        CDib copy(frame);
        if (chain != Chain::Plain)
            LensMap().Apply(copy);
        auto shown = MakePreviewFrame(profile, copy, FrameMargins{}, 640);
        benchmark::DoNotOptimize(shown.get());
    }
}

void BM_PreviewChainPlain(benchmark::State& state)
{
    RunPreview(state, Chain::Plain);
}

void BM_PreviewChainRestored(benchmark::State& state)
{
    LensMap();
    RunPreview(state, Chain::Restored);
}

} // namespace

BENCHMARK(BM_Denoise)->Apply(Configure);
BENCHMARK(BM_WhiteBalance)->Apply(Configure);
BENCHMARK(BM_Exposure)->Apply(Configure);
BENCHMARK(BM_NegativeBalanceAndExposure)->Apply(Configure);
BENCHMARK(BM_WholeRestoration)->Apply(Configure);
BENCHMARK(BM_FlatFieldMeasure)->Apply(Configure);
BENCHMARK(BM_FlatFieldApply)->Apply(Configure);
BENCHMARK(BM_StillChainPlain)->Apply(Configure);
BENCHMARK(BM_StillChainRestored)->Apply(Configure);
BENCHMARK(BM_StillChainRestoredDenoised)->Apply(Configure);
BENCHMARK(BM_PreviewChainPlain)->Apply(Configure);
BENCHMARK(BM_PreviewChainRestored)->Apply(Configure);

} // namespace tavrel::bench

int main(int argc, char** argv)
{
    return tavrel::benchpicture::BenchmarkMain(argc, argv);
}
