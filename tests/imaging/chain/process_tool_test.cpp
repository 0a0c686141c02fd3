#include "ChainTestPictures.h"
#include "support/Files.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/ImageCompare.h"
#include "support/Process.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrel::test
{

namespace
{

using tavrel::test::Process;

int RunTool(const std::vector<std::string>& args)
{
    std::string error;
    auto process = Process::Start("tavrel-tool", args, {}, &error);
    if (!process)
    {
        ADD_FAILURE() << error;
        return -1;
    }
    return process->WaitForExit().value_or(-1);
}

class ProcessToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FillPattern(source, 33, 21);
        ASSERT_EQ(source.SaveFile(In(), 0x03000000), 1);
    }
    std::string In() const { return sandbox.Root() + "/in.bmp"; }
    std::string Profile(const std::string& xml) const
    {
        const std::string path = sandbox.Root() + "/profile.xml";
        tavrel::test::WriteFile(path, xml);
        return path;
    }

    tavrel::test::Sandbox sandbox;
    CDib source;
};

TEST_F(ProcessToolTest, CaptureFlavourFullModeWithBitmapOutput)
{
    const std::string out = sandbox.Root() + "/out.bmp";
    ASSERT_EQ(RunTool({"process", "--profile", Profile(chaintest::ProfileXml(1, 0, 1)), In(), out,
                       "--format-code", "0x03000000"}),
              0);
    CDib result;
    result.LoadFile(out);
    ASSERT_EQ(result.Width(), 66) << "capture flavour doubles in full mode";
    ASSERT_EQ(result.Height(), 42);

    const std::string preview = sandbox.Root() + "/preview.bmp";
    ASSERT_EQ(RunTool({"process", "--mode", "preview", "--profile", sandbox.Root() + "/profile.xml",
                       In(), preview, "--format-code", "50331648"}),
              0);
    result.LoadFile(preview);
    ASSERT_EQ(result.Width(), 33);
    for (int y = 0; y < 21; ++y)
        for (int i = 0; i < 99; ++i)
            ASSERT_EQ(result.Row(y)[i], 255 - source.Row(y)[i]);
}

TEST_F(ProcessToolTest, ManagerFlavourGreyGivesEightBitJpegByDefault)
{
    const std::string out = sandbox.Root() + "/out.jpg";
    ASSERT_EQ(RunTool({"process", "--flavour", "manager", "--profile",
                       Profile(chaintest::ProfileXml(0, 1, 1)), In(), out}),
              0);
    CDib result;
    result.LoadFile(out);
    EXPECT_EQ(result.BitsPerPixel(), 8);
    EXPECT_EQ(result.Width(), 33) << "ProcessImage never doubles in the manager";
}

TEST_F(ProcessToolTest, BadArgumentsAndInputsFail)
{
    const std::string profile = Profile(chaintest::ProfileXml(0, 0, 0));
    const std::string out = sandbox.Root() + "/x.jpg";
    EXPECT_EQ(RunTool({"process", "--profile", sandbox.Root() + "/none.xml", In(), out}), 1);
    EXPECT_EQ(RunTool({"process", "--profile", profile, sandbox.Root() + "/none.bmp", out}), 1);
    EXPECT_EQ(RunTool({"process", "--profile", profile, In()}), 2);
    EXPECT_EQ(RunTool({"process", "--flavour", "other", "--profile", profile, In(), out}), 2);
    EXPECT_EQ(RunTool({"process", "--profile", profile, In(), out, "--format-code", "x1"}), 2);
    EXPECT_EQ(access(out.c_str(), F_OK), -1);
}

TEST_F(ProcessToolTest, CalibrateWritesAReferenceThatProcessAppliesAndRefusesDamagedOnes)
{
    // The empty holder: light falling off from the centre, a little warm.
    CDib blank;
    blank.Create(320, 240, 24, 300);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
        {
            const double r2 = (std::pow(x - 160.0, 2) + std::pow(y - 120.0, 2)) / (200.0 * 200.0);
            const double level = 235.0 / (1.0 + 0.6 * r2);
            for (int c = 0; c < 3; ++c)
                blank.Row(y)[3 * x + c] = std::uint8_t(level * (c == 0 ? 0.9 : 1.0));
        }
    const std::string frame = sandbox.Root() + "/blank.bmp";
    ASSERT_EQ(blank.SaveFile(frame, 0x03000000), 1);
    const std::string reference = sandbox.Root() + "/Positive.ver";
    ASSERT_EQ(RunTool({"calibrate", frame, reference}), 0);

    const std::string out = sandbox.Root() + "/even.bmp";
    const std::string profile = Profile(chaintest::ProfileXml(0, 0, 0));
    ASSERT_EQ(RunTool({"process", "--profile", profile, frame, out, "--format-code", "0x03000000",
                       "--calibration", reference}),
              0);
    CDib even;
    even.LoadFile(out);
    ASSERT_EQ(even.Width(), 320);
    const int centre = even.Row(120)[3 * 160 + 1];
    for (const auto& [x, y] : {std::pair{2, 2}, {317, 2}, {2, 237}, {317, 237}})
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(even.Row(y)[3 * x + c], centre, centre * 0.03) << x << "," << y;

    // A damaged reference is refused with a message, and nothing is written.
    std::filesystem::resize_file(reference, 100);
    const std::string refused = sandbox.Root() + "/refused.bmp";
    EXPECT_EQ(
        RunTool({"process", "--profile", profile, frame, refused, "--calibration", reference}), 1);
    EXPECT_EQ(access(refused.c_str(), F_OK), -1);
    // A frame without light gives no reference; arguments are checked.
    CDib dark;
    dark.Create(320, 240, 24, 300);
    ASSERT_EQ(dark.SaveFile(sandbox.Root() + "/dark.bmp", 0x03000000), 1);
    EXPECT_EQ(RunTool({"calibrate", sandbox.Root() + "/dark.bmp", reference}), 1);
    EXPECT_EQ(RunTool({"calibrate", frame}), 2);
}

} // namespace

} // namespace tavrel::test
