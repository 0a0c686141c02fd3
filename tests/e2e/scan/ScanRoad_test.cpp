// The road of a picture from the scanner to the folder Pelidor shows, as a
// user takes it: the device's button and "拍摄", in still mode and in
// frame-grab mode, as JPEG and as 8- and 16-bit TIFF. The real programs,
// the scanner through tavrel-sim, the dialog through tavrel-tool message;
// what is seen are the files they store.

#include "e2e/scan/StoredPicture.h"
#include "support/CaptureDriver.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace tavrel::test
{
namespace
{

using namespace std::chrono_literals;

constexpr const char* kCaptureEnd = "Capture End!";

std::set<std::string> PictureNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// "from" replaced by "to" once; the text unchanged when it has no "from".
std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    if (const std::size_t at = text.find(from); at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class ScanRoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_pictures);
        ASSERT_EQ(RunProgram("tavrel-sim", {"plug"}).exitCode, 0);
        m_pelidor = StartProgram("Pelidor", {m_pictures});
        ASSERT_TRUE(m_pelidor && WaitForWindow("Pelidor"));
        // Pelidor filled the program folder with the defaults: the format
        // boxes are offered, a still that does not come is asked for again
        // soon, and positive film is taken in grey, so that every stored
        // picture shows it went through the processing.
        ASSERT_TRUE(WriteFile(Home("Can48Bit.ini"), "[Can48Bit]\nCan48Bit=1\n"));
        ASSERT_TRUE(
            WriteFile(Home("LoopAndTime.ini"), "[LoopAndTime]\nFailTime=1000\nTryLoop=3\n"));
        const std::string positive = ReadFile(Home("Positive.xml"));
        ASSERT_NE(positive.find("<gray>0</gray>"), std::string::npos);
        ASSERT_TRUE(WriteFile(Home("Positive.xml"),
                              Replaced(positive, "<gray>0</gray>", "<gray>1</gray>")));
        m_sensor = ReadFile(Home("sensor.xml"));
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

    // Still or frame-grab mode is the sensor file's choice, read at start.
    void StartVantrel(bool still)
    {
        if (m_vantrel)
        {
            EXPECT_EQ(RunTool({"message", "--class", "Tavrel Camera", "WM_CLOSE"}).exitCode, 0);
            EXPECT_EQ(m_vantrel->WaitForExit(), 0);
        }
        ASSERT_NE(m_sensor.find("stillmode=\"1\""), std::string::npos);
        ASSERT_TRUE(
            WriteFile(Home("sensor.xml"), Replaced(m_sensor, "stillmode=\"1\"",
                                                   still ? "stillmode=\"1\"" : "stillmode=\"0\"")));
        m_vantrel = StartProgram("Vantrel");
        ASSERT_TRUE(m_vantrel && WaitUntilRunning(*m_vantrel));
    }

    // A choice in one of the dialog's combo boxes, as a user makes it.
    static bool Choose(int box, int entry)
    {
        const int selectionChange = 1 << 16; // CBN_SELCHANGE
        return RunTool({"message", "--class", "Tavrel Camera", "WM_COMMAND",
                        std::to_string(box | selectionChange), std::to_string(entry)})
                   .exitCode == 0;
    }

    std::string Home(const std::string& name) const { return m_sandbox.Home() + "/" + name; }

    Sandbox m_sandbox;
    std::string m_pictures = m_sandbox.Root() + "/Pictures";
    std::string m_sensor;
    std::unique_ptr<Process> m_pelidor, m_vantrel;
};

TEST_F(ScanRoad, EachPressStoresAProcessedPictureInEveryModeAndFormat)
{
    struct Row
    {
        bool still;
        bool device; // the device's button, else "拍摄"
        int format;  // box 1043: 0 JPG, 1 TIFF
        int depth;   // box 1044: 0 24Bit, 1 48Bit
    };
    // Grouped by mode: the capture program starts once for each.
    const Row rows[] = {
        {true, true, 0, 0},  {true, false, 0, 0},  {true, true, 1, 0},  {true, false, 1, 0},
        {true, true, 1, 1},  {true, false, 1, 1},  {false, true, 0, 0}, {false, false, 0, 0},
        {false, true, 1, 0}, {false, false, 1, 0}, {false, true, 1, 1}, {false, false, 1, 1},
    };
    std::optional<bool> mode;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.still ? "still" : "frame-grab") +
                     (row.device ? ", device button" : ", on screen") +
                     (row.format == 0  ? ", JPEG"
                      : row.depth == 0 ? ", TIFF 24"
                                       : ", TIFF 48"));
        if (mode != row.still)
        {
            ASSERT_NO_FATAL_FAILURE(StartVantrel(row.still));
            mode = row.still;
        }
        ASSERT_TRUE(Choose(1043, row.format));
        ASSERT_TRUE(Choose(1044, row.depth));
        const std::set<std::string> before = PictureNames(m_pictures);
        const std::size_t ended = CountOf(CaptureLog(), kCaptureEnd);
        // In frame-grab mode the device's button asks as "拍摄" does.
        ASSERT_TRUE(row.device ? PressDeviceButton(row.still ? kStillPinSnap : kButtonCapture)
                               : ClickCapture())
            << CaptureLog();
        // The hand-over is synchronous: once the capture ended, the
        // picture is stored or it never will be.
        ASSERT_TRUE(WaitFor([&] { return CountOf(CaptureLog(), kCaptureEnd) > ended; }, 60s))
            << CaptureLog();
        std::set<std::string> added;
        for (const std::string& name : PictureNames(m_pictures))
            if (!before.contains(name))
                added.insert(name);
        ASSERT_EQ(added.size(), 1u) << CaptureLog();
        const std::string name = *added.begin();
        EXPECT_TRUE(name.ends_with(row.format == 0 ? ".jpg" : ".tiff")) << name;

        const StoredPicture stored = ReadStoredPicture(m_pictures + "/" + name);
        ASSERT_TRUE(stored.read) << name;
        EXPECT_EQ(stored.format, row.format == 0 ? "jpeg" : "tiff");
        EXPECT_EQ(stored.bitsPerSample, row.depth == 0 ? 8 : 16);
        // The still is 2592 × 1944, the preview frame 640 × 480, each cut by
        // the capture margins 96, 72, 96, 72 of the sensor file.
        EXPECT_EQ(stored.width, row.still ? 2400 : 448);
        EXPECT_EQ(stored.height, row.still ? 1800 : 336);
        // Grey as the profile asks (JPEG's rounding aside), and a picture.
        EXPECT_LE(stored.maxChannelSpread, row.format == 0 ? 2 : 0);
        EXPECT_GT(stored.highest - stored.lowest, 64);
    }
}

} // namespace
} // namespace tavrel::test
