#pragma once
// The capture program's command line: the mode as _wtoi reads the first
// argument, "/Verify" as the whole argument text, and the scanner choice.

#include <string>
#include <vector>

namespace tavrel
{

struct CaptureCommandLine
{
    int captureMode = 0;
    bool verifyOnStart = false;
    bool simulated = false;
};

int WToI(const std::string& text);
CaptureCommandLine ParseCaptureCommandLine(const std::vector<std::string>& args);

} // namespace tavrel
