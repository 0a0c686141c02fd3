#include "capture/v4l2/V4l2Frames.h"

#include "capture/Yuy2Converter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavrel
{

namespace
{

std::uint8_t Clamp8(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

bool FrameToBgr(PixelFormat format, int width, int height, const std::uint8_t* data,
                std::size_t bytes, tavrel::DecodedFrame& frame)
{
    if (!data || width <= 0 || height <= 0)
        return false;
    if (format == PixelFormat::Mjpeg)
        return tavrel::DecodeMjpeg(data, bytes, frame, nullptr, width, height);
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    if (bytes < pixels * 2)
        return false;
    frame.width = width;
    frame.height = height;
    frame.bgr.resize(pixels * 3);
    ConvertYuy2(data, pixels, frame.bgr.data());
    return true;
}

bool FrameToYuy2(PixelFormat format, int width, int height, const std::uint8_t* data,
                 std::size_t bytes, std::vector<std::uint8_t>& yuy2)
{
    if (!data || width <= 0 || height <= 0 || width % 2)
        return false;
    const std::size_t size = std::size_t(width) * std::size_t(height) * 2;
    if (format == PixelFormat::Yuyv)
    {
        if (bytes < size)
            return false;
        yuy2.assign(data, data + size);
        return true;
    }
    tavrel::DecodedFrame frame;
    if (!tavrel::DecodeMjpeg(data, bytes, frame, nullptr, width, height))
        return false;
    yuy2.resize(size);
    BgrToYuy2(frame.bgr.data(), width, height, yuy2.data());
    return true;
}

void BgrToYuy2(const std::uint8_t* bgr, int width, int height, std::uint8_t* yuy2)
{
    const std::size_t pairs = std::size_t(width) * std::size_t(height) / 2;
    for (std::size_t p = 0; p < pairs; ++p)
    {
        const std::uint8_t* a = bgr + 6 * p;
        double y[2], u = 0, v = 0;
        for (int k = 0; k < 2; ++k)
        {
            const double b = a[3 * k], g = a[3 * k + 1], r = a[3 * k + 2];
            y[k] = 0.299 * r + 0.587 * g + 0.114 * b;
            u += (b - y[k]) / 1.772 + 128.0;
            v += (r - y[k]) / 1.402 + 128.0;
        }
        yuy2[4 * p + 0] = Clamp8(y[0]);
        yuy2[4 * p + 1] = Clamp8(u / 2);
        yuy2[4 * p + 2] = Clamp8(y[1]);
        yuy2[4 * p + 3] = Clamp8(v / 2);
    }
}

} // namespace tavrel
