// Pelidor: the picture manager.

#include "manager/app/MainFrame.h"
#include "manager/app/PelidorApp.h"
#include "shared/qt/ProgramStart.h"

#include <QApplication>
#include <QEvent>

#include <chrono>
#include <ctime>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace tavrel
{

namespace
{

// For the start-up benchmark: the wall-clock time of the frame's first paint.
class FirstPaintTrace : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
        {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            timespec cpu{};
            ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            std::fprintf(stderr, "Pelidor: frame shown at %lld ms, cpu %lld ms\n",
                         static_cast<long long>(
                             std::chrono::duration_cast<std::chrono::milliseconds>(now).count()),
                         static_cast<long long>(cpu.tv_sec) * 1000 + cpu.tv_nsec / 1000000);
            watched->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

} // namespace tavrel

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The frame may hide itself to finish a storage run; only its real
    // close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    tavrel::ProgramStart start("Pelidor", argc, argv);

    // Without its runtime directory and window nobody could reach it.
    if (!start.RuntimeProblem().empty())
        return start.RefuseToStart(start.RuntimeProblem());

    tavrel::CPelidorApp pelidor(start.Loop(),
                                [&start](tavrel::HWND frame) { return start.WatchDevices(frame); });
    errno = 0;
    if (!pelidor.InitInstance(start.Arguments()))
    {
        if (!pelidor.AnotherInstanceRuns())
            return start.RefuseWithoutWindow(errno);
        start.Trace("already running");
        return 0;
    }
    QObject::connect(pelidor.MainFrame(), &tavrel::CMainFrame::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    tavrel::FirstPaintTrace trace;
    if (std::getenv("TAVREL_STARTUP_TRACE"))
        pelidor.MainFrame()->installEventFilter(&trace);
    start.Trace("running");
    const int code = app.exec();
    pelidor.ExitInstance();
    return code;
}
