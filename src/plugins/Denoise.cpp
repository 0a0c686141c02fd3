#include "plugins/Denoise.h"

#include "imaging/ImageKernels.h"
#include "imaging/cwimage/RowBands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

// The row kernels are built twice, for AVX2 machines and for any x86-64, and
// the loader picks one; the loops are written for the vectoriser.
#define TAVREL_ROW_KERNEL __attribute__((target_clones("arch=x86-64-v3", "default")))

namespace tavrel::restoration
{

namespace
{

// BT.601 luma weights, in the pixel's byte order.
constexpr float kLumaB = 0.114f;
constexpr float kLumaG = 0.587f;
constexpr float kLumaR = 0.299f;

// Thresholds in multiples of the measured noise: the luma keeps what stands
// out of the noise by about this much; colour is smoothed wherever the luma
// does not show an edge.
constexpr double kLumaThreshold = 1.5;
constexpr double kColourThreshold = 3.0;
// Window radii: luma in picture pixels, colour in half-size pixels.
constexpr int kLumaRadius = 2;
constexpr int kColourRadius = 3;
constexpr int kMaxRadius = 12;

// Working memory is kept for the next picture of the same size: memory
// fresh from the system comes zeroed page by page, which for the tens of
// megabytes of planes costs more than the filter itself.
class StorePool
{
public:
    static tavrel::imaging::PixelStore Take(std::size_t bytes)
    {
        {
            std::lock_guard lock(Mutex());
            auto& kept = Kept();
            for (auto it = kept.begin(); it != kept.end(); ++it)
            {
                if (it->Size() == bytes)
                {
                    tavrel::imaging::PixelStore store = std::move(*it);
                    kept.erase(it);
                    return store;
                }
            }
        }
        return tavrel::imaging::PixelStore(bytes);
    }

    static void Give(tavrel::imaging::PixelStore store)
    {
        std::lock_guard lock(Mutex());
        auto& kept = Kept();
        // Only the latest size is worth keeping.
        if (!kept.empty() && kept.front().Size() != store.Size())
            kept.clear();
        if (kept.size() < kKeep)
            kept.push_back(std::move(store));
    }

private:
    static constexpr std::size_t kKeep = 10;
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<tavrel::imaging::PixelStore>& Kept()
    {
        static std::vector<tavrel::imaging::PixelStore> kept;
        return kept;
    }
};

class Plane
{
public:
    Plane(int width, int height)
        : m_width(width), m_height(height),
          m_store(StorePool::Take(std::size_t(width) * std::size_t(height) * sizeof(float)))
    {
    }
    ~Plane()
    {
        if (m_store.Data() != nullptr)
            StorePool::Give(std::move(m_store));
    }
    Plane(Plane&&) = default;
    Plane& operator=(Plane&&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    float* Row(int y) { return Data() + std::size_t(y) * std::size_t(m_width); }
    const float* Row(int y) const
    {
        return reinterpret_cast<const float*>(m_store.Data()) +
               std::size_t(y) * std::size_t(m_width);
    }

private:
    float* Data() { return reinterpret_cast<float*>(m_store.Data()); }

    int m_width;
    int m_height;
    tavrel::imaging::PixelStore m_store;
};

// --- Row kernels -----------------------------------------------------------

// sum[x] = Σ rows[k][x]; with `squares`, also Σ rows[k][x]².
TAVREL_ROW_KERNEL void SumRows(const float* const* rows, int count, int width,
                               float* __restrict sum, float* __restrict squares)
{
    for (int x = 0; x < width; ++x)
    {
        sum[x] = 0.0f;
        if (squares != nullptr)
            squares[x] = 0.0f;
    }
    for (int k = 0; k < count; ++k)
    {
        const float* __restrict row = rows[k];
        if (squares != nullptr)
        {
            for (int x = 0; x < width; ++x)
            {
                sum[x] += row[x];
                squares[x] += row[x] * row[x];
            }
        }
        else
        {
            for (int x = 0; x < width; ++x)
                sum[x] += row[x];
        }
    }
}

// sum[x] = Σ a[k][x] · b[k][x].
TAVREL_ROW_KERNEL void SumRowProducts(const float* const* a, const float* const* b, int count,
                                      int width, float* __restrict sum)
{
    for (int x = 0; x < width; ++x)
        sum[x] = 0.0f;
    for (int k = 0; k < count; ++k)
    {
        const float* __restrict ra = a[k];
        const float* __restrict rb = b[k];
        for (int x = 0; x < width; ++x)
            sum[x] += ra[x] * rb[x];
    }
}

// out[x] = scale · Σ_{k=-r..r} in[x + k]; `in` holds r repeated edge values
// on either side (in[-r] … in[width - 1 + r]).
TAVREL_ROW_KERNEL void HorizontalBox(const float* __restrict in, int width, int r, float scale,
                                     float* __restrict out)
{
    for (int x = 0; x < width; ++x)
        out[x] = in[x - r];
    for (int k = 1 - r; k <= r; ++k)
        for (int x = 0; x < width; ++x)
            out[x] += in[x + k];
    for (int x = 0; x < width; ++x)
        out[x] *= scale;
}

// The self-guided model of each window: a = var / (var + eps), b = mean (1 - a).
TAVREL_ROW_KERNEL void SelfGuidedModel(const float* __restrict mean,
                                       const float* __restrict meanSquare, int width, float eps,
                                       float* __restrict a, float* __restrict b)
{
    for (int x = 0; x < width; ++x)
    {
        const float var = std::max(meanSquare[x] - mean[x] * mean[x], 0.0f);
        const float slope = var / (var + eps);
        a[x] = slope;
        b[x] = mean[x] - slope * mean[x];
    }
}

// A colour difference p guided by the luma I: a = cov(I, p) / (var(I) + eps),
// b = mean(p) - a mean(I), written over mean(p) and mean(I p).
TAVREL_ROW_KERNEL void JointGuidedModel(const float* __restrict meanI,
                                        const float* __restrict meanII, float* __restrict meanP,
                                        float* __restrict meanIP, int width, float eps)
{
    for (int x = 0; x < width; ++x)
    {
        const float var = std::max(meanII[x] - meanI[x] * meanI[x], 0.0f) + eps;
        const float slope = (meanIP[x] - meanI[x] * meanP[x]) / var;
        meanIP[x] = meanP[x] - slope * meanI[x];
        meanP[x] = slope;
    }
}

// q = a · guide + b.
TAVREL_ROW_KERNEL void ApplyModel(const float* __restrict a, const float* __restrict b,
                                  const float* __restrict guide, int width, float* __restrict q)
{
    for (int x = 0; x < width; ++x)
        q[x] = a[x] * guide[x] + b[x];
}

// Half-size row to full width by linear interpolation: half-size sample i
// stands at picture position 2i + 0.5.
TAVREL_ROW_KERNEL void Widen(const float* __restrict half, int halfWidth, int width,
                             float* __restrict full)
{
    full[0] = half[0];
    // Pixels 2i - 1 and 2i lie between samples i - 1 and i.
    const int inner = std::min(halfWidth, (width + 1) / 2);
    for (int i = 1; i < inner; ++i)
    {
        full[2 * i - 1] = 0.75f * half[i - 1] + 0.25f * half[i];
        full[2 * i] = 0.25f * half[i - 1] + 0.75f * half[i];
    }
    if (2 * inner - 1 < width)
        full[2 * inner - 1] = half[halfWidth - 1];
}

// The picture row from the luma model (q = A · luma + B) and the colour
// models (the same, held within [low, high]), back to blue, green, red.
TAVREL_ROW_KERNEL void ComposeRow(std::uint8_t* __restrict px, const float* __restrict luma,
                                  const float* __restrict aY, const float* __restrict bY,
                                  const float* const* __restrict colour, int width)
{
    const float* __restrict aB = colour[0];
    const float* __restrict bB = colour[1];
    const float* __restrict loB = colour[2];
    const float* __restrict hiB = colour[3];
    const float* __restrict aR = colour[4];
    const float* __restrict bR = colour[5];
    const float* __restrict loR = colour[6];
    const float* __restrict hiR = colour[7];
    for (int x = 0; x < width; ++x)
    {
        const float y = luma[x];
        const float qy = aY[x] * y + bY[x];
        const float qb = qy + std::clamp(aB[x] * y + bB[x], loB[x], hiB[x]);
        const float qr = qy + std::clamp(aR[x] * y + bR[x], loR[x], hiR[x]);
        const float qg = (qy - kLumaB * qb - kLumaR * qr) * (1.0f / kLumaG);
        px[3 * x] = std::uint8_t(std::clamp(qb + 0.5f, 0.0f, 255.0f));
        px[3 * x + 1] = std::uint8_t(std::clamp(qg + 0.5f, 0.0f, 255.0f));
        px[3 * x + 2] = std::uint8_t(std::clamp(qr + 0.5f, 0.0f, 255.0f));
    }
}

// --- Passes ----------------------------------------------------------------

void ForRows(int rows, std::size_t bytesPerRow, const std::function<void(int, int)>& fn)
{
    ForRowBands(rows, std::size_t(rows) * bytesPerRow, fn, RowCost::Compute);
}

// Repeats the edge values r times on either side of row[0 … width).
void PadEdges(float* row, int width, int r)
{
    for (int k = 1; k <= r; ++k)
    {
        row[-k] = row[0];
        row[width - 1 + k] = row[width - 1];
    }
}

// One row of luma.
TAVREL_ROW_KERNEL void LumaRow(const std::uint8_t* __restrict px, int width, float* __restrict luma)
{
    for (int x = 0; x < width; ++x)
        luma[x] = kLumaB * px[3 * x] + kLumaG * px[3 * x + 1] + kLumaR * px[3 * x + 2];
}

// Half-size samples of `pairs` full 2 × 2 blocks from two picture rows and
// their luma: the block's luma and its colour differences.
TAVREL_ROW_KERNEL void HalfRow(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
                               const float* __restrict la, const float* __restrict lb, int pairs,
                               float* __restrict luma, float* __restrict blue,
                               float* __restrict red)
{
    for (int i = 0; i < pairs; ++i)
    {
        const int p = 6 * i;
        const float sb = float(a[p] + a[p + 3] + b[p] + b[p + 3]) * 0.25f;
        const float sr = float(a[p + 2] + a[p + 5] + b[p + 2] + b[p + 5]) * 0.25f;
        const float y = (la[2 * i] + la[2 * i + 1] + lb[2 * i] + lb[2 * i + 1]) * 0.25f;
        luma[i] = y;
        blue[i] = sb - y;
        red[i] = sr - y;
    }
}

// Half-size luma and colour differences (blue − luma, red − luma), each
// sample the mean of a 2 × 2 block; odd edges repeat their last row or column.
void Reduce(const BgrView& picture, Plane& halfLuma, Plane& blue, Plane& red)
{
    const int w = halfLuma.Width();
    const int pairs = picture.width / 2;
    ForRows(halfLuma.Height(), picture.stride * 2,
            [&](int first, int end)
            {
                std::vector<float> lumaRows(2 * std::size_t(picture.width));
                float* la = lumaRows.data();
                float* lb = la + picture.width;
                for (int j = first; j < end; ++j)
                {
                    const std::uint8_t* a = picture.Row(2 * j);
                    const std::uint8_t* b = picture.Row(std::min(2 * j + 1, picture.height - 1));
                    LumaRow(a, picture.width, la);
                    LumaRow(b, picture.width, lb);
                    HalfRow(a, b, la, lb, pairs, halfLuma.Row(j), blue.Row(j), red.Row(j));
                    if (pairs < w)
                    {
                        // An odd width: the last column pairs with itself.
                        const int x = 3 * (picture.width - 1);
                        const float sb = float(a[x] + b[x]) * 0.5f;
                        const float sr = float(a[x + 2] + b[x + 2]) * 0.5f;
                        const float y = (la[picture.width - 1] + lb[picture.width - 1]) * 0.5f;
                        halfLuma.Row(j)[pairs] = y;
                        blue.Row(j)[pairs] = sb - y;
                        red.Row(j)[pairs] = sr - y;
                    }
                }
            });
}

// Noise from the median of a Laplacian-like response (zero on planes and
// ramps), which texture and edges barely move: sigma = median / (0.6745 × 6).
double NoiseSigma(const Plane& p)
{
    const int w = p.Width();
    const int h = p.Height();
    if (w < 3 || h < 3)
        return 0.0;
    const std::int64_t inner = std::int64_t(w - 2) * (h - 2);
    const int rowStep = int(std::max<std::int64_t>(1, inner / 200000));
    std::vector<float> responses;
    responses.reserve(std::size_t(inner / rowStep + w));
    for (int y = 1; y < h - 1; y += rowStep)
    {
        const float* u = p.Row(y - 1);
        const float* c = p.Row(y);
        const float* d = p.Row(y + 1);
        for (int x = 1; x < w - 1; ++x)
        {
            const float v = (u[x - 1] + u[x + 1] + d[x - 1] + d[x + 1]) -
                            2.0f * (u[x] + d[x] + c[x - 1] + c[x + 1]) + 4.0f * c[x];
            responses.push_back(std::fabs(v));
        }
    }
    auto middle = responses.begin() + std::ptrdiff_t(responses.size() / 2);
    std::nth_element(responses.begin(), middle, responses.end());
    return double(*middle) / (0.6745 * 6.0);
}

// Pointers to rows y - r … y + r of a plane, edges repeated.
void WindowRows(const Plane& p, int y, int r, const float** rows)
{
    for (int k = -r; k <= r; ++k)
        rows[k + r] = p.Row(std::clamp(y + k, 0, p.Height() - 1));
}

// Window means of a plane, of its square, or of its product with another.
void BoxMeans(const Plane& a, const Plane* b, bool square, int r, Plane& mean, Plane* second)
{
    const int w = a.Width();
    const float scale = 1.0f / float((2 * r + 1) * (2 * r + 1));
    ForRows(a.Height(), std::size_t(w) * 16,
            [&](int first, int end)
            {
                const float* rowsA[2 * kMaxRadius + 1];
                const float* rowsB[2 * kMaxRadius + 1];
                std::vector<float> sums(2 * std::size_t(w + 2 * r));
                float* sum = sums.data() + r;
                float* other = sum + w + 2 * r;
                for (int y = first; y < end; ++y)
                {
                    WindowRows(a, y, r, rowsA);
                    if (b != nullptr)
                    {
                        WindowRows(*b, y, r, rowsB);
                        SumRowProducts(rowsA, rowsB, 2 * r + 1, w, sum);
                        PadEdges(sum, w, r);
                        HorizontalBox(sum, w, r, scale, mean.Row(y));
                        continue;
                    }
                    SumRows(rowsA, 2 * r + 1, w, sum, square ? other : nullptr);
                    PadEdges(sum, w, r);
                    HorizontalBox(sum, w, r, scale, mean.Row(y));
                    if (square)
                    {
                        PadEdges(other, w, r);
                        HorizontalBox(other, w, r, scale, second->Row(y));
                    }
                }
            });
}

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

// lo/hi[x] = least and greatest of three rows' values at x - 1, x, x + 1;
// the rows hold one repeated edge value on either side.
TAVREL_ROW_KERNEL void RangeOfThree(const float* __restrict a, const float* __restrict b,
                                    const float* __restrict c, int width, float* __restrict column,
                                    float* __restrict columnHigh, float* __restrict lo,
                                    float* __restrict hi)
{
    for (int x = -1; x <= width; ++x)
    {
        column[x] = std::min(std::min(a[x], b[x]), c[x]);
        columnHigh[x] = std::max(std::max(a[x], b[x]), c[x]);
    }
    for (int x = 0; x < width; ++x)
    {
        lo[x] = std::min(std::min(column[x - 1], column[x]), column[x + 1]);
        hi[x] = std::max(std::max(columnHigh[x - 1], columnHigh[x]), columnHigh[x + 1]);
    }
}

// lo/hi = least and greatest of q over the 3 × 3 neighbours (edges repeated).
void NeighbourRange(const Plane& q, Plane& lo, Plane& hi)
{
    const int w = q.Width();
    const int h = q.Height();
    ForRows(h, std::size_t(w) * 12,
            [&](int first, int end)
            {
                std::vector<float> buffer(5 * std::size_t(w + 2));
                float* padded[3];
                for (int k = 0; k < 3; ++k)
                    padded[k] = buffer.data() + std::size_t(k) * (w + 2) + 1;
                float* column = buffer.data() + 3 * std::size_t(w + 2) + 1;
                float* columnHigh = column + (w + 2);
                for (int j = first; j < end; ++j)
                {
                    for (int k = 0; k < 3; ++k)
                    {
                        std::memcpy(padded[k], q.Row(std::clamp(j - 1 + k, 0, h - 1)),
                                    sizeof(float) * std::size_t(w));
                        PadEdges(padded[k], w, 1);
                    }
                    RangeOfThree(padded[0], padded[1], padded[2], w, column, columnHigh, lo.Row(j),
                                 hi.Row(j));
                }
            });
}

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
