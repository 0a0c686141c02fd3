// profile FILE: the fields of a profile as the manager reads it.
// profile --rewrite IN OUT: read as the capture program does, write to OUT.

#include "tools/tool/ToolCommands.h"

#include "imaging/ImageProfile.h"

#include <cstdio>
#include <string>

namespace tavrel
{

namespace
{

void PrintProfile(const CImageProfile& p)
{
    const RestorationParams& b = p.block;
    std::printf("reverse=%d\n", p.reverse);
    std::printf("rotate=%d\n", p.rotate);
    std::printf("gray=%d\n", p.gray);
    std::printf("negative=%d\n", p.negative);
    std::printf("AWB_En=%d\n", b.AWB_En);
    std::printf("AE_En=%d\n", b.AE_En);
    std::printf("TargetY=%d\n", b.TargetY);
    std::printf("AERegion_L=%d\n", b.aeRegion.left);
    std::printf("AERegion_U=%d\n", b.aeRegion.top);
    std::printf("AC_En=%d\n", b.AC_En);
    std::printf("CE_Sel=%d\n", b.CE_Sel);
    std::printf("denoiseEnabled=%d\n", p.denoiseEnabled);
    std::printf("denoiseScale=%d\n", b.denoiseScale);
    std::printf("deltaScale=%d\n", b.deltaScale);
    std::printf("strength=%f\n", b.strength);
    std::printf("R_delta=%d\n", b.R_delta);
    std::printf("G_delta=%d\n", b.G_delta);
    std::printf("B_delta=%d\n", b.B_delta);
    std::printf("pictureModeSelect=%d\n", p.pictureModeSelect);
    std::printf("doubleResolution=%d\n", p.doubleResolution);
    std::printf("pictureType=%d\n", p.pictureType);
    for (int i = 0; i < 4; ++i)
    {
        const PictureMode& m = p.pictureModes[i];
        std::printf("picmode%d=%d,%d,%d,%d,%d,%d,%d,%d\n", i, m.color, m.ae, m.bright, m.contrast,
                    m.r, m.g, m.b, m.saturation);
    }
    std::string table;
    for (int i = 0; i < 256; ++i)
    {
        if (i > 0)
            table += ',';
        table += std::to_string(int(b.gTable[i]));
    }
    std::printf("gTable=%s\n", table.c_str());
}

} // namespace

int ProfileCommand(const ToolArgs& args)
{
    if (args.size() == 3 && args[0] == "--rewrite")
    {
        CImageProfile profile(ProfileFlavour::Capture);
        if (profile.LoadProfile(args[1]) == 0)
        {
            std::fprintf(stderr, "tavrel-tool: cannot load profile %s\n", args[1].c_str());
            return 1;
        }
        if (profile.SaveProfileAs(args[2]) == 0)
        {
            std::fprintf(stderr, "tavrel-tool: cannot write profile %s\n", args[2].c_str());
            return 1;
        }
        return 0;
    }
    if (args.size() != 1 || args[0].rfind("--", 0) == 0)
    {
        std::fprintf(stderr, "usage: tavrel-tool profile FILE | profile --rewrite IN OUT\n");
        return 2;
    }
    CImageProfile profile(ProfileFlavour::Manager);
    if (profile.LoadProfile(args[0]) == 0)
    {
        std::fprintf(stderr, "tavrel-tool: cannot load profile %s\n", args[0].c_str());
        return 1;
    }
    PrintProfile(profile);
    return 0;
}

} // namespace tavrel
