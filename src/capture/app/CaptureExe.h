#pragma once
// The capture program's application object: the command line's mode, the
// UI language ("Solvane"), the instance check with the mode exchange, and
// the film or photo dialog run until it ends.

#include "capture/app/CaptureStart.h"

#include <memory>

namespace tavrel
{

class CCaptureDlg;
class EventLoop;
class ProgramStart;

class CCaptureExe
{
public:
    // After the QApplication; reads the command line and does the start-up
    // that every run needs.
    CCaptureExe(int argc, char** argv);
    ~CCaptureExe();

    // The rest of the start-up and the dialog's whole run; the exit code.
    int Run();

    // The dialog of a mode (0 film, 1 photo); null for any other mode.
    static std::unique_ptr<CCaptureDlg> CreateDialog(int captureMode, bool verifyOnStart,
                                                     EventLoop& loop);

private:
    std::unique_ptr<ProgramStart> m_start;
    CaptureCommandLine m_line;
};

} // namespace tavrel
