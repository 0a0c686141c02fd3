// process [--flavour capture|manager] [--mode full|preview] --profile P IN OUT
//         [--format-code N] [--calibration FILE.ver]: re-process a picture file
//         with a profile, after the flat-field correction of a reference file
//         when one is given, as the capture program treats its frames.

#include "tools/tool/ToolCommands.h"

#include "imaging/FlatFieldMap.h"
#include "imaging/ImageProfile.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace tavrel
{

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage: tavrel-tool process [--flavour capture|manager] [--mode "
                         "full|preview] --profile P IN OUT [--format-code N] "
                         "[--calibration FILE.ver]\n");
    return 2;
}

} // namespace

int ProcessCommand(const ToolArgs& args)
{
    ProfileFlavour flavour = ProfileFlavour::Capture;
    int mode = 0;
    std::string profilePath;
    std::string calibrationPath;
    std::uint32_t formatCode = kFormatJpeg95;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--flavour" && hasValue)
        {
            const std::string& v = args[++i];
            if (v == "capture")
                flavour = ProfileFlavour::Capture;
            else if (v == "manager")
                flavour = ProfileFlavour::Manager;
            else
                return Usage();
        }
        else if (a == "--mode" && hasValue)
        {
            const std::string& v = args[++i];
            if (v == "full")
                mode = 0;
            else if (v == "preview")
                mode = 1;
            else
                return Usage();
        }
        else if (a == "--profile" && hasValue)
        {
            profilePath = args[++i];
        }
        else if (a == "--calibration" && hasValue)
        {
            calibrationPath = args[++i];
        }
        else if (a == "--format-code" && hasValue)
        {
            if (!ParseFormatCode(args[++i], formatCode))
                return Usage();
        }
        else if (a.rfind("--", 0) == 0)
        {
            return Usage();
        }
        else
        {
            files.push_back(a);
        }
    }
    if (profilePath.empty() || files.size() != 2)
        return Usage();

    // A reference named on the command line must be sound: unlike the capture
    // program, which then just goes without, the tool says so.
    std::optional<tavrel::FlatFieldMap> calibration;
    if (!calibrationPath.empty())
    {
        std::string why;
        calibration = tavrel::FlatFieldMap::Load(calibrationPath, &why);
        if (!calibration)
        {
            std::fprintf(stderr, "tavrel-tool: calibration reference %s %s\n",
                         calibrationPath.c_str(), why.c_str());
            return 1;
        }
    }
    CImageProfile profile(flavour);
    if (profile.LoadProfile(profilePath) == 0)
    {
        std::fprintf(stderr, "tavrel-tool: cannot load profile %s\n", profilePath.c_str());
        return 1;
    }
    CDib picture;
    picture.LoadFile(files[0]);
    if (!picture.HasPixels())
    {
        std::fprintf(stderr, "tavrel-tool: cannot read picture %s\n", files[0].c_str());
        return 1;
    }
    if (calibration && !calibration->Apply(picture))
    {
        std::fprintf(stderr, "tavrel-tool: %s is not a 24-bit picture to calibrate\n",
                     files[0].c_str());
        return 1;
    }
    if (profile.ProcessImage(mode, picture) == 0)
    {
        std::fprintf(stderr, "tavrel-tool: cannot process %s\n", files[0].c_str());
        return 1;
    }
    if (picture.SaveFile(files[1], formatCode) == 0)
    {
        std::fprintf(stderr, "tavrel-tool: cannot write %s\n", files[1].c_str());
        return 1;
    }
    return 0;
}

} // namespace tavrel
