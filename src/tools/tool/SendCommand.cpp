// send: the capture program's send step for a picture file, so that any
// picture can be handed to a running manager (and so imported into its
// folder).

#include "tools/tool/ToolCommands.h"

#include "capture/HandoverSender.h"
#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "shared/PictureDescriptor.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace tavrel
{

namespace
{

int SendUsage()
{
    std::fprintf(stderr, "usage: tavrel-tool send [--kind 1001|1003|1008] [--format jpg|tiff] "
                         "[--bits 24|48] --profile P FILE\n");
    return 2;
}

const char* OutcomeText(tavrel::CHandoverSender::Outcome outcome)
{
    using Outcome = tavrel::CHandoverSender::Outcome;
    switch (outcome)
    {
    case Outcome::Stored:
        return "stored";
    case Outcome::Kept:
        return "kept";
    case Outcome::Lost:
        return "lost";
    case Outcome::NoManager:
        return "no manager";
    }
    return "?";
}

} // namespace

int SendCommand(const ToolArgs& args)
{
    std::uint64_t kind = tavrel::COPYDATA_PROCESSED_PICTURE;
    std::int32_t outputFormat = tavrel::kOutputJpeg;
    std::int32_t bitDepthIndex = tavrel::kBitDepth24;
    std::string profilePath;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--kind" && hasValue)
        {
            const std::string v = args[++i];
            if (v == "1001")
                kind = tavrel::COPYDATA_RAW_PICTURE;
            else if (v == "1003")
                kind = tavrel::COPYDATA_PICTURE_FILE;
            else if (v == "1008")
                kind = tavrel::COPYDATA_PROCESSED_PICTURE;
            else
                return SendUsage();
        }
        else if (a == "--format" && hasValue)
        {
            const std::string v = args[++i];
            if (v == "jpg")
                outputFormat = tavrel::kOutputJpeg;
            else if (v == "tiff")
                outputFormat = tavrel::kOutputTiff;
            else
                return SendUsage();
        }
        else if (a == "--bits" && hasValue)
        {
            const std::string v = args[++i];
            if (v == "24")
                bitDepthIndex = tavrel::kBitDepth24;
            else if (v == "48")
                bitDepthIndex = tavrel::kBitDepth48;
            else
                return SendUsage();
        }
        else if (a == "--profile" && hasValue)
        {
            profilePath = args[++i];
        }
        else if (!a.empty() && a[0] != '-' && file.empty())
        {
            file = a;
        }
        else
        {
            return SendUsage();
        }
    }
    if (profilePath.empty() || file.empty())
        return SendUsage();

    CImageProfile profile(ProfileFlavour::Capture);
    if (profile.LoadProfile(profilePath) != 1)
    {
        std::fprintf(stderr, "tavrel-tool: cannot load the profile %s\n", profilePath.c_str());
        return 1;
    }
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(file, ec).lexically_normal().string();
    CDib picture;
    if (picture.LoadFile(absolute) != 1 || !picture.HasPixels())
    {
        std::fprintf(stderr, "tavrel-tool: cannot read the picture %s\n", file.c_str());
        return 1;
    }

    tavrel::CHandoverSender sender;
    if (!sender.FindManager())
    {
        std::printf("outcome: %s\n", OutcomeText(tavrel::CHandoverSender::Outcome::NoManager));
        return 1;
    }
    tavrel::CHandoverSender::Result result;
    if (kind == tavrel::COPYDATA_PICTURE_FILE)
    {
        result = sender.SendFile(absolute, profile, outputFormat, bitDepthIndex);
    }
    else
    {
        // The channel carries 24-bit pictures only.
        if (picture.BitsPerPixel() == 8)
            picture.GreyToRgb(nullptr);
        if (picture.BitsPerPixel() != 24)
        {
            std::fprintf(stderr, "tavrel-tool: %s is not a colour or grey picture\n", file.c_str());
            return 1;
        }
        sender.PrepareNames();
        result = sender.Send(picture, profile, outputFormat, bitDepthIndex, kind);
    }
    if (result.delivered)
        std::printf("result: %lld\n", static_cast<long long>(result.handlerResult));
    else
        std::printf("result: not delivered\n");
    if (result.outcome == tavrel::CHandoverSender::Outcome::Kept)
        std::printf("outcome: kept %s\n", result.keptPath.c_str());
    else
        std::printf("outcome: %s\n", OutcomeText(result.outcome));
    return result.outcome == tavrel::CHandoverSender::Outcome::Stored ? 0 : 1;
}

} // namespace tavrel
