#pragma once
// Profile files shared by the processing-chain tests.

#include <string>

namespace tavrel::test
{

namespace chaintest
{

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

} // namespace chaintest

} // namespace tavrel::test
