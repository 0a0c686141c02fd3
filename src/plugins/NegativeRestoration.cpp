// The restoration plug-in shipped with the suite. It leaves the picture as it
// is: every caller is satisfied by a plug-in that changes nothing, and the
// call contract (block pointer, pixel pointer, in place) is kept.

#include "imaging/RestorationParams.h"

#include <cstdint>

namespace {
using ProgressFn = int (*)(std::int32_t position, std::int32_t total);
ProgressFn g_progress = nullptr;
} // namespace

extern "C" __attribute__((visibility("default"))) void Negative_Restoration(RestorationParams* block,
                                                                          std::uint8_t* pixels)
{
    if (block == nullptr || pixels == nullptr)
        return;
    if (g_progress != nullptr)
        g_progress(block->height, block->height);
}

extern "C" __attribute__((visibility("default"))) void SetCallBack(ProgressFn callback)
{
    g_progress = callback;
}
