// Lens calibration as a user does it: the real Pelidor and Vantrel, the
// empty holder in the simulated scanner, the calibration dialog driven
// through tavrel-tool message and the capture by the device's button. What
// is checked is the picture Pelidor stores.

#include "imaging/cwimage/dib/Dib.h"
#include "support/CaptureDriver.h"
#include "support/ImageCompare.h"
#include "support/Programs.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace tavrel::test
{

namespace
{

using namespace std::chrono_literals;

constexpr const char* kCamera = "Tavrel Camera";
// The lens calibration dialog, by its caption: every shown dialog has the class.
constexpr const char* kCalibration = "镜头校正";

class LensCalibration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_pictures);
        ASSERT_EQ(RunProgram("tavrel-sim", {"film", "none"}).exitCode, 0);
        m_pelidor = StartProgram("Pelidor", {m_pictures});
        ASSERT_TRUE(m_pelidor && WaitForWindow("Pelidor"));
        Process::Options options;
        options.env = {{"TAVREL_CALIBRATION_STEP_MS", "0"}};
        m_vantrel = StartProgram("Vantrel", {}, options);
        ASSERT_TRUE(m_vantrel);
        ASSERT_TRUE(WaitUntilRunning(*m_vantrel)) << m_vantrel->StdErr();
    }
    void TearDown() override
    {
        RunTool({"message", "--class", "Pelidor", "WM_CLOSE"});
        for (auto* program : {&m_vantrel, &m_pelidor})
        {
            if (*program)
            {
                EXPECT_EQ((*program)->WaitForExit(), 0);
            }
        }
    }

    static int Message(const std::vector<std::string>& target, int command)
    {
        std::vector<std::string> args{"message"};
        args.insert(args.end(), target.begin(), target.end());
        args.insert(args.end(), {"WM_COMMAND", std::to_string(command)});
        return RunTool(args).exitCode;
    }
    // A capture by the device's button; the path of the picture it stored,
    // or "" when none came.
    std::string PressAndStore()
    {
        std::set<fs::path> before;
        for (const auto& entry : fs::directory_iterator(m_pictures))
            before.insert(entry.path());
        const std::size_t ended = CountOf(CaptureLog(), "Capture End!");
        EXPECT_TRUE(PressDeviceButton()) << CaptureLog();
        fs::path stored;
        EXPECT_TRUE(WaitFor(
            [&]
            {
                for (const auto& entry : fs::directory_iterator(m_pictures))
                    if (entry.path().extension() == ".jpg" && !before.count(entry.path()))
                        stored = entry.path();
                return !stored.empty() && CountOf(CaptureLog(), "Capture End!") > ended;
            },
            60s))
            << CaptureLog();
        return stored.string();
    }

    Sandbox m_sandbox;
    std::string m_pictures = m_sandbox.Root() + "/Pictures";
    std::unique_ptr<Process> m_pelidor, m_vantrel;
};

double StoredEvenness(const std::string& path)
{
    CDib picture;
    EXPECT_EQ(picture.LoadFile(path), 1) << path;
    return picture.HasPixels() ? WorstCornerRatio(picture) : 0.0;
}

TEST_F(LensCalibration, TheEmptyHolderComesOutEvenOnceCalibrated)
{
    // Uncalibrated, the light box falls off towards the corners.
    const std::string first = PressAndStore();
    ASSERT_FALSE(first.empty());
    const double before = StoredEvenness(first);
    EXPECT_GT(std::abs(before - 1.0), 0.04) << before;

    // The menu's lens calibration, then its start button: it takes all three
    // references and closes.
    ASSERT_EQ(Message({"--class", kCamera}, 1039), 0);
    ASSERT_TRUE(WaitForWindow("#32770", kCalibration));
    ASSERT_EQ(Message({"--class", "#32770", "--title", kCalibration}, 1036), 0);
    const std::string home = m_sandbox.Home();
    ASSERT_TRUE(WaitFor(
        [&]
        {
            return fs::exists(home + "/Positive.ver") && fs::exists(home + "/Negative.ver") &&
                   fs::exists(home + "/BlackWhite.ver") &&
                   RunTool({"windows"}).out.find(kCalibration) == std::string::npos;
        },
        120s))
        << CaptureLog();

    // Calibration ends on negative film; the empty holder is judged as a slide.
    ASSERT_EQ(Message({"--class", kCamera}, 1016), 0);
    const std::string second = PressAndStore();
    ASSERT_FALSE(second.empty());
    EXPECT_NEAR(StoredEvenness(second), 1.0, 0.04);
}

} // namespace

} // namespace tavrel::test
