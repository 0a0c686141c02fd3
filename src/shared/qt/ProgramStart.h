#pragma once
// What both programs do first and keep for their whole run: the scanner
// choice (the --simulated option or TAVREL_SCANNER=simulated, handed on to
// the programs started from here), the program
// folder filled with the defaults and made the current directory, the UI
// language, the Qt event loop the engines use, dialogs as windows of the
// session, the modal message box in GUI runs, and device notifications for
// the main window. Create it right after the QApplication.

#include "platform/Desktop.h"
#include "platform/qt/QtEventLoop.h"

#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

class DeviceNotifications;

// Loads the translation that "UIlanguage.xml" in the current directory names
// for `entry` ("Tavrel", "Solvane"); false when the built-in texts stay.
bool LoadUiLanguage(const std::string& entry);

class ProgramStart
{
public:
    // `name` prefixes the trace lines ("Pelidor: running").
    ProgramStart(const std::string& name, int argc, char** argv);
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    bool Simulated() const { return m_simulated; }
    // The command line without the program name and the options read here.
    const std::vector<std::string>& Arguments() const { return m_arguments; }

    EventLoop& Loop() { return *m_loop; }

    // USB arrival and removal, real (udev) or of the simulated scanner,
    // reach `mainWindow` as WM_DEVICECHANGE until the program ends. False
    // when only the simulated scanner's notifications can arrive.
    bool WatchDevices(HWND mainWindow);

    void Trace(const std::string& line) const;

    // Empty while the session's runtime directory is ours to use, else why
    // not. Without it nobody could reach the program: it refuses to start.
    const std::string& RuntimeProblem() const { return m_runtimeProblem; }
    // Says "<name> cannot start: <reason>." (a message box in GUI runs) and
    // gives the exit code to end with.
    int RefuseToStart(const std::string& reason) const;
    // The same for a main window that could not be opened; `error` is the
    // errno of why (EADDRINUSE: its socket name is taken).
    int RefuseWithoutWindow(int error) const;

private:
    std::string m_name;
    bool m_simulated = false;
    std::vector<std::string> m_arguments;
    std::string m_runtimeProblem;
    std::unique_ptr<QtEventLoop> m_loop;
    std::unique_ptr<DeviceNotifications> m_devices;
};

} // namespace tavrel
