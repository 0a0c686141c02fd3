#include "DialogFixture.h"

#include "capture/RegisterFile.h"
#include "capture/app/CaptureExe.h"
#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/qt/Controls.h"
#include "shared/camera/CameraControl.h"
#include "support/Files.h"
#include "support/Wait.h"

#include <QCoreApplication>

#include <filesystem>

namespace tavrel::test
{

DialogTest::DialogTest()
{
    SetScannerBackend(ScannerBackend::Simulated);
    std::string error;
    EXPECT_TRUE(PrepareProgramFolder(&error)) << error;
    m_folder = ProgramFolder();
    // Retries come quickly: a test need not wait 8 s for a still that never comes.
    WriteSetting("LoopAndTime.ini", "[LoopAndTime]\nFailTime=300\nTryLoop=3\n");
    ClearRecordedMessageBoxes();
    m_loop = std::make_unique<QtEventLoop>();
}

DialogTest::~DialogTest()
{
    if (m_dialog && !m_dialog->Ended())
        CloseDialog();
    m_dialog.reset();
    m_loop.reset();
    if (m_manager)
    {
        Desktop::SendMessage(Desktop::FindWindow("Pelidor"), WM_CLOSE);
        EXPECT_TRUE(m_manager->WaitForExit().has_value());
    }
}

CCaptureDlg& DialogTest::Open(int captureMode, bool verify)
{
    m_dialog = CCaptureExe::CreateDialog(captureMode, verify, *m_loop);
    EXPECT_TRUE(m_dialog->OnInitDialog());
    m_dialog->show();
    EXPECT_TRUE(SpinUntil([&] { return Idle() && m_dialog->Engine().Frame() != nullptr; }));
    return *m_dialog;
}

void DialogTest::CloseDialog()
{
    const HWND hwnd = m_dialog->Handle();
    FromOtherThread([&] { Desktop::SendMessage(hwnd, WM_CLOSE); });
    EXPECT_TRUE(SpinUntil([&] { return m_dialog->Ended(); }));
}

void DialogTest::StartManager()
{
    m_pictures = m_folder + "/pictures";
    std::filesystem::create_directories(m_pictures);
    m_events = m_folder + "/host-events.txt";
    std::string error;
    m_manager =
        Process::Start("tavrel_handover_host", {m_pictures, "--events", m_events}, {}, &error);
    ASSERT_NE(m_manager, nullptr) << error;
    ASSERT_TRUE(WaitFor([] { return Desktop::FindWindow("Pelidor") != 0; }));
}

void DialogTest::Click(int id)
{
    const HWND hwnd = m_dialog->Handle();
    FromOtherThread([&] { Desktop::SendMessage(hwnd, WM_COMMAND, WPARAM(id), 0); });
    // The view hears of the change through a notification the handler posted.
    Flush();
}

void DialogTest::Flush()
{
    QCoreApplication::processEvents();
}

bool DialogTest::Idle() const
{
    const CaptureState s = State();
    return s.captureButtonEnabled && !s.imageInProcess;
}

std::string DialogTest::File(const std::string& name) const
{
    return ReadFile(m_folder + "/" + name);
}

void DialogTest::WriteSetting(const std::string& name, const std::string& text) const
{
    WriteFile(m_folder + "/" + name, text);
}

int DialogTest::Sim(const std::string& command)
{
    auto sim = Process::Start("tavrel-sim", {command});
    return sim ? sim->WaitForExit().value_or(-1) : -1;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>>
DialogTest::ListOf(const std::string& file) const
{
    RegisterList list;
    EXPECT_TRUE(ReadRegisterFile(m_folder + "/" + file, list)) << file;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    for (const RegisterWrite& w : list.writes)
        if (w.kind == RegisterWrite::Kind::SensorRegister)
            out.emplace_back(w.target & 0xFFFF, w.value & 0xFF);
    return out;
}

int DialogTest::StoredCount() const
{
    const std::string events = ReadFile(m_events);
    int n = 0;
    for (std::size_t p = 0; (p = events.find("stored ", p)) != std::string::npos; ++p)
        ++n;
    return n;
}

} // namespace tavrel::test
