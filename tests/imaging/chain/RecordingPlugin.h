#pragma once
// What the recording test plug-in saw on its last call.

#include "imaging/RestorationParams.h"

#include <cstdint>

namespace tavrel::test
{

struct RecordedRestorationCall
{
    int calls = 0;
    RestorationParams block{};
    const RestorationParams* blockAddress = nullptr;
    const std::uint8_t* pixels = nullptr;
    int progressCalls = 0;
};

using RecordedCallFn = const RecordedRestorationCall* (*)();

// In-place marks the plug-in leaves: first pixel and last pixel of the picture.
constexpr std::uint8_t kPluginFirstPixel[3] = {1, 2, 3};
constexpr std::uint8_t kPluginLastPixel[3] = {4, 5, 6};

} // namespace tavrel::test
