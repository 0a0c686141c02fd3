#pragma once
// Whole-file reading for the codecs that parse from memory. Only regular
// files are read (see RegularFile).

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel
{

// False when the file cannot be opened or read, exceeds maxBytes or does not
// fit in memory.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes,
                   std::size_t maxBytes = std::size_t(1) << 31);
// Reads up to n leading bytes (fewer for a shorter file).
bool ReadFileHead(const std::string& path, std::uint8_t* bytes, std::size_t n, std::size_t& got);

} // namespace tavrel
