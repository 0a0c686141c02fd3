#include "ChainTestPictures.h"
#include "support/Files.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/ImageCompare.h"
#include "support/Process.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
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

} // namespace

} // namespace tavrel::test
