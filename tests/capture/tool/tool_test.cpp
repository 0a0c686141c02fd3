#include "capture/Yuy2Converter.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/Process.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tavrel::test
{

namespace
{

std::string RunTool(const std::vector<std::string>& args, int* code)
{
    std::string error;
    auto process = tavrel::test::Process::Start("tavrel-tool", args, {}, &error);
    EXPECT_NE(process, nullptr) << error;
    if (!process)
        return {};
    const auto exit = process->WaitForExit();
    *code = exit.value_or(-1);
    return process->StdOut();
}

} // namespace

TEST(RegfileTool, OneLinePerWriteThenEnd)
{
    tavrel::test::Sandbox sandbox;
    const std::string path = sandbox.Home() + "/list.txt";
    std::ofstream(path) << "#3012@0A\r\n10@8107\r\n#ABCD@1\r\n\r\n#1@1\r\n";
    int code = -1;
    EXPECT_EQ(RunTool({"regfile", path}, &code),
              "reg 0x3012 = 0x0a\nprop 0x8107 = 0x0010\nreg 0xabcd = 0x01\nend\n");
    EXPECT_EQ(code, 0);
    RunTool({"regfile", sandbox.Home() + "/missing.txt"}, &code);
    EXPECT_NE(code, 0);
}

TEST(Yuy2Tool, ConvertsARawStillToABitmapWithTheTables)
{
    tavrel::test::Sandbox sandbox;
    const int width = 6, height = 3;
    std::vector<std::uint8_t> raw(width * height * 2);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(i * 23 + 5);
    const std::string in = sandbox.Home() + "/still.yuy2", out = sandbox.Home() + "/still.bmp";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(raw.data()), raw.size());
    int code = -1;
    RunTool({"yuy2", in, std::to_string(width), std::to_string(height), out}, &code);
    ASSERT_EQ(code, 0);
    CDib picture;
    ASSERT_TRUE(picture.LoadFile(out));
    ASSERT_EQ(picture.Width(), width);
    ASSERT_EQ(picture.Height(), height);
    std::vector<std::uint8_t> expected(width * height * 3);
    ConvertYuy2Reference(raw.data(), width * height, expected.data(), BuildYuy2Tables());
    for (int y = 0; y < height; ++y)
        EXPECT_EQ(std::vector<std::uint8_t>(picture.Row(y), picture.Row(y) + width * 3),
                  std::vector<std::uint8_t>(expected.begin() + y * width * 3,
                                            expected.begin() + (y + 1) * width * 3))
            << "row " << y;
    // Too little data for the size is refused.
    RunTool({"yuy2", in, "64", "64", out}, &code);
    EXPECT_NE(code, 0);
}

TEST(Yuy2Dib, OddWidthPairsRunAcrossRowsAsInTheBuffer)
{
    const int width = 3, height = 2;
    std::vector<std::uint8_t> raw(width * height * 2);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(200 - i * 17);
    CDib image;
    ASSERT_EQ(ConvertYuy2ToDib(raw.data(), raw.size(), width, height, image), 1);
    std::vector<std::uint8_t> expected(width * height * 3);
    ConvertYuy2Reference(raw.data(), width * height, expected.data(), BuildYuy2Tables());
    EXPECT_EQ(std::vector<std::uint8_t>(image.Row(1), image.Row(1) + 9),
              std::vector<std::uint8_t>(expected.begin() + 9, expected.end()));
    EXPECT_EQ(image.XResolution(), 300);
    EXPECT_EQ(ConvertYuy2ToDib(raw.data(), raw.size() - 1, width, height, image), 0);
}

} // namespace tavrel::test
