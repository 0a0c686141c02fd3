#include "imaging/cwimage/dib/Dib.h"

#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/CropOperation.h"
#include "imaging/cwimage/FlipOperation.h"
#include "imaging/cwimage/GreyOperation.h"
#include "imaging/cwimage/GreyToRgbOperation.h"
#include "imaging/cwimage/InvertOperation.h"
#include "imaging/cwimage/RotateOperation.h"
#include "imaging/cwimage/ShrinkOperation.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include <sys/mman.h>

namespace tavrel
{

namespace
{

constexpr int kMinLoadDpi = 75;
constexpr int kMaxLoadDpi = 1200;
constexpr int kDefaultDpi = 300;
constexpr int kNameCapacity = 255;

// Pictures of several megabytes get pages of their own, in huge pages where
// the system allows: fresh anonymous pages are zero already (no memset for
// Create) and a 2 MB page faults in once instead of 512 times.
constexpr std::size_t kOwnPagesBytes = std::size_t(4) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::uint8_t* AllocatePixels(std::size_t bytes, bool& zeroed)
{
    zeroed = false;
    if (bytes < kOwnPagesBytes)
        return new (std::nothrow) std::uint8_t[bytes];
    const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    // Over-allocated by one huge page and trimmed to a huge-page boundary.
    void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        ::munmap(raw, aligned - start);
    if (const std::size_t tail = kHugePage - (aligned - start); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + length), tail);
    ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    zeroed = true;
    return reinterpret_cast<std::uint8_t*>(aligned);
}

void FreePixels(std::uint8_t* pixels, std::size_t bytes)
{
    if (!pixels)
        return;
    if (bytes < kOwnPagesBytes)
        delete[] pixels;
    else
        ::munmap(pixels, (bytes + kHugePage - 1) / kHugePage * kHugePage);
}

// UTF-8 to UTF-16; malformed bytes become U+FFFD so a name is always produced.
std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size())
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        int extra = 0;
        if (c < 0x80)
            cp = c;
        else if ((c & 0xE0) == 0xC0)
            cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0)
            cp = c & 0x0F, extra = 2;
        else if ((c & 0xF8) == 0xF0)
            cp = c & 0x07, extra = 3;
        else
            extra = -1;
        ++i;
        if (extra < 0)
        {
            out.push_back(u'\uFFFD');
            continue;
        }
        bool ok = true;
        for (int k = 0; k < extra; ++k)
        {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
            ++i;
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp >= 0x10000)
        {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
        else
        {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace

CDib::CDib() : m_codec(std::make_unique<CImageCodec>()) {}

CDib::CDib(const CDib& other) : CDib()
{
    // The copy covers every byte, padding included.
    if (other.HasPixels() && CreateForOverwrite(other.m_width, other.m_height, other.m_bitsPerPixel,
                                                other.m_xResolution))
    {
        std::memcpy(m_pixels, other.m_pixels, other.PixelBytes());
        m_yResolution = other.m_yResolution;
    }
}

CDib::~CDib()
{
    Free();
}

int CDib::RowSizeFor(int width, int bitsPerPixel)
{
    switch (bitsPerPixel)
    {
    case 1:
        return ((width + 31) / 32) * 4;
    case 8:
        return ((width + 3) / 4) * 4;
    case 24:
        return ((3 * width + 3) / 4) * 4;
    default:
        return 0;
    }
}

int CDib::Create(int width, int height, int bitsPerPixel, int dpi)
{
    return Allocate(width, height, bitsPerPixel, dpi, true);
}

int CDib::CreateForOverwrite(int width, int height, int bitsPerPixel, int dpi)
{
    return Allocate(width, height, bitsPerPixel, dpi, false);
}

int CDib::Allocate(int width, int height, int bitsPerPixel, int dpi, bool zeroAll)
{
    const bool validDepth = bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 24;
    // Keeps 3 * width + 3 and height * rowSize inside their types.
    if (!validDepth || width < 0 || height < 0 || width > (std::numeric_limits<int>::max() - 3) / 3)
    {
        Free();
        return 0;
    }
    const int rowSize = RowSizeFor(width, bitsPerPixel);
    const std::size_t bytes = std::size_t(rowSize) * std::size_t(height);
    if (height > 0 && bytes / std::size_t(height) != std::size_t(rowSize))
    {
        Free();
        return 0;
    }

    bool zeroed = false;
    const bool reuse = !zeroAll && HasPixels() && PixelBytes() == bytes && m_height == height &&
                       m_rowSize == rowSize;
    if (!reuse)
    {
        Free();
        // A 0 × n or n × 0 picture still has (empty) pixels, so allocate at least one.
        const std::size_t capacity = bytes ? bytes : 1;
        std::uint8_t* pixels = AllocatePixels(capacity, zeroed);
        std::uint8_t** rows = new (std::nothrow) std::uint8_t*[height ? height : 1];
        if (!pixels || !rows)
        {
            FreePixels(pixels, capacity);
            delete[] rows;
            return 0;
        }
        m_pixels = pixels;
        m_pixelCapacity = capacity;
        m_rowTable = rows;
        for (int y = 0; y < height; ++y)
            m_rowTable[y] = m_pixels + std::size_t(y) * std::size_t(rowSize);
    }
    if (zeroAll)
    {
        if (!zeroed)
            std::memset(m_pixels, 0, bytes ? bytes : 1);
    }
    else
    {
        const std::size_t used = bitsPerPixel == 1   ? std::size_t(width + 7) / 8
                                 : bitsPerPixel == 8 ? std::size_t(width)
                                                     : std::size_t(width) * 3;
        if (used < std::size_t(rowSize))
            for (int y = 0; y < height; ++y)
                std::memset(m_rowTable[y] + used, 0, std::size_t(rowSize) - used);
    }
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_rowSize = rowSize;
    m_xResolution = dpi;
    m_yResolution = dpi;
    return 1;
}

void CDib::Free()
{
    delete[] m_rowTable;
    FreePixels(m_pixels, m_pixelCapacity);
    m_rowTable = nullptr;
    m_pixels = nullptr;
    m_pixelCapacity = 0;
    m_width = 0;
    m_height = 0;
    m_bitsPerPixel = 0;
    m_rowSize = 0;
}

int CDib::CopyFrom(const CDib& other)
{
    if (!other.HasPixels())
        return 0;
    if (&other == this)
        return 1;
    if (!CreateForOverwrite(other.m_width, other.m_height, other.m_bitsPerPixel,
                            other.m_xResolution))
        return 0;
    std::memcpy(m_pixels, other.m_pixels, other.PixelBytes());
    m_yResolution = other.m_yResolution;
    return 1;
}

void CDib::Swap(CDib& other) noexcept
{
    std::swap(m_rowTable, other.m_rowTable);
    std::swap(m_pixels, other.m_pixels);
    std::swap(m_pixelCapacity, other.m_pixelCapacity);
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_bitsPerPixel, other.m_bitsPerPixel);
    std::swap(m_rowSize, other.m_rowSize);
    std::swap(m_xResolution, other.m_xResolution);
    std::swap(m_yResolution, other.m_yResolution);
    char16_t name[256];
    std::memcpy(name, m_name, sizeof name);
    std::memcpy(m_name, other.m_name, sizeof name);
    std::memcpy(other.m_name, name, sizeof name);
}

void CDib::SetName(const std::string& path)
{
    const std::u16string wide = Utf8ToUtf16(path);
    std::size_t n = wide.size();
    if (n > kNameCapacity)
    {
        n = kNameCapacity;
        // Do not keep half of a surrogate pair.
        if (wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF)
            --n;
    }
    std::memcpy(m_name, wide.data(), n * sizeof(char16_t));
    m_name[n] = u'\0';
}

int CDib::LoadFile(const std::string& path)
{
    Free();
    const int loaded = m_codec->Load(*this, path, 0);
    SetName(path);
    if (m_xResolution < kMinLoadDpi || m_xResolution > kMaxLoadDpi)
    {
        m_xResolution = kDefaultDpi;
        m_yResolution = kDefaultDpi;
    }
    return loaded;
}

int CDib::SaveFile(const std::string& path, std::uint32_t formatCode)
{
    return m_codec->Save(*this, path, formatCode);
}

namespace
{

int Run(CImageOperation& operation, CDib* destination)
{
    return destination ? operation.ApplyTo(*destination) : operation.ApplyInPlace();
}

} // namespace

int CDib::Invert(CDib* destination, int left, int top, int right, int bottom)
{
    CInvertOperation op(*this, left, top, right, bottom);
    return Run(op, destination);
}

int CDib::ConvertToGrey(CDib* destination, int method)
{
    CGreyOperation op(*this, method);
    return Run(op, destination);
}

int CDib::GreyToRgb(CDib* destination)
{
    if (!destination)
        return 0;
    CGreyToRgbOperation op(*this);
    return op.ApplyTo(*destination);
}

int CDib::FlipVertical(CDib* destination)
{
    CFlipOperation op(*this);
    return Run(op, destination);
}

int CDib::Rotate(CDib* destination, int turn, int angle)
{
    CRotateOperation op(*this, turn, angle);
    return Run(op, destination);
}

int CDib::Crop(CDib* destination, int left, int top, int right, int bottom)
{
    CCropOperation op(*this, left, top, right, bottom);
    return Run(op, destination);
}

int CDib::ShrinkByFactor(CDib* destination, int factor)
{
    if (!destination)
        return 0;
    CShrinkOperation op(*this, factor);
    return op.ApplyTo(*destination);
}

} // namespace tavrel
