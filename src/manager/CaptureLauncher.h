#pragma once
// The Capture commands: a running capture program only gets its window
// position re-applied (neither activated nor raised); otherwise `Vantrel` is
// started from beside the running program, else through the search path.

#include <string>

namespace tavrel
{

enum class CaptureLaunch
{
    Repositioned, // a "Tavrel Camera" window was running
    Started,
    Failed // written to standard error, not shown
};

// `argument`: "" or "/Verify".
CaptureLaunch LaunchCaptureProgram(const std::string& argument);

// The capture program to start: "Vantrel" beside the running executable
// when it is there, else the bare name for the search path.
std::string CaptureProgramPath();

} // namespace tavrel
