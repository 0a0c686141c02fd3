#include "capture/Yuy2Converter.h"

#include <immintrin.h>

namespace tavrel
{

namespace
{

// Table entries: the upper 16 bits (arithmetic shift) of a 32-bit expression.
constexpr std::int32_t kRedV0 = -0xB2F480, kRedV = 0x166E9;
constexpr std::int32_t kGreenV0 = 0x5BE900, kGreenV = -0xB6D2;
constexpr std::int32_t kGreenU0 = 0x2C8D00, kGreenU = -0x581A;
constexpr std::int32_t kBlueU0 = -0xE25100, kBlueU = 0x1C5A2;

inline std::uint8_t Clamp(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// One pair of pixels, with the table entries computed as the tables hold them.
#define TAVREL_YUY2_BODY(src, dst, count)                                                          \
    for (std::size_t p = 0; p < (count); ++p)                                                      \
    {                                                                                              \
        const std::int32_t y0 = (src)[4 * p], u = (src)[4 * p + 1];                                \
        const std::int32_t y1 = (src)[4 * p + 2], v = (src)[4 * p + 3];                            \
        const std::int32_t r = (kRedV0 + v * kRedV) >> 16;                                         \
        const std::int32_t g =                                                                     \
            ((kGreenV0 + v * kGreenV) >> 16) + ((kGreenU0 + u * kGreenU) >> 16);                   \
        const std::int32_t b = (kBlueU0 + u * kBlueU) >> 16;                                       \
        (dst)[6 * p + 0] = Clamp(y0 + b);                                                          \
        (dst)[6 * p + 1] = Clamp(y0 + g);                                                          \
        (dst)[6 * p + 2] = Clamp(y0 + r);                                                          \
        (dst)[6 * p + 3] = Clamp(y1 + b);                                                          \
        (dst)[6 * p + 4] = Clamp(y1 + g);                                                          \
        (dst)[6 * p + 5] = Clamp(y1 + r);                                                          \
    }

__attribute__((optimize("O3"))) void PairsScalar(const std::uint8_t* __restrict src,
                                                 std::size_t pairs, std::uint8_t* __restrict dst)
{
    TAVREL_YUY2_BODY(src, dst, pairs)
}

// Entries of four pairs in 32-bit lanes. Each coefficient c is split as
// c = lo + 4 x hi with both halves in 16 bits, and the lane holds (i, 4i), so
// one multiply-add gives c x i exactly; adding the offset and shifting right
// arithmetically then yields the very table entry.
__attribute__((target("ssse3"))) inline __m128i Entry(__m128i index, __m128i coeff, __m128i offset)
{
    const __m128i pair = _mm_or_si128(index, _mm_slli_epi32(index, 18));
    return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pair, coeff), offset), 16);
}

__attribute__((target("ssse3"))) inline __m128i Coeff(std::int32_t c)
{
    const std::int32_t hi = c / 4, lo = c - 4 * hi;
    return _mm_set1_epi32(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) << 16) |
                                                    (static_cast<std::uint16_t>(lo))));
}

__attribute__((target("ssse3"))) void PairsSsse3(const std::uint8_t* __restrict src,
                                                 std::size_t pairs, std::uint8_t* __restrict dst)
{
    const __m128i lowWord = _mm_set1_epi32(0xFFFF), lowByte = _mm_set1_epi16(0xFF);
    const __m128i cr = Coeff(kRedV), cgv = Coeff(kGreenV), cgu = Coeff(kGreenU), cb = Coeff(kBlueU);
    const __m128i or_ = _mm_set1_epi32(kRedV0), ogv = _mm_set1_epi32(kGreenV0);
    const __m128i ogu = _mm_set1_epi32(kGreenU0), ob = _mm_set1_epi32(kBlueU0);
    // Byte k of the 48 output bytes is channel k % 3 of pixel k / 3.
    alignas(16) static const auto masks = []
    {
        struct
        {
            std::uint8_t m[3][3][16]; // [output part][channel b, g, r][byte]
        } t{};
        for (int part = 0; part < 3; ++part)
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 16; ++k)
                {
                    const int byte = 16 * part + k;
                    t.m[part][c][k] = (byte % 3 == c) ? std::uint8_t(byte / 3) : 0x80;
                }
        return t;
    }();
    std::size_t p = 0;
    for (; p + 8 <= pairs; p += 8)
    {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * p + 16));
        const __m128i ya = _mm_and_si128(a, lowByte), yb = _mm_and_si128(b, lowByte);
        const __m128i uva = _mm_srli_epi16(a, 8), uvb = _mm_srli_epi16(b, 8);
        const __m128i ua = _mm_and_si128(uva, lowWord), ub = _mm_and_si128(uvb, lowWord);
        const __m128i va = _mm_srli_epi32(uva, 16), vb = _mm_srli_epi32(uvb, 16);
        const __m128i r = _mm_packs_epi32(Entry(va, cr, or_), Entry(vb, cr, or_));
        const __m128i g = _mm_packs_epi32(_mm_add_epi32(Entry(va, cgv, ogv), Entry(ua, cgu, ogu)),
                                          _mm_add_epi32(Entry(vb, cgv, ogv), Entry(ub, cgu, ogu)));
        const __m128i bl = _mm_packs_epi32(Entry(ua, cb, ob), Entry(ub, cb, ob));
        // Each pair's entries serve its two pixels; packus clamps to 0..255.
        auto channel = [&](__m128i e)
        {
            return _mm_packus_epi16(_mm_add_epi16(ya, _mm_unpacklo_epi16(e, e)),
                                    _mm_add_epi16(yb, _mm_unpackhi_epi16(e, e)));
        };
        const __m128i cB = channel(bl), cG = channel(g), cR = channel(r);
        for (int part = 0; part < 3; ++part)
        {
            const auto* m = masks.m[part];
            const __m128i out = _mm_or_si128(
                _mm_or_si128(
                    _mm_shuffle_epi8(cB, _mm_load_si128(reinterpret_cast<const __m128i*>(m[0]))),
                    _mm_shuffle_epi8(cG, _mm_load_si128(reinterpret_cast<const __m128i*>(m[1])))),
                _mm_shuffle_epi8(cR, _mm_load_si128(reinterpret_cast<const __m128i*>(m[2]))));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 6 * p + 16 * part), out);
        }
    }
    PairsScalar(src + 4 * p, pairs - p, dst + 6 * p);
}

// The same kernel twice over in the two 128-bit lanes of AVX2: lane 0
// carries pixels 0 to 15, lane 1 pixels 16 to 31, so no value crosses lanes.
__attribute__((target("avx2"))) inline __m256i Entry256(__m256i index, __m256i coeff,
                                                        __m256i offset)
{
    const __m256i pair = _mm256_or_si256(index, _mm256_slli_epi32(index, 18));
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(pair, coeff), offset), 16);
}

__attribute__((target("avx2"))) inline __m256i Coeff256(std::int32_t c)
{
    const std::int32_t hi = c / 4, lo = c - 4 * hi;
    return _mm256_set1_epi32(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) << 16) |
                                                       (static_cast<std::uint16_t>(lo))));
}

__attribute__((target("avx2"))) inline __m128i Load128(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Each pair's entries serve its two pixels; packus clamps to 0..255.
__attribute__((target("avx2"))) inline __m256i Channel256(__m256i ya, __m256i yb, __m256i e)
{
    return _mm256_packus_epi16(_mm256_add_epi16(ya, _mm256_unpacklo_epi16(e, e)),
                               _mm256_add_epi16(yb, _mm256_unpackhi_epi16(e, e)));
}

__attribute__((target("avx2"))) void PairsAvx2(const std::uint8_t* __restrict src,
                                               std::size_t pairs, std::uint8_t* __restrict dst)
{
    const __m256i lowWord = _mm256_set1_epi32(0xFFFF), lowByte = _mm256_set1_epi16(0xFF);
    const __m256i cr = Coeff256(kRedV), cgv = Coeff256(kGreenV), cgu = Coeff256(kGreenU),
                  cb = Coeff256(kBlueU);
    const __m256i or_ = _mm256_set1_epi32(kRedV0), ogv = _mm256_set1_epi32(kGreenV0);
    const __m256i ogu = _mm256_set1_epi32(kGreenU0), ob = _mm256_set1_epi32(kBlueU0);
    __m256i masks[3][3];
    for (int part = 0; part < 3; ++part)
        for (int c = 0; c < 3; ++c)
        {
            alignas(16) std::uint8_t m[16];
            for (int k = 0; k < 16; ++k)
            {
                const int byte = 16 * part + k;
                m[k] = (byte % 3 == c) ? std::uint8_t(byte / 3) : 0x80;
            }
            masks[part][c] =
                _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(m)));
        }
    std::size_t p = 0;
    for (; p + 16 <= pairs; p += 16)
    {
        const std::size_t s0 = 4 * p;
        const __m256i a = _mm256_set_m128i(Load128(src + s0 + 32), Load128(src + s0));
        const __m256i b = _mm256_set_m128i(Load128(src + s0 + 48), Load128(src + s0 + 16));
        const __m256i ya = _mm256_and_si256(a, lowByte), yb = _mm256_and_si256(b, lowByte);
        const __m256i uva = _mm256_srli_epi16(a, 8), uvb = _mm256_srli_epi16(b, 8);
        const __m256i ua = _mm256_and_si256(uva, lowWord), ub = _mm256_and_si256(uvb, lowWord);
        const __m256i va = _mm256_srli_epi32(uva, 16), vb = _mm256_srli_epi32(uvb, 16);
        const __m256i r = _mm256_packs_epi32(Entry256(va, cr, or_), Entry256(vb, cr, or_));
        const __m256i g =
            _mm256_packs_epi32(_mm256_add_epi32(Entry256(va, cgv, ogv), Entry256(ua, cgu, ogu)),
                               _mm256_add_epi32(Entry256(vb, cgv, ogv), Entry256(ub, cgu, ogu)));
        const __m256i bl = _mm256_packs_epi32(Entry256(ua, cb, ob), Entry256(ub, cb, ob));
        const __m256i cB = Channel256(ya, yb, bl), cG = Channel256(ya, yb, g),
                      cR = Channel256(ya, yb, r);
        for (int part = 0; part < 3; ++part)
        {
            const __m256i out =
                _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(cB, masks[part][0]),
                                                _mm256_shuffle_epi8(cG, masks[part][1])),
                                _mm256_shuffle_epi8(cR, masks[part][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 6 * p + 16 * part),
                             _mm256_castsi256_si128(out));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 6 * p + 48 + 16 * part),
                             _mm256_extracti128_si256(out, 1));
        }
    }
    PairsSsse3(src + 4 * p, pairs - p, dst + 6 * p);
}

using PairsFn = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*);

PairsFn ChoosePairs()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return PairsAvx2;
    return __builtin_cpu_supports("ssse3") ? PairsSsse3 : PairsScalar;
}

void OddLastPixel(const std::uint8_t* src, std::uint8_t* dst, const Yuy2Tables& t)
{
    // Only Y and U exist for it; V is taken as neutral.
    const int y = src[0], u = src[1], v = 128;
    dst[0] = Clamp(y + t.blueFromU[u]);
    dst[1] = Clamp(y + t.greenFromV[v] + t.greenFromU[u]);
    dst[2] = Clamp(y + t.redFromV[v]);
}

} // namespace

Yuy2Tables BuildYuy2Tables()
{
    Yuy2Tables t{};
    for (int i = 0; i < 256; ++i)
    {
        t.redFromV[i] = static_cast<std::int16_t>((kRedV0 + i * kRedV) >> 16);
        t.greenFromV[i] = static_cast<std::int16_t>((kGreenV0 + i * kGreenV) >> 16);
        t.greenFromU[i] = static_cast<std::int16_t>((kGreenU0 + i * kGreenU) >> 16);
        t.blueFromU[i] = static_cast<std::int16_t>((kBlueU0 + i * kBlueU) >> 16);
    }
    return t;
}

void ConvertYuy2Reference(const std::uint8_t* source, std::size_t pixels, std::uint8_t* bgr,
                          const Yuy2Tables& t)
{
    // Planes as the design splits them: Y from the even bytes, U and V from
    // bytes 1 and 3 of each group; one U, V pair serves two pixels.
    const std::size_t pairs = pixels / 2;
    std::vector<std::uint8_t> y(pixels), u(pairs), v(pairs);
    for (std::size_t i = 0; i < pixels; ++i)
        y[i] = source[2 * i];
    for (std::size_t i = 0; i < pairs; ++i)
    {
        u[i] = source[4 * i + 1];
        v[i] = source[4 * i + 3];
    }
    for (std::size_t i = 0; i < 2 * pairs; ++i)
    {
        const int yy = y[i], uu = u[i / 2], vv = v[i / 2];
        bgr[3 * i + 0] = Clamp(yy + t.blueFromU[uu]);
        bgr[3 * i + 1] = Clamp(yy + t.greenFromV[vv] + t.greenFromU[uu]);
        bgr[3 * i + 2] = Clamp(yy + t.redFromV[vv]);
    }
    if (pixels % 2)
        OddLastPixel(source + 2 * (pixels - 1), bgr + 3 * (pixels - 1), t);
}

void ConvertYuy2(const std::uint8_t* source, std::size_t pixels, std::uint8_t* bgr)
{
    static const PairsFn pairsFn = ChoosePairs();
    pairsFn(source, pixels / 2, bgr);
    if (pixels % 2)
    {
        static const Yuy2Tables tables = BuildYuy2Tables();
        OddLastPixel(source + 2 * (pixels - 1), bgr + 3 * (pixels - 1), tables);
    }
}

} // namespace tavrel
