#pragma once
// Turns decoded palette indices into a picture: a palette of greys gives an
// 8-bit grey picture, any other a 24-bit one.

#include <cstdint>
#include <vector>

namespace tavrel
{

class CDib;

struct PaletteEntry
{
    std::uint8_t red = 0, green = 0, blue = 0;
};

bool IsGreyPalette(const std::vector<PaletteEntry>& palette);

// `picture` holds 8-bit indices on entry; it is replaced by the grey or
// colour result (indices past the palette are black).
bool ApplyPalette(CDib& picture, const std::vector<PaletteEntry>& palette);

} // namespace tavrel
