#pragma once
// The 0x8107 button latch of a V4L2 camera. A snapshot-button press
// (KEY_CAMERA down on the camera's evdev node) sets bit 0; the value stays
// until a program writes it back, exactly like the vendor's register.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tavrel
{

class ButtonLatch
{
public:
    std::uint32_t Value() const { return m_value.load(); }
    void Write(std::uint32_t value) { m_value = value & 0xFFFF; }
    void Press() { m_value |= 0x0001; }
    std::uint64_t Presses() const { return m_presses.load(); }
    // Waits until at least `count` presses were counted; false on timeout.
    bool WaitForPresses(std::uint64_t count, int timeoutMs) const;
    void NotePress();

private:
    std::atomic<std::uint32_t> m_value{0};
    std::atomic<std::uint64_t> m_presses{0};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
};

// Reads struct input_event records from a descriptor (an evdev node, or a
// pipe in tests) on its own thread and presses the latch on KEY_CAMERA down.
// Owns the descriptor; the destructor stops and joins the thread.
class ButtonEventReader
{
public:
    ButtonEventReader(int fd, ButtonLatch& latch);
    ~ButtonEventReader();
    ButtonEventReader(const ButtonEventReader&) = delete;
    ButtonEventReader& operator=(const ButtonEventReader&) = delete;

    // False once the source has ended (end of file, device removed).
    bool Running() const { return m_running.load(); }

private:
    void Run();

    int m_fd;
    int m_stopFd;
    ButtonLatch& m_latch;
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

} // namespace tavrel
