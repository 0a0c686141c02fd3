#pragma once
// Per-row colour kernels behind CImageBuffer and the pixel store that
// avoids zero-filling.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace tavrel::imaging
{

// An uninitialised pixel block; large blocks ask for transparent huge pages,
// since first-touch page faults cost more than the arithmetic on 5 MP.
class PixelStore
{
public:
    PixelStore() = default;
    explicit PixelStore(std::size_t bytes);
    std::uint8_t* Data() { return m_data.get(); }
    const std::uint8_t* Data() const { return m_data.get(); }
    std::size_t Size() const { return m_size; }
    void Reset();

private:
    struct Release
    {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Release> m_data;
    std::size_t m_size = 0;
};

// BT.601 luma with 15-bit weights that sum to exactly 1.
inline int Luma(int r, int g, int b)
{
    return (9798 * r + 19235 * g + 3735 * b + 16384) >> 15;
}

inline std::uint8_t ClampByte(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Saturation factor (100 + amount) / 100, amount limited to this range.
constexpr int kMinSaturation = -100;
constexpr int kMaxSaturation = 400;

// The saturated value of channel c of a pixel whose luma is y.
int SaturatedChannel(int y, int c, int amount);

// The brightness/contrast curve: contrast in percent around 128, then the
// brightness offset in levels; both limited as documented in ImageBuffer.h.
void BuildLightTable(int brightness, int contrast, std::uint8_t table[256]);

// Everything Adjust needs, precomputed for one set of amounts. With
// saturation, out = curve_c[sat(luma, c)] through 2-D tables indexed by
// (luma << 8 | c); without, out = curve_c[c].
class ColourPlan
{
public:
    ColourPlan(int saturation, int brightness, int contrast, int r, int g, int b);
    bool IsIdentity() const { return m_identity; }
    void ApplyRow(std::uint8_t* row, int width) const;

private:
    bool m_identity = false;
    bool m_saturate = false;
    std::uint8_t m_curve[3][256];              // blue, green, red
    std::unique_ptr<std::uint8_t[]> m_table2d; // 3 × 65536, blue, green, red
};

} // namespace tavrel::imaging
