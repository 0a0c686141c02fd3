#pragma once
// The hand-over record sent with WM_COPYDATA from the capture program to the
// manager: 1068 bytes, little-endian, built and read field by field so that
// the bytes on the wire never depend on this compiler's struct layout.

#include "platform/WinTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tavrel
{

constexpr std::size_t kPictureDescriptorSize = 1068;
constexpr std::size_t kDescriptorSignatureOffset = 0;
constexpr std::size_t kDescriptorWidthOffset = 4;
constexpr std::size_t kDescriptorHeightOffset = 8;
constexpr std::size_t kDescriptorBitsOffset = 12;
constexpr std::size_t kDescriptorPicturePathOffset = 16;
constexpr std::size_t kDescriptorProfilePathOffset = 536;
constexpr std::size_t kDescriptorReservedOffset = 1056;
constexpr std::size_t kDescriptorOutputFormatOffset = 1060;
constexpr std::size_t kDescriptorBitDepthOffset = 1064;
// Each path field holds 260 UTF-16 units: up to 259 characters and the zero.
constexpr std::size_t kDescriptorPathUnits = 260;
constexpr std::size_t kDescriptorMaxPathUnits = kDescriptorPathUnits - 1;

static_assert(kDescriptorPicturePathOffset + 2 * kDescriptorPathUnits ==
              kDescriptorProfilePathOffset);
static_assert(kDescriptorProfilePathOffset + 2 * kDescriptorPathUnits == kDescriptorReservedOffset);
static_assert(kDescriptorReservedOffset + 4 == kDescriptorOutputFormatOffset);
static_assert(kDescriptorBitDepthOffset + 4 == kPictureDescriptorSize);

// Picture kinds (COPYDATASTRUCT.dwData).
constexpr std::uint64_t COPYDATA_RAW_PICTURE = 1001;
constexpr std::uint64_t COPYDATA_PICTURE_FILE = 1003;
constexpr std::uint64_t COPYDATA_PROCESSED_PICTURE = 1008;

// Results of the manager's WM_COPYDATA handler for a picture kind. The sender
// keeps every picture that was not reported as taken.
constexpr LRESULT kPictureRefused = 0;
constexpr LRESULT kPictureTaken = 1;

constexpr const char* kPictureSectionName = "TavrelImage";
constexpr const char* kManagerWindowClass = "Pelidor";
constexpr const char* kManagerWindowClassFallback = "Pelidor Standard";

// Output format index and bit-depth index of the descriptor.
constexpr std::int32_t kOutputJpeg = 0;
constexpr std::int32_t kOutputTiff = 1;
constexpr std::int32_t kBitDepth24 = 0;
constexpr std::int32_t kBitDepth48 = 1;

struct PictureDescriptor
{
    std::int32_t signature = 1;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 0;
    std::u16string picturePath;
    std::u16string profilePath;
    std::int32_t outputFormat = kOutputJpeg;
    std::int32_t bitDepthIndex = kBitDepth24;
};

using DescriptorBytes = std::array<std::uint8_t, kPictureDescriptorSize>;

// Zero-filled record with the fields set; nullopt when a path is longer than
// 259 units or holds a zero unit (it would not survive the trip).
std::optional<DescriptorBytes> BuildPictureDescriptor(const PictureDescriptor& descriptor);

// nullopt unless `size` is exactly the record size and both paths end with a
// zero inside their fields.
std::optional<PictureDescriptor> ReadPictureDescriptor(const std::uint8_t* bytes, std::size_t size);

// Row size of the pixel section: ((width x bits + 31) / 32) x 4; 0 when the
// values are out of range.
std::size_t SectionStride(std::int32_t width, std::int32_t bitsPerPixel);

} // namespace tavrel
