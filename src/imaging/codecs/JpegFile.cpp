#include "imaging/codecs/JpegFile.h"

#include "imaging/codecs/JpegGlue.h"
#include "imaging/codecs/PictureLimits.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace tavrel
{

namespace
{

// libjpeg's own buffers (a progressive file keeps every coefficient) beyond
// the picture itself; past this the read fails instead of growing.
constexpr long kMaxDecoderMemory = 1L << 30;

struct DecodeTarget
{
    CDib* picture;
    int scaleDenom;
    bool headerOnly;
    std::uint64_t fileBytes;
    int width, height;
    std::unique_ptr<JSAMPLE[]>* cmykRow; // owned by the caller, so a jump leaks nothing
};

bool Decode(std::FILE* file, DecodeTarget& t)
{
    jpeg_decompress_struct cinfo;
    tavrel::JpegErrorManager err;
    cinfo.err = tavrel::InstallJpegErrors(err);
    if (setjmp(err.jump))
    {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if (t.headerOnly)
    {
        t.width = int(cinfo.image_width);
        t.height = int(cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    // The full-size samples, whatever the scale: a header that claims more
    // than the file can hold is refused before anything is allocated.
    const std::uint64_t samples =
        std::uint64_t(cinfo.image_width) * cinfo.image_height * std::uint64_t(cinfo.num_components);
    if (!tavrel::PictureSizeAllowed(cinfo.image_width, cinfo.image_height) ||
        !tavrel::FileCanHold(t.fileBytes, samples, tavrel::kGenericExpansion))
    {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_EXT_BGR);
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(t.scaleDenom);
    jpeg_start_decompress(&cinfo);

    int xDpi = 0, yDpi = 0;
    if (cinfo.saw_JFIF_marker && cinfo.density_unit == 1)
        xDpi = cinfo.X_density, yDpi = cinfo.Y_density;
    else if (cinfo.saw_JFIF_marker && cinfo.density_unit == 2)
        xDpi = int(std::lround(cinfo.X_density * 2.54)),
        yDpi = int(std::lround(cinfo.Y_density * 2.54));

    // Every row is decoded in full, so the pixels need not be cleared first.
    CDib& pic = *t.picture;
    std::unique_ptr<JSAMPLE[]>& cmykRow = *t.cmykRow;
    if (cmyk)
        cmykRow.reset(new (std::nothrow) JSAMPLE[std::size_t(cinfo.output_width) * 4]);
    if (!pic.CreateForOverwrite(int(cinfo.output_width), int(cinfo.output_height), grey ? 8 : 24,
                                xDpi) ||
        (cmyk && !cmykRow))
    {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    pic.SetResolution(xDpi, yDpi);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        const int y = int(cinfo.output_scanline);
        JSAMPROW row = cmyk ? cmykRow.get() : pic.Row(y);
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk)
        {
            // Adobe writes CMYK inverted; with it, R = C * K / 255 and so on.
            std::uint8_t* dst = pic.Row(y);
            const JSAMPLE* s = cmykRow.get();
            for (unsigned x = 0; x < cinfo.output_width; ++x, s += 4)
            {
                dst[3 * x] = std::uint8_t(s[2] * s[3] / 255);
                dst[3 * x + 1] = std::uint8_t(s[1] * s[3] / 255);
                dst[3 * x + 2] = std::uint8_t(s[0] * s[3] / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return !err.damaged;
}

struct EncodeSource
{
    const CDib* picture;
    int quality;
    std::vector<JSAMPLE>* greyRow; // for 1-bit pictures
    // The rows of the others, handed over all at once (the encoder takes what
    // it can); made before the encoder's setjmp, which skips destructors.
    std::vector<JSAMPROW>* rows;
};

bool Encode(std::FILE* file, EncodeSource& s)
{
    jpeg_compress_struct cinfo;
    tavrel::JpegErrorManager err;
    cinfo.err = tavrel::InstallJpegErrors(err);
    if (setjmp(err.jump))
    {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    const CDib& pic = *s.picture;
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(pic.Width());
    cinfo.image_height = JDIMENSION(pic.Height());
    const bool colour = pic.BitsPerPixel() == 24;
    cinfo.input_components = colour ? 3 : 1;
    cinfo.in_color_space = colour ? JCS_EXT_BGR : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(s.quality, 0, 100), TRUE);
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = UINT16(std::clamp(pic.XResolution(), 0, 65535));
    cinfo.Y_density = UINT16(std::clamp(pic.YResolution(), 0, 65535));
    jpeg_start_compress(&cinfo, TRUE);
    if (pic.BitsPerPixel() == 1)
    {
        while (cinfo.next_scanline < cinfo.image_height)
        {
            const std::uint8_t* bits = pic.Row(int(cinfo.next_scanline));
            for (int x = 0; x < pic.Width(); ++x)
                (*s.greyRow)[std::size_t(x)] = (bits[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
            JSAMPROW row = s.greyRow->data();
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
    }
    else
    {
        while (cinfo.next_scanline < cinfo.image_height)
            jpeg_write_scanlines(&cinfo, s.rows->data() + cinfo.next_scanline,
                                 cinfo.image_height - cinfo.next_scanline);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

bool ReadJpeg(const std::string& path, CDib& picture, int scaleDenom)
{
    if (scaleDenom != 1 && scaleDenom != 2 && scaleDenom != 4 && scaleDenom != 8)
        return false;
    tavrel::RegularFile input(path);
    const std::uint64_t fileBytes = input.Size();
    std::FILE* f = input.ReleaseAsStream();
    if (!f)
        return false;
    CDib decoded;
    std::unique_ptr<JSAMPLE[]> cmykRow;
    DecodeTarget target{&decoded, scaleDenom, false, fileBytes, 0, 0, &cmykRow};
    const bool ok = Decode(f, target);
    std::fclose(f);
    if (ok)
        picture.Swap(decoded);
    return ok;
}

bool ReadJpegSize(const std::string& path, int& width, int& height)
{
    std::FILE* f = tavrel::RegularFile(path).ReleaseAsStream();
    if (!f)
        return false;
    DecodeTarget target{nullptr, 1, true, 0, 0, 0, nullptr};
    const bool ok = Decode(f, target);
    std::fclose(f);
    if (ok)
        width = target.width, height = target.height;
    return ok;
}

bool WriteJpeg(const CDib& picture, const std::string& path, int quality)
{
    if (!picture.HasPixels() || picture.Width() == 0 || picture.Height() == 0)
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    // The encoder hands over 4 KB at a time; a write system call each would
    // cost more than the encoding of a scan's worth of them. The buffer is
    // ours: given none, the C library keeps its 4 KB one whatever the size.
    constexpr std::size_t kBufferBytes = std::size_t(1) << 20;
    const std::unique_ptr<char[]> buffer(new char[kBufferBytes]);
    std::setvbuf(f, buffer.get(), _IOFBF, kBufferBytes);
    std::vector<JSAMPLE> greyRow;
    std::vector<JSAMPROW> rows;
    if (picture.BitsPerPixel() == 1)
        greyRow.resize(std::size_t(picture.Width()));
    else
        for (int y = 0; y < picture.Height(); ++y)
            rows.push_back(const_cast<JSAMPROW>(picture.Row(y)));
    EncodeSource source{&picture, quality, &greyRow, &rows};
    bool ok = Encode(f, source);
    ok = std::fflush(f) == 0 && !std::ferror(f) && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace tavrel
