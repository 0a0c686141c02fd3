#include "CaptureDriver.h"

#include "support/Files.h"
#include "support/Programs.h"

#include <cstdlib>

namespace tavrel::test
{

std::size_t CountOf(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t p = 0; (p = text.find(part, p)) != std::string::npos; p += part.size())
        ++n;
    return n;
}

std::string CaptureLog()
{
    const char* home = std::getenv("TAVREL_HOME");
    return home ? ReadFile(std::string(home) + "/log.txt") : std::string();
}

bool WaitUntilRunning(const Process& vantrel, std::chrono::milliseconds timeout)
{
    return WaitFor([&] { return CountOf(vantrel.StdErr(), "Vantrel: running") > 0; }, timeout);
}

bool PressDeviceButton(const std::string& taken, std::chrono::milliseconds timeout)
{
    const std::string log = CaptureLog();
    const std::size_t before = CountOf(log, taken);
    // After a capture that was given up the button is not polled, but a
    // camera that fires its still pin on its own button still takes it.
    const std::size_t stills = CountOf(log, kStillArrived);
    return WaitFor(
        [&]
        {
            const std::string now = CaptureLog();
            if (CountOf(now, taken) > before || CountOf(now, kStillArrived) > stills)
                return true;
            const ToolRun status = RunProgram("tavrel-sim", {"status"});
            if (status.out.find("button: 0x0000") != std::string::npos)
                RunProgram("tavrel-sim", {"press"});
            return false;
        },
        timeout);
}

bool ClickCapture(std::chrono::milliseconds timeout)
{
    const std::size_t before = CountOf(CaptureLog(), kButtonCapture);
    // The click is sent synchronously: when it returns, the log says whether
    // the button took it.
    return WaitFor(
        [&]
        {
            RunTool({"message", "--class", "Tavrel Camera", "WM_COMMAND", "1028"});
            return CountOf(CaptureLog(), kButtonCapture) > before;
        },
        timeout);
}

} // namespace tavrel::test
