// The scanner pulled out and plugged in again while the programs run: in
// the preview, while a capture waits for its still, and while a picture is
// handed over. The programs carry on without a restart; a capture either
// stores its whole picture or the capture log says it had none.

#include "e2e/scan/ScanRoad.h"

#include <gtest/gtest.h>

#include <set>

#include <signal.h>

namespace tavrel::test
{
namespace
{

using namespace std::chrono_literals;

class Unplug : public ScanRoad
{
protected:
    bool Sim(const std::string& command)
    {
        return RunProgram("tavrel-sim", {command}).exitCode == 0;
    }
    // The capture program heard of the change (its window got the broadcast).
    bool Heard(const char* change, std::size_t times)
    {
        return WaitFor([&] { return CountOf(m_vantrel->StdErr(), change) >= times; });
    }
    // The hand-over's profile exists only while its message is out.
    bool HandingOver()
    {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(m_sandbox.RuntimeDir() + "/tmp", ec))
            if (entry.path().string().ends_with("_cfg.xml"))
                return true;
        return false;
    }
    // The capture ended with exactly one new picture, read back whole.
    ::testing::AssertionResult StoredOneSince(const std::set<std::string>& before,
                                              std::size_t ended)
    {
        if (!WaitFor([&] { return CountOf(CaptureLog(), kCaptureEnd) > ended; }, 60s))
            return ::testing::AssertionFailure() << "no capture ended\n" << CaptureLog();
        const std::set<std::string> added = Added(before);
        if (added.size() != 1)
            return ::testing::AssertionFailure() << added.size() << " pictures stored";
        const StoredPicture stored = ReadStoredPicture(m_pictures + "/" + *added.begin());
        if (!stored.read || stored.width != 2400 || stored.height != 1800)
            return ::testing::AssertionFailure() << *added.begin() << " does not read whole";
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Unplug, DuringThePreviewAndDuringACaptureTheProgramsRecoverWithoutARestart)
{
    ASSERT_NO_FATAL_FAILURE(StartVantrel(true));

    // In the preview.
    ASSERT_TRUE(Sim("unplug"));
    ASSERT_TRUE(Heard("device removal", 1));
    ASSERT_TRUE(Sim("plug"));
    ASSERT_TRUE(Heard("device arrival", 1));
    std::set<std::string> before = PictureNames(m_pictures);
    std::size_t ended = CountOf(CaptureLog(), kCaptureEnd);
    ASSERT_TRUE(PressDeviceButton()) << CaptureLog();
    EXPECT_TRUE(StoredOneSince(before, ended));

    // While the picture is handed over: Pelidor is held until the device
    // has gone, then stores what it was given.
    before = PictureNames(m_pictures);
    ended = CountOf(CaptureLog(), kCaptureEnd);
    ASSERT_EQ(::kill(m_pelidor->Pid(), SIGSTOP), 0);
    const bool handingOver = PressDeviceButton() && WaitFor([&] { return HandingOver(); }, 60s);
    const bool gone = handingOver && Sim("unplug") && Heard("device removal", 2);
    ASSERT_EQ(::kill(m_pelidor->Pid(), SIGCONT), 0);
    ASSERT_TRUE(handingOver && gone) << CaptureLog();
    EXPECT_TRUE(StoredOneSince(before, ended));

    // While a capture waits for its still: none comes from a camera that
    // is gone; the attempts end, the log says there was no picture, and
    // nothing half-written is left.
    before = PictureNames(m_pictures);
    ASSERT_TRUE(ClickCapture()) << CaptureLog();
    ASSERT_TRUE(
        WaitFor([&] { return CountOf(CaptureLog(), "Have No Image to Process!") > 0; }, 60s))
        << CaptureLog();
    EXPECT_TRUE(Added(before).empty());

    // Back again: the device's button and "拍摄" each store a picture.
    ASSERT_TRUE(Sim("plug"));
    ASSERT_TRUE(Heard("device arrival", 2));
    ended = CountOf(CaptureLog(), kCaptureEnd);
    ASSERT_TRUE(PressDeviceButton()) << CaptureLog();
    EXPECT_TRUE(StoredOneSince(before, ended));
    before = PictureNames(m_pictures);
    ended = CountOf(CaptureLog(), kCaptureEnd);
    ASSERT_TRUE(ClickCapture()) << CaptureLog();
    EXPECT_TRUE(StoredOneSince(before, ended));
    // One picture a press, nothing hidden left over.
    const std::set<std::string> all = PictureNames(m_pictures);
    EXPECT_EQ(all.size(), 4u);
    for (const std::string& name : all)
        EXPECT_NE(name[0], '.') << "a hidden leftover: " << name;
}

} // namespace
} // namespace tavrel::test
