#include "platform/MessageBox.h"

#include "platform/Paths.h"

#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

std::mutex g_mutex;
std::shared_ptr<MessageBoxSink> g_sink;
std::vector<std::string> g_recorded;

std::string EscapeNewlines(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

int Record(const std::string& text, const std::string& caption)
{
    const std::string line = EscapeNewlines(caption) + "\t" + EscapeNewlines(text) + "\n";
    {
        std::lock_guard lock(g_mutex);
        g_recorded.push_back(text);
    }
    std::fprintf(stderr, "[message box] %s", line.c_str());

    const std::string dir = RuntimeDirectory();
    if (!dir.empty())
    {
        // One write of an O_APPEND descriptor keeps lines of several
        // processes whole.
        const std::string path = dir + "/messages.log";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0)
        {
            [[maybe_unused]] ssize_t n = ::write(fd, line.data(), line.size());
            ::close(fd);
        }
    }
    return IDOK;
}

} // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type)
{
    std::shared_ptr<MessageBoxSink> sink;
    {
        std::lock_guard lock(g_mutex);
        sink = g_sink;
    }
    if (sink)
        return sink->Show(owner, text, caption, type);
    return Record(text, caption);
}

void SetMessageBoxSink(std::shared_ptr<MessageBoxSink> sink)
{
    std::lock_guard lock(g_mutex);
    g_sink = std::move(sink);
}

std::vector<std::string> RecordedMessageBoxes()
{
    std::lock_guard lock(g_mutex);
    return g_recorded;
}

void ClearRecordedMessageBoxes()
{
    std::lock_guard lock(g_mutex);
    g_recorded.clear();
}

} // namespace tavrel
