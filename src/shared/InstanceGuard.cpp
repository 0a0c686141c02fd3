#include "shared/InstanceGuard.h"

#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/SharedSection.h"

#include <cstring>
#include <thread>

// The leak checker's own call: defined only in sanitized builds.
extern "C" void __lsan_ignore_object(const void* p) __attribute__((weak));

namespace tavrel
{

namespace
{

constexpr auto kPollStep = std::chrono::milliseconds(20);
// A live instance that does not answer a request in this time is treated as
// not answering (the mode stays -1); never a hang of the new instance.
constexpr auto kRequestTimeout = std::chrono::seconds(10);

// The mode travels as a little-endian int32 at the start of the section,
// copied through the section's descriptor (a view would fault if the other
// side cut the section short).
bool WriteInt32(SharedSection& section, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 24)};
    return section.Write(0, bytes, sizeof bytes);
}

bool ReadInt32(const SharedSection& section, std::int32_t* value)
{
    std::uint8_t at[4];
    if (!section.Read(0, at, sizeof at))
        return false;
    *value = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
        static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24);
    return true;
}

} // namespace

InstanceGuard::~InstanceGuard() = default;

HWND InstanceGuard::FindRunningInstance(const std::string& name, bool activate)
{
    NamedSemaphore::Status status = NamedSemaphore::Status::Failed;
    std::unique_ptr<NamedSemaphore> semaphore = NamedSemaphore::Create(name, &status);
    if (!semaphore || status == NamedSemaphore::Status::Failed)
        return 0;
    if (m_variant == Variant::Capture)
        m_semaphore = std::move(semaphore);
    if (status == NamedSemaphore::Status::Created)
    {
        // The manager's first instance holds its handle until the process
        // ends, without keeping it anywhere.
        if (m_variant == Variant::Manager)
        {
            const NamedSemaphore* kept = semaphore.release();
            // Kept on purpose; the leak checker is told so, for this object only.
            if (__lsan_ignore_object)
                __lsan_ignore_object(kept);
        }
        return 0;
    }
    // Already there: the manager lets its new handle go here.
    semaphore.reset();

    HWND found = 0;
    for (HWND hwnd = Desktop::GetFirstWindow(); hwnd != 0 && Desktop::IsWindow(hwnd);
         hwnd = Desktop::GetNextWindow(hwnd))
    {
        if (Desktop::GetProp(hwnd, name) != 0)
        {
            found = hwnd;
            break;
        }
    }
    if (found == 0)
        return 0;
    if (activate)
        ActivateWindow(found);
    return found;
}

bool InstanceGuard::MarkWindow(HWND hwnd, const std::string& name)
{
    return Desktop::SetProp(hwnd, name, 1);
}

bool InstanceGuard::UnmarkWindow(HWND hwnd, const std::string& name)
{
    return Desktop::RemoveProp(hwnd, name) != 0;
}

void ActivateWindow(HWND hwnd)
{
    if (Desktop::IsIconic(hwnd))
        Desktop::ShowWindow(hwnd, SW_RESTORE);
    Desktop::SetForegroundWindow(hwnd);
}

bool CaptureInstanceCheck(InstanceGuard& guard, int captureMode, const CaptureStartOptions& options)
{
    const HWND running = guard.FindRunningInstance(kVantrelInstanceName, false);
    if (running == 0)
        return true;

    std::int32_t answer = -1;
    {
        SharedSection::Status status = SharedSection::Status::Failed;
        std::unique_ptr<SharedSection> section =
            SharedSection::Create(kCaptureModeSection, 4, &status);
        if (status == SharedSection::Status::NotOurs)
            MessageBox(0, "Vantrel cannot ask the running Vantrel for its mode: the shared "
                          "memory \"Tavrel_AppMpde\" belongs to another user.");
        // Without the section there is no way to ask; leave the running one alone.
        if (!section || status == SharedSection::Status::Failed || !WriteInt32(*section, -1))
            return false;
        Desktop::SendMessage(running, WM_QUERY_CAPTURE_MODE, 0, 0, nullptr, kRequestTimeout);
        // An answer that cannot be read is no answer either.
        if (!ReadInt32(*section, &answer))
            return false;
    }

    if (answer == captureMode)
    {
        ActivateWindow(running);
        return false;
    }

    Desktop::SendMessage(running, WM_CLOSE, 0, 0, nullptr, kRequestTimeout);
    // Poll for the mark to go. A window whose owner died is no window, so a
    // crashed instance ends the wait at once; a live one that keeps its mark
    // past the bound leaves this instance to exit rather than start beside it.
    const auto deadline = std::chrono::steady_clock::now() + options.closeWait;
    for (;;)
    {
        std::this_thread::sleep_for(kPollStep);
        const HWND still = guard.FindRunningInstance(kVantrelInstanceName, false);
        if (still == 0)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

LRESULT AnswerCaptureModeQuery(int captureMode)
{
    if (std::unique_ptr<SharedSection> section = SharedSection::Open(kCaptureModeSection))
        WriteInt32(*section, captureMode);
    return 1;
}

} // namespace tavrel
