// A restoration plug-in for the tests: records its arguments and marks the
// first and last pixel in place, so callers can see the change.

#include "RecordingPlugin.h"

#include <cstring>

namespace tavrel::test
{

namespace
{
using ProgressFn = int (*)(std::int32_t position, std::int32_t total);
ProgressFn g_progress = nullptr;
RecordedRestorationCall g_record;
} // namespace

#ifndef TAVREL_TEST_WITHOUT_RESTORATION
extern "C" __attribute__((visibility("default"))) void
Negative_Restoration(RestorationParams* block, std::uint8_t* pixels)
{
    ++g_record.calls;
    g_record.block = *block;
    g_record.blockAddress = block;
    g_record.pixels = pixels;
    const int rowSize = ((3 * block->width + 3) / 4) * 4;
    if (block->width > 0 && block->height > 0)
    {
        std::memcpy(pixels, kPluginFirstPixel, 3);
        std::memcpy(pixels + std::size_t(block->height - 1) * rowSize + 3 * (block->width - 1),
                    kPluginLastPixel, 3);
    }
    if (g_progress != nullptr)
        g_record.progressCalls += g_progress(block->height, block->height);
}
#endif

extern "C" __attribute__((visibility("default"))) void SetCallBack(ProgressFn callback)
{
    g_progress = callback;
}

extern "C" __attribute__((visibility("default"))) const RecordedRestorationCall* RecordedCall()
{
    return &g_record;
}

} // namespace tavrel::test
