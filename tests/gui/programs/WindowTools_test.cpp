// The real Pelidor and Vantrel driven as a user's script drives them: the
// window tools of tavrel-tool only.

#include "platform/Desktop.h"
#include "support/Programs.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <sstream>

namespace tavrel::test
{

namespace
{

std::string WindowLine(HWND hwnd, const std::string& className, const std::string& title, int pid,
                       const std::string& mark)
{
    char handle[32];
    std::snprintf(handle, sizeof handle, "0x%08" PRIX64, static_cast<std::uint64_t>(hwnd));
    return std::string(handle) + " \"" + className + "\" \"" + title + "\" " + std::to_string(pid) +
           " " + mark;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool Marked(HWND hwnd, const std::string& mark)
{
    return WaitFor([&] { return Desktop::GetProp(hwnd, mark) == 1; });
}

TEST(WindowTools, ListTheProgramsWindowsAndDriveThem)
{
    Sandbox sandbox;
    auto pelidor = StartProgram("Pelidor");
    ASSERT_TRUE(pelidor);
    const HWND manager = WaitForWindow("Pelidor");
    ASSERT_TRUE(manager && Marked(manager, "TAVREL_PELIDOR"));
    auto vantrel = StartProgram("Vantrel");
    ASSERT_TRUE(vantrel);
    const HWND capture = WaitForWindow("Tavrel Camera");
    ASSERT_TRUE(capture && Marked(capture, "TAVREL_VANTREL"));

    // Walk order, names as the programs set them.
    const ToolRun windows = RunTool({"windows"});
    EXPECT_EQ(windows.exitCode, 0);
    EXPECT_EQ(
        Lines(windows.out),
        (std::vector<std::string>{
            WindowLine(manager, "Pelidor", "TAVREL", pelidor->Pid(), "TAVREL_PELIDOR"),
            WindowLine(capture, "Tavrel Camera", "照片预览", vantrel->Pid(), "TAVREL_VANTREL")}));

    // Bad arguments, and no such window.
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"message"},
                                                {"message", "WM_NOPE"},
                                                {"message", "0x"},
                                                {"message", "--class"},
                                                {"message", "--hwnd", "1", "WM_CLOSE"},
                                                {"message", "16", "1", "2", "3"},
                                                {"message", "16", "-1"}})
        EXPECT_EQ(RunTool(bad).exitCode, 2) << bad.back();
    const ToolRun missing = RunTool({"message", "--class", "Pelidor Standard", "WM_CLOSE"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");

    // A synchronous send returns the handler's answer: the running capture
    // dialog answers the mode query with 1.
    const ToolRun query = RunTool({"message", "--class", "tavrel camera", "3031"});
    EXPECT_EQ(query.exitCode, 0);
    EXPECT_EQ(query.out, "1\n");

    // IDCANCEL, posted, ends the capture dialog the orderly way.
    const ToolRun cancel =
        RunTool({"message", "--post", "--class", "Tavrel Camera", "WM_COMMAND", "0x2"});
    EXPECT_EQ(cancel.exitCode, 0);
    EXPECT_EQ(cancel.out, "1\n");
    EXPECT_EQ(vantrel->WaitForExit(), 0);
    EXPECT_NE(vantrel->StdErr().find("Vantrel: closing"), std::string::npos);
    EXPECT_FALSE(Desktop::IsWindow(capture));

    // Found by title alone, the manager closes and takes a capture program
    // with it.
    vantrel = StartProgram("Vantrel", {"1"});
    ASSERT_TRUE(vantrel && WaitForWindow("Tavrel Camera"));
    const ToolRun close = RunTool({"message", "--title", "tavrel", "WM_CLOSE"});
    EXPECT_EQ(close.exitCode, 0);
    EXPECT_EQ(close.out, "0\n");
    EXPECT_EQ(pelidor->WaitForExit(), 0);
    EXPECT_EQ(vantrel->WaitForExit(), 0);
    EXPECT_EQ(RunTool({"windows"}).out, "");
}

// The manager's side is seen in its own GUI tests (the scanner query).
TEST(DeviceChange, TheCaptureProgramHearsTheScannerGoAndCome)
{
    Sandbox sandbox;
    auto vantrel = StartProgram("Vantrel");
    ASSERT_TRUE(vantrel && WaitForWindow("Tavrel Camera"));
    // The window exists from the dialog's first step; the device is opened later.
    ASSERT_TRUE(
        WaitFor([&] { return vantrel->StdErr().find("Vantrel: running") != std::string::npos; }));
    const auto heard = [&](const std::string& what)
    {
        return WaitFor(
            [&] { return vantrel->StdErr().find("Vantrel: device " + what) != std::string::npos; });
    };
    EXPECT_EQ(RunProgram("tavrel-sim", {"unplug"}).exitCode, 0);
    EXPECT_TRUE(heard("removal"));
    EXPECT_EQ(RunProgram("tavrel-sim", {"plug"}).exitCode, 0);
    EXPECT_TRUE(heard("arrival"));
}

} // namespace

} // namespace tavrel::test
