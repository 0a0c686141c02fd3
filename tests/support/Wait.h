#pragma once
// Waiting on a condition with a deadline, never on a fixed sleep.

#include <chrono>
#include <functional>

namespace tavrel::test
{

constexpr std::chrono::milliseconds kDefaultWait = std::chrono::seconds(20);

// Polls `condition` with short pauses until it holds (true) or `timeout`
// passes (false). The condition is checked once more at the deadline.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = kDefaultWait);

} // namespace tavrel::test
