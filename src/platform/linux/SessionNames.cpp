#include "platform/linux/SessionNames.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::detail
{

namespace
{

constexpr std::size_t kSecretLength = 32; // hex digits

bool ReadSecret(int fd, std::string* secret)
{
    struct stat st
    {
    };
    char text[kSecretLength] = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid() ||
        ::pread(fd, text, sizeof text, 0) != static_cast<ssize_t>(sizeof text))
        return false;
    secret->assign(text, sizeof text);
    return true;
}

// A random secret kept in the runtime directory, which only this user can
// read: it makes the names of sections and abstract sockets unguessable, so
// that another user cannot create them first.
std::string SessionSecret(const std::string& dir)
{
    const std::string path = JoinPath(dir, "session-key");
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
        {
            std::string secret;
            const bool ok = ReadSecret(fd, &secret);
            ::close(fd);
            if (ok)
                return secret;
            return {};
        }
        if (errno != ENOENT)
            return {};
        // Written whole under a private name and put into place without
        // replacing: a process starting at the same moment reads either none
        // or all of it, and both keep the first one.
        unsigned char random[kSecretLength / 2];
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            return {};
        char text[kSecretLength + 1];
        for (std::size_t i = 0; i < sizeof random; ++i)
            std::snprintf(text + 2 * i, 3, "%02x", random[i]);
        AtomicFile out(path, {.replace = false, .sync = false, .newFileMode = 0600});
        if (!out.Write(std::string_view(text, kSecretLength)) ||
            (!out.Commit() && out.Error() != EEXIST))
            return {};
    }
    return {};
}

} // namespace

std::string SessionKey()
{
    const std::string dir = RuntimeDirectory();
    if (dir.empty())
        return {};
    const std::string secret = SessionSecret(dir);
    if (secret.empty())
        return {};
    std::uint64_t hash = 0xcbf29ce484222325ull; // FNV-1a
    for (unsigned char c : dir + '\0' + secret)
    {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u-%016llx", static_cast<unsigned>(::getuid()),
                  static_cast<unsigned long long>(hash));
    return text;
}

std::string EncodeName(const std::string& name)
{
    std::string out;
    for (unsigned char c : name)
    {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (plain && !(out.empty() && c == '.'))
        {
            out += static_cast<char>(c);
        }
        else
        {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

namespace
{

struct ProcStat
{
    char state = '?';
    unsigned long long startTime = 0;
};

bool ReadProcStat(pid_t pid, ProcStat* out)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat))
        return false;
    // The command name may hold blanks and parentheses; the fields resume
    // after the last ')': the state, then the start time as the 20th after it.
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    fields >> out->state;
    for (int i = 0; i < 19 && fields >> field; ++i)
    {
    }
    try
    {
        out->startTime = std::stoull(field);
    }
    catch (...)
    {
        out->startTime = 0;
    }
    return true;
}

} // namespace

unsigned long long ProcessStartTime(pid_t pid)
{
    ProcStat stat;
    return ReadProcStat(pid, &stat) ? stat.startTime : 0;
}

bool ProcessAlive(pid_t pid, unsigned long long startTime)
{
    if (pid <= 0)
        return false;
    ProcStat stat;
    if (!ReadProcStat(pid, &stat))
        return ::kill(pid, 0) == 0 || errno == EPERM;
    // A zombie has ended; only its parent has not looked yet.
    if (stat.state == 'Z' || stat.state == 'X')
        return false;
    return startTime == 0 || stat.startTime == 0 || stat.startTime == startTime;
}

} // namespace tavrel::detail
