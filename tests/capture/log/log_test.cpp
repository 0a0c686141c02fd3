#include "capture/Log.h"

#include "support/Files.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tavrel::test
{

namespace
{

class LogTest : public ::testing::Test
{
protected:
    std::string PathOf(const std::string& name) const { return m_sandbox.Home() + "/" + name; }
    static std::string Read(const std::string& path) { return tavrel::test::ReadFile(path); }
    tavrel::test::Sandbox m_sandbox;
};

} // namespace

TEST_F(LogTest, EventTextsWithLineFeedsAsCarriageReturnLineFeed)
{
    CLog log;
    ASSERT_TRUE(log.Open(PathOf("log.txt")));
    log.Write("\nButton Capture!\n");
    log.Write("Capture End!\n");
    log.Write("12, 34\n");
    log.Close();
    EXPECT_EQ(Read(PathOf("log.txt")), "\r\nButton Capture!\r\nCapture End!\r\n12, 34\r\n");
}

TEST_F(LogTest, OpeningAgainEmptiesTheFile)
{
    {
        CLog first;
        ASSERT_TRUE(first.Open(PathOf("log.txt")));
        first.Write("Time End\n");
    }
    CLog second;
    ASSERT_TRUE(second.Open(PathOf("log.txt")));
    second.Write("Enter Command!\n");
    second.Close();
    EXPECT_EQ(Read(PathOf("log.txt")), "Enter Command!\r\n");
}

TEST_F(LogTest, NonAsciiIsUtf8AndInvalidTextIsSkipped)
{
    CLog log;
    ASSERT_TRUE(log.Open(PathOf("log.txt")));
    log.Write("拍摄\n");
    log.Write(std::string("bad \xC3(\n"));
    log.Write(std::string("\xED\xA0\x80 surrogate\n"));
    log.Write("ok\n");
    log.Close();
    EXPECT_EQ(Read(PathOf("log.txt")), "\xE6\x8B\x8D\xE6\x91\x84\r\nok\r\n");
}

TEST_F(LogTest, UnwritableFileLeavesTheLogClosedAndWritesHarmless)
{
    // A folder that is a plain file cannot hold the log, whoever runs the test.
    std::ofstream(PathOf("notadir")) << "x";
    CLog log;
    EXPECT_FALSE(log.Open(PathOf("notadir/log.txt")));
    EXPECT_FALSE(log.IsOpen());
    log.Write("Time End\n");
    EXPECT_EQ(Read(PathOf("notadir")), "x");
}

TEST_F(LogTest, EventsFromManyThreadsStayWhole)
{
    CLog log;
    ASSERT_TRUE(log.Open(PathOf("log.txt")));
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&log, t]
            {
                for (int i = 0; i < 500; ++i)
                    log.Write("thread " + std::to_string(t) + " event " + std::to_string(i) + "\n");
            });
    threads.clear();
    log.Close();
    const std::string text = Read(PathOf("log.txt"));
    std::size_t lines = 0, pos = 0;
    while ((pos = text.find("\r\n", pos)) != std::string::npos)
        ++lines, pos += 2;
    EXPECT_EQ(lines, 2000u);
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    for (int t = 0; t < 4; ++t)
        EXPECT_NE(text.find("thread " + std::to_string(t) + " event 499\r\n"), std::string::npos);
}

} // namespace tavrel::test
