#include "platform/qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

namespace tavrel
{

namespace
{

enum class Job
{
    Queued,
    Running,
    Done,
    Dropped // the loop stopped, or Qt discarded the queued call unrun
};

struct Timer
{
    QTimer* timer = nullptr;
    std::function<void()> callback;
};

} // namespace

struct QtEventLoop::State
{
    std::mutex mutex;
    std::condition_variable changed;
    bool stopped = false;
    int running = 0;

    // Held while posting, so that the context cannot go meanwhile; apart
    // from `mutex` because a call Qt refuses is destroyed at once.
    std::mutex contextMutex;
    QObject* context = nullptr;
    std::thread::id guiThread;

    std::map<unsigned, Timer> timers; // GUI thread only

    bool IsStopped()
    {
        std::lock_guard lock(mutex);
        return stopped;
    }

    bool PostToGui(std::function<void()> call)
    {
        std::lock_guard lock(contextMutex);
        return context && QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
    }
};

namespace
{

using State = QtEventLoop::State;

// Travels with a queued Invoke; when Qt drops the call without running it
// (its context went), the last copy wakes the waiting caller.
struct PendingJob
{
    PendingJob(std::shared_ptr<State> s, std::shared_ptr<Job> j)
        : state(std::move(s)), job(std::move(j))
    {
    }
    PendingJob(const PendingJob&) = delete;
    PendingJob& operator=(const PendingJob&) = delete;
    ~PendingJob()
    {
        std::lock_guard lock(state->mutex);
        if (*job == Job::Queued)
        {
            *job = Job::Dropped;
            state->changed.notify_all();
        }
    }
    std::shared_ptr<State> state;
    std::shared_ptr<Job> job;
};

bool InvokeOn(const std::shared_ptr<State>& state, const std::function<void()>& work)
{
    if (std::this_thread::get_id() == state->guiThread)
    {
        if (state->IsStopped())
            return false;
        work();
        return true;
    }
    auto job = std::make_shared<Job>(Job::Queued);
    auto pending = std::make_shared<PendingJob>(state, job);
    {
        std::lock_guard lock(state->mutex);
        if (state->stopped)
            return false;
    }
    // The work may refer to the caller's objects: it runs while the caller
    // waits below, or never.
    const bool posted = state->PostToGui(
        [pending = std::move(pending), &work]
        {
            State& s = *pending->state;
            {
                std::lock_guard lock(s.mutex);
                if (*pending->job != Job::Queued || s.stopped)
                    return;
                *pending->job = Job::Running;
                ++s.running;
            }
            work();
            std::lock_guard lock(s.mutex);
            --s.running;
            *pending->job = Job::Done;
            s.changed.notify_all();
        });
    std::unique_lock lock(state->mutex);
    if (!posted && *job == Job::Queued)
        *job = Job::Dropped;
    state->changed.wait(lock,
                        [&] {
                            return *job == Job::Done || *job == Job::Dropped ||
                                   (state->stopped && *job == Job::Queued);
                        });
    if (*job == Job::Done)
        return true;
    *job = Job::Dropped;
    return false;
}

void SetTimerOnGui(const std::shared_ptr<State>& state, unsigned id,
                   std::chrono::milliseconds period, std::function<void()> callback)
{
    if (!state->context || state->IsStopped())
        return;
    Timer& entry = state->timers[id];
    if (!entry.timer)
    {
        entry.timer = new QTimer(state->context);
        std::weak_ptr<State> weak = state;
        QObject::connect(entry.timer, &QTimer::timeout, state->context,
                         [weak, id]
                         {
                             const auto s = weak.lock();
                             if (!s || s->IsStopped())
                                 return;
                             const auto it = s->timers.find(id);
                             if (it == s->timers.end())
                                 return;
                             // A copy: the callback may set or kill its own timer.
                             const std::function<void()> callback = it->second.callback;
                             callback();
                         });
    }
    entry.callback = std::move(callback);
    entry.timer->start(static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        period.count(), 1, std::numeric_limits<int>::max())));
}

void KillTimerOnGui(const std::shared_ptr<State>& state, unsigned id)
{
    const auto it = state->timers.find(id);
    if (it == state->timers.end())
        return;
    // Possibly from inside its own timeout.
    it->second.timer->stop();
    it->second.timer->deleteLater();
    state->timers.erase(it);
}

} // namespace

QtEventLoop::QtEventLoop() : m_state(std::make_shared<State>())
{
    m_state->guiThread = std::this_thread::get_id();
    m_state->context = new QObject;
}

QtEventLoop::~QtEventLoop()
{
    Stop();
    QObject* context = nullptr;
    {
        std::lock_guard lock(m_state->contextMutex);
        std::swap(context, m_state->context);
    }
    if (IsLoopThread())
        m_state->timers.clear();
    // Its queued calls go with it unrun. Inside one of its own calls, or
    // away from the GUI thread, the object must outlive the current event.
    if (IsLoopThread() && Running() == 0)
        delete context;
    else
        context->deleteLater();
}

void QtEventLoop::Stop()
{
    std::lock_guard lock(m_state->mutex);
    m_state->stopped = true;
    m_state->changed.notify_all();
}

bool QtEventLoop::Stopped() const
{
    return m_state->IsStopped();
}

int QtEventLoop::Running() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->running;
}

void QtEventLoop::Post(std::function<void()> work)
{
    std::weak_ptr<State> weak = m_state;
    m_state->PostToGui(
        [weak, work = std::move(work)]
        {
            const auto state = weak.lock();
            if (state && !state->IsStopped())
                work();
        });
}

bool QtEventLoop::Invoke(const std::function<void()>& work)
{
    return InvokeOn(m_state, work);
}

void QtEventLoop::SetTimer(unsigned id, std::chrono::milliseconds period,
                           std::function<void()> callback)
{
    if (IsLoopThread())
        return SetTimerOnGui(m_state, id, period, std::move(callback));
    // In order with the work posted from the same thread.
    std::weak_ptr<State> weak = m_state;
    m_state->PostToGui(
        [weak, id, period, callback = std::move(callback)]() mutable
        {
            if (const auto state = weak.lock())
                SetTimerOnGui(state, id, period, std::move(callback));
        });
}

void QtEventLoop::KillTimer(unsigned id)
{
    if (IsLoopThread())
        return KillTimerOnGui(m_state, id);
    std::weak_ptr<State> weak = m_state;
    m_state->PostToGui(
        [weak, id]
        {
            if (const auto state = weak.lock())
                KillTimerOnGui(state, id);
        });
}

bool QtEventLoop::IsLoopThread() const
{
    return std::this_thread::get_id() == m_state->guiThread;
}

void QtEventLoop::RunAside(const std::function<void()>& work)
{
    if (!IsLoopThread())
    {
        work();
        return;
    }
    QEventLoop nested;
    std::thread worker(
        [&]
        {
            work();
            QMetaObject::invokeMethod(&nested, &QEventLoop::quit, Qt::QueuedConnection);
        });
    // Returns early only when the application quits; the work still
    // finishes before this does.
    nested.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
}

UiDispatcher QtEventLoop::Dispatcher()
{
    std::shared_ptr<State> state = m_state;
    return [state](const std::function<void()>& work) { return InvokeOn(state, work); };
}

} // namespace tavrel
