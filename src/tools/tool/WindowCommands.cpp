// The session's windows for scripts (and a foot switch): list them, and send
// or post a message to one found as FindWindowW finds it.

#include "tools/tool/ToolCommands.h"

#include "platform/Desktop.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <strings.h>

namespace tavrel
{

namespace
{

constexpr const char* kMessageUsage =
    "usage: tavrel-tool message [--post] [--class NAME] [--title TEXT] MSG [WPARAM [LPARAM]]\n"
    "  MSG: a number (decimal or 0x...), WM_CLOSE or WM_COMMAND\n";

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// Decimal or 0x-prefixed hexadecimal, the whole text; a sign only where the
// value may be negative.
std::optional<std::uint64_t> ParseUnsigned(const std::string& text)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || (hex && text.size() == 2))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> ParseSigned(const std::string& text)
{
    if (!text.empty() && text[0] == '-')
    {
        const auto magnitude = ParseUnsigned(text.substr(1));
        if (!magnitude || *magnitude > std::uint64_t(INT64_MAX) + 1)
            return std::nullopt;
        return static_cast<std::int64_t>(0 - *magnitude);
    }
    const auto value = ParseUnsigned(text);
    if (!value)
        return std::nullopt;
    return static_cast<std::int64_t>(*value);
}

std::optional<UINT> ParseMessage(const std::string& text)
{
    if (strcasecmp(text.c_str(), "WM_CLOSE") == 0)
        return WM_CLOSE;
    if (strcasecmp(text.c_str(), "WM_COMMAND") == 0)
        return WM_COMMAND;
    const auto value = ParseUnsigned(text);
    if (!value || *value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<UINT>(*value);
}

int BadArguments(const char* why)
{
    std::fprintf(stderr, "tavrel-tool message: %s\n%s", why, kMessageUsage);
    return 2;
}

} // namespace

int WindowsCommand(const ToolArgs& args)
{
    if (!args.empty())
    {
        std::fprintf(stderr, "usage: tavrel-tool windows\n");
        return 2;
    }
    for (HWND hwnd = Desktop::GetFirstWindow(); hwnd; hwnd = Desktop::GetNextWindow(hwnd))
    {
        std::string line = Quoted(Desktop::GetClassName(hwnd)) + " " +
                           Quoted(Desktop::GetWindowText(hwnd)) + " " +
                           std::to_string(Desktop::GetWindowProcessId(hwnd));
        for (const std::string& name : Desktop::GetPropNames(hwnd))
            line += " " + name;
        std::printf("0x%08" PRIX64 " %s\n", static_cast<std::uint64_t>(hwnd), line.c_str());
    }
    return 0;
}

int MessageCommand(const ToolArgs& args)
{
    bool post = false;
    std::optional<std::string> className;
    std::optional<std::string> title;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--post")
            post = true;
        else if (arg == "--class" || arg == "--title")
        {
            if (i + 1 >= args.size())
                return BadArguments((arg + " needs a value").c_str());
            (arg == "--class" ? className : title) = args[++i];
        }
        else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0)
            return BadArguments(("unknown option " + arg).c_str());
        else
            positional.push_back(arg);
    }
    if (positional.empty() || positional.size() > 3)
        return BadArguments("give MSG and at most WPARAM and LPARAM");
    const auto message = ParseMessage(positional[0]);
    if (!message)
        return BadArguments(("not a message: " + positional[0]).c_str());
    std::optional<std::uint64_t> wParam = std::uint64_t(0);
    std::optional<std::int64_t> lParam = std::int64_t(0);
    if (positional.size() > 1 && !(wParam = ParseUnsigned(positional[1])))
        return BadArguments(("not a WPARAM: " + positional[1]).c_str());
    if (positional.size() > 2 && !(lParam = ParseSigned(positional[2])))
        return BadArguments(("not an LPARAM: " + positional[2]).c_str());

    const HWND hwnd = Desktop::FindWindow(className, title);
    bool delivered = false;
    LRESULT result = 0;
    if (hwnd && post)
    {
        delivered = Desktop::PostMessage(hwnd, *message, *wParam, *lParam);
        result = delivered ? 1 : 0; // PostMessageW's answer
    }
    else if (hwnd)
    {
        const SendResult sent = Desktop::SendMessage(hwnd, *message, *wParam, *lParam);
        delivered = sent.delivered;
        result = sent.result;
    }
    if (!delivered)
    {
        std::fprintf(stderr, "tavrel-tool message: no such window\n");
        return 1;
    }
    std::printf("%" PRId64 "\n", static_cast<std::int64_t>(result));
    return 0;
}

} // namespace tavrel
