#include "platform/linux/WindowRegistry.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/linux/SessionNames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel::detail
{

namespace
{

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 1 < text.size())
        {
            ++i;
            out += text[i] == 'n' ? '\n' : text[i];
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}

// Session state dies with the session: no flush to disk.
bool WriteSessionFile(const std::string& path, const std::string& content)
{
    return WriteFileAtomically(path, content, {.sync = false, .newFileMode = 0600});
}

std::optional<std::string> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Property names compare without regard to case, as atoms do.
std::string PropFile(const std::string& base, const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return base + ".props/" + EncodeName(lower);
}

HWND NextHandle(const std::string& folder)
{
    const int fd = ::open((folder + "/counter").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return 0;
    if (::flock(fd, LOCK_EX) != 0)
    {
        ::close(fd);
        return 0;
    }
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    HWND last = n > 0 ? std::strtoull(text, nullptr, 10) : 0;
    const HWND next = last + 1;
    const std::string out = std::to_string(next);
    const bool ok = ::pwrite(fd, out.data(), out.size(), 0) == static_cast<ssize_t>(out.size()) &&
                    ::ftruncate(fd, static_cast<off_t>(out.size())) == 0;
    ::close(fd);
    return ok ? next : 0;
}

} // namespace

std::string WindowRegistry::Folder()
{
    const std::string runtime = RuntimeDirectory();
    if (runtime.empty())
        return {};
    const std::string folder = runtime + "/windows";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return folder;
}

std::string WindowRegistry::Base(HWND hwnd)
{
    const std::string folder = Folder();
    if (folder.empty() || hwnd == 0)
        return {};
    return JoinPath(folder, std::to_string(hwnd));
}

std::string WindowRegistry::SocketPath(HWND hwnd)
{
    const std::string base = Base(hwnd);
    return base.empty() ? std::string() : base + ".sock";
}

bool WindowRegistry::SocketAddress(HWND hwnd, sockaddr_un* address, socklen_t* length)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    const std::string path = SocketPath(hwnd);
    if (path.empty())
        return false;
    if (path.size() < sizeof address->sun_path)
    {
        std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
        *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
        return true;
    }
    const std::string name = "tavrel-" + SessionKey() + "-" + std::to_string(hwnd);
    std::memcpy(address->sun_path + 1, name.data(), name.size());
    *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return true;
}

WindowRegistry::Published WindowRegistry::Publish(const WindowRecord& record,
                                                  bool (*beforePublish)(HWND, void*), void* context)
{
    const std::string folder = Folder();
    if (folder.empty())
        return {};
    const HWND hwnd = NextHandle(folder);
    if (hwnd == 0)
        return {};
    const std::string base = Base(hwnd);

    // Everything is in place before the lock file appears under its name,
    // so that nobody finds a half-made window (or takes it for a dead one).
    // The lock is held from the start and kept for the window's life.
    int lockFd = -1;
    int error = 0; // why, for the caller to tell
    {
        AtomicFile lock(base + ".lock", {.sync = false, .newFileMode = 0600});
        if (lock.IsOpen() && ::mkdir((base + ".props").c_str(), 0700) == 0 &&
            WriteRecord(hwnd, record) && (!beforePublish || beforePublish(hwnd, context)) &&
            lock.Commit())
            lockFd = lock.ReleaseDescriptor();
        else
            error = lock.Error() != 0 ? lock.Error() : errno;
    } // an unpublished lock file goes here, before errno is set
    if (lockFd < 0)
    {
        Remove(hwnd);
        errno = error;
        return {};
    }
    return {hwnd, lockFd};
}

void WindowRegistry::Withdraw(HWND hwnd, int lockFd)
{
    const std::string base = Base(hwnd);
    if (!base.empty())
        ::unlink((base + ".lock").c_str());
    Remove(hwnd);
    if (lockFd >= 0)
        ::close(lockFd);
}

void WindowRegistry::Remove(HWND hwnd)
{
    const std::string base = Base(hwnd);
    if (base.empty())
        return;
    std::error_code ec;
    ::unlink((base + ".win").c_str());
    ::unlink((base + ".sock").c_str());
    ::unlink((base + ".devnotify").c_str());
    fs::remove_all(base + ".props", ec);
}

bool WindowRegistry::IsAlive(HWND hwnd)
{
    const std::string base = Base(hwnd);
    if (base.empty())
        return false;
    const std::string lockPath = base + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held)
    {
        // The owner is gone: its window goes with it.
        ::unlink(lockPath.c_str());
        Remove(hwnd);
    }
    ::close(fd);
    return held;
}

std::vector<HWND> WindowRegistry::LiveWindows()
{
    std::vector<HWND> handles;
    const std::string folder = Folder();
    if (folder.empty())
        return handles;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return handles;
    while (dirent* entry = ::readdir(dir))
    {
        const std::string name = entry->d_name;
        const auto dot = name.find('.');
        if (dot == std::string::npos || dot == 0 || name.substr(dot) != ".lock")
            continue;
        if (!std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(dot),
                         [](unsigned char c) { return std::isdigit(c); }))
            continue;
        handles.push_back(std::strtoull(name.c_str(), nullptr, 10));
    }
    ::closedir(dir);
    std::sort(handles.begin(), handles.end());
    std::erase_if(handles, [](HWND hwnd) { return !IsAlive(hwnd); });
    return handles;
}

std::optional<WindowRecord> WindowRegistry::Read(HWND hwnd)
{
    const std::string base = Base(hwnd);
    if (base.empty())
        return std::nullopt;
    const auto text = ReadFile(base + ".win");
    if (!text)
        return std::nullopt;
    WindowRecord record;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line))
    {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = Unescape(line.substr(eq + 1));
        if (key == "class")
            record.className = value;
        else if (key == "title")
            record.title = value;
        else if (key == "pid")
            record.ownerPid = std::atoi(value.c_str());
    }
    return record;
}

bool WindowRegistry::WriteRecord(HWND hwnd, const WindowRecord& record)
{
    const std::string base = Base(hwnd);
    if (base.empty())
        return false;
    const std::string text = "pid=" + std::to_string(record.ownerPid) +
                             "\nclass=" + Escape(record.className) +
                             "\ntitle=" + Escape(record.title) + "\n";
    return WriteSessionFile(base + ".win", text);
}

bool WindowRegistry::SetProp(HWND hwnd, const std::string& name, std::uint64_t value)
{
    if (name.empty() || !IsAlive(hwnd))
        return false;
    // The name as given follows the value, for listing; readers of the
    // value stop at the line break.
    return WriteSessionFile(PropFile(Base(hwnd), name), std::to_string(value) + "\n" + name);
}

std::vector<std::string> WindowRegistry::PropNames(HWND hwnd)
{
    std::vector<std::string> names;
    if (!IsAlive(hwnd))
        return names;
    const std::string folder = Base(hwnd) + ".props";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
    {
        const auto text = ReadFile(entry.path().string());
        const auto newline = text ? text->find('\n') : std::string::npos;
        if (newline == std::string::npos)
            continue;
        const std::string name = text->substr(newline + 1);
        // Files being written or taken away carry other names than their own.
        if (!name.empty() && PropFile(Base(hwnd), name) == entry.path().string())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::uint64_t WindowRegistry::GetProp(HWND hwnd, const std::string& name)
{
    if (name.empty() || !IsAlive(hwnd))
        return 0;
    const auto text = ReadFile(PropFile(Base(hwnd), name));
    return text ? std::strtoull(text->c_str(), nullptr, 10) : 0;
}

std::uint64_t WindowRegistry::RemoveProp(HWND hwnd, const std::string& name)
{
    if (name.empty() || !IsAlive(hwnd))
        return 0;
    // Taking the file away under a private name first makes the removal and
    // the read of the old value one step, also against a concurrent remover.
    const std::string path = PropFile(Base(hwnd), name);
    const std::string taken =
        path + ".taken" + std::to_string(::getpid()) + "-" +
        std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    if (::rename(path.c_str(), taken.c_str()) != 0)
        return 0;
    const auto text = ReadFile(taken);
    ::unlink(taken.c_str());
    return text ? std::strtoull(text->c_str(), nullptr, 10) : 0;
}

bool WindowRegistry::SetDeviceNotification(HWND hwnd, bool on)
{
    if (!IsAlive(hwnd))
        return false;
    const std::string path = Base(hwnd) + ".devnotify";
    if (!on)
        return ::unlink(path.c_str()) == 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool WindowRegistry::WantsDeviceNotification(HWND hwnd)
{
    const std::string base = Base(hwnd);
    return !base.empty() && ::access((base + ".devnotify").c_str(), F_OK) == 0;
}

} // namespace tavrel::detail
