#include "imaging/ImageKernels.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace tavrel::imaging
{

namespace
{

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Rounds n / d to the nearest integer, halves away from zero (d > 0).
int DivRound(int n, int d)
{
    return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

} // namespace

PixelStore::PixelStore(std::size_t bytes)
{
    if (bytes == 0)
        return;
    void* p = nullptr;
    if (bytes >= 2 * kHugePage)
    {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (posix_memalign(&p, kHugePage, rounded) != 0)
            throw std::bad_alloc();
        // Only advice: the kernel may decline, the memory stays valid.
        madvise(p, rounded, MADV_HUGEPAGE);
    }
    else
    {
        p = std::malloc(bytes);
        if (!p)
            throw std::bad_alloc();
    }
    m_data.reset(static_cast<std::uint8_t*>(p));
    m_size = bytes;
}

void PixelStore::Release::operator()(std::uint8_t* p) const
{
    std::free(p);
}

void PixelStore::Reset()
{
    m_data.reset();
    m_size = 0;
}

int SaturatedChannel(int y, int c, int amount)
{
    amount = std::clamp(amount, kMinSaturation, kMaxSaturation);
    return ClampByte(y + DivRound((c - y) * (100 + amount), 100));
}

void BuildLightTable(int brightness, int contrast, std::uint8_t table[256])
{
    brightness = std::clamp(brightness, -255, 255);
    contrast = std::clamp(contrast, -100, 100);
    for (int v = 0; v < 256; ++v)
        table[v] = ClampByte(128 + DivRound((v - 128) * (100 + contrast), 100) + brightness);
}

ColourPlan::ColourPlan(int saturation, int brightness, int contrast, int r, int g, int b)
{
    std::uint8_t light[256];
    BuildLightTable(brightness, contrast, light);
    const int shift[3] = {std::clamp(b, -255, 255), std::clamp(g, -255, 255),
                          std::clamp(r, -255, 255)};
    bool curvesIdentity = true;
    for (int ch = 0; ch < 3; ++ch)
        for (int v = 0; v < 256; ++v)
        {
            m_curve[ch][v] = ClampByte(light[v] + shift[ch]);
            curvesIdentity = curvesIdentity && m_curve[ch][v] == v;
        }

    m_saturate = saturation != 0;
    m_identity = !m_saturate && curvesIdentity;
    if (!m_saturate)
        return;

    // The saturated value depends on (c - y) only through one rounding, so
    // one line of 511 differences fills every row of the 2-D table.
    const int amount = std::clamp(saturation, kMinSaturation, kMaxSaturation);
    int delta[511];
    for (int d = -255; d <= 255; ++d)
        delta[d + 255] = DivRound(d * (100 + amount), 100);
    m_table2d.reset(new std::uint8_t[3 * 65536]);
    for (int ch = 0; ch < 3; ++ch)
    {
        std::uint8_t* plane = m_table2d.get() + ch * 65536;
        for (int y = 0; y < 256; ++y)
            for (int c = 0; c < 256; ++c)
                plane[y << 8 | c] = m_curve[ch][ClampByte(y + delta[c - y + 255])];
    }
}

void ColourPlan::ApplyRow(std::uint8_t* row, int width) const
{
    if (m_identity)
        return;
    if (!m_saturate)
    {
        const std::uint8_t* cb = m_curve[0];
        const std::uint8_t* cg = m_curve[1];
        const std::uint8_t* cr = m_curve[2];
        for (int x = 0; x < width; ++x, row += 3)
        {
            row[0] = cb[row[0]];
            row[1] = cg[row[1]];
            row[2] = cr[row[2]];
        }
        return;
    }
    const std::uint8_t* tb = m_table2d.get();
    const std::uint8_t* tg = tb + 65536;
    const std::uint8_t* tr = tg + 65536;
    for (int x = 0; x < width; ++x, row += 3)
    {
        const int b = row[0];
        const int g = row[1];
        const int r = row[2];
        const int base = Luma(r, g, b) << 8;
        row[0] = tb[base | b];
        row[1] = tg[base | g];
        row[2] = tr[base | r];
    }
}

} // namespace tavrel::imaging
