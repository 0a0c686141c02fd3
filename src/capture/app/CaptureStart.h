#pragma once
// The capture program's command line: the mode as _wtoi reads the first
// argument, and "/Verify" as the whole argument text.

#include <string>
#include <vector>

namespace tavrel
{

struct CaptureCommandLine
{
    int captureMode = 0;
    bool verifyOnStart = false;
};

int WToI(const std::string& text);
// `args` without the program name and the options the start-up has read.
CaptureCommandLine ParseCaptureCommandLine(const std::vector<std::string>& args);

} // namespace tavrel
