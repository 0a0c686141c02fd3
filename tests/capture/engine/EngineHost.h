#pragma once
// A headless capture dialog for the engine tests: a UI loop on its own
// thread, the "Tavrel Camera" window forwarding its messages to the engine
// as the dialog does, the simulated scanner, and the stand-in manager.

#include "capture/CaptureEngine.h"

#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/Paths.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/SimulatedScanner.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/SimRecord.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrel::test
{

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetScannerBackend(ScannerBackend::Simulated);
        std::string error;
        ASSERT_TRUE(PrepareProgramFolder(&error)) << error;
        m_folder = ProgramFolder();
        SetLoopAndTime(300, 3);
        SetSensorStillMode(1);
        ClearRecordedMessageBoxes();
        m_loopThread = std::jthread([this] { m_loop.Run(); });
    }
    void TearDown() override
    {
        m_loop.Invoke([this] { m_engine.reset(); });
        m_window.reset();
        m_loop.Quit();
        m_loopThread = {};
        m_host.reset();
    }

    void SetLoopAndTime(int failTime, int tryLoop)
    {
        WriteFile(m_folder + "/LoopAndTime.ini",
                  "[LoopAndTime]\nFailTime=" + std::to_string(failTime) +
                      "\nTryLoop=" + std::to_string(tryLoop) + "\n");
    }
    void SetSensorStillMode(int mode)
    {
        std::string text = ReadFile(m_folder + "/sensor.xml");
        const std::string from = "stillmode=\"1\"";
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, from.size(), "stillmode=\"" + std::to_string(mode) + "\"");
        WriteFile(m_folder + "/sensor.xml", text);
    }
    void StartHost()
    {
        m_dest = m_folder + "/pictures";
        std::filesystem::create_directories(m_dest);
        m_events = m_folder + "/host-events.txt";
        std::string error;
        m_host = Process::Start("tavrel_handover_host", {m_dest, "--events", m_events}, {}, &error);
        ASSERT_NE(m_host, nullptr) << error;
        ASSERT_TRUE(WaitFor([] { return Desktop::FindWindow("Pelidor") != 0; }));
    }

    struct Start
    {
        CaptureMode mode = CaptureMode::Film;
        bool verify = false;
        std::unique_ptr<VideoBackend> backend;
        FileChooser files;
    };
    // Opens the window and the engine as the dialog does, and waits for the
    // first preview picture.
    void StartEngine() { StartEngine(Start{}); }
    void StartEngine(Start start)
    {
        m_window = WindowEndpoint::Create(
            "Tavrel Camera", "照片预览",
            [this](const Message& m, std::vector<std::uint8_t>&) -> LRESULT
            { return m_engine ? m_engine->HandleWindowMessage(m).value_or(0) : 0; },
            m_loop.Dispatcher());
        ASSERT_NE(m_window, nullptr);
        StartResult result = StartResult::NoDevice;
        ASSERT_TRUE(m_loop.Invoke(
            [&]
            {
                CaptureEngineOptions o;
                o.mode = start.mode;
                o.verifyOnStart = start.verify;
                o.folder = m_folder;
                o.backend = std::move(start.backend);
                o.window = m_window->Handle();
                o.files = std::move(start.files);
                m_engine = std::make_unique<CCaptureEngine>(m_loop, std::move(o));
                m_engine->SetListener(
                    [this](EngineEvent e)
                    {
                        std::lock_guard lock(m_eventsMutex);
                        m_seen.push_back(e);
                    });
                m_engine->SetPreviewWidth(320);
                result = m_engine->Start();
                m_buttonAtStart = m_engine->State().captureButtonEnabled;
            }));
        ASSERT_EQ(result, StartResult::Running);
        ASSERT_TRUE(State().graphReady);
        ASSERT_TRUE(State().devicePresent);
        ASSERT_TRUE(WaitFor([&] { return Idle() && m_engine->Frame() != nullptr; }));
    }

    CaptureState State() const { return m_engine->State(); }
    bool Idle() const
    {
        const CaptureState s = State();
        return s.captureButtonEnabled && !s.imageInProcess;
    }
    // A click on a control, through the window as a script sends it.
    LRESULT Click(int id)
    {
        return Desktop::SendMessage(m_window->Handle(), WM_COMMAND, WPARAM(id), 0).result;
    }
    template <class F> void OnLoop(F&& work) { ASSERT_TRUE(m_loop.Invoke(std::forward<F>(work))); }
    int Seen(EngineEvent e)
    {
        std::lock_guard lock(m_eventsMutex);
        return int(std::count(m_seen.begin(), m_seen.end(), e));
    }
    std::string Log() const { return ReadFile(m_folder + "/log.txt"); }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (std::size_t p = 0; (p = text.find(what, p)) != std::string::npos; ++p)
            ++n;
        return n;
    }
    int StoredCount() const { return Count(ReadFile(m_events), "stored "); }
    // tavrel-sim, as a user's script drives the scanner (plug and unplug
    // broadcast the device notifications).
    void Sim(const std::string& command)
    {
        std::string error;
        auto sim = Process::Start("tavrel-sim", {command}, {}, &error);
        ASSERT_NE(sim, nullptr) << error;
        ASSERT_EQ(sim->WaitForExit(), 0) << sim->StdErr();
    }
    // The sensor registers written since `from` (the scanner's write count).
    static std::vector<std::pair<std::uint32_t, std::uint32_t>> RegistersWritten(std::uint64_t from)
    {
        return SimRegistersWritten(from);
    }
    static std::uint64_t WriteCount() { return SimWriteCount(); }

    Sandbox m_sandbox;
    MessageLoop m_loop;
    std::jthread m_loopThread;
    std::string m_folder, m_dest, m_events;
    std::unique_ptr<Process> m_host;
    std::unique_ptr<WindowEndpoint> m_window;
    std::unique_ptr<CCaptureEngine> m_engine;
    std::mutex m_eventsMutex;
    std::vector<EngineEvent> m_seen;
    bool m_buttonAtStart = false;
};

// The preview worker and the button poller.
constexpr std::size_t kResidentThreads = 2;

} // namespace tavrel::test
