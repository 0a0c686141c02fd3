#include "capture/app/CaptureExe.h"

#include "capture/app/FilmCaptureDlg.h"
#include "capture/app/PhotoCaptureDlg.h"
#include "capture/app/VantrelStrings.h"
#include "platform/qt/QtMessageBoxSink.h"
#include "shared/InstanceGuard.h"
#include "shared/qt/ProgramStart.h"

#include <cerrno>
#include <string>

namespace tavrel
{

CCaptureExe::CCaptureExe(int argc, char** argv)
    : m_start(std::make_unique<ProgramStart>("Vantrel", argc, argv)),
      m_line(ParseCaptureCommandLine(m_start->Arguments()))
{
}

CCaptureExe::~CCaptureExe() = default;

std::unique_ptr<CCaptureDlg> CCaptureExe::CreateDialog(int captureMode, bool verifyOnStart,
                                                       EventLoop& loop)
{
    CCaptureDlg::Options options;
    options.verifyOnStart = verifyOnStart;
    if (captureMode == 0)
        return std::make_unique<CFilmCaptureDlg>(loop, std::move(options));
    if (captureMode == 1)
        return std::make_unique<CPhotoCaptureDlg>(loop, std::move(options));
    return nullptr;
}

int CCaptureExe::Run()
{
    LoadUiLanguage("Solvane");
    // The engine's message boxes speak the user's language too.
    if (InstallQtMessageBoxSink())
        SetMessageBoxSink(
            std::make_shared<TranslatedMessageBoxes>(std::make_shared<QtMessageBoxSink>()));
    // Without its runtime directory and window it could hand no picture over.
    if (!m_start->RuntimeProblem().empty())
        return m_start->RefuseToStart(m_start->RuntimeProblem());

    // Lives for the whole run: it holds the semaphore.
    InstanceGuard guard(InstanceGuard::Variant::Capture);
    if (!CaptureInstanceCheck(guard, m_line.captureMode))
        return 0;
    errno = 0;
    std::unique_ptr<CCaptureDlg> dialog =
        CreateDialog(m_line.captureMode, m_line.verifyOnStart, m_start->Loop());
    if (!dialog)
        return 0;
    if (dialog->Handle() == 0)
        return m_start->RefuseWithoutWindow(errno);
    dialog->SetTrace([this](const std::string& line) { m_start->Trace(line); });
    m_start->WatchDevices(dialog->Handle());
    if (dialog->OnInitDialog())
    {
        m_start->Trace("running in mode " + std::to_string(m_line.captureMode));
        dialog->exec();
    }
    dialog.reset();
    return 0;
}

} // namespace tavrel
