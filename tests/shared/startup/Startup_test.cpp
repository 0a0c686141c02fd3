#include "platform/Desktop.h"
#include "platform/linux/SessionNames.h"
#include "support/OtherUser.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavrel::test
{

namespace
{

using tavrel::test::Process;
using tavrel::test::Sandbox;
using tavrel::test::WaitFor;

std::unique_ptr<Process> Start(const std::string& program, const std::vector<std::string>& args)
{
    // The capture dialog ends at once without a scanner: the simulated one.
    Process::Options options;
    options.env.emplace_back("TAVREL_SCANNER", "simulated");
    std::string error;
    auto process = Process::Start(program, args, options, &error);
    EXPECT_TRUE(process) << error;
    return process;
}

bool Logged(Process& process, const std::string& line)
{
    return process.StdErr().find(line) != std::string::npos;
}

bool Marked(const std::string& className, const std::string& mark)
{
    const tavrel::HWND hwnd = tavrel::Desktop::FindWindow(className);
    return hwnd != 0 && tavrel::Desktop::GetProp(hwnd, mark) == 1;
}

TEST(ManagerStart, SecondManagerHandsOverToTheFirst)
{
    Sandbox sandbox;
    auto first = Start("Pelidor", {"--simulated"});
    ASSERT_TRUE(first);
    ASSERT_TRUE(WaitFor([] { return Marked("Pelidor", "TAVREL_PELIDOR"); }));
    EXPECT_EQ(tavrel::Desktop::GetWindowText(tavrel::Desktop::FindWindow("Pelidor")), "TAVREL");
    // The program folder was filled with the defaults.
    EXPECT_TRUE(std::filesystem::exists(sandbox.Home() + "/UIlanguage.xml"));

    auto second = Start("Pelidor", {});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->WaitForExit(), 0);
    EXPECT_TRUE(Logged(*second, "Pelidor: already running"));
    EXPECT_FALSE(Logged(*second, "Pelidor: running"));
    // The restore and raise are checked on the real frame in the manager's GUI tests.
    EXPECT_TRUE(first->IsRunning());

    // WM_CLOSE ends it; the mark goes before the window.
    tavrel::Desktop::SendMessage(tavrel::Desktop::FindWindow("Pelidor"), tavrel::WM_CLOSE);
    EXPECT_EQ(first->WaitForExit(), 0);
    EXPECT_EQ(tavrel::Desktop::FindWindow("Pelidor"), 0u);
}

TEST(CaptureStart, SameModeBringsTheRunningOneForward)
{
    Sandbox sandbox;
    auto first = Start("Vantrel", {"0", "--simulated"});
    ASSERT_TRUE(first);
    ASSERT_TRUE(WaitFor([] { return Marked("Tavrel Camera", "TAVREL_VANTREL"); }));
    // No argument is mode 0 as well.
    auto second = Start("Vantrel", {});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->WaitForExit(), 0);
    EXPECT_FALSE(Logged(*second, "running in mode"));
    EXPECT_TRUE(WaitFor([&] { return Logged(*first, "Vantrel: brought to the front"); }));
    EXPECT_TRUE(first->IsRunning());
    EXPECT_FALSE(Logged(*first, "Vantrel: closing"));
}

TEST(CaptureStart, OtherModeReplacesTheRunningOne)
{
    Sandbox sandbox;
    auto first = Start("Vantrel", {"0"});
    ASSERT_TRUE(first);
    ASSERT_TRUE(WaitFor([] { return Marked("Tavrel Camera", "TAVREL_VANTREL"); }));
    auto second = Start("Vantrel", {"1"});
    ASSERT_TRUE(second);
    EXPECT_EQ(first->WaitForExit(), 0);
    EXPECT_TRUE(Logged(*first, "Vantrel: closing"));
    ASSERT_TRUE(WaitFor([&] { return Logged(*second, "Vantrel: running in mode 1"); }));
    ASSERT_TRUE(WaitFor([] { return Marked("Tavrel Camera", "TAVREL_VANTREL"); }));

    // The manager's close also closes the capture program.
    auto manager = Start("Pelidor", {});
    ASSERT_TRUE(manager);
    ASSERT_TRUE(WaitFor([] { return Marked("Pelidor", "TAVREL_PELIDOR"); }));
    tavrel::Desktop::SendMessage(tavrel::Desktop::FindWindow("Pelidor"), tavrel::WM_CLOSE);
    EXPECT_EQ(manager->WaitForExit(), 0);
    EXPECT_EQ(second->WaitForExit(), 0);
}

TEST(CaptureStart, KilledInstanceDoesNotBlockTheNextStart)
{
    Sandbox sandbox;
    auto first = Start("Vantrel", {"1"});
    ASSERT_TRUE(first);
    ASSERT_TRUE(WaitFor([] { return Marked("Tavrel Camera", "TAVREL_VANTREL"); }));
    first->Kill();
    first->WaitForExit();
    auto second = Start("Vantrel", {"1"});
    ASSERT_TRUE(second);
    EXPECT_TRUE(WaitFor([&] { return Logged(*second, "Vantrel: running in mode 1"); }));
    EXPECT_TRUE(second->IsRunning());
}

TEST(CaptureStart, ModesOtherThanFilmAndPhotoOpenNoWindow)
{
    Sandbox sandbox;
    auto run = Start("Vantrel", {"7"});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->WaitForExit(), 0);
    EXPECT_FALSE(Logged(*run, "running in mode"));
    auto text = Start("Vantrel", {"/VERIFY"}); // non-numeric: mode 0
    ASSERT_TRUE(text);
    EXPECT_TRUE(WaitFor([&] { return Logged(*text, "Vantrel: running in mode 0"); }));
}

TEST(ProgramStart, ARuntimeDirectoryOfAnotherUserIsRefusedAloud)
{
    if (!tavrel::test::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to act as another user";
    Sandbox sandbox;
    ASSERT_EQ(
        ::chown(sandbox.RuntimeDir().c_str(), tavrel::test::kOtherUid, tavrel::test::kOtherUid), 0);
    for (const auto& [program, args] :
         {std::pair<std::string, std::vector<std::string>>{"Pelidor", {}}, {"Vantrel", {"0"}}})
    {
        auto run = Start(program, args);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->WaitForExit(), 1) << program;
        EXPECT_TRUE(Logged(*run, program + " cannot start: runtime directory " +
                                     sandbox.RuntimeDir() + " belongs to another user"))
            << run->StdErr();
        EXPECT_FALSE(Logged(*run, "running")) << program;
    }
}

TEST(ProgramStart, AWindowNameTakenBeforehandIsRefusedAloud)
{
    Sandbox sandbox;
    // A runtime directory too long for socket paths: windows listen on
    // abstract names, which anybody on the machine could bind first.
    const std::string runtime = sandbox.Root() + "/" + std::string(100, 'r');
    ASSERT_TRUE(std::filesystem::create_directory(runtime));
    ::setenv("TAVREL_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string key = tavrel::detail::SessionKey();
    ASSERT_FALSE(key.empty());
    std::vector<int> squatters;
    for (int hwnd = 1; hwnd <= 16; ++hwnd)
    {
        const std::string name = "tavrel-" + key + "-" + std::to_string(hwnd);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, name.data(), name.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address),
                         socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
                  0);
        squatters.push_back(fd);
    }
    auto run = Start("Pelidor", {});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->WaitForExit(), 1);
    EXPECT_TRUE(Logged(*run, "Pelidor cannot start: its window cannot be opened (Address already "
                             "in use)"))
        << run->StdErr();
    EXPECT_FALSE(Logged(*run, "Pelidor: running"));
    for (int fd : squatters)
        ::close(fd);
}

} // namespace

namespace
{

void WriteLanguageFile(const Sandbox& sandbox, const std::string& entries)
{
    std::ofstream(sandbox.Home() + "/UIlanguage.xml", std::ios::binary)
        << "<language><language>English</language><English>" << entries << "</English></language>";
}

std::string CaptureTitleWith(const std::string& entries)
{
    Sandbox sandbox;
    std::filesystem::create_directories(sandbox.Home());
    WriteLanguageFile(sandbox, entries);
    auto run = Start("Vantrel", {"0"});
    if (!run || !WaitFor([] { return Marked("Tavrel Camera", "TAVREL_VANTREL"); }))
        return "<not started>";
    return tavrel::Desktop::GetWindowText(tavrel::Desktop::FindWindow("Tavrel Camera"));
}

TEST(UiLanguageStart, CaptureProgramLoadsOnlyItsOwnEntry)
{
    EXPECT_EQ(CaptureTitleWith("<Solvane>Vantrel_en.qm</Solvane>"), "Picture preview");
    EXPECT_EQ(CaptureTitleWith("<Tavrel>Pelidor_en.qm</Tavrel>"), "照片预览");
    EXPECT_EQ(CaptureTitleWith("<Solvane>missing.qm</Solvane>"), "照片预览");
}

} // namespace

} // namespace tavrel::test
