#pragma once
// The capture program's trace file "log.txt": one event text per call,
// written as UTF-8 with each line feed as carriage return + line feed (the
// design's text mode), emptied at every open.
//
// Thread-safe: every event is one write(2) to a file opened for appending,
// under a small lock that also keeps Close from pulling the descriptor away
// from a writer on another thread.

#include <mutex>
#include <string>
#include <string_view>

namespace tavrel
{

class CLog
{
public:
    CLog() = default;
    ~CLog();
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    // Creates or empties the file; false (and later writes skipped) when it
    // cannot be opened.
    bool Open(const std::string& path = "log.txt");
    // `text` is UTF-8; a text that is not valid UTF-8 is not written.
    void Write(std::string_view text);
    void Close();
    bool IsOpen() const;

    // The bytes Write puts in the file for `text`; empty when not valid UTF-8.
    static bool ToFileBytes(std::string_view text, std::string& bytes);

private:
    mutable std::mutex m_mutex;
    int m_fd = -1;
};

} // namespace tavrel
