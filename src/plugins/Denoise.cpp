#include "plugins/Denoise.h"

#include "plugins/DenoisePlanes.h"
#include "plugins/DenoiseRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace tavrel::restoration
{

using namespace denoise;

namespace
{

// Thresholds in multiples of the measured noise: the luma keeps what stands
// out of the noise by about this much; colour is smoothed wherever the luma
// does not show an edge.
constexpr double kLumaThreshold = 1.5;
constexpr double kColourThreshold = 3.0;
// Window radii: luma in picture pixels, colour in half-size pixels.
constexpr int kLumaRadius = 2;
constexpr int kColourRadius = 3;

// Colour: window statistics of the half-size planes, the joint model of each
// window and the mean model over the windows. The model is applied at full
// size with the full-size luma as guide, which keeps colour edges as sharp as
// the luma's; but a model fitted at half size does not know luma detail finer
// than that (line pairs, grain), so the result is held within the range its
// half-size neighbours give.
struct ColourModel
{
    const Plane* slope[2];  // blue, red
    const Plane* offset[2]; // blue, red
    const Plane* low[2];    // the 3 × 3 neighbours' least filtered value
    const Plane* high[2];   // and greatest
};

ColourModel FilterColour(Plane& halfLuma, Plane& blue, Plane& red, int r, float eps,
                         std::vector<Plane>& scratch)
{
    const int w = halfLuma.Width();
    const int h = halfLuma.Height();
    Plane& meanI = scratch[0];
    Plane& meanII = scratch[1];
    Plane& meanB = scratch[2];
    Plane& meanIB = scratch[3];
    Plane& meanR = scratch[4];
    Plane& meanIR = scratch[5];
    BoxMeans(halfLuma, nullptr, true, r, meanI, &meanII);
    BoxMeans(blue, nullptr, false, r, meanB, nullptr);
    BoxMeans(halfLuma, &blue, false, r, meanIB, nullptr);
    BoxMeans(red, nullptr, false, r, meanR, nullptr);
    BoxMeans(halfLuma, &red, false, r, meanIR, nullptr);
    ForRows(
        h, std::size_t(w) * 24,
        [&](int first, int end)
        {
            for (int j = first; j < end; ++j)
            {
                JointGuidedModel(meanI.Row(j), meanII.Row(j), meanB.Row(j), meanIB.Row(j), w, eps);
                JointGuidedModel(meanI.Row(j), meanII.Row(j), meanR.Row(j), meanIR.Row(j), w, eps);
            }
        });
    // The luma statistics are spent; they and the inputs take the results.
    BoxMeans(meanB, nullptr, false, r, meanI, nullptr);
    BoxMeans(meanIB, nullptr, false, r, meanII, nullptr);
    BoxMeans(meanR, nullptr, false, r, meanB, nullptr);
    BoxMeans(meanIR, nullptr, false, r, meanIB, nullptr);
    ForRows(h, std::size_t(w) * 24,
            [&](int first, int end)
            {
                for (int j = first; j < end; ++j)
                {
                    ApplyModel(meanI.Row(j), meanII.Row(j), halfLuma.Row(j), w, blue.Row(j));
                    ApplyModel(meanB.Row(j), meanIB.Row(j), halfLuma.Row(j), w, red.Row(j));
                }
            });
    NeighbourRange(blue, meanR, meanIR);
    NeighbourRange(red, halfLuma, scratch[6]);
    return {{&meanI, &meanB}, {&meanII, &meanIB}, {&meanR, &halfLuma}, {&meanIR, &scratch[6]}};
}

// The full-size pass. The luma's guided filter runs down each band with
// rings of luma rows and per-row models, so no full-size plane is stored; the
// colour models are widened from the half-size grid. A band reads up to 2r
// rows beyond its ends, so the rows its neighbours read are written only
// after every band is done.
void Compose(const BgrView& picture, int r, float eps, const ColourModel& model)
{
    const int width = picture.width;
    const int height = picture.height;
    const int window = 2 * r + 1;
    const int lumaWindow = 4 * r + 1;
    const int halfWidth = model.slope[0]->Width();
    const int halfHeight = model.slope[0]->Height();
    const float scale = 1.0f / float(window * window);
    const std::size_t rowBytes = std::size_t(width) * 3;
    struct Deferred
    {
        int first;
        std::vector<std::uint8_t> bytes;
    };
    std::mutex deferredMutex;
    std::vector<Deferred> deferred;

    ForRows(
        height, picture.stride * 4,
        [&](int first, int end)
        {
            const std::size_t padded = std::size_t(width + 2 * r);
            std::vector<float> lumaRing(std::size_t(lumaWindow) * std::size_t(width));
            std::vector<float> modelRing(2 * std::size_t(window) * std::size_t(width));
            std::vector<float> sums(2 * padded);
            std::vector<float> rows(12 * std::size_t(width) + 8 * std::size_t(halfWidth));
            float* sum = sums.data() + r;
            float* squares = sum + padded;
            float* mean = rows.data();
            float* meanSquare = mean + width;
            float* aY = meanSquare + width;
            float* bY = aY + width;
            float* colour[8];
            float* half[8];
            for (int p = 0; p < 8; ++p)
            {
                colour[p] = bY + width * (1 + p);
                half[p] = rows.data() + 12 * std::size_t(width) + std::size_t(p) * halfWidth;
            }
            // Rows next to a neighbouring band wait until all bands are done.
            const int heldTop = first > 0 ? std::min(first + 2 * r, end) : first;
            const int heldBottom = end < height ? std::max(end - 2 * r, heldTop) : end;
            std::vector<std::uint8_t> held(std::size_t(heldTop - first + end - heldBottom) *
                                           rowBytes);
            std::vector<std::uint8_t> scratchRow(rowBytes);

            auto slot = [](int v, int size) { return ((v % size) + size) % size; };
            // Luma of (virtual) row v, edges repeated.
            auto lumaRow = [&](int v)
            { return lumaRing.data() + std::size_t(slot(v, lumaWindow)) * width; };
            auto modelRow = [&](int v, int which) {
                return modelRing.data() +
                       (std::size_t(slot(v, window)) * 2 + std::size_t(which)) * width;
            };
            auto readLuma = [&](int v)
            { LumaRow(picture.Row(std::clamp(v, 0, height - 1)), width, lumaRow(v)); };
            const float* windowRows[4 * kMaxRadius + 1];
            auto lumaModel = [&](int v)
            {
                for (int k = -r; k <= r; ++k)
                    windowRows[k + r] = lumaRow(v + k);
                SumRows(windowRows, window, width, sum, squares);
                PadEdges(sum, width, r);
                PadEdges(squares, width, r);
                HorizontalBox(sum, width, r, scale, mean);
                HorizontalBox(squares, width, r, scale, meanSquare);
                SelfGuidedModel(mean, meanSquare, width, eps, modelRow(v, 0), modelRow(v, 1));
            };
            for (int v = first - 2 * r; v < first + 2 * r; ++v)
                readLuma(v);
            for (int v = first - r; v < first + r; ++v)
                lumaModel(v);

            const Plane* colourPlanes[8] = {model.slope[0], model.offset[0], model.low[0],
                                            model.high[0],  model.slope[1],  model.offset[1],
                                            model.low[1],   model.high[1]};
            const float* ringA[2 * kMaxRadius + 1];
            const float* ringB[2 * kMaxRadius + 1];
            for (int y = first; y < end; ++y)
            {
                readLuma(y + 2 * r);
                lumaModel(y + r);
                for (int k = 0; k < window; ++k)
                {
                    ringA[k] = modelRow(y - r + k, 0);
                    ringB[k] = modelRow(y - r + k, 1);
                }
                SumRows(ringA, window, width, sum, nullptr);
                PadEdges(sum, width, r);
                HorizontalBox(sum, width, r, scale, aY);
                SumRows(ringB, window, width, sum, nullptr);
                PadEdges(sum, width, r);
                HorizontalBox(sum, width, r, scale, bY);

                // Row y lies between half-size rows (y - 1) / 2 and (y + 1) / 2.
                const int j0 = std::max((y - 1) >> 1, 0);
                const int j1 = std::min((y + 1) >> 1, halfHeight - 1);
                const float w1 = (y & 1) ? 0.25f : 0.75f;
                for (int p = 0; p < 8; ++p)
                {
                    const float* r0 = colourPlanes[p]->Row(j0);
                    const float* r1 = colourPlanes[p]->Row(j1);
                    for (int i = 0; i < halfWidth; ++i)
                        half[p][i] = r0[i] + w1 * (r1[i] - r0[i]);
                    Widen(half[p], halfWidth, width, colour[p]);
                }
                std::uint8_t* out = picture.Row(y);
                if (y < heldTop)
                    out = held.data() + std::size_t(y - first) * rowBytes;
                else if (y >= heldBottom)
                    out = held.data() + std::size_t(heldTop - first + y - heldBottom) * rowBytes;
                if (out != picture.Row(y))
                    std::memcpy(out, picture.Row(y), rowBytes);
                ComposeRow(out, lumaRow(y), aY, bY, colour, width);
            }
            std::lock_guard lock(deferredMutex);
            if (heldTop > first)
                deferred.push_back(
                    {first, std::vector<std::uint8_t>(
                                held.begin(),
                                held.begin() + std::ptrdiff_t((heldTop - first) * rowBytes))});
            if (end > heldBottom)
                deferred.push_back(
                    {heldBottom,
                     std::vector<std::uint8_t>(
                         held.begin() + std::ptrdiff_t((heldTop - first) * rowBytes), held.end())});
        });
    for (const Deferred& rows : deferred)
        for (std::size_t i = 0; i * rowBytes < rows.bytes.size(); ++i)
            std::memcpy(picture.Row(rows.first + int(i)), rows.bytes.data() + i * rowBytes,
                        rowBytes);
}

} // namespace

NoiseLevels DenoisePicture(const BgrView& picture, const DenoiseSettings& settings,
                           const ProgressSink& progress)
{
    NoiseLevels noise;
    if (picture.pixels == nullptr || picture.width < 4 || picture.height < 4)
        return noise;
    constexpr int kSteps = 3;
    auto report = [&](int done)
    {
        if (progress)
            progress(done, kSteps);
    };
    report(0);
    const double strength = std::clamp(settings.strength, 0.25, 8.0);
    const int w = (picture.width + 1) / 2;
    const int h = (picture.height + 1) / 2;

    Plane halfLuma(w, h), blue(w, h), red(w, h);
    Reduce(picture, halfLuma, blue, red);
    // The half-size luma has half the noise of the picture's.
    noise.luma = NoiseSigma(halfLuma);
    noise.blueDifference = NoiseSigma(blue);
    noise.redDifference = NoiseSigma(red);
    report(1);

    // A floor keeps flat areas of a clean picture from dividing 0 by 0.
    const auto square = [](double v) { return float(std::max(v * v, 0.01)); };
    const float lumaEps = square(kLumaThreshold * strength * 2.0 * noise.luma);
    const float colourEps = square(kColourThreshold * strength * noise.luma);
    const int colourRadius =
        std::clamp(int(std::lround(kColourRadius * std::sqrt(strength))), 1, kMaxRadius);

    std::vector<Plane> scratch;
    for (int i = 0; i < 7; ++i)
        scratch.emplace_back(w, h);
    const ColourModel model = FilterColour(halfLuma, blue, red, colourRadius, colourEps, scratch);
    report(2);
    Compose(picture, kLumaRadius, lumaEps, model);
    report(kSteps);
    return noise;
}

} // namespace tavrel::restoration
