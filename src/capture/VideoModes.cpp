#include "capture/VideoModes.h"

#include <cstdlib>
#include <limits>

namespace tavrel
{

namespace
{

// Lower is better: the rate itself when it reaches the wanted one, else
// after every rate that does.
long RateCost(int rate, int wanted)
{
    if (rate >= wanted)
        return rate - wanted;
    return 100000L + (wanted - rate);
}

} // namespace

std::optional<ModeChoice> ChooseCaptureMode(const std::vector<VideoMode>& offered,
                                            const VideoFormat& wanted)
{
    const int wantedRate = wanted.frameRate > 0 ? wanted.frameRate : 30;
    long bestSize = std::numeric_limits<long>::max();
    long bestArea = -1;
    for (const VideoMode& m : offered)
    {
        if (m.width <= 0 || m.height <= 0 || m.frameRates.empty())
            continue;
        const long cost =
            std::labs(long(m.width) - wanted.width) + std::labs(long(m.height) - wanted.height);
        const long area = long(m.width) * m.height;
        if (cost < bestSize || (cost == bestSize && area > bestArea))
        {
            bestSize = cost;
            bestArea = area;
        }
    }
    if (bestArea < 0)
        return std::nullopt;
    std::optional<ModeChoice> best;
    long bestRate = std::numeric_limits<long>::max();
    for (const VideoMode& m : offered)
    {
        if (m.frameRates.empty() || long(m.width) * m.height != bestArea ||
            std::labs(long(m.width) - wanted.width) + std::labs(long(m.height) - wanted.height) !=
                bestSize)
            continue;
        for (const int rate : m.frameRates)
        {
            if (rate <= 0)
                continue;
            const long cost = RateCost(rate, wantedRate);
            const bool better = cost < bestRate ||
                                (cost == bestRate && best && m.pixelFormat == PixelFormat::Yuyv &&
                                 best->pixelFormat != PixelFormat::Yuyv);
            if (better)
            {
                bestRate = cost;
                best = ModeChoice{m.pixelFormat, VideoFormat{m.width, m.height, rate}};
            }
        }
    }
    return best;
}

std::optional<ModeChoice> ChooseStillMode(const std::vector<VideoMode>& offered, int width,
                                          int height)
{
    std::optional<ModeChoice> best;
    for (const VideoMode& m : offered)
    {
        if (m.width != width || m.height != height || m.frameRates.empty())
            continue;
        // The fastest rate: the warm-up frames before the still pass soonest.
        int fastest = 0;
        for (const int r : m.frameRates)
            fastest = r > fastest ? r : fastest;
        if (fastest <= 0)
            continue;
        if (!best || (m.pixelFormat == PixelFormat::Yuyv && best->pixelFormat != PixelFormat::Yuyv))
            best = ModeChoice{m.pixelFormat, VideoFormat{width, height, fastest}};
    }
    return best;
}

} // namespace tavrel
