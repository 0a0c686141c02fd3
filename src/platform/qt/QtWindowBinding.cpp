#include "platform/qt/QtWindowBinding.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tavrel
{

namespace
{

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MINIMIZE = 6;

bool OnGuiThread()
{
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

struct QtWindowBinding::DispatchState
{
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    int running = 0; // dispatched work being run on the GUI thread now
    QObject* context = nullptr;
};

UiDispatcher QtWindowBinding::GuiDispatcher(std::shared_ptr<DispatchState> state)
{
    return [state](const std::function<void()>& work) -> bool
    {
        if (OnGuiThread())
        {
            work();
            return true;
        }
        enum class Job
        {
            Queued,
            Running,
            Done,
            Cancelled
        };
        auto job = std::make_shared<Job>(Job::Queued);
        std::unique_lock lock(state->mutex);
        if (state->closed || !state->context)
            return false;
        // Runs while the caller waits below, or never: it may refer to the
        // caller's objects.
        QMetaObject::invokeMethod(
            state->context,
            [state, job, &work]
            {
                {
                    std::lock_guard runLock(state->mutex);
                    if (*job == Job::Cancelled)
                        return;
                    *job = Job::Running;
                    ++state->running;
                }
                work();
                std::lock_guard doneLock(state->mutex);
                --state->running;
                *job = Job::Done;
                state->changed.notify_all();
            },
            Qt::QueuedConnection);
        state->changed.wait(
            lock, [&] { return *job == Job::Done || (state->closed && *job == Job::Queued); });
        if (*job == Job::Done)
            return true;
        *job = Job::Cancelled;
        return false;
    };
}

QtWindowBinding::QtWindowBinding(QWidget* widget, const std::string& className,
                                 WindowEndpoint::Handler handler)
    : m_widget(widget), m_context(std::make_unique<QObject>()),
      m_state(std::make_shared<DispatchState>())
{
    m_state->context = m_context.get();
    const std::string title = widget ? widget->windowTitle().toStdString() : std::string();
    m_endpoint =
        WindowEndpoint::Create(className, title, std::move(handler), GuiDispatcher(m_state));
    if (!m_endpoint || !widget)
        return;

    QPointer<QWidget> target = widget;
    WindowEndpoint::WindowOps ops;
    ops.isIconic = [target] { return target && target->isMinimized(); };
    ops.showWindow = [target](int command)
    {
        if (!target)
            return;
        switch (command)
        {
        case SW_HIDE:
            target->hide();
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            target->showMinimized();
            break;
        case SW_SHOWMAXIMIZED:
            target->showMaximized();
            break;
        case SW_RESTORE:
            target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
            target->showNormal();
            break;
        default:
            target->show();
            break;
        }
    };
    ops.setForeground = [target]
    {
        if (!target)
            return;
        target->raise();
        target->activateWindow();
    };
    ops.getRect = [target]
    {
        if (!target)
            return RECT{};
        const QRect frame = target->frameGeometry();
        return RECT{frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height()};
    };
    ops.setRect = [target](const RECT& rect)
    {
        if (target)
            target->setGeometry(rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top);
    };
    m_endpoint->SetWindowOps(std::move(ops));

    WindowEndpoint* endpoint = m_endpoint.get();
    QObject::connect(widget, &QWidget::windowTitleChanged, m_context.get(),
                     [endpoint](const QString& text) { endpoint->SetTitle(text.toStdString()); });
}

QtWindowBinding::~QtWindowBinding()
{
    bool insideHandler = false;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closed = true;
        m_state->context = nullptr;
        insideHandler = m_state->running > 0 && OnGuiThread();
        m_state->changed.notify_all();
    }
    // Queued work not yet started is dropped with its context.
    m_context.reset();
    if (!insideHandler)
    {
        m_endpoint.reset();
        return;
    }
    // Destroyed from inside one of its own handlers (a close that deletes
    // the widget): the endpoint waits for that handler, so it must be
    // taken down once the handler has returned.
    std::thread([endpoint = std::move(m_endpoint)]() mutable { endpoint.reset(); }).detach();
}

} // namespace tavrel
