#include "plugins/ToneSteps.h"

#include "imaging/ImageKernels.h"
#include "imaging/ScanTransfer.h"
#include "imaging/cwimage/RowBands.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace tavrel::restoration
{

namespace
{

using tavrel::imaging::ClampByte;

// Pixels with every channel at or beyond these carry no picture.
constexpr int kEmptyLow = 2;
constexpr int kEmptyHigh = 253;
// Regions above this many pixels are sampled on every other row and column.
constexpr std::int64_t kSampleAbove = std::int64_t(1) << 20;

// Film-base and highlight percentiles of a negative's density.
constexpr double kBaseFraction = 0.005;
constexpr double kHighlightFraction = 0.995;
// Transmission floor: densities above 4 are beyond any film and scanner.
constexpr double kMinTransmission = 1e-4;
// The print scale a negative is mapped to: its highlight end in linear light
// and the density range down to its shadow end. 2.6 leaves a black near 18
// that still shows shadow detail.
constexpr double kPrintWhite = 0.92;
constexpr double kPrintRange = 2.6;
// Too little picture in the region to tell film base from picture.
constexpr std::uint64_t kMinPixels = 64;

constexpr double kWeight[3] = {0.114, 0.587, 0.299}; // blue, green, red

int Percentile(const std::array<std::uint32_t, 256>& counts, std::uint64_t total, double fraction)
{
    const double wanted = fraction * double(total);
    std::uint64_t seen = 0;
    for (int v = 0; v < 256; ++v)
    {
        seen += counts[v];
        if (double(seen) >= wanted && seen > 0)
            return v;
    }
    return 255;
}

// Density of the scan behind an inverted byte value.
double InvertedDensity(int value)
{
    return -std::log10(std::max(ScanToLinear(255 - value), kMinTransmission));
}

double MeanLuma(const LinearCurves& curves, const ChannelHistograms& region, double gain)
{
    double sum = 0.0;
    for (int c = 0; c < 3; ++c)
    {
        double channel = 0.0;
        for (int v = 0; v < 256; ++v)
        {
            if (region.counts[c][v] != 0)
                channel += double(region.counts[c][v]) * LinearToScan(gain * curves[c][v]);
        }
        sum += kWeight[c] * channel;
    }
    return sum / double(region.pixels);
}

using SampleTables = std::array<std::array<float, 256>, 3>;

// About `count` pixels of the region on a regular grid, each channel through
// its table, leaving out the dark (noise decides their colour) and the clipped.
std::vector<std::array<float, 3>> Samples(const BgrView& picture, const PixelRect& region,
                                          const SampleTables& tables, double count)
{
    std::vector<std::array<float, 3>> samples;
    if (region.Empty())
        return samples;
    const std::int64_t area =
        std::int64_t(region.right - region.left) * (region.bottom - region.top);
    const int step = std::max(1, int(std::sqrt(double(area) / count)));
    for (int y = region.top; y < region.bottom; y += step)
    {
        const std::uint8_t* row = picture.Row(y);
        for (int x = region.left; x < region.right; x += step)
        {
            const std::uint8_t* px = row + 3 * x;
            if (std::max({px[0], px[1], px[2]}) >= kEmptyHigh ||
                std::min({px[0], px[1], px[2]}) <= 12)
                continue;
            samples.push_back({tables[0][px[0]], tables[1][px[1]], tables[2][px[2]]});
        }
    }
    return samples;
}

} // namespace

PixelRect ClampRegion(const RegionRect& region, int width, int height)
{
    PixelRect r{std::clamp(region.left, 0, width), std::clamp(region.top, 0, height),
                std::clamp(region.right, 0, width), std::clamp(region.bottom, 0, height)};
    if (r.Empty())
        r = {0, 0, width, height};
    return r;
}

ChannelHistograms RegionHistograms(const BgrView& picture, const PixelRect& region)
{
    ChannelHistograms total;
    if (region.Empty())
        return total;
    const std::int64_t area =
        std::int64_t(region.right - region.left) * (region.bottom - region.top);
    const int step = area > kSampleAbove ? 2 : 1;
    const int rows = (region.bottom - region.top + step - 1) / step;
    std::mutex merge;
    ForRowBands(
        rows, std::size_t(rows) * std::size_t(region.right - region.left) * 3 / std::size_t(step),
        [&](int first, int end)
        {
            ChannelHistograms local;
            for (int i = first; i < end; ++i)
            {
                const std::uint8_t* row = picture.Row(region.top + i * step);
                for (int x = region.left; x < region.right; x += step)
                {
                    const std::uint8_t* px = row + 3 * x;
                    const int b = px[0], g = px[1], r = px[2];
                    if ((b <= kEmptyLow && g <= kEmptyLow && r <= kEmptyLow) ||
                        (b >= kEmptyHigh && g >= kEmptyHigh && r >= kEmptyHigh))
                        continue;
                    ++local.counts[0][b];
                    ++local.counts[1][g];
                    ++local.counts[2][r];
                    ++local.pixels;
                }
            }
            std::lock_guard lock(merge);
            for (int c = 0; c < 3; ++c)
                for (int v = 0; v < 256; ++v)
                    total.counts[c][v] += local.counts[c][v];
            total.pixels += local.pixels;
        },
        RowCost::Compute);
    return total;
}

LinearCurves ScanCurves()
{
    LinearCurves curves;
    for (int v = 0; v < 256; ++v)
        curves[0][v] = curves[1][v] = curves[2][v] = ScanToLinear(v);
    return curves;
}

LinearCurves NegativeCurves(const ChannelHistograms& region)
{
    if (region.pixels < kMinPixels)
        return ScanCurves();
    LinearCurves curves;
    for (int c = 0; c < 3; ++c)
    {
        const double base =
            InvertedDensity(Percentile(region.counts[c], region.pixels, kBaseFraction));
        const double highlight =
            InvertedDensity(Percentile(region.counts[c], region.pixels, kHighlightFraction));
        const double range = std::max(highlight - base, 0.05);
        for (int v = 0; v < 256; ++v)
        {
            const double n = (InvertedDensity(v) - base) / range;
            curves[c][v] = kPrintWhite * std::pow(10.0, -kPrintRange * (1.0 - n));
        }
    }
    return curves;
}

std::array<double, 3> WhiteBalanceGains(const BgrView& picture, const PixelRect& region,
                                        const LinearCurves& curves,
                                        const ChannelHistograms& histograms)
{
    std::array<double, 3> gains{1.0, 1.0, 1.0};
    if (histograms.pixels < kMinPixels || region.Empty())
        return gains;
    std::array<double, 3> light{};
    for (int c = 0; c < 3; ++c)
    {
        double sum = 0.0;
        for (int v = 0; v < 256; ++v)
            sum += double(histograms.counts[c][v]) * std::pow(curves[c][v], 6.0);
        light[c] = std::pow(sum / double(histograms.pixels), 1.0 / 6.0);
    }

    // The same grid twice: linear light to sum, its logarithm to compare.
    SampleTables linear;
    SampleTables logLight;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
        {
            linear[c][v] = float(curves[c][v]);
            logLight[c][v] = float(std::log(std::max(curves[c][v], 1e-9)));
        }
    const std::vector<std::array<float, 3>> samples = Samples(picture, region, linear, 65536.0);
    const std::vector<std::array<float, 3>> logs = Samples(picture, region, logLight, 65536.0);
    // Rounds of "nearly grey under the current estimate", each tighter; a
    // round with too few such pixels keeps the estimate it has.
    constexpr double kRadii[] = {0.30, 0.20, 0.12, 0.08};
    const std::size_t enough = std::max<std::size_t>(kMinPixels, samples.size() / 100);
    for (double radius : kRadii)
    {
        if (std::min({light[0], light[1], light[2]}) <= 1e-9)
            break;
        const float blueOverGreen = float(std::log(light[0] / light[1]));
        const float redOverGreen = float(std::log(light[2] / light[1]));
        const float limit = float(radius * radius);
        std::array<double, 3> sum{};
        std::size_t count = 0;
        for (std::size_t i = 0; i < samples.size(); ++i)
        {
            const float b = logs[i][0] - logs[i][1] - blueOverGreen;
            const float r = logs[i][2] - logs[i][1] - redOverGreen;
            if (b * b + r * r > limit)
                continue;
            for (int c = 0; c < 3; ++c)
                sum[c] += samples[i][c];
            ++count;
        }
        if (count < enough)
            break;
        for (int c = 0; c < 3; ++c)
            light[c] = sum[c] / double(count);
    }

    const double grey = kWeight[0] * light[0] + kWeight[1] * light[1] + kWeight[2] * light[2];
    for (int c = 0; c < 3; ++c)
    {
        if (light[c] > 1e-6)
            gains[c] = std::clamp(grey / light[c], 0.5, 2.0);
    }
    return gains;
}

void NeutraliseNegative(const BgrView& picture, const PixelRect& region, LinearCurves& curves)
{
    SampleTables logLight;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            logLight[c][v] = float(std::log10(std::max(curves[c][v], 1e-6)));
    // Fewer samples than for white balance: two lines need fewer, and the
    // preview runs this on every frame.
    const std::vector<std::array<float, 3>> samples = Samples(picture, region, logLight, 16384.0);
    // Blue and red as lines over green in log light: c = slope · g + offset.
    struct Line
    {
        double slope = 1.0;
        double offset = 0.0;
    };
    Line line[3];
    // Log10 radii of "nearly grey": WhiteBalanceGains' rounds.
    constexpr double kRadii[] = {0.13, 0.09, 0.05, 0.035};
    // Greys spanning less than this (a factor of 2) tell no slope.
    constexpr double kMinSpread = 0.3;
    const std::size_t enough = std::max<std::size_t>(kMinPixels, samples.size() / 100);
    for (double radius : kRadii)
    {
        struct Sums
        {
            double x = 0, xx = 0, y = 0, xy = 0;
        } sums[3];
        std::size_t count = 0;
        for (const auto& s : samples)
        {
            const double b = (s[0] - line[0].offset) / line[0].slope - s[1];
            const double r = (s[2] - line[2].offset) / line[2].slope - s[1];
            if (b * b + r * r > radius * radius)
                continue;
            for (int c : {0, 2})
            {
                sums[c].x += s[1];
                sums[c].xx += double(s[1]) * s[1];
                sums[c].y += s[c];
                sums[c].xy += double(s[1]) * s[c];
            }
            ++count;
        }
        if (count < enough)
            break;
        const double n = double(count);
        for (int c : {0, 2})
        {
            const double meanX = sums[c].x / n;
            const double meanY = sums[c].y / n;
            const double varX = sums[c].xx / n - meanX * meanX;
            double slope = 1.0;
            if (varX > (kMinSpread / 4) * (kMinSpread / 4))
                slope = std::clamp((sums[c].xy / n - meanX * meanY) / varX, 0.8, 1.25);
            line[c].slope = slope;
            line[c].offset = std::clamp(meanY - slope * meanX, -0.3, 0.3);
        }
    }
    for (int c : {0, 2})
        for (double& v : curves[c])
            v = std::pow(10.0, (std::log10(std::max(v, 1e-9)) - line[c].offset) / line[c].slope);
}

void ScaleCurves(LinearCurves& curves, const std::array<double, 3>& gains)
{
    for (int c = 0; c < 3; ++c)
        for (double& v : curves[c])
            v *= gains[c];
}

double ExposureGain(const LinearCurves& curves, const ChannelHistograms& region, int targetY)
{
    if (region.pixels == 0)
        return 1.0;
    // The mean grows with the gain, so halve the interval in log gain.
    double low = std::log(1.0 / 16.0);
    double high = std::log(16.0);
    if (MeanLuma(curves, region, std::exp(low)) >= targetY)
        return std::exp(low);
    if (MeanLuma(curves, region, std::exp(high)) <= targetY)
        return std::exp(high);
    for (int i = 0; i < 40; ++i)
    {
        const double middle = 0.5 * (low + high);
        if (MeanLuma(curves, region, std::exp(middle)) < targetY)
            low = middle;
        else
            high = middle;
    }
    return std::exp(0.5 * (low + high));
}

std::optional<std::array<std::uint8_t, 256>> ToneCurve(const std::uint8_t table[256])
{
    bool identity = true;
    bool zero = true;
    for (int v = 0; v < 255; ++v)
    {
        identity = identity && table[v] == v;
        zero = zero && table[v] == 0;
    }
    if (identity || zero)
        return std::nullopt;
    std::array<std::uint8_t, 256> curve;
    std::copy(table, table + 255, curve.begin());
    curve[255] = ClampByte(2 * table[254] - table[253]);
    return curve;
}

ByteCurves EncodeCurves(const LinearCurves& curves, const std::uint8_t* toneTable)
{
    ByteCurves bytes;
    for (int c = 0; c < 3; ++c)
    {
        for (int v = 0; v < 256; ++v)
        {
            const auto encoded = std::uint8_t(std::lround(LinearToScan(curves[c][v])));
            bytes[c][v] = toneTable != nullptr ? toneTable[encoded] : encoded;
        }
    }
    return bytes;
}

void ApplyCurves(const BgrView& picture, const ByteCurves& curves, int enhancement)
{
    // One step adds an eighth to the colour distance from grey.
    const int extra = std::clamp(enhancement, 0, 8) * 32;
    ForRowBands(
        picture.height, std::size_t(picture.height) * picture.stride,
        [&](int first, int end)
        {
            for (int y = first; y < end; ++y)
            {
                std::uint8_t* px = picture.Row(y);
                for (int x = 0; x < picture.width; ++x, px += 3)
                {
                    int b = curves[0][px[0]];
                    int g = curves[1][px[1]];
                    int r = curves[2][px[2]];
                    if (extra != 0)
                    {
                        const int luma = tavrel::imaging::Luma(r, g, b);
                        const int spread = std::max({r, g, b}) - std::min({r, g, b});
                        const int factor = 256 + extra * (255 - spread) / 255;
                        b = tavrel::imaging::ClampByte(luma + (((b - luma) * factor) >> 8));
                        g = tavrel::imaging::ClampByte(luma + (((g - luma) * factor) >> 8));
                        r = tavrel::imaging::ClampByte(luma + (((r - luma) * factor) >> 8));
                    }
                    px[0] = std::uint8_t(b);
                    px[1] = std::uint8_t(g);
                    px[2] = std::uint8_t(r);
                }
            }
        },
        RowCost::Compute);
}

} // namespace tavrel::restoration
