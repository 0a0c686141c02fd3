#include "imaging/codecs/EncoderChoice.h"

#include <cctype>

#include <tiffio.h>

namespace tavrel
{

namespace
{

constexpr int kValueLzw = 2;
constexpr int kValueCcitt3 = 3;
constexpr int kValueCcitt4 = 4;
constexpr int kValueNone = 6;

bool SameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

} // namespace

EncoderKind EncoderForExtension(std::string_view extension)
{
    if (SameLetters(extension, "jpg"))
        return EncoderKind::Jpeg;
    if (SameLetters(extension, "tif"))
        return EncoderKind::Tiff;
    if (SameLetters(extension, "bmp"))
        return EncoderKind::Bmp;
    if (SameLetters(extension, "gif"))
        return EncoderKind::Gif;
    return EncoderKind::None;
}

const char* MimeTypeOf(EncoderKind kind)
{
    switch (kind)
    {
    case EncoderKind::Jpeg:
        return "image/jpeg";
    case EncoderKind::Tiff:
        return "image/tiff";
    case EncoderKind::Bmp:
        return "image/bmp";
    case EncoderKind::Gif:
        return "image/gif";
    case EncoderKind::None:
        break;
    }
    return "";
}

EncoderChoice ChooseEncoder(std::string_view path, int bitsPerPixel, std::uint32_t formatCode)
{
    const int format = int(formatCode >> 24);
    const int low = int(formatCode & 0xFF);
    EncoderChoice c;
    c.encoder = EncoderForExtension(path.size() >= 3 ? path.substr(path.size() - 3) : path);
    if (format == 2 && (bitsPerPixel == 8 || bitsPerPixel == 24))
        c.encoder = EncoderKind::Jpeg;

    if (bitsPerPixel == 1)
    {
        if (format == 2)
            c.parameter = EncoderParameter::Quality;
        else
        {
            c.parameter = EncoderParameter::Compression;
            c.compressionValue = format == 1 && low == 3   ? kValueCcitt4
                                 : format == 1 && low == 9 ? kValueCcitt3
                                                           : kValueNone;
        }
    }
    else if (bitsPerPixel == 8 || bitsPerPixel == 24)
    {
        if (format == 2)
            c.parameter = EncoderParameter::Quality;
        else
        {
            c.parameter = EncoderParameter::Compression;
            c.compressionValue = format == 1 && low == 2 ? kValueLzw : kValueNone;
        }
    }
    if (c.parameter == EncoderParameter::Quality)
        c.quality = low > 100 ? 100 : low;

    // A TIFF saved with a quality parameter keeps the encoder's own default.
    switch (c.parameter == EncoderParameter::Compression ? c.compressionValue : kValueLzw)
    {
    case kValueLzw:
        c.tiffCompression = COMPRESSION_LZW;
        break;
    case kValueCcitt3:
        c.tiffCompression = COMPRESSION_CCITTFAX3;
        break;
    case kValueCcitt4:
        c.tiffCompression = COMPRESSION_CCITTFAX4;
        break;
    default:
        c.tiffCompression = COMPRESSION_NONE;
        break;
    }
    return c;
}

} // namespace tavrel
