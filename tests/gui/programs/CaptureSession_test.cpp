// A scan session as a foot switch or a user's script drives it: the real
// Pelidor and Vantrel, the scanner through tavrel-sim, the capture dialog
// through tavrel-tool message. What is seen are the files they write.

#include "support/CaptureDriver.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tavrel::test
{

namespace
{

using namespace std::chrono_literals;

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CaptureSession : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_pictures);
        fs::create_directories(m_sandbox.Home());
        // A still that does not come is asked for again soon.
        WriteFile(m_sandbox.Home() + "/LoopAndTime.ini",
                  "[LoopAndTime]\nFailTime=1000\nTryLoop=3\n");
        m_pelidor = StartProgram("Pelidor", {m_pictures});
        ASSERT_TRUE(m_pelidor && WaitForWindow("Pelidor"));
    }
    void TearDown() override
    {
        Send({"--class", "Pelidor", "WM_CLOSE"});
        for (auto* program : {&m_vantrel, &m_pelidor})
        {
            if (*program)
            {
                EXPECT_EQ((*program)->WaitForExit(), 0);
            }
        }
    }

    void StartVantrel()
    {
        m_vantrel = StartProgram("Vantrel");
        ASSERT_TRUE(m_vantrel);
        // The window exists from the dialog's first step; commands are
        // meant for the running dialog.
        ASSERT_TRUE(WaitFor([&] { return CountOf(m_vantrel->StdErr(), "Vantrel: running") == 1; }))
            << m_vantrel->StdErr();
    }
    void CloseVantrel()
    {
        EXPECT_EQ(Send({"--class", "Tavrel Camera", "WM_CLOSE"}), 0);
        EXPECT_EQ(m_vantrel->WaitForExit(), 0);
        m_vantrel.reset();
    }
    static int Send(std::vector<std::string> args)
    {
        args.insert(args.begin(), "message");
        return RunTool(args).exitCode;
    }
    static int Click(int id)
    {
        return Send({"--class", "Tavrel Camera", "WM_COMMAND", std::to_string(id)});
    }
    std::size_t Pictures() const
    {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(m_pictures))
            n += entry.path().extension() == ".jpg";
        return n;
    }
    std::string Home(const std::string& name) const
    {
        return ReadFile(m_sandbox.Home() + "/" + name);
    }

    Sandbox m_sandbox;
    std::string m_pictures = m_sandbox.Root() + "/Pictures";
    std::unique_ptr<Process> m_pelidor, m_vantrel;
};

TEST_F(CaptureSession, DevicePressAndOnScreenCaptureEachStoreAPicture)
{
    StartVantrel();
    // A press while the sensor is being programmed is dropped, as designed:
    // the user presses again once the latch is clear and nothing was taken.
    ASSERT_TRUE(PressDeviceButton()) << Home("log.txt");
    ASSERT_TRUE(WaitFor([&] { return Pictures() == 1; }, 60s)) << Home("log.txt");

    // Counted from the end of the first capture, after which no retry of
    // its own asks for a still.
    ASSERT_TRUE(WaitFor([&] { return Has(Home("log.txt"), "Capture End!"); }));
    ASSERT_TRUE(ClickCapture()) << Home("log.txt");
    ASSERT_TRUE(WaitFor([&] { return Pictures() == 2; }, 60s)) << Home("log.txt");
    // The stored pictures are whole JPEG files.
    for (const auto& entry : fs::directory_iterator(m_pictures))
    {
        const std::string jpeg = ReadFile(entry.path().string());
        ASSERT_GT(jpeg.size(), 4u);
        EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    }
}

TEST_F(CaptureSession, FilmSwitchAndPresetOutliveTheProgram)
{
    StartVantrel();
    ASSERT_EQ(Click(1017), 0); // negative film, at once
    EXPECT_NE(Home("preview.ini").find("format=1"), std::string::npos) << Home("preview.ini");
    ASSERT_EQ(Click(1020), 0); // vivid
    CloseVantrel();
    EXPECT_NE(Home("Negative.xml").find("<picmodesel>1</picmodesel>"), std::string::npos);

    // The next run starts on negative film: a switch to positive is a real
    // one (it writes "preview.ini") and saves negative's profile, vivid still.
    StartVantrel();
    ASSERT_EQ(Click(1016), 0);
    EXPECT_NE(Home("preview.ini").find("format=0"), std::string::npos);
    EXPECT_NE(Home("Negative.xml").find("<picmodesel>1</picmodesel>"), std::string::npos);
    CloseVantrel();
}

} // namespace

} // namespace tavrel::test
