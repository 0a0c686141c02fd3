// Picture files as an attacker or a careless user hands them over: headers
// that lie about the size, memory that runs out, FIFOs named as pictures.
#include "CodecTestFolder.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/codecs/Thumbnail.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/Sanitizer.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <gif_lib.h>
#include <tiffio.h>
#include <zlib.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrel::test
{
namespace
{

using ByteVector = std::vector<unsigned char>;

long StatmKilobytes(int field)
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    long values[2] = {};
    if (f)
    {
        if (std::fscanf(f, "%ld %ld", &values[0], &values[1]) != 2)
            values[0] = values[1] = 0;
        std::fclose(f);
    }
    return values[field] * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct ChildOutcome
{
    int exitCode = -1; // -1: ended by a signal
    int signal = 0;
    long growthKb = 0; // peak resident memory above the parent's at the fork
};

// Runs `work` in a child process whose address space may grow by at most
// `extraBytes`, so that a reader gone wild can neither take the machine's
// memory nor the test process down.
ChildOutcome InChild(std::uint64_t extraBytes, const std::function<int()>& work)
{
    const long residentKb = StatmKilobytes(1);
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        if (!kAddressSanitizer)
        {
            const rlim_t limit = rlim_t(StatmKilobytes(0)) * 1024 + extraBytes;
            const rlimit r{limit, limit};
            ::setrlimit(RLIMIT_AS, &r);
        }
        // Whatever happens, the child must not go on to run the other tests.
        int code = 98;
        try
        {
            code = work();
        }
        catch (...)
        {
        }
        ::_exit(code);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ChildOutcome out;
    if (WIFEXITED(status))
        out.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        out.signal = WTERMSIG(status);
    out.growthKb = usage.ru_maxrss - residentKb;
    return out;
}

// 0 refused without a picture, 1 loaded, 2 inconsistent.
int LoadResult(const std::string& path)
{
    CDib picture;
    const int loaded = picture.LoadFile(path);
    if (loaded == 1 && picture.HasPixels())
        return 1;
    return loaded == 0 && !picture.HasPixels() ? 0 : 2;
}

void PutBig16(ByteVector& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<unsigned char>(v >> 8);
    b[at + 1] = static_cast<unsigned char>(v);
}

void PutBig32(ByteVector& b, std::size_t at, std::uint32_t v)
{
    PutBig16(b, at, v >> 16);
    PutBig16(b, at + 2, v & 0xFFFF);
}

void PutLittle(ByteVector& b, std::size_t at, std::uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b[at + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}

void AppendChunk(ByteVector& png, const char* type, const ByteVector& data)
{
    const std::size_t at = png.size();
    png.resize(at + 12 + data.size());
    PutBig32(png, at, std::uint32_t(data.size()));
    std::memcpy(&png[at + 4], type, 4);
    if (!data.empty())
        std::memcpy(&png[at + 8], data.data(), data.size());
    const uLong crc = crc32(0, &png[at + 4], uInt(4 + data.size()));
    PutBig32(png, at + 8 + data.size(), std::uint32_t(crc));
}

// A PNG whose rows (filter byte 0, then the samples) come from `row`;
// colour type 0 grey or 2 RGB, 8 bits.
ByteVector MakePng(std::uint32_t w, std::uint32_t h, int colourType, int level,
                   const std::function<void(std::uint32_t y, unsigned char* samples)>& row)
{
    ByteVector png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ByteVector ihdr(13, 0);
    PutBig32(ihdr, 0, w);
    PutBig32(ihdr, 4, h);
    ihdr[8] = 8;
    ihdr[9] = static_cast<unsigned char>(colourType);
    AppendChunk(png, "IHDR", ihdr);

    const std::size_t rowBytes = 1 + std::size_t(w) * (colourType == 2 ? 3 : 1);
    ByteVector line(rowBytes, 0), idat, out(1 << 16);
    z_stream z{};
    deflateInit(&z, level);
    for (std::uint32_t y = 0; y <= h; ++y)
    {
        if (y < h)
            row(y, line.data() + 1);
        z.next_in = line.data();
        z.avail_in = y < h ? uInt(rowBytes) : 0;
        do
        {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, y < h ? Z_NO_FLUSH : Z_FINISH);
            idat.insert(idat.end(), out.data(), z.next_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    AppendChunk(png, "IDAT", idat);
    AppendChunk(png, "IEND", {});
    return png;
}

class UntrustedFiles : public CodecTest
{
protected:
    ByteVector Oversized(const std::string& ext, std::uint32_t w, std::uint32_t h);
};

// A small real file of the format whose header then claims w × h.
ByteVector UntrustedFiles::Oversized(const std::string& ext, std::uint32_t w, std::uint32_t h)
{
    ByteVector b;
    if (ext == "png")
    {
        b = MakePng(8, 8, 2, 9, [](std::uint32_t, unsigned char* s) { std::memset(s, 90, 24); });
        PutBig32(b, 16, w);
        PutBig32(b, 20, h);
        PutBig32(b, 29, std::uint32_t(crc32(0, &b[12], 17)));
        return b;
    }
    if (ext == "tif")
    {
        // Only the tags claim the size; the one strip holds a few bytes.
        const std::string path = Path("big.tif");
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
        unsigned char strip[16] = {0x78, 0x9C};
        TIFFWriteRawStrip(tif, 0, strip, sizeof strip);
        TIFFClose(tif);
        return Bytes(path);
    }
    CDib small;
    EXPECT_EQ(small.Create(8, 8, ext == "gif" ? 8 : 24, 300), 1);
    const std::string path = Path("small." + ext);
    EXPECT_EQ(small.SaveFile(path, ext == "jpg" ? kFormatJpeg95 : kFormatBmp), 1);
    b = Bytes(path);
    if (ext == "jpg")
    {
        for (std::size_t i = 2; i + 9 < b.size(); ++i)
            if (b[i] == 0xFF && b[i + 1] == 0xC0)
            {
                PutBig16(b, i + 5, h);
                PutBig16(b, i + 7, w);
                break;
            }
    }
    else if (ext == "gif")
    {
        PutLittle(b, 6, w, 2);
        PutLittle(b, 8, h, 2);
        const std::size_t table = (b[10] & 0x80) ? 3u << ((b[10] & 7) + 1) : 0;
        const std::size_t image = 13 + table;
        EXPECT_EQ(b[image], 0x2C);
        PutLittle(b, image + 5, w, 2);
        PutLittle(b, image + 7, h, 2);
    }
    else if (ext == "bmp")
    {
        PutLittle(b, 18, w, 4);
        PutLittle(b, 22, h, 4);
    }
    return b;
}

TEST_F(UntrustedFiles, HeadersThatLieAboutTheSizeAreRefusedBeforeAllocating)
{
    struct Claim
    {
        const char* ext;
        std::uint32_t side; // the largest each format can state, then 16000
    };
    const Claim claims[] = {{"jpg", 65500}, {"png", 65536}, {"tif", 65536}, {"gif", 65535},
                            {"bmp", 65536}, {"jpg", 16000}, {"png", 16000}, {"tif", 16000},
                            {"gif", 16000}, {"bmp", 16000}};
    for (const Claim& claim : claims)
    {
        const ByteVector bytes = Oversized(claim.ext, claim.side, claim.side);
        ASSERT_LT(bytes.size(), 1000u) << claim.ext;
        const std::string path = Path(std::string("claim.") + claim.ext);
        WriteBytes(path, bytes);
        const std::string what = std::string(claim.ext) + " " + std::to_string(claim.side);
        const ChildOutcome load = InChild(std::uint64_t(3) << 29, [&] { return LoadResult(path); });
        EXPECT_EQ(load.exitCode, 0) << what << " signal " << load.signal;
        // Refused from the header: nowhere near the gigabytes claimed.
        EXPECT_LT(load.growthKb, 64 * 1024) << what;
        const ChildOutcome thumb = InChild(std::uint64_t(3) << 29,
                                           [&]
                                           {
                                               CDib small;
                                               return LoadThumbnail(path, small, 45, 40);
                                           });
        EXPECT_EQ(thumb.exitCode, 0) << what << " signal " << thumb.signal;
        EXPECT_LT(thumb.growthKb, 64 * 1024) << what;
    }
}

TEST_F(UntrustedFiles, TheDensestRealFilesStillLoad)
{
    // Deflate at its best (about 1000 : 1) on a blank picture.
    WriteBytes(Path("blank.png"),
               MakePng(3000, 2000, 0, 9,
                       [](std::uint32_t, unsigned char* s) { std::memset(s, 255, 3000); }));
    EXPECT_LT(Bytes(Path("blank.png")).size(), 9000u);
    CDib png;
    ASSERT_EQ(png.LoadFile(Path("blank.png")), 1);
    EXPECT_EQ(png.Width(), 3000);
    EXPECT_EQ(png.Row(1999)[2999], 255);

    CDib blank;
    ASSERT_EQ(blank.Create(4000, 3000, 24, 300), 1);
    ASSERT_EQ(blank.SaveFile(Path("blank.jpg"), kFormatJpeg95), 1);
    CDib jpeg;
    EXPECT_EQ(jpeg.LoadFile(Path("blank.jpg")), 1);

    // A blank bilevel page in CCITT G4: about one bit a row.
    CDib page;
    ASSERT_EQ(page.Create(2480, 3508, 1, 300), 1);
    ASSERT_EQ(page.SaveFile(Path("page.tif"), 0x01000003), 1);
    EXPECT_LT(Bytes(Path("page.tif")).size(), 4000u);
    CDib fax;
    ASSERT_EQ(fax.LoadFile(Path("page.tif")), 1);
    EXPECT_EQ(fax.Height(), 3508);
}

TEST_F(UntrustedFiles, PictureBeyondTheMemoryLimitFailsCleanly)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
    // A real 4000 × 4000 colour picture: 48 MB decoded, 32 MB allowed.
    WriteBytes(Path("big.png"), MakePng(4000, 4000, 2, 1,
                                        [](std::uint32_t y, unsigned char* s)
                                        { std::memset(s, int(y & 0xFF), 12000); }));
    const ChildOutcome load =
        InChild(std::uint64_t(32) << 20, [&] { return LoadResult(Path("big.png")); });
    EXPECT_EQ(load.exitCode, 0) << "signal " << load.signal;
    // With room to spare the same file loads.
    EXPECT_EQ(LoadResult(Path("big.png")), 1);
}

TEST_F(UntrustedFiles, InterlacedGifRowsComeOutInOrder)
{
    constexpr int w = 5, h = 11;
    GifColorType colours[16];
    for (int i = 0; i < 16; ++i)
        colours[i] = {GifByteType(i * 16), GifByteType(i * 16), GifByteType(i * 16)};
    int error = 0;
    GifFileType* gif = EGifOpenFileName(Path("i.gif").c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    ColorMapObject* map = GifMakeMapObject(16, colours);
    ASSERT_EQ(EGifPutScreenDesc(gif, w, h, 4, 0, map), GIF_OK);
    ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, true, nullptr), GIF_OK);
    // The file holds rows 0, 8; 4; 2, 6, 10; then the odd ones.
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < h; y += step[pass])
        {
            GifByteType line[w];
            std::memset(line, y, w);
            ASSERT_EQ(EGifPutLine(gif, line, w), GIF_OK);
        }
    GifFreeMapObject(map);
    ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);

    CDib picture;
    ASSERT_EQ(picture.LoadFile(Path("i.gif")), 1);
    ASSERT_EQ(picture.Height(), h);
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(picture.Row(y)[0], y * 16) << "row " << y;
}

TEST_F(UntrustedFiles, OnlyRegularFilesAreRead)
{
    const std::string fifo = Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::function<int()> readers[] = {
        [&] { return LoadResult(fifo); },
        [&]
        {
            CDib small;
            return LoadThumbnail(fifo, small, 45, 40);
        },
    };
    for (const auto& reader : readers)
    {
        std::atomic<int> result{-1};
        std::thread thread([&] { result = reader(); });
        // Without a writer a FIFO blocks its reader for ever.
        const bool returned = test::WaitFor([&] { return result != -1; }, std::chrono::seconds(5));
        if (!returned)
        {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            ::close(fd);
        }
        thread.join();
        EXPECT_TRUE(returned);
        EXPECT_EQ(result, 0);
    }
}

} // namespace
} // namespace tavrel::test
