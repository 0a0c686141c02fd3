// The real Pelidor on an X server with a window manager, driven from outside
// as a user's script would: commands through tavrel-tool message, the
// simulated scanner through tavrel-sim.

#include "manager/ManagerCommands.h"
#include "platform/Desktop.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/Sandbox.h"
#include "support/XSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
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
        ASSERT_TRUE(m_x.Ready()) << m_x.Error();
        fs::create_directories(m_pictures);
        ASSERT_EQ(Sim("plug"), 0);
        Process::Options options;
        options.env = m_x.Env();
        // The panes show the sandbox as the user's home.
        options.env.emplace_back("HOME", m_sandbox.Root());
        m_pelidor = StartProgram("Pelidor", {m_pictures}, options);
        ASSERT_TRUE(m_pelidor);
        ASSERT_NE(WaitForWindow("Pelidor"), 0u) << m_pelidor->StdErr();
        // Started: the first scanner query has cleared the latch.
        ASSERT_TRUE(WaitFor([&] { return SimStatus().find("prop 0x8107") != std::string::npos; }))
            << SimStatus();
    }
    void TearDown() override
    {
        if (m_pelidor && m_pelidor->IsRunning())
        {
            Close();
            EXPECT_TRUE(m_pelidor->WaitForExit().has_value());
        }
        // Whatever the commands started goes with the session.
        for (const pid_t pid : CapturePrograms())
            ::kill(pid, SIGKILL);
    }

    int Sim(const std::string& command) { return RunProgram("tavrel-sim", {command}).exitCode; }
    std::string SimStatus()
    {
        const ToolRun run = RunProgram("tavrel-sim", {"status"});
        return run.exitCode == 0 ? run.out : std::string();
    }
    // The send returns once Pelidor's handler has run.
    bool Command(UINT id)
    {
        return RunTool({"message", "--class", "Pelidor", "WM_COMMAND", std::to_string(id)})
                   .exitCode == 0;
    }
    bool Close() { return RunTool({"message", "--class", "Pelidor", "WM_CLOSE"}).exitCode == 0; }

    // Capture programs of this session: the Vantrel processes that carry
    // our runtime directory (not a fork of one on its way to another
    // program).
    std::set<pid_t> CapturePrograms() const
    {
        std::map<pid_t, pid_t> parents;
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
            if ((environ + "\n").find(mark + "\n") == std::string::npos)
                continue;
            // "pid (name) state ppid ...": the name may hold blanks.
            const std::string stat = ReadFile((entry.path() / "stat").string());
            const auto close = stat.rfind(')');
            pid_t parent = 0;
            if (close != std::string::npos)
                std::istringstream(stat.substr(close + 3)) >> parent;
            parents[std::stoi(entry.path().filename().string())] = parent;
        }
        std::set<pid_t> pids;
        for (const auto& [pid, parent] : parents)
            if (!parents.contains(parent))
                pids.insert(pid);
        return pids;
    }

    XSession m_x;
    Sandbox m_sandbox;
    std::string m_pictures = m_sandbox.Root() + "/Pictures";
    std::unique_ptr<Process> m_pelidor;
};

TEST_F(PelidorProgram, CaptureStartsTheCaptureProgramOnceAndThenOnlyRepositionsIt)
{
    ASSERT_TRUE(Command(ID_TOOLBAR_CAPTURE));
    const HWND capture = WaitForWindow(kCaptureWindowClass);
    ASSERT_NE(capture, 0u) << m_pelidor->StdErr();
    const std::set<pid_t> first = CapturePrograms();
    ASSERT_EQ(first.size(), 1u);

    // The send returns after the handler: a second program would exist now.
    ASSERT_TRUE(Command(ID_CAPTURE));
    ASSERT_TRUE(Command(ID_TOOLBAR_CAPTURE));
    EXPECT_EQ(CapturePrograms(), first);
    EXPECT_EQ(Desktop::FindWindow(kCaptureWindowClass), capture);

    // Closing the manager closes the capture program too.
    ASSERT_TRUE(Close());
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
    // The list stores every switch; the close stores what it shows.
    ASSERT_TRUE(Command(ID_VIEW_DETAILS));
    EXPECT_NE(ReadFile(userInfo).find("defaultviewmdoe=\"1\""), std::string::npos);
    ASSERT_TRUE(Close());
    EXPECT_EQ(m_pelidor->WaitForExit(), 0);
    EXPECT_NE(ReadFile(userInfo).find("defaultviewmdoe=\"1\""), std::string::npos);
}

} // namespace
} // namespace tavrel::test
