#include "platform/Trash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

std::string ErrorText(const std::string& what, int err)
{
    return what + ": " + std::strerror(err);
}

bool MakeFolders(const std::string& path, mode_t mode)
{
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i)
    {
        if (i == path.size() || (path[i] == '/' && i > 0))
        {
            partial = path.substr(0, i);
            if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mount point holding `path`: the highest ancestor on the same device.
std::string TopDirectory(const std::string& path, dev_t device)
{
    std::string top = ParentOf(path);
    while (top != "/")
    {
        const std::string up = ParentOf(top);
        struct stat st;
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

bool OwnedPrivateFolder(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// $topdir/.Trash/$uid when the administrator provided a sticky, real .Trash;
// else $topdir/.Trash-$uid, made when missing. "" when neither can be used.
std::string VolumeTrash(const std::string& top)
{
    const std::string base = top == "/" ? "" : top;
    const std::string uid = std::to_string(::getuid());
    struct stat st;
    const std::string shared = base + "/.Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
    {
        const std::string mine = shared + "/" + uid;
        ::mkdir(mine.c_str(), 0700);
        if (OwnedPrivateFolder(mine))
            return mine;
    }
    const std::string own = base + "/.Trash-" + uid;
    ::mkdir(own.c_str(), 0700);
    return OwnedPrivateFolder(own) ? own : std::string();
}

std::string LocalTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

// "name", "name.2", "name.3", ... with the number before the extension, as
// the desktop's file managers name a second entry of the same name.
std::string NumberedName(const std::string& name, int number)
{
    if (number < 2)
        return name;
    const auto dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string ext = hasExtension ? name.substr(dot) : std::string();
    return stem + "." + std::to_string(number) + ext;
}

} // namespace

std::string HomeTrashFolder()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/.local/share/Trash";
}

std::string EncodeTrashPath(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path)
    {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~' || c == '/')
            out.push_back(static_cast<char>(c));
        else
        {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

TrashResult MoveToTrash(const std::string& givenPath)
{
    TrashResult result;
    std::string path = givenPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
    {
        result.error = ErrorText(givenPath, errno ? errno : ENOENT);
        return result;
    }
    if (path[0] != '/')
    {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd))
        {
            result.error = ErrorText(givenPath, errno);
            return result;
        }
        path = std::string(cwd) + "/" + path;
    }

    std::string trash = HomeTrashFolder();
    std::string recordedPath = path;
    struct stat trashSt;
    const bool homeReady = MakeFolders(trash + "/files", 0700) &&
                           MakeFolders(trash + "/info", 0700) &&
                           ::stat(trash.c_str(), &trashSt) == 0;
    if (!homeReady || trashSt.st_dev != st.st_dev)
    {
        // Another volume: its own trash, and a path relative to its top so
        // the entry restores wherever the volume is mounted next.
        const std::string top = TopDirectory(path, st.st_dev);
        trash = VolumeTrash(top);
        if (trash.empty() || !MakeFolders(trash + "/files", 0700) ||
            !MakeFolders(trash + "/info", 0700))
        {
            result.error = "no trash can be used on the volume of " + path;
            return result;
        }
        recordedPath = top == "/" ? path.substr(1) : path.substr(top.size() + 1);
    }

    const std::string name = path.substr(path.find_last_of('/') + 1);
    const std::string record = "[Trash Info]\nPath=" + EncodeTrashPath(recordedPath) +
                               "\nDeletionDate=" + LocalTimeText() + "\n";
    for (int number = 1; number < 10000; ++number)
    {
        const std::string entry = NumberedName(name, number);
        const std::string info = trash + "/info/" + entry + ".trashinfo";
        // The record is claimed first and exclusively: it reserves the name.
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
        {
            if (errno == EEXIST)
                continue;
            result.error = ErrorText(info, errno);
            return result;
        }
        const bool written = WriteAll(fd, record) && ::fsync(fd) == 0;
        ::close(fd);
        const std::string target = trash + "/files/" + entry;
        if (written &&
            ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        {
            result.ok = true;
            result.trashedPath = target;
            return result;
        }
        const int err = written ? errno : EIO;
        ::unlink(info.c_str());
        if (err == EEXIST)
            continue; // a stray file of that name without its record
        result.error = ErrorText(path, err);
        return result;
    }
    result.error = "too many entries named " + name + " in the trash";
    return result;
}

} // namespace tavrel
