#include "capture/CalibrationSequence.h"

#include "capture/CaptureState.h"
#include "capture/ThreadOwner.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>

namespace tavrel
{

namespace
{

// The string table's status texts.
constexpr int kCapturingNegative = 102;
constexpr int kCapturingPositive = 103;
constexpr int kComputing = 104;
constexpr int kSaving = 105;
constexpr int kCapturingBlackWhite = 106;

} // namespace

// What the UI thread and the sequence's thread share; posted work holds it,
// so none of it dangles once the sequence has gone.
struct CalibrationSequence::Shared
{
    mutable std::mutex mutex;
    State state;
    bool alive = true; // false once the sequence is being destroyed
    std::atomic<bool> changePosted{false};
};

CalibrationSequence::CalibrationSequence(Steps steps)
    : m_steps(std::move(steps)), m_shared(std::make_shared<Shared>())
{
}

CalibrationSequence::~CalibrationSequence()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->alive = false;
    }
    m_thread.request_stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::chrono::milliseconds CalibrationSequence::StepFromEnvironment()
{
    if (const char* text = std::getenv("TAVREL_CALIBRATION_STEP_MS"))
    {
        char* end = nullptr;
        const long ms = std::strtol(text, &end, 10);
        if (end != text && ms >= 0 && ms <= 1000)
            return std::chrono::milliseconds(ms);
    }
    return std::chrono::milliseconds(10);
}

bool CalibrationSequence::Start()
{
    {
        std::lock_guard lock(m_shared->mutex);
        State& s = m_shared->state;
        if (s.outcome != Outcome::Idle && s.outcome != Outcome::Refused)
            return false;
        s = State{};
        s.outcome = Outcome::Running;
    }
    // A refused run's thread has ended; assigning joins it.
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
    Changed();
    return true;
}

void CalibrationSequence::Cancel()
{
    m_thread.request_stop();
}

CalibrationSequence::State CalibrationSequence::Current() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->state;
}

void CalibrationSequence::Run(std::stop_token stop)
{
    namespace c = control;
    m_refusal = CalibrationResult::Taken;
    const bool done =
        Send(c::kPositive, stop) && Settle(kCapturingPositive, 1000, stop) && Reference(stop) &&
        Send(c::kNegative, stop) && Settle(kCapturingNegative, 1000, stop) && Reference(stop) &&
        Send(c::kBlackWhite, stop) && Settle(kCapturingBlackWhite, 100, stop) && Reference(stop);
    if (stop.stop_requested())
        return Finish(Outcome::Cancelled);
    if (m_refusal != CalibrationResult::Taken && m_refusal != CalibrationResult::NoFrame)
        return Finish(Outcome::Refused, m_refusal);
    if (!done)
        return Finish(Outcome::Failed);
    Set(kSaving, Current().range, Current().position);
    // The program is left on negative film.
    Send(c::kNegative, stop);
    Finish(stop.stop_requested() ? Outcome::Cancelled : Outcome::Done);
}

// Runs the command on the UI thread and waits for it, as a sent message
// does; a cancel ends the wait, and a command not yet begun is then dropped.
bool CalibrationSequence::Send(int id, std::stop_token stop)
{
    struct Call
    {
        std::mutex mutex;
        std::condition_variable_any done;
        bool started = false;
        bool finished = false;
        bool abandoned = false;
    };
    auto call = std::make_shared<Call>();
    m_steps.loop.Post(
        [call, id, shared = m_shared, command = m_steps.command]
        {
            {
                std::lock_guard lock(call->mutex);
                std::lock_guard alive(shared->mutex);
                if (call->abandoned || !shared->alive)
                    return;
                call->started = true;
            }
            command(id);
            {
                std::lock_guard lock(call->mutex);
                call->finished = true;
            }
            call->done.notify_all();
        });
    std::unique_lock lock(call->mutex);
    if (call->done.wait(lock, stop, [&] { return call->finished; }))
        return true;
    if (!call->started)
    {
        call->abandoned = true;
        return false;
    }
    // Under way on the UI thread, which is not waiting for us: let it end.
    call->done.wait(lock, [&] { return call->finished; });
    return false;
}

bool CalibrationSequence::Settle(int statusId, int steps, std::stop_token stop)
{
    Set(statusId, steps, 0);
    for (int i = 0; i < steps; ++i)
    {
        Set(statusId, steps, i);
        if (!ThreadOwner::Wait(stop, m_steps.step))
            return false;
    }
    return true;
}

bool CalibrationSequence::Reference(std::stop_token stop)
{
    const State now = Current();
    Set(kComputing, now.range, now.position);
    m_refusal = m_steps.captureReference(stop);
    return m_refusal == CalibrationResult::Taken && !stop.stop_requested();
}

void CalibrationSequence::Set(int statusId, int range, int position)
{
    {
        std::lock_guard lock(m_shared->mutex);
        State& s = m_shared->state;
        if (s.statusId == statusId && s.range == range && s.position == position)
            return;
        s.statusId = statusId;
        s.range = range;
        s.position = position;
    }
    Changed();
}

void CalibrationSequence::Finish(Outcome outcome, CalibrationResult refusal)
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->state.outcome = outcome;
        m_shared->state.refusal = refusal;
    }
    Changed();
}

void CalibrationSequence::Changed()
{
    if (m_shared->changePosted.exchange(true))
        return;
    m_steps.loop.Post(
        [shared = m_shared, changed = m_steps.changed]
        {
            shared->changePosted = false;
            {
                std::lock_guard lock(shared->mutex);
                if (!shared->alive)
                    return;
            }
            if (changed)
                changed();
        });
}

} // namespace tavrel
