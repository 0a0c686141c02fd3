// The real channel between processes: the test host's "Pelidor" window with
// the receiver engine, and tavrel-tool (or this process) as the sender.

#include "capture/HandoverSender.h"
#include "imaging/ImageProfile.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/Desktop.h"
#include "platform/SharedSection.h"
#include "platform/TempFiles.h"
#include "shared/PictureDescriptor.h"
#include "support/Files.h"
#include "support/ImageCompare.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace tavrel
{
namespace
{

std::string Shipped(const std::string& name)
{
    const char* share = std::getenv("TAVREL_SHARE_DIR");
    return std::string(share != nullptr ? share : ".") + "/" + name;
}

class Handover : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
    std::string dest = sandbox.Root() + "/dest";
    std::string events = sandbox.Root() + "/events.log";
    std::unique_ptr<test::Process> host;

    void SetUp() override { fs::create_directories(dest); }

    void StartHost(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{dest, "--events", events};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string error;
        host = test::Process::Start("tavrel_handover_host", args, {}, &error);
        ASSERT_TRUE(host) << error;
        ASSERT_TRUE(test::WaitFor([] { return Desktop::FindWindow("Pelidor") != 0; }));
    }

    struct ToolRun
    {
        int code = -1;
        std::string out;
    };
    ToolRun Send(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{"send"};
        all.insert(all.end(), args.begin(), args.end());
        auto tool = test::Process::Start("tavrel-tool", all);
        ToolRun run;
        if (!tool)
            return run;
        run.code = tool->WaitForExit().value_or(-1);
        run.out = tool->StdOut();
        return run;
    }

    std::string Picture(int width, int height)
    {
        CDib picture;
        test::FillPattern(picture, width, height);
        const std::string path = sandbox.Root() + "/in.bmp";
        picture.SaveFile(path, kFormatBmp);
        return path;
    }

    std::vector<fs::path> Stored() const
    {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(dest))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }

    std::vector<std::string> TempLeft() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(GetTempPath(), ec))
            names.push_back(e.path().filename().string());
        return names;
    }
};

// Samples of an RGB TIFF as written, row by row.
std::vector<std::uint8_t> TiffSamples(const std::string& path, int* bits, int* width)
{
    std::vector<std::uint8_t> out;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return out;
    uint32_t w = 0;
    uint32_t h = 0;
    uint16_t bps = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    *bits = bps;
    *width = int(w);
    const tmsize_t line = TIFFScanlineSize(tif);
    std::vector<std::uint8_t> row(line);
    for (uint32_t y = 0; y < h; ++y)
    {
        TIFFReadScanline(tif, row.data(), y);
        out.insert(out.end(), row.begin(), row.end());
    }
    TIFFClose(tif);
    return out;
}

TEST_F(Handover, JpegArrivesNamedByTimeAndTemporaryFilesGo)
{
    StartHost();
    const auto run = Send({"--profile", Shipped("Positive.xml"), Picture(64, 48)});
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    const auto files = Stored();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(files[0].filename().string(),
                                 std::regex(R"(\d{4}-\d\d-\d\d-\d\d-\d\d-\d\d\.jpg)")));
    const std::string bytes = test::ReadFile(files[0].string());
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(std::uint8_t(bytes[0]), 0xFF);
    EXPECT_EQ(std::uint8_t(bytes[1]), 0xD8);
    EXPECT_TRUE(TempLeft().empty());
    EXPECT_TRUE(test::WaitFor(
        [&] {
            return test::ReadFile(events).find("stored " + files[0].string()) != std::string::npos;
        }));
    EXPECT_FALSE(SharedSection::Open(kPictureSectionName));
}

TEST_F(Handover, TiffSamplesAreExact)
{
    StartHost();
    const std::string input = Picture(5, 3); // odd width: padded rows in the section
    CDib source;
    ASSERT_EQ(source.LoadFile(input), 1);
    for (const char* bits : {"24", "48"})
    {
        const auto run =
            Send({"--format", "tiff", "--bits", bits, "--profile", Shipped("Positive.xml"), input});
        ASSERT_EQ(run.code, 0) << run.out;
    }
    const auto files = Stored();
    ASSERT_EQ(files.size(), 2u);
    int seen24 = 0;
    int seen48 = 0;
    for (const auto& file : files)
    {
        EXPECT_EQ(file.extension(), ".tiff");
        int bits = 0;
        int width = 0;
        const auto samples = TiffSamples(file.string(), &bits, &width);
        ASSERT_EQ(width, 5);
        const int bytesPerSample = bits / 8;
        ASSERT_EQ(samples.size(), std::size_t(5 * 3 * 3 * bytesPerSample));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                for (int c = 0; c < 3; ++c)
                {
                    const std::uint8_t v = source.Row(y)[3 * x + (2 - c)]; // RGB from BGR
                    const std::size_t at = std::size_t(((y * 5 + x) * 3 + c) * bytesPerSample);
                    for (int b = 0; b < bytesPerSample; ++b)
                        ASSERT_EQ(samples[at + b], v) << file << " " << x << "," << y;
                }
        (bits == 16 ? seen48 : seen24)++;
    }
    EXPECT_EQ(seen24, 1);
    EXPECT_EQ(seen48, 1);
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(Handover, FileKindImportsACopy)
{
    StartHost();
    const std::string input = Picture(9, 4);
    const std::string before = test::ReadFile(input);
    const auto run = Send({"--kind", "1003", "--profile", Shipped("Positive.xml"), input});
    EXPECT_EQ(run.code, 0) << run.out;
    ASSERT_EQ(Stored().size(), 1u);
    EXPECT_EQ(test::ReadFile(input), before);
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(Handover, NoManagerShowsTheMessage)
{
    const auto run = Send({"--profile", Shipped("Positive.xml"), Picture(4, 4)});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("no manager"), std::string::npos);
    EXPECT_NE(sandbox.MessagesLog().find("Not Find Pelidor Window!"), std::string::npos);
    EXPECT_FALSE(SharedSection::Open(kPictureSectionName));
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(Handover, RefusedPictureIsKeptAndTheUserTold)
{
    StartHost({"--list-folder", sandbox.Root() + "/vanished"});
    const auto run = Send({"--profile", Shipped("Positive.xml"), Picture(6, 2)});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    const auto at = run.out.find("outcome: kept ");
    ASSERT_NE(at, std::string::npos) << run.out;
    std::string kept = run.out.substr(at + 14);
    kept = kept.substr(0, kept.find('\n'));
    EXPECT_EQ(fs::path(kept).parent_path(), fs::path(sandbox.Home()) / "Recovered");
    CDib back;
    ASSERT_EQ(back.LoadFile(kept), 1);
    CDib source;
    source.LoadFile(sandbox.Root() + "/in.bmp");
    EXPECT_EQ(std::memcmp(back.Pixels(), source.Pixels(), source.PixelBytes()), 0);
    const std::string messages = sandbox.MessagesLog();
    EXPECT_NE(messages.find("vanished"), std::string::npos);
    EXPECT_NE(messages.find(kept), std::string::npos);
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(Handover, SectionInUseAbandonsWithoutTouchingIt)
{
    StartHost();
    SharedSection::Status status;
    auto busy = SharedSection::Create(kPictureSectionName, 16, &status);
    ASSERT_TRUE(busy);
    std::memset(busy->Map(), 0x5A, 16);
    const auto run = Send({"--profile", Shipped("Positive.xml"), Picture(4, 4)});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("not delivered"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("outcome: kept"), std::string::npos);
    EXPECT_EQ(busy->Map()[15], 0x5A);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(Handover, CloseEndsTheHost)
{
    StartHost();
    const HWND window = Desktop::FindWindow("Pelidor");
    Desktop::SendMessage(window, WM_CLOSE);
    EXPECT_EQ(host->WaitForExit(), 0);
}

TEST_F(Handover, SenderComponentLogsAndStores)
{
    StartHost();
    std::vector<std::string> lines;
    CHandoverSender sender([&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(sender.FindManager());
    ASSERT_TRUE(sender.PrepareNames());
    EXPECT_TRUE(std::regex_match(fs::path(sender.PicturePath()).filename().string(),
                                 std::regex(R"([0-9A-F]+\.tmp\.bmp)")));
    CDib picture;
    test::FillPattern(picture, 1, 3); // one pixel wide: rows of 4 bytes
    CImageProfile profile(ProfileFlavour::Capture);
    ASSERT_EQ(profile.LoadProfile(Shipped("Positive.xml")), 1);
    const auto result = sender.Send(picture, profile, kOutputTiff, kBitDepth24);
    EXPECT_EQ(result.outcome, CHandoverSender::Outcome::Stored);
    EXPECT_EQ(result.handlerResult, kPictureTaken);
    EXPECT_EQ(lines, (std::vector<std::string>{"Mapping File!\n", "Before Save!\n"}));
    ASSERT_EQ(Stored().size(), 1u);
    int bits = 0;
    int width = 0;
    const auto samples = TiffSamples(Stored()[0].string(), &bits, &width);
    ASSERT_EQ(samples.size(), 9u);
    EXPECT_EQ(samples[3], picture.Row(1)[2]);
    EXPECT_TRUE(TempLeft().empty());
    EXPECT_EQ(profile.profilePath, Shipped("Positive.xml"));
}

} // namespace
} // namespace tavrel
