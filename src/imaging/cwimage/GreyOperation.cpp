#include "imaging/cwimage/GreyOperation.h"

#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tavrel
{

std::uint8_t CGreyOperation::GreyOf(int red, int green, int blue)
{
    return static_cast<std::uint8_t>(0.299 * red + 0.587 * green + 0.114 * blue);
}

namespace
{

// Thirty-two pixels a step. Per 128-bit lane four pixels become (B, G) and
// (R, 0) pairs of 16-bit values; one multiply-add each gives N = 299 R +
// 587 G + 114 B in 32 bits. floor(N / 1000) = ((N >> 3) × 33555) >> 22 for
// every N up to 255000 (checked for all of them), and 32 bits hold it.
// Steps with a whole multiple of 1000 are redone by the portable kernel.
// Returns the pixels done; loads reach 4 bytes past the last pixel of a step,
// so the last steps of a row are left to the caller.
#if defined(__x86_64__)
__attribute__((target("avx2"))) int GreyRowAvx2(const std::uint8_t* bgr, std::uint8_t* grey, int n)
{
    constexpr int kStep = 32;
    const __m256i bgPairs =
        _mm256_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1, 0, -1, 1, -1, 3,
                         -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
    const __m256i rPairs =
        _mm256_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1, 2, -1, -1, -1,
                         5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    const __m256i bgWeights = _mm256_set1_epi32((587 << 16) | 114);
    const __m256i rWeights = _mm256_set1_epi32(299);
    const __m256i magic = _mm256_set1_epi32(33555);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int x = 0;
    for (; x + kStep + 2 <= n; x += kStep)
    {
        __m256i q[4];
        __m256i exact = _mm256_setzero_si256();
        for (int k = 0; k < 4; ++k)
        {
            const std::uint8_t* p = bgr + 3 * (x + 8 * k);
            const __m256i px = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
            const __m256i sum =
                _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(px, bgPairs), bgWeights),
                                 _mm256_madd_epi16(_mm256_shuffle_epi8(px, rPairs), rWeights));
            q[k] = _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(sum, 3), magic), 22);
            // q × 1000 = q × 1024 − q × 16 − q × 8
            const __m256i whole = _mm256_sub_epi32(
                _mm256_sub_epi32(_mm256_slli_epi32(q[k], 10), _mm256_slli_epi32(q[k], 4)),
                _mm256_slli_epi32(q[k], 3));
            exact = _mm256_or_si256(exact, _mm256_cmpeq_epi32(whole, sum));
        }
        const __m256i bytes =
            _mm256_packus_epi16(_mm256_packus_epi32(q[0], q[1]), _mm256_packus_epi32(q[2], q[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(grey + x),
                            _mm256_permutevar8x32_epi32(bytes, order));
        if (!_mm256_testz_si256(exact, exact))
            CGreyOperation::GreyRowPortable(bgr + 3 * x, grey + x, kStep);
    }
    return x;
}

const bool g_avx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

void CGreyOperation::GreyRow(const std::uint8_t* bgr, std::uint8_t* grey, int n)
{
    int done = 0;
#if defined(__x86_64__)
    if (g_avx2)
        done = GreyRowAvx2(bgr, grey, n);
#endif
    GreyRowPortable(bgr + 3 * done, grey + done, n - done);
}

void CGreyOperation::GreyRowPortable(const std::uint8_t* bgr, std::uint8_t* grey, int n)
{
    // In integers, N = 299 R + 587 G + 114 B is exact and the double formula
    // lies within 1e-12 of N / 1000. Unless N is a multiple of 1000 the
    // truncation of both is the same; on a multiple the double sum may fall
    // just below the integer, so those pixels take the double formula itself.
    // Eight pixels per step with one test for the rare multiples.
    constexpr int kStep = 8;
    int x = 0;
    for (; x + kStep <= n; x += kStep)
    {
        std::uint32_t q[kStep];
        std::uint32_t exact = 0;
        for (int k = 0; k < kStep; ++k)
        {
            const std::uint8_t* p = bgr + 3 * (x + k);
            const std::uint32_t sum = 299u * p[2] + 587u * p[1] + 114u * p[0];
            // floor(sum / 1000) for every sum below 2^24.
            q[k] = std::uint32_t((std::uint64_t(sum) * 4294968u) >> 32);
            exact |= std::uint32_t(sum == q[k] * 1000u);
        }
        for (int k = 0; k < kStep; ++k)
            grey[x + k] = static_cast<std::uint8_t>(q[k]);
        if (exact)
            for (int k = 0; k < kStep; ++k)
            {
                const std::uint8_t* p = bgr + 3 * (x + k);
                grey[x + k] = GreyOf(p[2], p[1], p[0]);
            }
    }
    for (; x < n; ++x)
    {
        const std::uint8_t* p = bgr + 3 * x;
        grey[x] = GreyOf(p[2], p[1], p[0]);
    }
}

int CGreyOperation::Apply(const CDib& source, CDib& destination)
{
    if (source.BitsPerPixel() != 24 || m_method != 0)
        return 0;
    const int w = source.Width(), h = source.Height();
    const int yRes = source.YResolution();
    if (!destination.CreateForOverwrite(w, h, 8, source.XResolution()))
        return 0;
    destination.SetResolution(source.XResolution(), yRes);
    ForRowBands(h, std::size_t(w) * 4 * std::size_t(h),
                [&](int y0, int y1)
                {
                    for (int y = y0; y < y1; ++y)
                        GreyRow(source.Row(y), destination.Row(y), w);
                });
    return 1;
}

} // namespace tavrel
