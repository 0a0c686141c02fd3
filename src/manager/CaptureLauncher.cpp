#include "manager/CaptureLauncher.h"

#include "manager/ManagerCommands.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>

#include <unistd.h>

namespace tavrel
{

std::string CaptureProgramPath()
{
    const std::string beside = ExecutableFolder() + "/Vantrel";
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return "Vantrel";
}

CaptureLaunch LaunchCaptureProgram(const std::string& argument)
{
    if (const HWND running = Desktop::FindWindow(kCaptureWindowClass))
    {
        if (const auto rect = Desktop::GetWindowRect(running))
            Desktop::SetWindowPos(running, *rect);
        return CaptureLaunch::Repositioned;
    }
    const std::string program = CaptureProgramPath();
    QStringList arguments;
    if (!argument.empty())
        arguments << QString::fromStdString(argument);
    QProcess process;
    process.setProgram(QString::fromStdString(program));
    process.setArguments(arguments);
    if (process.startDetached())
        return CaptureLaunch::Started;
    std::fprintf(stderr, "Pelidor: cannot start %s: %s\n", program.c_str(),
                 process.errorString().toLocal8Bit().constData());
    return CaptureLaunch::Failed;
}

} // namespace tavrel
