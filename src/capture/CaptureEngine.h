#pragma once
// The capture dialog's engine: device, graph, threads and the capture
// sequence from a button press to the hand-over, widget-free. Its "UI
// thread" is a tavrel::MessageLoop: commands 1006, 1028 and 2001 and timer
// 1001 run there; the preview worker, the button poller, capture threads,
// settle threads, the register writer and the close waiter are the engine's
// own, and its destructor stops and joins every one of them.

#include "capture/CaptureGraph.h"
#include "capture/DeviceControl.h"
#include "capture/Log.h"
#include "capture/SensorProfile.h"
#include "capture/ThreadOwner.h"
#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/Desktop.h"
#include "platform/MessageLoop.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tavrel
{

constexpr unsigned kCaptureTimerId = 1001;
constexpr unsigned kCommandRenderPreview = 1006;
constexpr unsigned kCommandCapture = 1028;
constexpr unsigned kCommandStillArrived = 2001;
constexpr unsigned kCommandFinalExit = 2005;

// What the dialog shows; called from any of the engine's threads.
class CaptureView
{
public:
    virtual ~CaptureView() = default;
    virtual void SetCaptureButtonState(bool enabled) = 0;
    virtual void ShowProgressPopup() = 0;
    virtual void HideProgressPopup() = 0;
    virtual void PlayCaptureSound() {}
    virtual void SetProgressRange(int /*total*/) {}
};

// The preview frame control 1005.
class FrameSink
{
public:
    virtual ~FrameSink() = default;
    virtual int TargetWidth() const = 0; // 0: no control
    virtual void ShowFrame(const CDib& image) = 0;
};

// The test functions' file dialogs; nullopt when cancelled.
class FileNameProvider
{
public:
    virtual ~FileNameProvider() = default;
    virtual std::optional<std::string> SaveFileName(const std::string& filter) = 0;
    virtual std::optional<std::string> OpenFileName(const std::string& filter) = 0;
};

struct CaptureEngineOptions
{
    std::string folder; // program folder ("" = working directory)
    std::string profileFile = "Positive.xml";
    std::unique_ptr<VideoBackend> backend; // null: the default backend
    CaptureView* view = nullptr;
    FrameSink* sink = nullptr;
    FileNameProvider* files = nullptr;
    bool startupRegisterWriter = true; // the film dialog's
    bool registerWindow = true;        // "Tavrel Camera" with device notifications
};

class CCaptureEngine
{
public:
    CCaptureEngine(tavrel::MessageLoop& loop, CaptureEngineOptions options);
    ~CCaptureEngine();
    CCaptureEngine(const CCaptureEngine&) = delete;
    CCaptureEngine& operator=(const CCaptureEngine&) = delete;

    // Dialog initialisation; false when the device is missing (message 107
    // shown). Call on the loop's thread.
    bool Start();
    // WM_CLOSE: stop flags, profile saved, log closed, close waiter started;
    // `onExit` runs on the loop's thread after the final exit.
    void Close(std::function<void()> onExit = {});

    // Loop-thread operations.
    void OnCaptureButton();
    void OnStillArrived();
    void OnCaptureTimer();
    void OnDeviceChange(tavrel::WPARAM event);
    void OpenDevice();
    bool StartDevicePreview();
    void CloseDevice();
    bool AttachDeviceControl();
    // Streaming thread.
    void OnStillImage(const VideoStill& still);
    // Any thread.
    int Capture(int fromStill);
    // Command 1006: the preview worker renders a frame now.
    void RequestPreviewFrame();
    void StartSettleThread();
    bool WriteRegisterFile(const std::string& path);
    int SaveRawFrame();
    int RestoreFromDevice();
    int RestoreFromFile();

    // State, for the view and for tests.
    bool GraphReady() const { return m_graphReady; }
    bool CaptureButtonEnabled() const { return m_buttonEnabled; }
    int ImageInProcess() const { return m_imageInProcess; }
    int CaptureRequested() const { return m_captureRequested; }
    int StillInProgress() const { return m_stillInProgress; }
    int RetryCount() const { return m_retryCount; }
    int FailTimeMs() const { return m_failTime; }
    int TryLoop() const { return m_tryLoop; }
    bool Can48Bit() const { return m_can48Bit; }
    int StillMode() const { return m_stillMode; }
    int PreviewEnabled() const { return m_previewEnabled; }
    int RegisterWriteBusy() const { return m_control.RegisterWriteBusy(); }
    bool HasFrame() const { return FrameSequence() > 0; }
    std::uint64_t FrameSequence() const { return m_graph ? m_graph->FrameSequence() : 0; }
    bool HasControl() const { return m_control.Present(); }
    // The video source's last stream event; Recovered while all is well.
    StreamEvent StreamState() const { return m_streamState; }
    int DeviceArrivals() const { return m_deviceArrivals; }
    // Threads started and not yet joined.
    std::size_t ThreadCount() const { return m_threads.Count(); }
    const SensorSettings& Sensor() const { return m_sensor; }
    CImageProfile& Profile() { return *m_profile; }
    tavrel::HWND Window() const;
    std::atomic<int> outputFormat{0};
    std::atomic<int> bitDepthIndex{0};
    std::atomic<int> verifyOnStart{0};

private:
    void SetCaptureButtonState(bool enabled);
    void PreviewWorker(std::stop_token stop);
    void RenderPreview();
    void ButtonPoller(std::stop_token stop);
    void StartCaptureThread(int fromStill);
    void SetCaptureTimer();
    void KillCaptureTimer();
    void ClearButtonLatch();
    bool TakeFrame(CDib& image);
    void EndCapture(bool clearLatch);
    void SaveProfile();
    bool PreviewWait(std::stop_token stop, std::chrono::milliseconds period);
    std::string In(const std::string& name) const;
    void Spawn(std::function<void(std::stop_token)> work);
    tavrel::LRESULT HandleWindowMessage(const tavrel::Message& message);

    tavrel::MessageLoop& m_loop;
    CaptureEngineOptions m_options;
    CLog m_log;
    std::unique_ptr<CCaptureGraph> m_graph;
    std::unique_ptr<CImageProfile> m_profile;
    std::mutex m_profileMutex;
    SensorSettings m_sensor;
    std::unique_ptr<tavrel::WindowEndpoint> m_window;

    tavrel::DeviceControl m_control;

    std::atomic<int> m_previewEnabled{0};
    std::atomic<int> m_stopPreviewWorker{0};
    std::atomic<int> m_stopButtonPoller{0};
    std::atomic<bool> m_graphReady{false};
    std::atomic<int> m_stillMode{1};
    std::atomic<int> m_failTime{1500};
    std::atomic<int> m_tryLoop{3};
    std::atomic<int> m_retryCount{0};
    std::atomic<int> m_imageInProcess{0};
    std::atomic<int> m_captureSource{0};
    std::atomic<int> m_captureRequested{0};
    std::atomic<int> m_stillInProgress{0};
    std::atomic<bool> m_buttonEnabled{false};
    std::atomic<bool> m_can48Bit{false};
    std::atomic<int> m_settleCount{0};
    std::atomic<std::int64_t> m_pressTime{0};
    std::atomic<std::int64_t> m_lastStillTime{0};
    std::atomic<bool> m_previewWorkerRunning{false};
    std::atomic<bool> m_previewRequested{false};
    std::atomic<StreamEvent> m_streamState{StreamEvent::Recovered};
    std::atomic<int> m_deviceArrivals{0};

    std::mutex m_stillMutex;
    std::unique_ptr<CDib> m_stillImage;
    // Touched by the preview worker only.
    CDib m_lastPreviewFrame;
    std::uint64_t m_lastPreviewSequence = 0;

    std::mutex m_waitMutex;
    std::condition_variable_any m_waitCv; // wakes the preview worker and the close waiter
    // Last: its threads are stopped and joined before anything they use goes.
    tavrel::ThreadOwner m_threads;
};

} // namespace tavrel
