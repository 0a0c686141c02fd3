#include "ImageCompare.h"

#include "imaging/ScanTransfer.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace tavrel::test
{

namespace
{

int Sample(const CDib& pic, int x, int y, int channel)
{
    const std::uint8_t* row = pic.Row(y);
    switch (pic.BitsPerPixel())
    {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
    case 8:
        return row[x];
    default:
        return row[3 * x + channel];
    }
}

} // namespace

ImageDifference CompareDibs(const CDib& a, const CDib& b, int tolerance)
{
    ImageDifference d;
    std::ostringstream text;
    if (a.HasPixels() != b.HasPixels())
    {
        d.description = "one picture has no pixels";
        return d;
    }
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel())
    {
        text << "shape " << a.Width() << "x" << a.Height() << "x" << a.BitsPerPixel() << " vs "
             << b.Width() << "x" << b.Height() << "x" << b.BitsPerPixel();
        d.description = text.str();
        return d;
    }
    const int channels = a.BitsPerPixel() == 24 ? 3 : 1;
    for (int y = 0; a.HasPixels() && y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int c = 0; c < channels; ++c)
            {
                const int va = Sample(a, x, y, c), vb = Sample(b, x, y, c);
                const int diff = std::abs(va - vb);
                if (diff > d.maxDifference)
                    d.maxDifference = diff;
                if (diff > tolerance && d.firstX < 0)
                {
                    d.firstX = x;
                    d.firstY = y;
                    text << "pixel (" << x << ", " << y << ") channel " << c << ": " << va << " vs "
                         << vb;
                }
            }
    d.same = d.firstX < 0;
    if (!d.same)
    {
        text << "; largest difference " << d.maxDifference << ", tolerance " << tolerance;
        d.description = text.str();
    }
    return d;
}

::testing::AssertionResult DibsMatch(const CDib& a, const CDib& b, int tolerance)
{
    const ImageDifference d = CompareDibs(a, b, tolerance);
    if (d.same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << d.description;
}

void FillPattern(CDib& picture, int width, int height, int seed)
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

void FillPhotoLike(CDib& picture, unsigned seed)
{
    unsigned state = seed * 2654435761u + 1;
    const int w = picture.Width(), h = picture.Height();
    const int channels = picture.BitsPerPixel() == 24 ? 3 : 1;
    for (int y = 0; y < h; ++y)
    {
        std::uint8_t* row = picture.Row(y);
        if (picture.BitsPerPixel() == 1)
        {
            for (int x = 0; x < w; ++x)
            {
                state = state * 1664525u + 1013904223u;
                if (((x / 7 + y / 5) & 1) ^ ((state >> 28) == 0))
                    row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            }
            continue;
        }
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
            {
                state = state * 1664525u + 1013904223u;
                const int grain = int((state >> 24) & 15) - 8;
                // A triangle wave: smooth everywhere, as a lens leaves a scene.
                const int ramp = (x * 200 / (w ? w : 1) + y * 55 / (h ? h : 1) + c * 30) % 480;
                const int base = 8 + (ramp < 240 ? ramp : 479 - ramp);
                const int v = base + grain;
                row[channels * x + c] = std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
    }
}

MeanColour MeanAround(const CDib& picture, int x, int y, int half)
{
    long sum[3] = {};
    long n = 0;
    for (int j = y - half; j < y + half; ++j)
        for (int i = x - half; i < x + half; ++i, ++n)
            for (int c = 0; c < 3; ++c)
                sum[c] += picture.Row(j)[3 * i + c];
    return {int(sum[2] / n), int(sum[1] / n), int(sum[0] / n)};
}

double WorstCornerRatio(const CDib& picture)
{
    auto light = [&](int x, int y)
    {
        double sum = 0;
        for (int j = y - 4; j <= y + 4; ++j)
            for (int i = x - 4; i <= x + 4; ++i)
                for (int c = 0; c < 3; ++c)
                    sum += ScanToLinear(picture.Row(j)[3 * i + c]);
        return sum;
    };
    const int w = picture.Width(), h = picture.Height();
    const double centre = light(w / 2, h / 2);
    double worst = 1.0;
    for (const auto& [x, y] : {std::pair{8, 8}, {w - 9, 8}, {8, h - 9}, {w - 9, h - 9}})
    {
        const double ratio = light(x, y) / centre;
        if (std::abs(ratio - 1.0) > std::abs(worst - 1.0))
            worst = ratio;
    }
    return worst;
}

} // namespace tavrel::test
