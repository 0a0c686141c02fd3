#pragma once
// What the properties dialog shows of a file or folder.

#include <cstdint>
#include <string>

namespace tavrel
{

struct FileProperties
{
    bool exists = false;
    std::string name;
    std::string folder;
    bool isFolder = false;
    std::uint64_t size = 0; // a folder: the files inside, as far as counted
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    bool countIncomplete = false; // the count stopped at its time limit
    std::int64_t modified = 0;
    std::int64_t accessed = 0;
    std::int64_t created = -1; // -1: the file system keeps no birth time
    int formatCode = 0;        // non-zero for a picture name
    bool pictureRead = false;
    int width = 0;
    int height = 0;
    int xDpi = 0;
    int yDpi = 0;
};

// Reads everything at once; a folder's contents are counted for at most
// `countLimitMs`. Blocks: call it away from the UI thread.
FileProperties ReadFileProperties(const std::string& path, int countLimitMs = 1000);

// "2024/05/01 13:45:10" in local time.
std::string FormatPropertyTime(std::int64_t seconds);

} // namespace tavrel
