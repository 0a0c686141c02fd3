#pragma once
// The readers under fuzzing take file names: each input goes into an
// in-memory file that they open by its /proc name, so no disk is touched.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace tavrel::fuzz
{

class MemoryFile
{
public:
    MemoryFile() : m_fd(::memfd_create("tavrel-fuzz", MFD_CLOEXEC)) {}
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the contents; the name to open them by.
    const std::string& Hold(const std::uint8_t* data, std::size_t size)
    {
        if (::ftruncate(m_fd, 0) != 0 ||
            (size > 0 && ::pwrite(m_fd, data, size, 0) != static_cast<ssize_t>(size)))
            __builtin_trap();
        return m_path;
    }
    const std::string& Path() const { return m_path; }

private:
    int m_fd;
    std::string m_path = "/proc/self/fd/" + std::to_string(m_fd);
};

// A folder of its own in memory, removed at exit, for code that writes beside
// the file it writes (a temporary name, then a rename).
class ScratchFolder
{
public:
    ScratchFolder()
    {
        if (::mkdtemp(m_folder.data()) == nullptr)
            __builtin_trap();
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

private:
    std::string m_folder = "/dev/shm/tavrel-fuzz-XXXXXX";
};

} // namespace tavrel::fuzz
