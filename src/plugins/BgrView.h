#pragma once
// A 24-bit picture as the plug-in receives it: blue, green, red bytes, rows
// top-down and `stride` bytes apart. The view does not own the pixels.

#include "imaging/RestorationParams.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tavrel::restoration
{

struct BgrView
{
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;

    std::uint8_t* Row(int y) const { return pixels + std::size_t(y) * stride; }
};

// Half-open pixel rectangle.
struct PixelRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Empty() const { return right <= left || bottom <= top; }
};

// A block region cut to the picture. Callers compute regions from fixed
// insets, so a small picture can give an empty or inverted one: the whole
// picture is used then.
PixelRect ClampRegion(const RegionRect& region, int width, int height);

// Reports work done as (position, total); called on the thread that runs the
// restoration, between steps.
using ProgressSink = std::function<void(int position, int total)>;

} // namespace tavrel::restoration
