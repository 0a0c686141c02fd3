#pragma once
// The camera's control object (m_pIXCcontrol) and its device enumerator,
// behind one lock: register lists, button reads and latch writes never
// interleave on the device.
//
// The register writer and the button poller hand over by a handshake: a
// writer marks itself busy before it takes the lock, and a reader checks the
// mark after taking it, so no read starts once a list is on its way, and a
// read already under way ends before the first write.

#include "capture/RegisterWriter.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace tavrel
{

struct IXCcontrol;
struct IXCEnumerator;

class DeviceControl
{
public:
    DeviceControl() = default;
    ~DeviceControl();
    DeviceControl(const DeviceControl&) = delete;
    DeviceControl& operator=(const DeviceControl&) = delete;

    // Creates the enumerator and the control object, opens the first entry
    // whose path equals `devicePath` (without regard to case) and drops a
    // button press latched before. False (nothing kept) when none opens.
    bool Attach(const std::string& devicePath);
    // Takes over an opened control object and its enumerator (one reference
    // of each, released by Release); either may be null.
    void Adopt(IXCcontrol* control, IXCEnumerator* enumerator);
    void Release();
    bool Present() const;

    // The button property (16 bits); nullopt without a control object, while
    // a register list is written, or when the read fails.
    std::optional<std::uint32_t> ReadButton();
    // Writes 0 to the button property; false when that failed.
    bool ClearButtonLatch();
    // Programs the sensor from a register text file; without a control
    // object the list is only parsed. Returns whether the file was opened.
    bool WriteRegisterFile(const std::string& path, HWND owner,
                           RegisterWriteReport* report = nullptr);
    // 1 until the first register list has been written (or failed to open)
    // and while one is being written; the button is not polled meanwhile.
    int RegisterWriteBusy() const;

private:
    void ReleaseLocked();

    mutable std::mutex m_mutex;
    IXCcontrol* m_pIXCcontrol = nullptr;
    IXCEnumerator* m_deviceEnumerator = nullptr;
    std::atomic<int> m_writers{0};
    std::atomic<bool> m_firstListDone{false};
};

} // namespace tavrel
