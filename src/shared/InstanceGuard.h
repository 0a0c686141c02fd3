#pragma once
// At most one instance of each program: a named semaphore says that an
// instance has started, a window property (the mark) on its main window lets a
// second start find it and hand over.

#include "platform/NamedSemaphore.h"
#include "platform/WinTypes.h"

#include <chrono>
#include <memory>
#include <string>

namespace tavrel
{

constexpr const char* kPelidorInstanceName = "TAVREL_PELIDOR";
constexpr const char* kVantrelInstanceName = "TAVREL_VANTREL";
constexpr const char* kCaptureModeSection = "Tavrel_AppMpde";
constexpr UINT WM_QUERY_CAPTURE_MODE = WM_USER + 2007; // 3031

class InstanceGuard
{
public:
    enum class Variant
    {
        Manager, // the first instance's handle lives until the process ends
        Capture  // the handle is kept in the guard and closed with it
    };

    explicit InstanceGuard(Variant variant) : m_variant(variant) {}
    virtual ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // The running instance's main window, or 0 when start-up goes on.
    HWND FindRunningInstance(const std::string& name, bool activate);

    static bool MarkWindow(HWND hwnd, const std::string& name);
    static bool UnmarkWindow(HWND hwnd, const std::string& name);

private:
    Variant m_variant;
    std::unique_ptr<NamedSemaphore> m_semaphore; // capture variant only
};

// The capture program's check at start with the mode exchange. Returns true
// when start-up goes on (no running instance, or the running one has been
// closed), false when this instance must exit.
struct CaptureStartOptions
{
    // The old instance gets this long to remove its mark after WM_CLOSE while
    // its window is still alive; a dead window counts as gone at once.
    std::chrono::milliseconds closeWait = std::chrono::seconds(60);
};
bool CaptureInstanceCheck(InstanceGuard& guard, int captureMode,
                          const CaptureStartOptions& options = {});

// The running capture dialog's answer to WM_QUERY_CAPTURE_MODE.
LRESULT AnswerCaptureModeQuery(int captureMode);

// Restores a minimised window and brings it to the front.
void ActivateWindow(HWND hwnd);

} // namespace tavrel
