#include "browser/UserFolders.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <fstream>

#include <pwd.h>
#include <unistd.h>

namespace tavrel
{

namespace
{

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/";
}

std::string DirsFile(const std::string& home)
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
        return std::string(config) + "/user-dirs.dirs";
    return home + "/.config/user-dirs.dirs";
}

std::string SpecialFolder(const std::string& key, const std::string& fallbackName)
{
    const std::string home = HomeFolder();
    std::string dir = ReadUserDir(DirsFile(home), key, home);
    // The XDG rule: a directory equal to $HOME means "not configured".
    if (dir.empty() || dir == home || dir == home + "/")
        return JoinPath(home, fallbackName);
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

} // namespace

std::string ReadUserDir(const std::string& dirsFile, const std::string& key,
                        const std::string& home)
{
    std::ifstream in(dirsFile);
    const std::string name = "XDG_" + key + "_DIR=";
    std::string line;
    std::string found;
    while (std::getline(in, line))
    {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, name.size(), name) != 0)
            continue;
        std::string value = line.substr(start + name.size());
        if (value.size() >= 2 && value.front() == '"')
        {
            const auto close = value.find('"', 1);
            value = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        }
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        if (!value.empty() && value.front() == '/')
            found = value; // the last assignment wins, as in a shell
    }
    return found;
}

std::string UserPicturesFolder()
{
    return SpecialFolder("PICTURES", "Pictures");
}

std::string UserDocumentsFolder()
{
    return SpecialFolder("DOCUMENTS", "Documents");
}

std::string UserDesktopFolder()
{
    return SpecialFolder("DESKTOP", "Desktop");
}

} // namespace tavrel
