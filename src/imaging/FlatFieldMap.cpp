#include "imaging/FlatFieldMap.h"

#include "imaging/ImageKernels.h"
#include "imaging/ScanTransfer.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/AtomicFile.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace tavrel
{

namespace
{

constexpr char kMagic[8] = {'T', 'V', 'F', 'L', 'A', 'T', '\r', '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr int kMaxCells = 256;
constexpr std::size_t kHeaderBytes = 24;
// A frame whose median luma is below this shows no light to measure.
constexpr int kMinLightLevel = 16;
// An empty holder: the cells' light on a smooth surface within about 6% (an
// empty holder stays under 2%, film in it goes far over 50%), and no
// channel under about a third of another (an orange mask; beyond what the
// gains could correct). A cell with more than 5% of a channel's values at
// 255 is clipped: its light comes from the surface fitted to the others,
// when at least a quarter of the cells are left to fit it.
constexpr double kMaxMisfit = 0.06;
constexpr double kClippedCellShare = 0.05;
constexpr double kMinMeasuredShare = 0.25;
constexpr double kMinChannelRatio = 0.35;
// Linear light of encoded 1: keeps logs and ratios of black cells finite.
const double kDarkestLevel = ScanToLinear(1.0);

constexpr double kWeight[3] = {0.114, 0.587, 0.299}; // blue, green, red

// 4 × 4 ordered-dither thresholds in (0, 1).
constexpr float kBayer[4][4] = {{0.5f / 16, 8.5f / 16, 2.5f / 16, 10.5f / 16},
                                {12.5f / 16, 4.5f / 16, 14.5f / 16, 6.5f / 16},
                                {3.5f / 16, 11.5f / 16, 1.5f / 16, 9.5f / 16},
                                {15.5f / 16, 7.5f / 16, 13.5f / 16, 5.5f / 16}};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

std::uint32_t GetU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint32_t Crc(const std::uint8_t* data, std::size_t size)
{
    return std::uint32_t(crc32(crc32(0L, Z_NULL, 0), data, uInt(size)));
}

int Median(const std::array<std::uint32_t, 256>& counts, std::uint32_t total)
{
    std::uint32_t seen = 0;
    for (int v = 0; v < 256; ++v)
    {
        seen += counts[v];
        if (2 * seen > total)
            return v;
    }
    return 255;
}

// Cell c of n over a side of `size` pixels covers [c·size/n, (c+1)·size/n).
int CellEdge(int cell, int cells, int size)
{
    return int(std::int64_t(cell) * size / cells);
}

// What one cell of a frame of the empty holder shows.
struct CellLight
{
    std::array<double, 3> level{}; // median, linear light; blue, green, red
    int luma = 0;                  // of the encoded medians
    bool clipped = false;
};

template <class T> T Middle(std::vector<T> values)
{
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Terms of a polynomial of degree 4 in u and v over the frame: smooth
// enough for any lens and lamp fall-off, too stiff to follow the edges of a
// picture.
constexpr int kTerms = 15;
using Surface = std::array<double, kTerms>;

Surface CellTerms(std::size_t cell)
{
    const int c = int(cell % FlatFieldMap::kColumns);
    const int r = int(cell / FlatFieldMap::kColumns);
    const double u = 2.0 * (c + 0.5) / FlatFieldMap::kColumns - 1.0;
    const double v = 2.0 * (r + 0.5) / FlatFieldMap::kRows - 1.0;
    Surface t{};
    int k = 0;
    for (int degree = 0; degree <= 4; ++degree)
        for (int i = 0; i <= degree; ++i)
            t[k++] = std::pow(u, degree - i) * std::pow(v, i);
    return t;
}

double LogLevel(const CellLight& cell, int channel)
{
    return std::log(std::max(cell.level[channel], kDarkestLevel));
}

// Least squares over the measured (unclipped) cells of the log light of one
// channel: normal equations, Gaussian elimination with partial pivoting.
std::optional<Surface> FitSurface(const std::vector<CellLight>& cells, int channel)
{
    std::array<std::array<double, kTerms + 1>, kTerms> m{};
    for (std::size_t i = 0; i < cells.size(); ++i)
    {
        if (cells[i].clipped)
            continue;
        const Surface t = CellTerms(i);
        const double value = LogLevel(cells[i], channel);
        for (int a = 0; a < kTerms; ++a)
        {
            for (int b = 0; b < kTerms; ++b)
                m[a][b] += t[a] * t[b];
            m[a][kTerms] += t[a] * value;
        }
    }
    for (int col = 0; col < kTerms; ++col)
    {
        int pivot = col;
        for (int r = col + 1; r < kTerms; ++r)
            if (std::abs(m[r][col]) > std::abs(m[pivot][col]))
                pivot = r;
        if (std::abs(m[pivot][col]) < 1e-9)
            return std::nullopt;
        std::swap(m[col], m[pivot]);
        for (int r = 0; r < kTerms; ++r)
        {
            if (r == col)
                continue;
            const double f = m[r][col] / m[col][col];
            for (int c = col; c <= kTerms; ++c)
                m[r][c] -= f * m[col][c];
        }
    }
    Surface fit{};
    for (int r = 0; r < kTerms; ++r)
        fit[r] = m[r][kTerms] / m[r][r];
    return fit;
}

double SurfaceAt(const Surface& fit, std::size_t cell)
{
    const Surface t = CellTerms(cell);
    double sum = 0;
    for (int k = 0; k < kTerms; ++k)
        sum += fit[k] * t[k];
    return sum;
}

// Fits the light of each channel to a smooth surface and gives clipped
// cells the light the surface puts there. Nothing when the measured cells
// stray from it: how far, in natural log units, is the 90th percentile over
// cells and channels, so a few cells of dust or a hair do not count.
bool FitLight(std::vector<CellLight>& cells)
{
    std::vector<double> misfits;
    misfits.reserve(cells.size() * 3);
    for (int ch = 0; ch < 3; ++ch)
    {
        const auto fit = FitSurface(cells, ch);
        if (!fit)
            return false;
        for (std::size_t i = 0; i < cells.size(); ++i)
        {
            const double expected = SurfaceAt(*fit, i);
            if (!cells[i].clipped)
                misfits.push_back(std::abs(LogLevel(cells[i], ch) - expected));
            else
                cells[i].level[ch] = std::max(cells[i].level[ch], std::exp(expected));
        }
    }
    const auto at = misfits.begin() + std::ptrdiff_t(misfits.size() * 9 / 10);
    std::nth_element(misfits.begin(), at, misfits.end());
    return *at <= kMaxMisfit;
}

// A lamp is near white; film (an orange mask, a tinted base) is not.
bool Neutral(const std::vector<CellLight>& cells)
{
    std::array<double, 3> sum{};
    for (const CellLight& cell : cells)
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += cell.level[ch];
    const auto [weakest, strongest] = std::minmax_element(sum.begin(), sum.end());
    return *weakest >= kMinChannelRatio * *strongest;
}

} // namespace

FlatFieldMap::FlatFieldMap(int columns, int rows, std::vector<float> gains)
    : m_columns(columns), m_rows(rows), m_gains(std::move(gains))
{
}

std::optional<FlatFieldMap> FlatFieldMap::FromBlankFrame(const CDib& frame, BlankFrameFault* fault)
{
    auto refuse = [&](BlankFrameFault why) -> std::optional<FlatFieldMap>
    {
        if (fault != nullptr)
            *fault = why;
        return std::nullopt;
    };
    if (fault != nullptr)
        *fault = BlankFrameFault::None;
    if (!frame.HasPixels() || frame.BitsPerPixel() != 24 || frame.Width() < kColumns ||
        frame.Height() < kRows)
        return refuse(BlankFrameFault::WrongFormat);
    const int width = frame.Width();
    const int height = frame.Height();
    std::vector<CellLight> cells(std::size_t(kColumns) * kRows);
    ForRowBands(
        kRows, frame.PixelBytes(),
        [&](int firstRow, int endRow)
        {
            std::vector<std::array<std::array<std::uint32_t, 256>, 3>> counts(kColumns);
            for (int r = firstRow; r < endRow; ++r)
            {
                for (auto& cell : counts)
                    for (auto& channel : cell)
                        channel.fill(0);
                const int top = CellEdge(r, kRows, height);
                const int bottom = CellEdge(r + 1, kRows, height);
                for (int y = top; y < bottom; ++y)
                {
                    const std::uint8_t* row = frame.Row(y);
                    for (int c = 0; c < kColumns; ++c)
                    {
                        auto& cell = counts[c];
                        const int right = CellEdge(c + 1, kColumns, width);
                        for (int x = CellEdge(c, kColumns, width); x < right; ++x)
                        {
                            ++cell[0][row[3 * x]];
                            ++cell[1][row[3 * x + 1]];
                            ++cell[2][row[3 * x + 2]];
                        }
                    }
                }
                for (int c = 0; c < kColumns; ++c)
                {
                    const std::uint32_t total = std::uint32_t(bottom - top) *
                                                std::uint32_t(CellEdge(c + 1, kColumns, width) -
                                                              CellEdge(c, kColumns, width));
                    CellLight& out = cells[std::size_t(r) * kColumns + c];
                    int median[3];
                    for (int ch = 0; ch < 3; ++ch)
                    {
                        median[ch] = Median(counts[c][ch], total);
                        out.level[ch] = ScanToLinear(median[ch]);
                        out.clipped = out.clipped || counts[c][ch][255] > kClippedCellShare * total;
                    }
                    out.luma = imaging::Luma(median[2], median[1], median[0]);
                }
            }
        },
        RowCost::Compute);

    std::vector<int> lumas;
    std::size_t measured = 0;
    for (const CellLight& cell : cells)
    {
        lumas.push_back(cell.luma);
        measured += cell.clipped ? 0 : 1;
    }
    if (Middle(lumas) < kMinLightLevel)
        return refuse(BlankFrameFault::TooDark);
    // Light clipped nearly everywhere (the simulated scanner's negative
    // exposure of the bare light) leaves too little to fit or judge: its
    // cells are taken as they are.
    const bool fitted = double(measured) >= kMinMeasuredShare * double(cells.size());
    if ((fitted && !FitLight(cells)) || !Neutral(cells))
        return refuse(BlankFrameFault::NotEmpty);

    // The level the whole frame is brought to: its brightest cell, so that
    // correcting never darkens a frame (dust only makes cells darker).
    double reference = 0.0;
    for (const CellLight& cell : cells)
        reference = std::max(reference, kWeight[0] * cell.level[0] + kWeight[1] * cell.level[1] +
                                            kWeight[2] * cell.level[2]);

    std::vector<float> gains(cells.size() * 3);
    for (std::size_t i = 0; i < cells.size(); ++i)
        for (int ch = 0; ch < 3; ++ch)
            gains[3 * i + ch] = std::clamp(float(reference / std::max(cells[i].level[ch], 1e-9)),
                                           1.0f / kMaxGain, kMaxGain);
    return FlatFieldMap(kColumns, kRows, std::move(gains));
}

std::optional<FlatFieldMap> FlatFieldMap::Load(const std::string& path, std::string* why)
{
    auto refuse = [&](const char* reason) -> std::optional<FlatFieldMap>
    {
        if (why != nullptr)
            *why = reason;
        return std::nullopt;
    };
    std::vector<std::uint8_t> bytes;
    constexpr std::size_t kLargest = kHeaderBytes + std::size_t(kMaxCells) * kMaxCells * 12 + 4;
    if (!ReadFileBytes(path, bytes, kLargest))
        return refuse("cannot be read");
    if (bytes.size() < kHeaderBytes + 4 || std::memcmp(bytes.data(), kMagic, 8) != 0)
        return refuse("is not a calibration reference");
    if (GetU32(bytes.data() + 8) != kVersion)
        return refuse("has an unknown version");
    const std::uint32_t columns = GetU32(bytes.data() + 12);
    const std::uint32_t rows = GetU32(bytes.data() + 16);
    if (columns < 2 || columns > kMaxCells || rows < 2 || rows > kMaxCells ||
        GetU32(bytes.data() + 20) != 3)
        return refuse("has an impossible grid");
    const std::size_t values = std::size_t(columns) * rows * 3;
    if (bytes.size() != kHeaderBytes + values * 4 + 4)
        return refuse("has the wrong length");
    if (Crc(bytes.data(), bytes.size() - 4) != GetU32(bytes.data() + bytes.size() - 4))
        return refuse("is damaged (checksum)");
    std::vector<float> gains(values);
    for (std::size_t i = 0; i < values; ++i)
    {
        const std::uint32_t raw = GetU32(bytes.data() + kHeaderBytes + 4 * i);
        float gain;
        std::memcpy(&gain, &raw, 4);
        // Written as clamped floats; a tolerance for the rounding of 1/4.
        if (!std::isfinite(gain) || gain < 0.999f / kMaxGain || gain > kMaxGain * 1.001f)
            return refuse("holds a gain out of range");
        gains[i] = gain;
    }
    return FlatFieldMap(int(columns), int(rows), std::move(gains));
}

bool FlatFieldMap::Save(const std::string& path) const
{
    std::vector<std::uint8_t> bytes(kMagic, kMagic + 8);
    PutU32(bytes, kVersion);
    PutU32(bytes, std::uint32_t(m_columns));
    PutU32(bytes, std::uint32_t(m_rows));
    PutU32(bytes, 3);
    for (float gain : m_gains)
    {
        std::uint32_t raw;
        std::memcpy(&raw, &gain, 4);
        PutU32(bytes, raw);
    }
    PutU32(bytes, Crc(bytes.data(), bytes.size()));

    return WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool FlatFieldMap::Apply(CDib& frame) const
{
    if (!frame.HasPixels() || frame.BitsPerPixel() != 24)
        return false;
    const int width = frame.Width();
    const int height = frame.Height();
    // Each grid row widened to the frame once: multipliers on encoded values
    // (a linear gain g is g^(1/gamma) on them), blue, green, red per pixel.
    std::vector<double> encoded(m_gains.size());
    for (std::size_t i = 0; i < m_gains.size(); ++i)
        encoded[i] = EncodedGain(m_gains[i]);
    std::vector<float> widened(std::size_t(m_rows) * width * 3);
    for (int r = 0; r < m_rows; ++r)
    {
        float* out = widened.data() + std::size_t(r) * width * 3;
        for (int x = 0; x < width; ++x)
        {
            // Beyond the outermost cell centres the light keeps falling:
            // extend the last slope over that half cell.
            const double u = (x + 0.5) * m_columns / width - 0.5;
            const int c0 = std::clamp(int(std::floor(u)), 0, m_columns - 2);
            const int c1 = c0 + 1;
            const double f = std::clamp(u - c0, -0.5, 1.5);
            for (int ch = 0; ch < 3; ++ch)
            {
                const double g0 = encoded[(std::size_t(r) * m_columns + c0) * 3 + ch];
                const double g1 = encoded[(std::size_t(r) * m_columns + c1) * 3 + ch];
                out[3 * x + ch] = float(g0 + f * (g1 - g0));
            }
        }
    }
    const int values = 3 * width;
    ForRowBands(
        height, frame.PixelBytes(),
        [&](int first, int end)
        {
            for (int y = first; y < end; ++y)
            {
                const double v = (y + 0.5) * m_rows / height - 0.5;
                const int r0 = std::clamp(int(std::floor(v)), 0, m_rows - 2);
                const int r1 = r0 + 1;
                const float f = float(std::clamp(v - r0, -0.5, 1.5));
                const float* g0 = widened.data() + std::size_t(r0) * values;
                const float* g1 = widened.data() + std::size_t(r1) * values;
                // Ordered dither instead of plain rounding: a smooth gain on
                // 8-bit values would otherwise print contour rings that later
                // steep curves (negatives) make plain to see.
                const float* threshold = kBayer[y & 3];
                std::uint8_t* px = frame.Row(y);
                for (int x = 0, i = 0; x < width; ++x)
                {
                    const float t = threshold[x & 3];
                    for (int ch = 0; ch < 3; ++ch, ++i)
                    {
                        const float m = g0[i] + f * (g1[i] - g0[i]);
                        px[i] = std::uint8_t(std::clamp(float(px[i]) * m + t, 0.0f, 255.0f));
                    }
                }
            }
        },
        RowCost::Compute);
    return true;
}

} // namespace tavrel
