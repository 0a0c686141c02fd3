#include "imaging/codecs/ImageCodec.h"

#include "imaging/codecs/BmpFile.h"
#include "imaging/codecs/EncoderChoice.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/GifFile.h"
#include "imaging/codecs/JpegFile.h"
#include "imaging/codecs/PngFile.h"
#include "imaging/codecs/TiffFile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/AtomicFile.h"

#include <cstring>
#include <new>

namespace tavrel
{

CImageCodec::~CImageCodec() = default;

namespace
{

bool ReadAny(CDib& picture, const std::string& path)
{
    // The contents decide the reader, not the name: files are often renamed.
    std::uint8_t magic[8] = {};
    std::size_t got = 0;
    if (!ReadFileHead(path, magic, sizeof magic, got) || got < 4)
        return false;
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        return ReadJpeg(path, picture);
    if ((magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
        (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42))
        return ReadTiff(path, picture);
    if (got == 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0)
        return ReadPng(path, picture);
    if (std::memcmp(magic, "GIF8", 4) == 0)
        return ReadGif(path, picture);
    if (magic[0] == 'B' && magic[1] == 'M')
        return ReadBmp(path, picture);
    return false;
}

} // namespace

int CImageCodec::Load(CDib& picture, const std::string& path, int)
{
    // The readers allocate picture-sized memory without throwing; anything
    // else running out of memory still ends as a failed read.
    try
    {
        return ReadAny(picture, path) ? 1 : 0;
    }
    catch (const std::bad_alloc&)
    {
        return 0;
    }
}

int CImageCodec::Save(const CDib& picture, const std::string& path, std::uint32_t formatCode)
{
    AtomicFile file(path);
    return Save(picture, file, formatCode) == 1 && file.Commit() ? 1 : 0;
}

int CImageCodec::Save(const CDib& picture, AtomicFile& file, std::uint32_t formatCode)
{
    if (!picture.HasPixels() || !file.IsOpen())
        return 0;
    const EncoderChoice choice = ChooseEncoder(file.Target(), picture.BitsPerPixel(), formatCode);
    bool ok = false;
    switch (choice.encoder)
    {
    case EncoderKind::Jpeg:
        ok = WriteJpeg(picture, file.TempPath(), choice.quality);
        break;
    case EncoderKind::Tiff:
        ok = WriteTiff(picture, file.TempPath(), choice.tiffCompression);
        break;
    case EncoderKind::Bmp:
        ok = WriteBmp(picture, file.TempPath());
        break;
    case EncoderKind::Gif:
        ok = WriteGif(picture, file.TempPath());
        break;
    case EncoderKind::None:
        break;
    }
    return ok ? 1 : 0;
}

int CImageCodec::FindEncoder(std::string_view extension, std::string* mimeType)
{
    const EncoderKind kind = EncoderForExtension(extension);
    if (kind == EncoderKind::None)
        return -1;
    if (mimeType)
        *mimeType = MimeTypeOf(kind);
    return static_cast<int>(kind) - 1;
}

} // namespace tavrel
