#pragma once
// The denoiser's float planes and the passes over whole planes: the
// half-size reduction of the picture, the noise estimate, window means and
// neighbour ranges. Passes spread their rows over the worker threads.

#include "plugins/BgrView.h"

#include "imaging/ImageKernels.h"

#include <cstddef>
#include <functional>

namespace tavrel::restoration::denoise
{

// The widest window radius the passes take.
constexpr int kMaxRadius = 12;

// A width × height plane of floats. Its memory comes from, and goes back
// to, a pool that keeps it for the next picture of the same size: memory
// fresh from the system comes zeroed page by page, which for the tens of
// megabytes of planes costs more than the filter itself.
class Plane
{
public:
    Plane(int width, int height);
    ~Plane();
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

// Runs fn(first, end) over bands of `rows` rows on the worker threads.
void ForRows(int rows, std::size_t bytesPerRow, const std::function<void(int, int)>& fn);

// Half-size luma and colour differences (blue − luma, red − luma), each
// sample the mean of a 2 × 2 block; odd edges repeat their last row or column.
void Reduce(const BgrView& picture, Plane& halfLuma, Plane& blue, Plane& red);

// Noise from the median of a Laplacian-like response (zero on planes and
// ramps), which texture and edges barely move: sigma = median / (0.6745 × 6).
double NoiseSigma(const Plane& p);

// Window means (radius r ≤ kMaxRadius) of a plane, of its square
// (`square`, into `second`), or of its product with `b`.
void BoxMeans(const Plane& a, const Plane* b, bool square, int r, Plane& mean, Plane* second);

// lo/hi = least and greatest of q over the 3 × 3 neighbours (edges repeated).
void NeighbourRange(const Plane& q, Plane& lo, Plane& hi);

} // namespace tavrel::restoration::denoise
