#include "capture/app/CaptureStart.h"

#include <cctype>
#include <climits>

namespace tavrel
{

int WToI(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

CaptureCommandLine ParseCaptureCommandLine(const std::vector<std::string>& args)
{
    CaptureCommandLine line;
    if (!args.empty())
        line.captureMode = WToI(args.front());
    std::string whole;
    for (const std::string& arg : args)
        whole += (whole.empty() ? "" : " ") + arg;
    std::string lower;
    for (char c : whole)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    line.verifyOnStart = lower == "/verify";
    return line;
}

} // namespace tavrel
