#include "platform/Paths.h"

#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel
{

namespace
{

std::string EnvOrEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void SetError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

// Copies one default into place: neither a crash nor a concurrent start
// leaves half a file, and a file the user already has is never replaced.
bool CopyMissing(const fs::path& from, const fs::path& to, std::string* error)
{
    std::ifstream in(from, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in || in.bad())
    {
        SetError(error, "cannot copy " + from.string());
        return false;
    }
    AtomicFile file(to.string(), {.replace = false});
    if (file.IsOpen() && file.Write(bytes.str()) && file.Commit())
        return true;
    if (file.Error() == EEXIST)
        return true;
    SetError(error, "cannot place " + to.string() + ": " + std::strerror(file.Error()));
    return false;
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string ProgramFolder()
{
    std::string home = EnvOrEmpty("TAVREL_HOME");
    if (!home.empty())
        return home;
    std::string data = EnvOrEmpty("XDG_DATA_HOME");
    if (!data.empty())
        return data + "/tavrel";
    std::string user = EnvOrEmpty("HOME");
    if (user.empty())
        user = "/tmp";
    return user + "/.local/share/tavrel";
}

std::string ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return ".";
    return exe.parent_path().string();
}

std::string ShareFolder()
{
    std::string share = EnvOrEmpty("TAVREL_SHARE_DIR");
    if (!share.empty())
        return share;
    return (fs::path(ExecutableFolder()).parent_path() / "share" / "tavrel").string();
}

bool PrepareProgramFolder(std::string* error)
{
    const fs::path folder = ProgramFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec))
    {
        SetError(error, "cannot create the program folder " + folder.string());
        return false;
    }

    const fs::path share = ShareFolder();
    bool ok = true;
    if (fs::is_directory(share, ec))
    {
        for (auto it = fs::recursive_directory_iterator(share, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        {
            const fs::path relative = fs::relative(it->path(), share, ec);
            const fs::path target = folder / relative;
            if (it->is_directory(ec))
            {
                fs::create_directories(target, ec);
                ec.clear();
            }
            else if (it->is_regular_file(ec) && !fs::exists(fs::symlink_status(target, ec)))
            {
                ok = CopyMissing(it->path(), target, error) && ok;
            }
        }
    }

    if (::chdir(folder.c_str()) != 0)
    {
        SetError(error, "cannot enter the program folder " + folder.string());
        return false;
    }
    return ok;
}

std::string RuntimeDirectory(std::string* error)
{
    std::string dir = EnvOrEmpty("TAVREL_RUNTIME_DIR");
    if (dir.empty())
    {
        const std::string xdg = EnvOrEmpty("XDG_RUNTIME_DIR");
        dir = xdg.empty() ? "/tmp/tavrel-" + std::to_string(::getuid()) : xdg + "/tavrel";
    }

    std::error_code ec;
    const fs::path parent = fs::path(dir).parent_path();
    if (!parent.empty())
        fs::create_directories(parent, ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
    {
        SetError(error, "cannot create the runtime directory " + dir + ": " + std::strerror(errno));
        return {};
    }

    // Opened without following a link, so that the checks and the repair
    // apply to the very directory we use.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
    {
        SetError(error, "runtime directory " + dir + " is not a directory");
        return {};
    }
    struct stat st
    {
    };
    const bool statOk = ::fstat(fd, &st) == 0;
    if (!statOk || st.st_uid != ::getuid())
    {
        ::close(fd);
        SetError(error, "runtime directory " + dir + " belongs to another user");
        return {};
    }
    if ((st.st_mode & 0077) != 0 && ::fchmod(fd, 0700) != 0)
    {
        ::close(fd);
        SetError(error, "cannot restrict the runtime directory " + dir);
        return {};
    }
    ::close(fd);
    return dir;
}

} // namespace tavrel
