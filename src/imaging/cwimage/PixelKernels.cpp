#include "imaging/cwimage/PixelKernels.h"

#include <array>
#include <cstring>

namespace tavrel
{

namespace pixelkernels
{

namespace
{

std::uint64_t Load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

void Store64(std::uint8_t* p, std::uint64_t v)
{
    std::memcpy(p, &v, 8);
}

constexpr std::array<std::uint8_t, 256> MakeBitReverse()
{
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i)
    {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b))
                r |= 0x80 >> b;
        t[i] = static_cast<std::uint8_t>(r);
    }
    return t;
}

constexpr std::array<std::uint8_t, 256> kBitReverse = MakeBitReverse();

} // namespace

void InvertBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32)
    {
        const std::uint64_t a = Load64(src + i), b = Load64(src + i + 8);
        const std::uint64_t c = Load64(src + i + 16), d = Load64(src + i + 24);
        Store64(dst + i, ~a);
        Store64(dst + i + 8, ~b);
        Store64(dst + i + 16, ~c);
        Store64(dst + i + 24, ~d);
    }
    for (; i + 8 <= n; i += 8)
        Store64(dst + i, ~Load64(src + i));
    for (; i < n; ++i)
        dst[i] = static_cast<std::uint8_t>(~src[i]);
}

void InvertBits(std::uint8_t* row, int first, int end)
{
    if (first >= end)
        return;
    int firstByte = first >> 3;
    const int lastByte = (end - 1) >> 3;
    const std::uint8_t headMask = static_cast<std::uint8_t>(0xFF >> (first & 7));
    const std::uint8_t tailMask = static_cast<std::uint8_t>(0xFF << (7 - ((end - 1) & 7)));
    if (firstByte == lastByte)
    {
        row[firstByte] ^= headMask & tailMask;
        return;
    }
    row[firstByte] ^= headMask;
    row[lastByte] ^= tailMask;
    ++firstByte;
    if (lastByte > firstByte)
        InvertBytes(row + firstByte, row + firstByte, std::size_t(lastByte - firstByte));
}

void ReverseBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        Store64(dst + n - 8 - i, __builtin_bswap64(Load64(src + i)));
    for (; i < n; ++i)
        dst[n - 1 - i] = src[i];
}

void ReversePixels24(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    // Four pixels (12 bytes) per step: read as two words, write them back
    // with the pixel order turned round.
    std::size_t i = 0;
    std::uint8_t* out = dst + 3 * n;
    for (; i + 4 <= n; i += 4)
    {
        const std::uint8_t* s = src + 3 * i;
        out -= 12;
        std::uint64_t lo;
        std::uint32_t hi;
        std::memcpy(&lo, s, 8);
        std::memcpy(&hi, s + 8, 4);
        const std::uint64_t p0 = lo & 0xFFFFFF;
        const std::uint64_t p1 = (lo >> 24) & 0xFFFFFF;
        const std::uint64_t p2 = (lo >> 48) | (std::uint64_t(hi & 0xFF) << 16);
        const std::uint64_t p3 = hi >> 8;
        const std::uint64_t outLo = p3 | (p2 << 24) | (p1 << 48);
        const std::uint32_t outHi = static_cast<std::uint32_t>((p1 >> 16) | (p0 << 8));
        std::memcpy(out, &outLo, 8);
        std::memcpy(out + 8, &outHi, 4);
    }
    for (; i < n; ++i)
    {
        out -= 3;
        out[0] = src[3 * i];
        out[1] = src[3 * i + 1];
        out[2] = src[3 * i + 2];
    }
}

void ReverseBits(const std::uint8_t* src, std::uint8_t* dst, int width)
{
    if (width <= 0)
        return;
    const int bytes = (width + 7) / 8;
    for (int i = 0; i < bytes; ++i)
        dst[i] = kBitReverse[src[bytes - 1 - i]];
    // The padding bits of the last source byte now lead: shift them out.
    const int shift = bytes * 8 - width;
    if (shift)
    {
        for (int i = 0; i < bytes - 1; ++i)
            dst[i] = static_cast<std::uint8_t>((dst[i] << shift) | (dst[i + 1] >> (8 - shift)));
        dst[bytes - 1] = static_cast<std::uint8_t>(dst[bytes - 1] << shift);
    }
}

void CopyBits(const std::uint8_t* src, std::size_t srcBytes, int first, int width,
              std::uint8_t* dst)
{
    if (width <= 0)
        return;
    const int bytes = (width + 7) / 8;
    const std::uint8_t* s = src + (first >> 3);
    const std::size_t avail = srcBytes - std::size_t(first >> 3);
    const int shift = first & 7;
    if (shift == 0)
    {
        std::memcpy(dst, s, std::size_t(bytes));
    }
    else
    {
        for (int i = 0; i < bytes; ++i)
        {
            const std::uint8_t next = std::size_t(i + 1) < avail ? s[i + 1] : 0;
            dst[i] = static_cast<std::uint8_t>((s[i] << shift) | (next >> (8 - shift)));
        }
    }
    if (width & 7)
        dst[bytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - (width & 7)));
}

} // namespace pixelkernels

} // namespace tavrel
