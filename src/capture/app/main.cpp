// Vantrel: the capture program.

#include "capture/app/CaptureDialog.h"
#include "capture/app/CaptureStart.h"
#include "shared/InstanceGuard.h"
#include "shared/qt/ProgramStart.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tavrel::ProgramStart start("Vantrel", argc, argv);
    const tavrel::CaptureCommandLine line = tavrel::ParseCaptureCommandLine(start.Arguments());
    tavrel::LoadUiLanguage("Solvane");

    // Lives for the whole run: it holds the semaphore.
    tavrel::InstanceGuard guard(tavrel::InstanceGuard::Variant::Capture);
    if (!tavrel::CaptureInstanceCheck(guard, line.captureMode))
        return 0;
    if (line.captureMode != 0 && line.captureMode != 1)
        return 0;

    tavrel::CaptureDialog dialog(line.captureMode, line.verifyOnStart);
    start.WatchDevices(dialog.Handle());
    start.Trace("running in mode " + std::to_string(line.captureMode));
    dialog.exec();
    return 0;
}
