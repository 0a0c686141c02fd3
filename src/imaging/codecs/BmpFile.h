#pragma once
// Windows bitmap files, our own reader and writer: 1, 4, 8, 24 and 32 bits
// uncompressed in, 1, 8 and 24 bits out; bottom-up and top-down rows.

#include <string>

namespace tavrel
{

class CDib;

// On success `picture` holds the whole file; on failure it is left as it was.
bool ReadBmp(const std::string& path, CDib& picture);
// Writes to `path` directly (the caller provides the atomic rename).
bool WriteBmp(const CDib& picture, const std::string& path);

} // namespace tavrel
