#include "shared/qt/ProgramStart.h"

#include "platform/DeviceNotifications.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/qt/DialogWindows.h"
#include "platform/qt/QtMessageBoxSink.h"
#include "platform/qt/Translation.h"
#include "shared/UiLanguage.h"
#include "shared/camera/CameraControl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavrel
{

ProgramStart::ProgramStart(const std::string& name, int argc, char** argv)
    : m_name(name), m_loop(std::make_unique<QtEventLoop>())
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--simulated")
            m_simulated = true;
        else
            m_arguments.push_back(arg);
    }
    const char* scanner = std::getenv("TAVREL_SCANNER");
    m_simulated = m_simulated || (scanner && std::string(scanner) == "simulated");
    if (m_simulated)
    {
        SetScannerBackend(ScannerBackend::Simulated);
        // A capture program started from here uses the same scanner.
        ::setenv("TAVREL_SCANNER", "simulated", 1);
    }

    std::string error;
    if (!PrepareProgramFolder(&error))
        Trace("program folder: " + error);
    InstallQtMessageBoxSink();
    BindDialogWindows();
    if (RuntimeDirectory(&error).empty())
        m_runtimeProblem = error;
}

ProgramStart::~ProgramStart()
{
    // The watcher posts to the main window: it stops before that goes.
    m_devices.reset();
    m_loop->Stop();
}

bool LoadUiLanguage(const std::string& entry)
{
    const std::string library = FindUiLanguageLibrary(entry);
    return !library.empty() && LoadUiTranslation(library);
}

bool ProgramStart::WatchDevices(HWND mainWindow)
{
    if (!mainWindow)
        return false;
    Desktop::RegisterDeviceNotification(mainWindow);
    m_devices = DeviceNotifications::Start(mainWindow);
    return m_devices != nullptr;
}

int ProgramStart::RefuseToStart(const std::string& reason) const
{
    MessageBox(0, m_name + " cannot start: " + reason + ".");
    return 1;
}

int ProgramStart::RefuseWithoutWindow(int error) const
{
    if (error == 0)
        return RefuseToStart("its window cannot be opened");
    return RefuseToStart(std::string("its window cannot be opened (") + std::strerror(error) + ")");
}

void ProgramStart::Trace(const std::string& line) const
{
    std::fprintf(stderr, "%s: %s\n", m_name.c_str(), line.c_str());
}

} // namespace tavrel
