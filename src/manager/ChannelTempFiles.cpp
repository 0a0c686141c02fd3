#include "manager/ChannelTempFiles.h"

#include "platform/TempFiles.h"

#include <filesystem>
#include <regex>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

namespace fs = std::filesystem;

std::string ChannelPictureName(const std::string& uniqueName)
{
    return uniqueName + ".bmp";
}

std::string ChannelProfileName(const std::string& uniqueName)
{
    return uniqueName + "_cfg.xml";
}

bool IsChannelTempFile(const std::string& path, const std::string& tempFolder)
{
    if (path.empty() || tempFolder.empty() || path.front() != '/')
        return false;
    const fs::path p(path);
    static const std::regex kName(R"(^[0-9A-Za-z]+\.tmp(\.bmp|_cfg\.xml)$)");
    if (!std::regex_match(p.filename().string(), kName))
        return false;
    std::error_code ec;
    const fs::path parent = fs::weakly_canonical(p.parent_path(), ec);
    if (ec)
        return false;
    std::string folder = tempFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const fs::path temp = fs::weakly_canonical(fs::path(folder), ec);
    if (ec)
        return false;
    return parent == temp;
}

bool DeleteChannelTempFile(const std::string& path)
{
    if (!IsChannelTempFile(path, GetTempPath()))
        return false;
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return ::unlink(path.c_str()) == 0;
}

} // namespace tavrel
