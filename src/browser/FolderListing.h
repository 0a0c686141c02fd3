#pragma once
// Reading one folder's entries, and the texts the details view shows for
// them.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

struct FolderEntry
{
    std::string name;
    bool isFolder = false; // links to folders count as folders
    bool hidden = false;   // a name starting with "."
    std::uint64_t size = 0;
    std::int64_t modifiedTime = 0;
};

enum class ListDetail
{
    Kinds, // names and folder-or-not (sizes and times only where a stat was needed anyway)
    Full,  // sizes and times of every entry
};

// The entries except "." and "..", ordered by name without regard to case
// (ties by the exact bytes), the order the original file system gave.
// nullopt when the folder cannot be read.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path, ListDetail detail);

// "%dB", "%dKB", "%dMB", "%dGB" with integer division by 1024 steps.
std::string FormatFileSize(std::uint64_t length);
// Local time as "%Y/%m/%d/%H:%M:%S".
std::string FormatFileDate(std::int64_t seconds);

// Lower case of ASCII letters only; other bytes (UTF-8) as they are.
std::string AsciiLower(std::string text);

} // namespace tavrel
