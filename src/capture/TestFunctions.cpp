#include "capture/TestFunctions.h"

#include "imaging/ProcessingChain.h"

#include <atomic>
#include <cstdint>
#include <strings.h>

namespace tavrel
{

namespace
{

constexpr std::uint32_t kFormatBmp = 0x03000000;

// The plug-in's callback is a plain function: the range lives here.
std::atomic<int> g_progressRange{0};

int OnProgress(std::int32_t /*position*/, std::int32_t total)
{
    g_progressRange = total;
    return 1;
}

} // namespace

std::string BitmapName(std::string name)
{
    if (name.size() < 4 || strcasecmp(name.c_str() + name.size() - 4, ".BMP") != 0)
        name += ".BMP";
    return name;
}

bool SaveRawFrame(CDib& frame, const std::string& name)
{
    return frame.HasPixels() && frame.SaveFile(BitmapName(name), kFormatBmp) == 1;
}

bool RestoreToBitmapFile(ProfileControls& profile, CDib& picture, const std::string& name)
{
    if (!picture.HasPixels())
        return false;
    return profile.Use([&](CImageProfile& p)
                       { return RestoreToBitmap(p, picture, OnProgress, name) == 1; });
}

int ProgressRange()
{
    return g_progressRange;
}

} // namespace tavrel
