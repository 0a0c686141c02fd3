#include "plugins/DenoisePlanes.h"

#include "plugins/DenoiseRows.h"

#include "imaging/cwimage/RowBands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace tavrel::restoration::denoise
{

namespace
{

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

} // namespace

Plane::Plane(int width, int height)
    : m_width(width), m_height(height),
      m_store(StorePool::Take(std::size_t(width) * std::size_t(height) * sizeof(float)))
{
}

Plane::~Plane()
{
    if (m_store.Data() != nullptr)
        StorePool::Give(std::move(m_store));
}

void ForRows(int rows, std::size_t bytesPerRow, const std::function<void(int, int)>& fn)
{
    ForRowBands(rows, std::size_t(rows) * bytesPerRow, fn, RowCost::Compute);
}

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

namespace
{

// Pointers to rows y - r … y + r of a plane, edges repeated.
void WindowRows(const Plane& p, int y, int r, const float** rows)
{
    for (int k = -r; k <= r; ++k)
        rows[k + r] = p.Row(std::clamp(y + k, 0, p.Height() - 1));
}

} // namespace

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

} // namespace tavrel::restoration::denoise
