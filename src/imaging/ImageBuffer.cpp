#include "imaging/ImageBuffer.h"

#include "imaging/Resample.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cstring>

namespace tavrel
{

using tavrel::imaging::ColourPlan;
using tavrel::imaging::PixelStore;

namespace
{

constexpr std::uint32_t kFormatTiffPlain = 0x01000000;
constexpr int kNewPictureDpi = 300;

int PaddedRowBytes(int width)
{
    return (3 * width + 3) / 4 * 4;
}

} // namespace

CImageBuffer::CImageBuffer() = default;
CImageBuffer::~CImageBuffer() = default;

bool CImageBuffer::CreateFromArray(const std::uint8_t* bits, int width, int height,
                                   int bitsPerPixel, int rowBytes, bool flipVertical)
{
    Destroy();
    if (!bits || width <= 0 || height <= 0 || bitsPerPixel != 24 || rowBytes < 3 * width)
        return false;
    m_bits = PixelStore(std::size_t(height) * std::size_t(rowBytes));
    m_width = width;
    m_height = height;
    m_rowBytes = rowBytes;
    if (!flipVertical)
    {
        std::memcpy(m_bits.Data(), bits, m_bits.Size());
        return true;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(m_bits.Data() + std::size_t(y) * rowBytes,
                    bits + std::size_t(height - 1 - y) * rowBytes, std::size_t(rowBytes));
    return true;
}

bool CImageBuffer::Apply(const ColourPlan& plan)
{
    if (!IsValid())
        return false;
    if (plan.IsIdentity())
        return true;
    ForRowBands(
        m_height, std::size_t(m_height) * std::size_t(m_rowBytes),
        [&](int first, int end)
        {
            for (int y = first; y < end; ++y)
                plan.ApplyRow(m_bits.Data() + std::size_t(y) * m_rowBytes, m_width);
        },
        RowCost::Compute);
    return true;
}

bool CImageBuffer::Saturate(int amount, int colourSpace)
{
    if (colourSpace != 2)
        return false;
    return Apply(ColourPlan(amount, 0, 0, 0, 0, 0));
}

bool CImageBuffer::Light(int brightness, int contrast)
{
    return Apply(ColourPlan(0, brightness, contrast, 0, 0, 0));
}

bool CImageBuffer::ShiftRGB(int r, int g, int b)
{
    return Apply(ColourPlan(0, 0, 0, r, g, b));
}

bool CImageBuffer::Adjust(int saturation, int brightness, int contrast, int r, int g, int b)
{
    return Apply(ColourPlan(saturation, brightness, contrast, r, g, b));
}

bool CImageBuffer::Resample(int newWidth, int newHeight, int /*method*/)
{
    if (!IsValid() || newWidth <= 0 || newHeight <= 0)
        return false;
    const int rowBytes = PaddedRowBytes(newWidth);
    PixelStore out(std::size_t(newHeight) * std::size_t(rowBytes));
    if (!tavrel::imaging::ResampleBgr24(m_bits.Data(), m_width, m_height, m_rowBytes, out.Data(),
                                        newWidth, newHeight, rowBytes))
        return false;
    m_bits = std::move(out);
    m_width = newWidth;
    m_height = newHeight;
    m_rowBytes = rowBytes;
    return true;
}

bool CImageBuffer::Load(const std::string& path, int formatNumber)
{
    Destroy();
    if (formatNumber <= 0)
        return false;
    CDib dib;
    if (dib.LoadFile(path) != 1 || !dib.HasPixels())
        return false;
    if (dib.BitsPerPixel() == 1 && dib.ConvertToGrey(nullptr) != 1)
        return false;
    if (dib.BitsPerPixel() == 8 && dib.GreyToRgb(nullptr) != 1)
        return false;
    if (dib.BitsPerPixel() != 24)
        return false;
    return CreateFromArray(dib.Pixels(), dib.Width(), dib.Height(), 24, dib.RowSize());
}

bool CImageBuffer::Save(const std::string& path, int formatNumber)
{
    if (!IsValid())
        return false;
    std::uint32_t code = 0;
    switch (formatNumber)
    {
    case 1:
        code = kFormatBmp;
        break;
    case 3:
        code = kFormatJpeg95;
        break;
    case 6:
        code = kFormatTiffPlain;
        break;
    default:
        return false;
    }
    CDib dib;
    if (dib.Create(m_width, m_height, 24, kNewPictureDpi) != 1)
        return false;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(dib.Row(y), m_bits.Data() + std::size_t(y) * m_rowBytes,
                    std::size_t(m_width) * 3);
    return dib.SaveFile(path, code) == 1;
}

bool CImageBuffer::IsValid() const
{
    return m_bits.Data() != nullptr && m_width > 0 && m_height > 0;
}

int CImageBuffer::GetWidth() const
{
    return m_width;
}

int CImageBuffer::GetHeight() const
{
    return m_height;
}

int CImageBuffer::GetRowBytes() const
{
    return m_rowBytes;
}

std::uint8_t* CImageBuffer::GetBits(int row)
{
    if (!IsValid() || row < 0 || row >= m_height)
        return nullptr;
    return m_bits.Data() + std::size_t(row) * m_rowBytes;
}

void CImageBuffer::Destroy()
{
    m_bits.Reset();
    m_width = 0;
    m_height = 0;
    m_rowBytes = 0;
}

} // namespace tavrel
