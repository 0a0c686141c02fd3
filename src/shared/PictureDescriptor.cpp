#include "shared/PictureDescriptor.h"

namespace tavrel
{

namespace
{

void PutInt32(DescriptorBytes& bytes, std::size_t offset, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t GetInt32(const std::uint8_t* bytes, std::size_t offset)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(bytes[offset + i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

bool PutPath(DescriptorBytes& bytes, std::size_t offset, const std::u16string& path)
{
    if (path.size() > kDescriptorMaxPathUnits)
        return false;
    for (std::size_t i = 0; i < path.size(); ++i)
    {
        const char16_t unit = path[i];
        if (unit == 0)
            return false;
        bytes[offset + 2 * i] = static_cast<std::uint8_t>(unit & 0xFF);
        bytes[offset + 2 * i + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
    return true; // the zero fill terminates it
}

std::optional<std::u16string> GetPath(const std::uint8_t* bytes, std::size_t offset)
{
    std::u16string path;
    for (std::size_t i = 0; i < kDescriptorPathUnits; ++i)
    {
        const char16_t unit =
            char16_t(bytes[offset + 2 * i] | (char16_t(bytes[offset + 2 * i + 1]) << 8));
        if (unit == 0)
            return path;
        path.push_back(unit);
    }
    return std::nullopt; // no terminator inside the field
}

} // namespace

std::optional<DescriptorBytes> BuildPictureDescriptor(const PictureDescriptor& descriptor)
{
    DescriptorBytes bytes{};
    PutInt32(bytes, kDescriptorSignatureOffset, descriptor.signature);
    PutInt32(bytes, kDescriptorWidthOffset, descriptor.width);
    PutInt32(bytes, kDescriptorHeightOffset, descriptor.height);
    PutInt32(bytes, kDescriptorBitsOffset, descriptor.bitsPerPixel);
    if (!PutPath(bytes, kDescriptorPicturePathOffset, descriptor.picturePath) ||
        !PutPath(bytes, kDescriptorProfilePathOffset, descriptor.profilePath))
        return std::nullopt;
    PutInt32(bytes, kDescriptorOutputFormatOffset, descriptor.outputFormat);
    PutInt32(bytes, kDescriptorBitDepthOffset, descriptor.bitDepthIndex);
    return bytes;
}

std::optional<PictureDescriptor> ReadPictureDescriptor(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size != kPictureDescriptorSize)
        return std::nullopt;
    PictureDescriptor d;
    d.signature = GetInt32(bytes, kDescriptorSignatureOffset);
    d.width = GetInt32(bytes, kDescriptorWidthOffset);
    d.height = GetInt32(bytes, kDescriptorHeightOffset);
    d.bitsPerPixel = GetInt32(bytes, kDescriptorBitsOffset);
    auto picture = GetPath(bytes, kDescriptorPicturePathOffset);
    auto profile = GetPath(bytes, kDescriptorProfilePathOffset);
    if (!picture || !profile)
        return std::nullopt;
    d.picturePath = std::move(*picture);
    d.profilePath = std::move(*profile);
    d.outputFormat = GetInt32(bytes, kDescriptorOutputFormatOffset);
    d.bitDepthIndex = GetInt32(bytes, kDescriptorBitDepthOffset);
    return d;
}

std::size_t SectionStride(std::int32_t width, std::int32_t bitsPerPixel)
{
    if (width <= 0 || bitsPerPixel <= 0 || bitsPerPixel > 32)
        return 0;
    return ((std::size_t(width) * std::size_t(bitsPerPixel) + 31) / 32) * 4;
}

} // namespace tavrel
