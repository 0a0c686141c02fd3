#include "support/Process.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavrel::test
{

namespace
{

using tavrel::test::Process;

struct ToolRun
{
    int exitCode = -1;
    std::string out;
};

ToolRun RunTool(const std::vector<std::string>& args)
{
    ToolRun run;
    std::string error;
    auto process = Process::Start("tavrel-tool", args, {}, &error);
    if (!process)
    {
        ADD_FAILURE() << error;
        return run;
    }
    const auto code = process->WaitForExit();
    run.exitCode = code.value_or(-1);
    run.out = process->StdOut();
    return run;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class ProfileToolTest : public ::testing::Test
{
protected:
    void SetUp() override {}
    tavrel::test::Sandbox sandbox;
};

TEST_F(ProfileToolTest, PrintsEveryFieldInOrder)
{
    const std::string path = sandbox.Root() + "/p.xml";
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"utf-8\"?><imgcfg>"
                           "<reverse>1</reverse><rotate>0</rotate><gray>1</gray>"
                           "<negative>0</negative><AWB AWB_En=\"1\"/>"
                           "<AE AE_En=\"300\"><TargetY>128</TargetY><AERegion_L>3</AERegion_L>"
                           "<AERegion_U>4</AERegion_U></AE><AC AC_En=\"1\"/>"
                           "<CE CE_Sel=\"2\"><gTable>9,8,7</gTable></CE>"
                           "<Denoise Denoise_En=\"1\"><scale>5</scale></Denoise>"
                           "<delta><scale>6</scale></delta><strength><scale>0.5</scale></strength>"
                           "<ColorBalance><R_delta>1</R_delta><G_delta>2</G_delta>"
                           "<B_delta>3</B_delta></ColorBalance>"
                           "<picmode id=\"2\"><color>1</color><ae>2</ae><bright>3</bright>"
                           "<contrast>4</contrast><r>5</r><g>6</g><b>7</b><saturation>8"
                           "</saturation></picmode>"
                           "<dpi>1</dpi><pictype>1</pictype><picmodesel>2</picmodesel></imgcfg>";
    const ToolRun run = RunTool({"profile", path});
    ASSERT_EQ(run.exitCode, 0);
    const std::vector<std::string> expected = {"reverse=1",
                                               "rotate=0",
                                               "gray=1",
                                               "negative=0",
                                               "AWB_En=1",
                                               "AE_En=44",
                                               "TargetY=128",
                                               "AERegion_L=3",
                                               "AERegion_U=4",
                                               "AC_En=1",
                                               "CE_Sel=2",
                                               "denoiseEnabled=1",
                                               "denoiseScale=5",
                                               "deltaScale=6",
                                               "strength=0.500000",
                                               "R_delta=1",
                                               "G_delta=2",
                                               "B_delta=3",
                                               "pictureModeSelect=2",
                                               "doubleResolution=1",
                                               "pictureType=1",
                                               "picmode0=0,0,0,0,0,0,0,0",
                                               "picmode1=0,0,0,0,0,0,0,0",
                                               "picmode2=1,2,3,4,5,6,7,8",
                                               "picmode3=0,0,0,0,0,0,0,0"};
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), expected.size() + 1) << run.out;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]);
    std::string table = "gTable=9,8,7";
    for (int i = 3; i < 256; ++i)
        table += ",0";
    EXPECT_EQ(lines.back(), table);
}

TEST_F(ProfileToolTest, MissingFileExitsWithOne)
{
    EXPECT_EQ(RunTool({"profile", sandbox.Root() + "/none.xml"}).exitCode, 1);
}

TEST_F(ProfileToolTest, RewriteProducesTheWritersFile)
{
    const std::string in = sandbox.Root() + "/in.xml";
    const std::string out = sandbox.Root() + "/out.xml";
    std::ofstream(in) << "<?xml version=\"1.0\" encoding=\"utf-8\"?><imgcfg><reverse>1</reverse>"
                         "<AC AC_En=\"1\"/><CE><gTable>1,2,3</gTable></CE>"
                         "<strength><scale>1.5</scale></strength></imgcfg>";
    ASSERT_EQ(RunTool({"profile", "--rewrite", in, out}).exitCode, 0);
    const ToolRun shown = RunTool({"profile", out});
    ASSERT_EQ(shown.exitCode, 0);
    const std::vector<std::string> lines = Lines(shown.out);
    ASSERT_GE(lines.size(), 26u);
    EXPECT_EQ(lines[0], "reverse=1");
    EXPECT_EQ(lines[9], "AC_En=0") << "the writer leaves AC without its attribute";
    EXPECT_EQ(lines[14], "strength=1.500000");
    EXPECT_EQ(lines.back().rfind("gTable=1,2,3,0,", 0), 0u);
    EXPECT_EQ(RunTool({"profile", "--rewrite", sandbox.Root() + "/none.xml", out}).exitCode, 1);
}

} // namespace

} // namespace tavrel::test
