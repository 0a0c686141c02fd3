#pragma once
// The capture sequence, from a press of the on-screen button or the
// camera's button to the processed picture handed to the manager: the still
// trigger with its timed retries (timer 1001), the still callback, the
// capture thread, and the settle time after each film or size change.
//
// Threads: OnCaptureButton, OnStillArrived and the timer run on the UI
// loop; OnDeviceButton on the button poller; OnStillImage on the camera's
// streaming thread; each capture on a thread of its own. They share the
// flags below, each written in a fixed place of the sequence.

#include "capture/CaptureDevice.h"
#include "capture/CaptureState.h"
#include "capture/Log.h"
#include "capture/ProfileControls.h"
#include "capture/SensorProfile.h"
#include "capture/ThreadOwner.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/EventLoop.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

namespace tavrel
{

class CaptureSequence
{
public:
    struct Context
    {
        EventLoop& loop;                                 // timer 1001
        std::function<void(std::function<void()>)> post; // to the UI loop, while the engine lives
        CaptureDevice& device;
        ProfileControls& profile;
        ThreadOwner& threads;
        CLog& log;
        std::function<SensorSettings()> sensor; // the geometry in force
        std::function<HWND()> window;           // owner of message boxes
        std::function<void()> changed;          // something the view shows changed
        std::function<void()> playSound;        // "Takephoto.wav"
    };

    explicit CaptureSequence(Context context);
    ~CaptureSequence();

    void Configure(int stillMode, int failTimeMs, int tryLoop);
    void SetOutput(int outputFormat, int bitDepthIndex);

    // UI loop.
    void OnCaptureButton();
    void OnStillArrived();
    void OnCaptureTimer();
    void StartSettle();
    void SetCaptureButtonState(bool enabled);
    // Enables the capture button unless a film or size change is settling;
    // the settle time enables it when it ends.
    void EnableCaptureButton();
    // Button poller: a press of the camera's button; false when ignored
    // (a capture is already requested).
    bool OnDeviceButton();
    // Streaming thread.
    void OnStillImage(const VideoStill& still);
    // Stops the retries (closing).
    void Stop();

    bool CaptureButtonEnabled() const { return m_buttonEnabled; }
    bool PreviewEnabled() const { return m_previewEnabled == 1; }
    void SetPreviewEnabled(bool on) { m_previewEnabled = on ? 1 : 0; }
    bool StillMode() const { return m_stillMode == 1; }
    bool HoldingStill() const;
    // A capture is under way or on its way: a still taken but not yet
    // processed, or a capture thread started and not yet ended.
    bool Busy() const
    {
        return m_imageInProcess == 1 || m_stillInProgress == 1 || m_capturesStarted > 0;
    }
    int CaptureRequested() const { return m_captureRequested; }
    int StillInProgress() const { return m_stillInProgress; }
    void Fill(CaptureState& state) const;

private:
    enum class Source
    {
        PreviewFrame,
        Still
    };

    void StartCapture(Source source);
    bool Capture(Source source, std::stop_token stop);
    void EndCapture(bool clearLatch);
    void SetTimer();
    void KillTimer();
    void ShowProgress(bool visible);
    void Finish(HandoverResult result, std::string keptPath = {});
    // A new press: the last one's "no picture" is no longer news.
    void ForgetNoPicture();

    Context m_c;
    std::atomic<int> m_previewEnabled{0};
    std::atomic<int> m_stillMode{1};
    std::atomic<int> m_failTime{1500};
    std::atomic<int> m_tryLoop{3};
    std::atomic<int> m_retryCount{0};
    std::atomic<int> m_imageInProcess{0};
    std::atomic<CaptureSource> m_captureSource{CaptureSource::None};
    std::atomic<int> m_captureRequested{0};
    std::atomic<int> m_givenUp{0}; // the request's retries ran out
    std::atomic<int> m_stillInProgress{0};
    std::atomic<int> m_capturesStarted{0};
    std::atomic<bool> m_buttonEnabled{false};
    std::atomic<bool> m_progressVisible{false};
    std::atomic<int> m_settleCount{0};
    std::atomic<std::int64_t> m_pressTime{0};
    std::atomic<std::int64_t> m_lastStillTime{0};
    std::atomic<int> m_outputFormat{0};
    std::atomic<int> m_bitDepthIndex{0};

    mutable std::mutex m_mutex;
    std::unique_ptr<CDib> m_stillImage;
    HandoverResult m_lastHandover = HandoverResult::None;
    std::string m_lastKeptPath;
};

} // namespace tavrel
