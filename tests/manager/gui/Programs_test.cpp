// The real Pelidor driven from outside, as a user's script would: commands
// by WM_COMMAND to its window, the simulated scanner by tavrel-sim.

#include "manager/ManagerCommands.h"
#include "platform/Desktop.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel::test
{
namespace
{

class PelidorProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_pictures);
        ASSERT_EQ(Sim("plug"), 0);
        std::string error;
        m_pelidor = Process::Start("Pelidor", {"--simulated", m_pictures}, {}, &error);
        ASSERT_TRUE(m_pelidor) << error;
        ASSERT_TRUE(WaitFor([] { return Desktop::FindWindow("Pelidor") != 0; }))
            << m_pelidor->StdErr();
        m_frame = Desktop::FindWindow("Pelidor");
        // Started: the first scanner query has cleared the latch.
        ASSERT_TRUE(WaitFor([&] { return SimStatus().find("prop 0x8107") != std::string::npos; }))
            << SimStatus();
    }
    void TearDown() override
    {
        if (m_frame)
            Desktop::SendMessage(m_frame, WM_CLOSE);
        if (m_pelidor)
        {
            EXPECT_TRUE(m_pelidor->WaitForExit().has_value());
        }
        // Whatever the commands started goes with the session.
        for (const pid_t pid : CapturePrograms())
            ::kill(pid, SIGKILL);
    }

    int Sim(const std::string& command)
    {
        auto sim = Process::Start("tavrel-sim", {command});
        return sim ? sim->WaitForExit().value_or(-1) : -1;
    }
    std::string SimStatus()
    {
        auto sim = Process::Start("tavrel-sim", {"status"});
        return sim && sim->WaitForExit() == 0 ? sim->StdOut() : std::string();
    }
    bool Command(UINT id) { return Desktop::SendMessage(m_frame, WM_COMMAND, id).delivered; }

    // Capture programs of this session: the Vantrel processes that carry
    // our runtime directory.
    std::set<pid_t> CapturePrograms() const
    {
        std::set<pid_t> pids;
        const std::string program = fs::canonical(Process::ProgramPath("Vantrel")).string();
        const std::string mark = "TAVREL_RUNTIME_DIR=" + m_sandbox.RuntimeDir();
        for (const auto& entry : fs::directory_iterator("/proc"))
        {
            std::error_code ec;
            const auto exe = fs::read_symlink(entry.path() / "exe", ec);
            if (ec || exe.string() != program)
                continue;
            std::string environ = ReadFile((entry.path() / "environ").string());
            for (char& c : environ)
                if (c == '\0')
                    c = '\n';
            if ((environ + "\n").find(mark + "\n") != std::string::npos)
                pids.insert(std::stoi(entry.path().filename().string()));
        }
        return pids;
    }

    Sandbox m_sandbox;
    std::string m_pictures = m_sandbox.Root() + "/Pictures";
    std::unique_ptr<Process> m_pelidor;
    HWND m_frame = 0;
};

TEST_F(PelidorProgram, CaptureStartsTheCaptureProgramOnceAndThenOnlyRepositionsIt)
{
    ASSERT_TRUE(Command(ID_TOOLBAR_CAPTURE));
    ASSERT_TRUE(WaitFor([] { return Desktop::FindWindow(kCaptureWindowClass) != 0; }))
        << m_pelidor->StdErr();
    const HWND capture = Desktop::FindWindow(kCaptureWindowClass);
    const std::set<pid_t> first = CapturePrograms();
    ASSERT_EQ(first.size(), 1u);

    // The send returns after the handler: a second program would exist now.
    ASSERT_TRUE(Command(ID_CAPTURE));
    ASSERT_TRUE(Command(ID_TOOLBAR_CAPTURE));
    EXPECT_EQ(CapturePrograms(), first);
    EXPECT_EQ(Desktop::FindWindow(kCaptureWindowClass), capture);

    // Closing the manager closes the capture program too.
    Desktop::SendMessage(m_frame, WM_CLOSE);
    m_frame = 0;
    EXPECT_TRUE(m_pelidor->WaitForExit().has_value());
    EXPECT_TRUE(WaitFor([&] { return CapturePrograms().empty(); }, std::chrono::seconds(60)));
}

TEST_F(PelidorProgram, ADeviceArrivalClearsTheButtonLatch)
{
    ASSERT_EQ(Sim("press"), 0);
    ASSERT_NE(SimStatus().find("button: 0x0001"), std::string::npos);
    ASSERT_EQ(Sim("plug"), 0); // any arrival runs the query
    EXPECT_TRUE(WaitFor([&] { return SimStatus().find("button: 0x0000") != std::string::npos; }))
        << SimStatus();
}

TEST_F(PelidorProgram, TheViewCommandsStoreTheViewMode)
{
    const std::string userInfo = m_sandbox.Home() + "/UserInfo.xml";
    ASSERT_TRUE(Command(ID_VIEW_REPORT));
    EXPECT_NE(ReadFile(userInfo).find("defaultviewmdoe=\"1\""), std::string::npos);
    ASSERT_TRUE(Command(ID_VIEW_LARGEICON));
    EXPECT_NE(ReadFile(userInfo).find("defaultviewmdoe=\"0\""), std::string::npos);
    // Icons and Details change the list only; the close stores what it shows.
    ASSERT_TRUE(Command(ID_VIEW_DETAILS));
    EXPECT_NE(ReadFile(userInfo).find("defaultviewmdoe=\"0\""), std::string::npos);
    Desktop::SendMessage(m_frame, WM_CLOSE);
    m_frame = 0;
    EXPECT_EQ(m_pelidor->WaitForExit(), 0);
    EXPECT_NE(ReadFile(userInfo).find("defaultviewmdoe=\"1\""), std::string::npos);
}

} // namespace
} // namespace tavrel::test
