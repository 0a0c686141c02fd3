// Picture file fuzz target, one binary a reader (TAVREL_FUZZ_READER names
// it). Whatever the bytes, a read gives a whole picture or none; a picture
// that was read is written and read back the same.
#include "../../shared/fuzz/FuzzFile.h"

#include "imaging/codecs/BmpFile.h"
#include "imaging/codecs/GifFile.h"
#include "imaging/codecs/JpegFile.h"
#include "imaging/codecs/PngFile.h"
#include "imaging/codecs/Thumbnail.h"
#include "imaging/codecs/TiffFile.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cstring>

namespace
{

using namespace tavrel;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckWhole(const CDib& picture)
{
    Check(picture.HasPixels() && picture.Width() > 0 && picture.Height() > 0);
    Check(picture.RowSize() == CDib::RowSizeFor(picture.Width(), picture.BitsPerPixel()));
}

// Pixels alike, whatever the bits past the last pixel of a row hold.
bool SamePixels(const CDib& a, const CDib& b)
{
    const int bits = a.Width() * a.BitsPerPixel();
    const std::size_t whole = std::size_t(bits / 8);
    const int rest = bits % 8;
    for (int y = 0; y < a.Height(); ++y)
    {
        if (std::memcmp(a.Row(y), b.Row(y), whole) != 0)
            return false;
        const std::uint8_t mask = std::uint8_t(0xFF00 >> rest);
        if (rest && ((a.Row(y)[whole] ^ b.Row(y)[whole]) & mask))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::MemoryFile input, output;
    const std::string& path = input.Hold(data, size);
    CDib picture;
    if (!TAVREL_FUZZ_READER(path, picture))
    {
        Check(!picture.HasPixels());
        return 0;
    }
    CheckWhole(picture);
    CDib small;
    if (LoadThumbnail(path, small, 16, 16) == 1)
        CheckWhole(small);

    // The bitmap writer takes every depth a reader gives.
    output.Hold(nullptr, 0);
    Check(WriteBmp(picture, output.Path()));
    CDib back;
    Check(ReadBmp(output.Path(), back));
    Check(back.Width() == picture.Width() && back.Height() == picture.Height() &&
          back.BitsPerPixel() == picture.BitsPerPixel() && SamePixels(picture, back));
    return 0;
}
