#pragma once
// The largest picture any reader accepts, and how much a file of a given
// size can possibly hold, so that a header that lies about the size is
// refused before memory is taken for it.
//
// The scanner's largest pictures are its doubled stills, 5184 × 3888 (20
// megapixels); the limit is more than ten times that: 32768 pixels a side
// and 2^28 pixels (268 megapixels, 805 MB at 24 bits) in all.

#include <cstdint>

namespace tavrel
{

constexpr std::int64_t kMaxPictureSide = 32768;
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t(1) << 28;

// Decoded bytes one byte of a file can stand for at the densest coding each
// format allows: deflate tops out at 1032 : 1; CCITT fax needs a bit for each
// row of up to kMaxPictureSide pixels; an LZW code of 12 bits stands for at
// most 4096 pixels (about 2700 : 1). JPEG and the other TIFF codings get the
// same generous bound, far beyond any real file's.
constexpr std::uint64_t kDeflateExpansion = 1032;
constexpr std::uint64_t kFaxExpansion = kMaxPictureSide;
constexpr std::uint64_t kGenericExpansion = 4096;

constexpr bool PictureSizeAllowed(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           std::uint64_t(width) * std::uint64_t(height) <= kMaxPicturePixels;
}

// True when `fileBytes` can hold `decodedBytes` at `expansion` decoded bytes
// per byte of file.
constexpr bool FileCanHold(std::uint64_t fileBytes, std::uint64_t decodedBytes,
                           std::uint64_t expansion)
{
    return decodedBytes / expansion <= fileBytes;
}

} // namespace tavrel
