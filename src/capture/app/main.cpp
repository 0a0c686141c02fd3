// Vantrel: the capture program.

#include "capture/app/CaptureDialog.h"
#include "capture/app/CaptureStart.h"
#include "platform/Paths.h"
#include "platform/qt/Translation.h"
#include "shared/InstanceGuard.h"
#include "shared/UiLanguage.h"
#include "shared/camera/CameraControl.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const tavrel::CaptureCommandLine line = tavrel::ParseCaptureCommandLine(args);
    const char* scanner = std::getenv("TAVREL_SCANNER");
    if (line.simulated || (scanner && std::string(scanner) == "simulated"))
        tavrel::SetScannerBackend(tavrel::ScannerBackend::Simulated);

    std::string error;
    if (!tavrel::PrepareProgramFolder(&error))
        std::fprintf(stderr, "Vantrel: program folder: %s\n", error.c_str());
    tavrel::LoadUiTranslation(tavrel::FindUiLanguageLibrary("Solvane"));

    // Lives for the whole run: it holds the semaphore.
    tavrel::InstanceGuard guard(tavrel::InstanceGuard::Variant::Capture);
    if (!tavrel::CaptureInstanceCheck(guard, line.captureMode))
        return 0;
    if (line.captureMode != 0 && line.captureMode != 1)
        return 0;

    tavrel::CaptureDialog dialog(line.captureMode, line.verifyOnStart);
    std::fprintf(stderr, "Vantrel: running in mode %d\n", line.captureMode);
    dialog.exec();
    return 0;
}
