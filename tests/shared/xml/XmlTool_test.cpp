#include "support/Process.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace tavrel::test
{

namespace
{

using tavrel::test::Process;

class XmlTool : public ::testing::Test
{
protected:
    std::string Write(const std::string& bytes)
    {
        const std::string path = m_dir + "/f.xml";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    struct Run
    {
        int code;
        std::string out;
        std::string err;
    };
    static Run Tool(const std::vector<std::string>& args)
    {
        std::vector<std::string> all = {"xml"};
        all.insert(all.end(), args.begin(), args.end());
        auto process = Process::Start("tavrel-tool", all);
        if (!process)
            return {-1, "", "not started"};
        const auto code = process->WaitForExit();
        return {code.value_or(-1), process->StdOut(), process->StdErr()};
    }
    tavrel::test::Sandbox m_sandbox;
    std::string m_dir = m_sandbox.Home();
};

TEST_F(XmlTool, PrintsVerdictMessageAndRecords)
{
    const Run run = Tool({"--dump", Write("<a><b></a>")});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "invalid\n"
                       "10 bytes to 10 wide chars, End tag 'a' at offset 7 does not match start "
                       "tag 'b' at offset 3\n"
                       "0 0 10 3 4 0x80000 a\n"
                       "1 3 3 3 0 0x180000 b\n");

    const Run valid = Tool({Write("<r><c x=\"1\"/></r>")});
    EXPECT_EQ(valid.code, 0);
    EXPECT_EQ(valid.out, "valid\n17 bytes to 17 wide chars\n");

    const Run dumped = Tool({Write("<r><c/></r>"), "--dump"});
    EXPECT_EQ(dumped.out, "valid\n11 bytes to 11 wide chars\n0 0 11 3 4 0x80000 r\n"
                          "1 3 4 4 0 0x80000 c\n");
}

TEST_F(XmlTool, UnreadableFileFailsWithMessage)
{
    const Run run = Tool({m_dir + "/missing.xml"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << run.err;
    EXPECT_EQ(Tool({}).code, 1);
}

} // namespace

} // namespace tavrel::test
