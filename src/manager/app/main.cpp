// Pelidor: the picture manager.

#include "manager/app/PelidorWindow.h"
#include "platform/Paths.h"
#include "platform/qt/Translation.h"
#include "shared/InstanceGuard.h"
#include "shared/UiLanguage.h"
#include "shared/camera/CameraControl.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace tavrel
{
std::shared_ptr<void> AttachHandover(PelidorWindow& window, int argc, char** argv);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool simulated = false;
    for (int i = 1; i < argc; ++i)
        simulated = simulated || std::strcmp(argv[i], "--simulated") == 0;
    const char* scanner = std::getenv("TAVREL_SCANNER");
    if (simulated || (scanner && std::string(scanner) == "simulated"))
        tavrel::SetScannerBackend(tavrel::ScannerBackend::Simulated);

    std::string error;
    if (!tavrel::PrepareProgramFolder(&error))
        std::fprintf(stderr, "Pelidor: program folder: %s\n", error.c_str());

    tavrel::InstanceGuard guard(tavrel::InstanceGuard::Variant::Manager);
    if (guard.FindRunningInstance(tavrel::kPelidorInstanceName, true) != 0)
    {
        std::fprintf(stderr, "Pelidor: already running\n");
        return 0;
    }
    tavrel::LoadUiTranslation(tavrel::FindUiLanguageLibrary("Tavrel"));

    tavrel::PelidorWindow window;
    const auto handover = tavrel::AttachHandover(window, argc, argv);
    window.show();
    std::fprintf(stderr, "Pelidor: running\n");
    return app.exec();
}
