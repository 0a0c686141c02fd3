#include "imaging/Resample.h"

#include "imaging/ImageKernels.h"
#include "imaging/cwimage/RowBands.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include <immintrin.h>

namespace tavrel::imaging
{

namespace
{

constexpr int kWeightBits = 14;
// Horizontal results keep 6 fractional bits in int16: 1.15 × 255 × 64 fits.
constexpr int kMidShift = 8;
constexpr int kFinalShift = 2 * kWeightBits - kMidShift;

bool CpuHasVectorKernels()
{
    return __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("avx2");
}

std::atomic<bool> g_vectorKernels{CpuHasVectorKernels()};

double CatmullRom(double t)
{
    t = std::fabs(t);
    if (t < 1.0)
        return (1.5 * t - 2.5) * t * t + 1.0;
    if (t < 2.0)
        return ((-0.5 * t + 2.5) * t - 4.0) * t + 2.0;
    return 0.0;
}

// Filter taps of one axis: for output i, source positions start[i] + k
// (k < taps, possibly outside the picture) with weights[i * taps + k].
struct Axis
{
    int taps = 0; // a multiple of 4; unused taps weigh 0
    std::vector<int> start;
    std::vector<std::int16_t> weights;
};

Axis MakeAxis(int srcLen, int dstLen)
{
    Axis axis;
    const double scale = double(dstLen) / double(srcLen);
    const double filterScale = std::min(scale, 1.0);
    const double radius = 2.0 / filterScale;
    int taps = scale >= 1.0 ? 4 : static_cast<int>(std::ceil(2.0 * radius)) + 1;
    taps = (taps + 3) / 4 * 4;
    axis.taps = taps;
    axis.start.resize(dstLen);
    axis.weights.assign(std::size_t(dstLen) * taps, 0);
    std::vector<double> w(taps);
    for (int i = 0; i < dstLen; ++i)
    {
        const double center = (i + 0.5) / scale - 0.5;
        const int start = static_cast<int>(std::floor(center - radius)) + 1;
        double sum = 0.0;
        for (int k = 0; k < taps; ++k)
        {
            w[k] = CatmullRom((start + k - center) * filterScale);
            sum += w[k];
        }
        std::int16_t* out = &axis.weights[std::size_t(i) * taps];
        int total = 0;
        int largest = 0;
        for (int k = 0; k < taps; ++k)
        {
            out[k] = static_cast<std::int16_t>(std::lround(w[k] / sum * (1 << kWeightBits)));
            total += out[k];
            if (out[k] > out[largest])
                largest = k;
        }
        // Exactly one in fixed point, or flat pictures would drift.
        out[largest] = static_cast<std::int16_t>(out[largest] + (1 << kWeightBits) - total);
        axis.start[i] = start;
    }
    return axis;
}

// One source row filtered horizontally into int16 with 6 fractional bits.
void HorizontalScalar(const std::uint8_t* ext, const Axis& axis, int dstWidth, std::int16_t* out)
{
    const int taps = axis.taps;
    for (int x = 0; x < dstWidth; ++x)
    {
        const std::uint8_t* p = ext + std::ptrdiff_t(axis.start[x]) * 3;
        const std::int16_t* w = &axis.weights[std::size_t(x) * taps];
        int b = 0, g = 0, r = 0;
        for (int k = 0; k < taps; ++k, p += 3)
        {
            b += w[k] * p[0];
            g += w[k] * p[1];
            r += w[k] * p[2];
        }
        const int round = 1 << (kMidShift - 1);
        out[3 * x] = static_cast<std::int16_t>((b + round) >> kMidShift);
        out[3 * x + 1] = static_cast<std::int16_t>((g + round) >> kMidShift);
        out[3 * x + 2] = static_cast<std::int16_t>((r + round) >> kMidShift);
    }
}

// Four taps at a time: the 12 bytes of four pixels are regrouped by channel
// so one multiply-add per channel pair covers them. Needs 4 readable bytes
// after the last tap and 2 writable int16 after the last output.
__attribute__((target("sse4.1"))) void HorizontalVector(const std::uint8_t* ext, const Axis& axis,
                                                        int dstWidth, std::int16_t* out)
{
    const int groups = axis.taps / 4;
    const __m128i byChannel = _mm_setr_epi8(0, 3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11, -1, -1, -1, -1);
    const __m128i round = _mm_set1_epi32(1 << (kMidShift - 1));
    for (int x = 0; x < dstWidth; ++x)
    {
        const std::uint8_t* p = ext + std::ptrdiff_t(axis.start[x]) * 3;
        const std::int16_t* w = &axis.weights[std::size_t(x) * axis.taps];
        __m128i bg = _mm_setzero_si128();
        __m128i rr = _mm_setzero_si128();
        for (int j = 0; j < groups; ++j, p += 12, w += 4)
        {
            std::int64_t w4;
            std::memcpy(&w4, w, sizeof w4);
            const __m128i wv = _mm_set1_epi64x(w4);
            const __m128i s =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), byChannel);
            bg = _mm_add_epi32(bg, _mm_madd_epi16(_mm_cvtepu8_epi16(s), wv));
            rr = _mm_add_epi32(rr, _mm_madd_epi16(_mm_cvtepu8_epi16(_mm_srli_si128(s, 8)), wv));
        }
        __m128i sum = _mm_hadd_epi32(bg, rr); // b, g, r, 0
        sum = _mm_srai_epi32(_mm_add_epi32(sum, round), kMidShift);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * x), _mm_packs_epi32(sum, sum));
    }
}

void VerticalScalar(const std::int16_t* const* rows, const std::int16_t* w, int taps, int begin,
                    int length, std::uint8_t* out)
{
    for (int x = begin; x < length; ++x)
    {
        int acc = 0;
        for (int k = 0; k < taps; ++k)
            acc += w[k] * rows[k][x];
        out[x] = ClampByte((acc + (1 << (kFinalShift - 1))) >> kFinalShift);
    }
}

__attribute__((target("avx2"))) void VerticalVector(const std::int16_t* const* rows,
                                                    const std::int16_t* w, int taps, int length,
                                                    std::uint8_t* out)
{
    const __m256i round = _mm256_set1_epi32(1 << (kFinalShift - 1));
    int x = 0;
    for (; x + 16 <= length; x += 16)
    {
        __m256i lo = _mm256_setzero_si256();
        __m256i hi = _mm256_setzero_si256();
        for (int k = 0; k < taps; k += 2)
        {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + x));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + x));
            const __m256i pair = _mm256_set1_epi32(
                int((std::uint32_t(std::uint16_t(w[k + 1])) << 16) | std::uint16_t(w[k])));
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), pair));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), pair));
        }
        lo = _mm256_srai_epi32(_mm256_add_epi32(lo, round), kFinalShift);
        hi = _mm256_srai_epi32(_mm256_add_epi32(hi, round), kFinalShift);
        const __m256i words = _mm256_packs_epi32(lo, hi); // per lane: back in order
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm256_castsi256_si128(bytes));
    }
    VerticalScalar(rows, w, taps, x, length, out);
}

struct Job
{
    const std::uint8_t* src;
    int srcWidth, srcHeight, srcRowBytes;
    std::uint8_t* dst;
    int dstWidth, dstRowBytes;
    const Axis* h;
    const Axis* v;
    int leftMargin, rightMargin; // pixels of edge repetition each side
    bool vector;
};

void RunBand(const Job& job, int firstRow, int endRow)
{
    const int lineLength = job.dstWidth * 3;
    const int taps = job.v->taps;
    const std::size_t extBytes =
        std::size_t(job.leftMargin + job.srcWidth + job.rightMargin) * 3 + 16;
    std::vector<std::uint8_t> ext(extBytes, 0);
    std::vector<std::int16_t> ring(std::size_t(taps) * (lineLength + 16));
    std::vector<int> tag(taps, -1);
    std::vector<const std::int16_t*> rows(taps);

    auto line = [&](int r) -> const std::int16_t*
    {
        const int slot = r % taps;
        std::int16_t* out = ring.data() + std::size_t(slot) * (lineLength + 16);
        if (tag[slot] == r)
            return out;
        const std::uint8_t* in = job.src + std::size_t(r) * job.srcRowBytes;
        std::uint8_t* e = ext.data();
        for (int i = 0; i < job.leftMargin; ++i, e += 3)
            std::memcpy(e, in, 3);
        std::memcpy(e, in, std::size_t(job.srcWidth) * 3);
        e += std::size_t(job.srcWidth) * 3;
        for (int i = 0; i < job.rightMargin; ++i, e += 3)
            std::memcpy(e, in + std::size_t(job.srcWidth - 1) * 3, 3);
        // Tap positions are relative to the picture; shift them past the margin.
        const std::uint8_t* origin = ext.data() + std::size_t(job.leftMargin) * 3;
        if (job.vector)
            HorizontalVector(origin, *job.h, job.dstWidth, out);
        else
            HorizontalScalar(origin, *job.h, job.dstWidth, out);
        tag[slot] = r;
        return out;
    };

    for (int y = firstRow; y < endRow; ++y)
    {
        const int start = job.v->start[y];
        for (int k = 0; k < taps; ++k)
            rows[k] = line(std::clamp(start + k, 0, job.srcHeight - 1));
        const std::int16_t* w = &job.v->weights[std::size_t(y) * taps];
        std::uint8_t* out = job.dst + std::size_t(y) * job.dstRowBytes;
        if (job.vector)
            VerticalVector(rows.data(), w, taps, lineLength, out);
        else
            VerticalScalar(rows.data(), w, taps, 0, lineLength, out);
        std::memset(out + lineLength, 0, std::size_t(job.dstRowBytes - lineLength));
    }
}

} // namespace

void SetResampleVectorKernels(bool enabled)
{
    g_vectorKernels = enabled && CpuHasVectorKernels();
}

bool ResampleBgr24(const std::uint8_t* src, int srcWidth, int srcHeight, int srcRowBytes,
                   std::uint8_t* dst, int dstWidth, int dstHeight, int dstRowBytes)
{
    if (!src || !dst || srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0)
        return false;
    if (srcRowBytes < 3 * srcWidth || dstRowBytes < 3 * dstWidth)
        return false;
    const Axis h = MakeAxis(srcWidth, dstWidth);
    const Axis v = MakeAxis(srcHeight, dstHeight);
    int left = 0, right = 0;
    for (int x = 0; x < dstWidth; ++x)
    {
        left = std::max(left, -h.start[x]);
        right = std::max(right, h.start[x] + h.taps - srcWidth);
    }
    const Job job{src,         srcWidth, srcHeight, srcRowBytes, dst,   dstWidth,
                  dstRowBytes, &h,       &v,        left,        right, g_vectorKernels.load()};
    ForRowBands(
        dstHeight, std::size_t(dstHeight) * std::size_t(dstRowBytes),
        [&job](int first, int end) { RunBand(job, first, end); }, RowCost::Compute);
    return true;
}

} // namespace tavrel::imaging
