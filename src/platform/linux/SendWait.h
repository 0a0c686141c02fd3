#pragma once
// A thread blocked in a send keeps answering sends addressed to its own
// windows, as a thread blocked in SendMessageW does: otherwise two programs
// that send to each other from their UI threads would wait forever.

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace tavrel::detail
{

class SendWait
{
public:
    // Runs `task` on `thread` if that thread is blocked in a send right now
    // (true); false leaves the task to the caller.
    static bool TryHandTo(std::thread::id thread, std::function<void()> task);

    // Waits until `fd` is readable (true) or the deadline passes (false),
    // running what other threads hand to this one meanwhile.
    static bool WaitReadable(int fd, std::optional<std::chrono::steady_clock::time_point> deadline);
};

} // namespace tavrel::detail
