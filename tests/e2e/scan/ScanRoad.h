#pragma once
// A scan session as a user runs it: the real Pelidor showing a picture
// folder, the real Vantrel over the simulated scanner, the scanner driven
// through tavrel-sim and the dialog through tavrel-tool message.

#include "e2e/scan/StoredPicture.h"
#include "support/CaptureDriver.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>

namespace tavrel::test
{

namespace fs = std::filesystem;

inline constexpr const char* kCaptureEnd = "Capture End!";

inline std::set<std::string> PictureNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// "from" replaced by "to" once; the text unchanged when it has no "from".
inline std::string Replaced(std::string text, const std::string& from, const std::string& to)
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

    // The names stored in the picture folder since `before`.
    std::set<std::string> Added(const std::set<std::string>& before) const
    {
        std::set<std::string> added;
        for (const std::string& name : PictureNames(m_pictures))
            if (!before.contains(name))
                added.insert(name);
        return added;
    }

    std::string Home(const std::string& name) const { return m_sandbox.Home() + "/" + name; }

    Sandbox m_sandbox;
    std::string m_pictures = m_sandbox.Root() + "/Pictures";
    std::string m_sensor;
    std::unique_ptr<Process> m_pelidor, m_vantrel;
};

} // namespace tavrel::test
