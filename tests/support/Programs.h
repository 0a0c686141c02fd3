#pragma once
// The suite's programs as a user's script runs them, in the session of the
// test's Sandbox (create that first): Pelidor and Vantrel with the simulated
// scanner, tavrel-tool and tavrel-sim to their end, and waiting for windows.

#include "platform/WinTypes.h"
#include "support/Process.h"
#include "support/Wait.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavrel::test
{

struct ToolRun
{
    int exitCode = -1; // -1: did not start or did not end in time
    std::string out;
    std::string err;
};

// Runs a program of the suite (tavrel-tool, tavrel-sim) to its end.
ToolRun RunProgram(const std::string& name, const std::vector<std::string>& args);
inline ToolRun RunTool(const std::vector<std::string>& args)
{
    return RunProgram("tavrel-tool", args);
}

// Starts Pelidor or Vantrel with the simulated scanner; null, with a test
// failure saying why, when it cannot be started.
std::unique_ptr<Process> StartProgram(const std::string& name,
                                      const std::vector<std::string>& args = {},
                                      const Process::Options& options = {});

// The first window of that class (and title), once there is one; 0 when
// none appeared in time.
HWND WaitForWindow(const std::string& className, const std::optional<std::string>& title = {},
                   std::chrono::milliseconds timeout = kDefaultWait);

} // namespace tavrel::test
