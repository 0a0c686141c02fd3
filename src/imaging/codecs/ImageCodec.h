#pragma once
// Reading and writing picture files for CDib: BMP (our own), JPEG
// (libjpeg-turbo), TIFF (libtiff), PNG (libpng), GIF (giflib).
//
// Format code: top byte 1 TIFF, 2 JPEG, 3 BMP; low byte JPEG quality or TIFF
// compression choice (2 LZW; for 1 bit: 3 CCITT G4, 9 CCITT G3; else none).

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel
{

class AtomicFile;
class CDib;

constexpr std::uint32_t kFormatJpeg95 = 0x0200005F;
constexpr std::uint32_t kFormatBmp = 0x03000000;

class CImageCodec
{
public:
    virtual ~CImageCodec();
    // 1 when the whole picture was read; a corrupt or truncated file gives 0
    // and leaves the picture empty.
    virtual int Load(CDib& picture, const std::string& path, int flags = 0);
    // 1 when the file was written completely (it replaces the old one whole);
    // 0 without an encoder for the extension (nothing written) or on a write
    // error (the old file stays).
    virtual int Save(const CDib& picture, const std::string& path, std::uint32_t formatCode);
    // Writes the picture into the open temporary file of `file`, the encoder
    // chosen by its target's extension; committing is the caller's.
    virtual int Save(const CDib& picture, AtomicFile& file, std::uint32_t formatCode);
    // Index of the encoder for the extension ("jpg", "tif", "bmp", "gif",
    // case-insensitive), with its MIME type; -1 when there is none.
    static int FindEncoder(std::string_view extension, std::string* mimeType = nullptr);
};

// File name to picture format number: 1 BMP, 2 GIF, 3 JPEG, 4 PNG, 5 ICO,
// 6 TIFF, 7 TGA, 8 PCX, 9 WBMP, 10 WMF/EMF, 11 JP2, 12 JPC, 13 PGX, 14 PNM,
// 15 RAS, 17 MNG/JNG, 0 not a picture.
int ImageFormatForName(std::string_view name);

// RGB TIFF writers (manager). `path` gets the extension "tiff" unless it ends
// in .tif/.tiff. 1 when libtiff wrote the pixels and the file is in place.
int WriteTiff48(std::string& path, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels);
int WriteTiff24(std::string& path, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels);
// The same into the open temporary file of `file`; committing is the caller's.
int WriteTiff48(AtomicFile& file, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels);
int WriteTiff24(AtomicFile& file, int width, int height, int bitsPerPixel,
                const std::uint8_t* pixels);

} // namespace tavrel
