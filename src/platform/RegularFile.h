#pragma once
// Opening a file that someone else named, for reading: only a regular file is
// opened, so that a FIFO, a device or a socket given as a picture or profile
// can neither block the reader nor feed it without end.

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavrel
{

class RegularFile
{
public:
    RegularFile() = default;
    // Check IsOpen(); Error() tells why not (EISDIR for a folder, EINVAL for
    // any other file that is not a regular one).
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    // The size when it was opened.
    std::uint64_t Size() const { return m_size; }
    int Error() const { return m_error; }

    // Reads up to n bytes at `offset`; the count read, 0 at the end or on error.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const;

    // Hands the descriptor to a library that closes it; this object is closed.
    int Release();
    // The same as a "rb" stream; nullptr on failure (the descriptor is closed).
    std::FILE* ReleaseAsStream();

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    int m_error = 0;
};

} // namespace tavrel
