#pragma once
// Pictures and profile files shared by the processing-chain tests.

#include "imaging/cwimage/dib/Dib.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace chaintest
{

// A 24-bit picture whose every pixel differs from its neighbours.
inline void FillPattern(CDib& picture, int width, int height, int seed = 0)
{
    picture.Create(width, height, 24, 300);
    for (int y = 0; y < height; ++y)
    {
        std::uint8_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x)
        {
            row[3 * x + 0] = std::uint8_t(x * 7 + y * 3 + seed);
            row[3 * x + 1] = std::uint8_t(x * 5 + y * 11 + 40);
            row[3 * x + 2] = std::uint8_t(x + y * 13 + 90);
        }
    }
}

// Same size, depth and every pixel byte (row padding ignored).
inline bool SamePixels(const CDib& a, const CDib& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel())
        return false;
    const std::size_t used = std::size_t(a.Width()) * std::size_t(a.BitsPerPixel() / 8);
    for (int y = 0; y < a.Height(); ++y)
    {
        if (std::memcmp(a.Row(y), b.Row(y), used) != 0)
            return false;
    }
    return true;
}

struct ModeValues
{
    int color = 0, bright = 0, contrast = 0, r = 0, g = 0, b = 0, saturation = 0;
};

// An "imgcfg" file with the given switches and the same values in all four modes.
inline std::string ProfileXml(int reverse, int gray, int dpi, const ModeValues& m = {},
                              int denoise = 0, int modeSelect = 0)
{
    std::string t = "<?xml version=\"1.0\" encoding=\"utf-8\"?><imgcfg>";
    t += "<reverse>" + std::to_string(reverse) + "</reverse><rotate>1</rotate><gray>" +
         std::to_string(gray) + "</gray><negative>1</negative>";
    t += "<AWB AWB_En=\"0\"/><AE AE_En=\"0\"><TargetY>0</TargetY><AERegion_L>0</AERegion_L>"
         "<AERegion_U>0</AERegion_U></AE><AC/><CE CE_Sel=\"0\"><gTable>0</gTable></CE>";
    t += "<Denoise Denoise_En=\"" + std::to_string(denoise) +
         "\"><scale>1</scale></Denoise><delta><scale>0</scale></delta>"
         "<strength><scale>1.000000</scale></strength><ColorBalance><R_delta>0</R_delta>"
         "<G_delta>0</G_delta><B_delta>0</B_delta></ColorBalance>";
    for (int id = 0; id < 4; ++id)
    {
        t += "<picmode id=\"" + std::to_string(id) + "\"><color>" + std::to_string(m.color) +
             "</color><ae>0</ae><bright>" + std::to_string(m.bright) + "</bright><contrast>" +
             std::to_string(m.contrast) + "</contrast><r>" + std::to_string(m.r) + "</r><g>" +
             std::to_string(m.g) + "</g><b>" + std::to_string(m.b) + "</b><saturation>" +
             std::to_string(m.saturation) + "</saturation></picmode>";
    }
    t += "<dpi>" + std::to_string(dpi) + "</dpi><pictype>0</pictype><picmodesel>" +
         std::to_string(modeSelect) + "</picmodesel></imgcfg>";
    return t;
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace chaintest
