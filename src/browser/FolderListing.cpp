#include "browser/FolderListing.h"

#include <algorithm>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tavrel
{

namespace
{

bool NameLess(const FolderEntry& a, const FolderEntry& b)
{
    const std::size_t n = std::min(a.name.size(), b.name.size());
    for (std::size_t i = 0; i < n; ++i)
    {
        unsigned char ca = static_cast<unsigned char>(a.name[i]);
        unsigned char cb = static_cast<unsigned char>(b.name[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb)
            return ca < cb;
    }
    if (a.name.size() != b.name.size())
        return a.name.size() < b.name.size();
    return a.name < b.name;
}

} // namespace

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path, ListDetail detail)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return std::nullopt;
    const int dirFd = ::dirfd(dir);
    std::vector<FolderEntry> entries;
    while (const dirent* found = ::readdir(dir))
    {
        const char* name = found->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        FolderEntry entry;
        entry.name = name;
        entry.hidden = name[0] == '.';
        entry.isFolder = found->d_type == DT_DIR;
        const bool mustStat =
            detail == ListDetail::Full || found->d_type == DT_UNKNOWN || found->d_type == DT_LNK;
        if (mustStat)
        {
            struct stat st;
            // A link shows what it points at; a dangling one shows as a file.
            if (::fstatat(dirFd, name, &st, 0) == 0 ||
                ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            {
                entry.isFolder = S_ISDIR(st.st_mode);
                entry.size = std::uint64_t(st.st_size);
                entry.modifiedTime = st.st_mtim.tv_sec;
            }
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), NameLess);
    return entries;
}

std::string FormatFileSize(std::uint64_t length)
{
    char text[32];
    if (length < 1024ull)
        std::snprintf(text, sizeof text, "%lluB", static_cast<unsigned long long>(length));
    else if (length < 1024ull * 1024)
        std::snprintf(text, sizeof text, "%lluKB", static_cast<unsigned long long>(length / 1024));
    else if (length < 1024ull * 1024 * 1024)
        std::snprintf(text, sizeof text, "%lluMB",
                      static_cast<unsigned long long>(length / (1024 * 1024)));
    else
        std::snprintf(text, sizeof text, "%lluGB",
                      static_cast<unsigned long long>(length / (1024ull * 1024 * 1024)));
    return text;
}

std::string FormatFileDate(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!::localtime_r(&time, &local))
        return std::string();
    char text[40];
    std::strftime(text, sizeof text, "%Y/%m/%d/%H:%M:%S", &local);
    return text;
}

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return text;
}

} // namespace tavrel
