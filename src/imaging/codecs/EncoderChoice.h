#pragma once
// Which encoder and which setting a save uses, from the path, the picture
// depth and the format code (top byte 1 TIFF, 2 JPEG, 3 BMP; low byte the
// JPEG quality or the TIFF compression choice).

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel
{

enum class EncoderKind
{
    None = 0,
    Bmp = 1,
    Jpeg = 2,
    Gif = 3,
    Tiff = 4,
};

// The parameter the design passes to the encoder: at most one of them.
enum class EncoderParameter
{
    None,
    Quality,
    Compression,
};

struct EncoderChoice
{
    EncoderKind encoder = EncoderKind::None;
    EncoderParameter parameter = EncoderParameter::None;
    // The encoder-value numbers: 2 LZW, 3 CCITT3, 4 CCITT4, 6 none.
    int compressionValue = 0;
    int quality = 75;
    int tiffCompression = 0; // the libtiff COMPRESSION_* used for a TIFF
};

// "jpg", "tif", "bmp", "gif" without regard to case; anything else None.
EncoderKind EncoderForExtension(std::string_view extension);
const char* MimeTypeOf(EncoderKind kind);
EncoderChoice ChooseEncoder(std::string_view path, int bitsPerPixel, std::uint32_t formatCode);

} // namespace tavrel
