#pragma once
// The lens calibration sequence: for positive, negative and black-and-white
// film in turn, switch the capture dialog to the film type (a synchronous
// command, so the profile and the sensor's registers are in place before
// the wait), let the sensor settle while a progress bar runs, then hand one
// frame to the profile's calibration step. It ends on negative film.
//
// Threads: construct, read and destroy on the UI thread that `loop` runs;
// the sequence runs on a thread of its own. Every wait of that thread can
// be cancelled, so destroying the sequence (which stops and joins it) never
// waits for the UI thread.

#include "capture/CaptureState.h"
#include "platform/EventLoop.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace tavrel
{

class CalibrationSequence
{
public:
    struct Steps
    {
        EventLoop& loop;
        // On the UI thread: a click on the capture dialog's control `id`.
        std::function<void(int id)> command;
        // On the sequence's thread: one frame to the calibration step of the
        // film type in force.
        std::function<CalibrationResult(std::stop_token)> captureReference;
        // On the UI thread, coalesced: State() changed.
        std::function<void()> changed;
        // One of the progress bar's steps (1000 steps of 10 ms while the
        // sensor settles for positive and negative film, 100 for black and white).
        std::chrono::milliseconds step = StepFromEnvironment();
    };

    enum class Outcome
    {
        Idle,
        Running,
        Done,    // all three references taken: the dialog ends with OK
        Failed,  // a frame could not be taken: the dialog ends with Cancel
        Refused, // a frame was not of the empty holder (refusal): may start again
        Cancelled
    };

    struct State
    {
        Outcome outcome = Outcome::Idle;
        int statusId = 0; // the string shown (102..106), 0 for none
        int range = 0;    // progress bar 0..range
        int position = 0;
        CalibrationResult refusal = CalibrationResult::Taken;
    };

    explicit CalibrationSequence(Steps steps);
    ~CalibrationSequence(); // cancels and joins
    CalibrationSequence(const CalibrationSequence&) = delete;
    CalibrationSequence& operator=(const CalibrationSequence&) = delete;

    // Starts the sequence; false while it runs or once it has ended, unless
    // it ended refused.
    bool Start();
    void Cancel();
    State Current() const;

    // 10 ms, or TAVREL_CALIBRATION_STEP_MS for tests that cannot wait 25 s.
    static std::chrono::milliseconds StepFromEnvironment();

private:
    struct Shared;
    void Run(std::stop_token stop);
    bool Send(int id, std::stop_token stop);
    bool Settle(int statusId, int steps, std::stop_token stop);
    bool Reference(std::stop_token stop);
    void Set(int statusId, int range, int position);
    void Finish(Outcome outcome, CalibrationResult refusal = CalibrationResult::Taken);
    void Changed();

    Steps m_steps;
    std::shared_ptr<Shared> m_shared;
    CalibrationResult m_refusal = CalibrationResult::Taken; // the sequence's thread only
    std::jthread m_thread;                                  // last: joined before the rest goes
};

} // namespace tavrel
