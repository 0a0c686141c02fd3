#include "browser/FileProperties.h"

#include "browser/ShellNamespace.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/FileSystem.h"

#include <chrono>
#include <ctime>
#include <filesystem>

namespace tavrel
{

FileProperties ReadFileProperties(const std::string& path, int countLimitMs)
{
    FileProperties props;
    props.name = BaseName(path);
    props.folder = ParentPath(path);
    auto info = InspectEntry(path);
    if (info && info->isLink)
        if (auto folder = InspectEntry(path + "/."))
            info = folder; // a link to a folder shows the folder
    if (!info)
        return props;
    props.exists = true;
    props.isFolder = info->isFolder;
    props.size = info->size;
    props.modified = info->modifiedTime;
    props.accessed = info->accessTime;
    props.created = info->birthTime;
    if (props.isFolder)
    {
        namespace fs = std::filesystem;
        props.size = 0;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(countLimitMs);
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(
                 path, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        {
            if (std::chrono::steady_clock::now() > deadline)
            {
                props.countIncomplete = true;
                break;
            }
            if (it->is_symlink(ec))
                ++props.files;
            else if (it->is_directory(ec))
                ++props.folders;
            else
            {
                ++props.files;
                props.size += it->file_size(ec);
            }
        }
        return props;
    }
    props.formatCode = ImageFormatForName(props.name);
    if (props.formatCode != 0)
    {
        CDib picture;
        if (picture.LoadFile(path) && picture.HasPixels())
        {
            props.pictureRead = true;
            props.width = picture.Width();
            props.height = picture.Height();
            props.xDpi = picture.XResolution();
            props.yDpi = picture.YResolution();
        }
    }
    return props;
}

std::string FormatPropertyTime(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (seconds < 0 || !::localtime_r(&time, &local))
        return std::string();
    char text[40];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

} // namespace tavrel
