// The speed targets side by side in one run, each beside what it is held
// against, in milliseconds per 2592 × 1944 picture (wall and process CPU,
// minimum over repetitions: the machine is shared):
//   ConvertToGrey            within 2× of a memcpy of the picture
//   live-preview frame       under 4 ms
//   capture chain, doubled   under 60 ms
//   JPEG q95 save            within 10% of libjpeg-turbo's own 4:2:0 q95 encode
//   WriteTiff48              within 30% of a raw write of the same bytes
// Both file writes go through AtomicFile with its flush to disk, as stored
// pictures do.

#include "imaging/ImageProfile.h"
#include "imaging/ProcessingChain.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/AtomicFile.h"

#include "peers/AdjustedProfile.h"
#include "peers/PhotoPicture.h"
#include "peers/RepeatedRuns.h"

#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

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
    benchpicture::ConfigureRepeated(b, 9);
}

const CDib& Picture()
{
    static CDib picture;
    if (!picture.HasPixels())
    {
        picture.Create(kWidth, kHeight, 24, 300);
        std::memcpy(picture.Pixels(), Photo().data(), Photo().size());
    }
    return picture;
}

std::string BenchPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("tavrel-speed-") + name))
        .string();
}

void BM_Memcpy(benchmark::State& state)
{
    const CDib& src = Picture();
    std::vector<std::uint8_t> dst(src.PixelBytes());
    for (auto _ : state)
    {
        std::memcpy(dst.data(), src.Pixels(), src.PixelBytes());
        benchmark::ClobberMemory();
    }
}

void BM_ConvertToGrey(benchmark::State& state)
{
    CDib src(Picture());
    CDib grey;
    for (auto _ : state)
        benchmark::DoNotOptimize(src.ConvertToGrey(&grey, 0));
}

void BM_PreviewFrame(benchmark::State& state)
{
    CImageProfile profile(ProfileFlavour::Capture);
    PrepareAdjusted(profile, 1);
    profile.rotate = 1;
    for (auto _ : state)
    {
        auto shown = MakePreviewFrame(profile, Picture(), FrameMargins{}, 640);
        benchmark::DoNotOptimize(shown.get());
    }
}

void BM_CaptureChainDouble(benchmark::State& state)
{
    CImageProfile profile(ProfileFlavour::Capture);
    PrepareAdjusted(profile, 1);
    CDib picture;
    for (auto _ : state)
    {
        state.PauseTiming();
        picture.CopyFrom(Picture());
        state.ResumeTiming();
        benchmark::DoNotOptimize(profile.ProcessImage(0, picture));
        benchmark::ClobberMemory();
    }
    if (picture.Width() != 2 * kWidth)
        state.SkipWithError("not doubled");
}

void BM_JpegSave(benchmark::State& state)
{
    const std::string path = BenchPath("save.jpg");
    CDib picture(Picture());
    for (auto _ : state)
        benchmark::DoNotOptimize(picture.SaveFile(path, kFormatJpeg95));
    std::remove(path.c_str());
}

struct JpegError
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

// What libjpeg-turbo does for a 4:2:0 q95 compression of BGR rows to memory,
// then the bytes written as a stored picture is. The memory is made once and
// is large enough: growing it on the way would cost copies and page faults
// that depend on the allocator's state, not on the encoder.
void BM_JpegTurboReference(benchmark::State& state)
{
    const std::string path = BenchPath("turbo.jpg");
    const CDib& pic = Picture();
    // Made zero, so its pages are in place before the first run.
    std::vector<unsigned char> buffer(std::size_t(pic.Width()) * std::size_t(pic.Height()) * 3);
    for (auto _ : state)
    {
        jpeg_compress_struct cinfo;
        JpegError error;
        cinfo.err = jpeg_std_error(&error.mgr);
        error.mgr.error_exit = [](j_common_ptr c)
        { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
        unsigned char* out = buffer.data();
        unsigned long size = buffer.size();
        if (setjmp(error.jump))
        {
            jpeg_destroy_compress(&cinfo);
            state.SkipWithError("encode failed");
            break;
        }
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &out, &size);
        cinfo.image_width = JDIMENSION(pic.Width());
        cinfo.image_height = JDIMENSION(pic.Height());
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 95, TRUE);
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<JSAMPROW> rows(std::size_t(pic.Height()));
        for (int y = 0; y < pic.Height(); ++y)
            rows[std::size_t(y)] = const_cast<JSAMPROW>(pic.Row(y));
        while (cinfo.next_scanline < cinfo.image_height)
            jpeg_write_scanlines(&cinfo, rows.data() + cinfo.next_scanline,
                                 cinfo.image_height - cinfo.next_scanline);
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        AtomicFile file(path);
        const bool ok = file.Write({reinterpret_cast<const char*>(out), size}) && file.Commit();
        if (out != buffer.data())
            std::free(out);
        if (!ok)
            state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
}

void BM_WriteTiff48(benchmark::State& state)
{
    const std::string target = BenchPath("w48.tif");
    for (auto _ : state)
    {
        std::string path = target;
        benchmark::DoNotOptimize(
            WriteTiff48(path, Picture().Width(), Picture().Height(), 24, Picture().Pixels()));
    }
    std::remove(target.c_str());
}

// The same number of bytes, ready in memory, written and committed.
void BM_RawWrite48(benchmark::State& state)
{
    const std::string path = BenchPath("raw48");
    const std::vector<char> bytes(std::size_t(kWidth) * kHeight * 6, '\x5a');
    for (auto _ : state)
    {
        AtomicFile file(path);
        if (!file.Write({bytes.data(), bytes.size()}) || !file.Commit())
            state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_Memcpy)->Apply(Configure);
BENCHMARK(BM_ConvertToGrey)->Apply(Configure);
BENCHMARK(BM_PreviewFrame)->Apply(Configure);
BENCHMARK(BM_CaptureChainDouble)->Apply(Configure);
BENCHMARK(BM_JpegTurboReference)->Apply(Configure);
BENCHMARK(BM_JpegSave)->Apply(Configure);
BENCHMARK(BM_RawWrite48)->Apply(Configure);
BENCHMARK(BM_WriteTiff48)->Apply(Configure);

} // namespace tavrel::bench

BENCHMARK_MAIN();
