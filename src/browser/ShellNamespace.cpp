#include "browser/ShellNamespace.h"

#include "browser/FolderListing.h"
#include "browser/UserFolders.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"

#include <cstdlib>

#include <dirent.h>

namespace tavrel
{

namespace
{

// Reads until the first visible subfolder: enough for an expand button.
bool HasVisibleSubfolder(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (!found)
    {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        if (entry->d_name[0] == '.')
            continue;
        if (entry->d_type == DT_DIR)
            found = true;
        else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
        {
            const auto info = InspectEntry(JoinPath(path, entry->d_name));
            found = info && info->isFolder;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

ShellPaths DefaultShellPaths()
{
    ShellPaths paths;
    paths.desktop = UserDesktopFolder();
    paths.documents = UserDocumentsFolder();
    const char* home = std::getenv("HOME");
    paths.home = home && *home ? home : "/";
    return paths;
}

std::string ParentPath(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

CShellNamespace::CShellNamespace(TextLookup texts, ShellPaths paths)
    : m_texts(std::move(texts)), m_paths(std::move(paths))
{
}

std::string CShellNamespace::DisplayName(PlaceKind kind) const
{
    switch (kind)
    {
    case PlaceKind::Desktop:
        return m_texts(ids::kDesktop);
    case PlaceKind::Documents:
        return m_texts(ids::kDocuments);
    case PlaceKind::Computer:
        return m_texts(ids::kComputer);
    case PlaceKind::Home:
        return m_texts(ids::kHome);
    case PlaceKind::Network:
        return m_texts(ids::kNetwork);
    case PlaceKind::RecycleBin:
        return m_texts(ids::kRecycleBin);
    case PlaceKind::ControlPanel:
        return m_texts(ids::kControlPanel);
    default:
        return std::string();
    }
}

ShellItem CShellNamespace::Place(PlaceKind kind, std::string path) const
{
    ShellItem item;
    item.kind = kind;
    item.name = DisplayName(kind);
    item.fileSystem = !path.empty();
    item.path = std::move(path);
    item.isFolder = true;
    item.hasSubfolders =
        kind == PlaceKind::Desktop || kind == PlaceKind::Computer || item.fileSystem;
    return item;
}

ShellItem CShellNamespace::Desktop() const
{
    return Place(PlaceKind::Desktop, m_paths.desktop);
}

void CShellNamespace::SetReadHook(std::function<void(const std::string&)> hook)
{
    m_readHook = std::move(hook);
}

std::optional<ShellItem> CShellNamespace::ItemForPath(const std::string& path) const
{
    const auto info = InspectEntry(path);
    if (!info)
        return std::nullopt;
    ShellItem item;
    item.name = BaseName(path);
    item.path = path;
    item.fileSystem = true;
    item.hidden = !item.name.empty() && item.name[0] == '.';
    item.isFolder = info->isFolder;
    if (info->isLink)
    {
        const auto target = InspectEntry(path + "/.");
        item.isFolder = target && target->isFolder;
    }
    if (item.isFolder)
        item.compressed = IsCompressedEntry(path);
    return item;
}

std::optional<std::vector<ShellItem>> CShellNamespace::ReadFolder(const std::string& path,
                                                                  bool testSubfolders) const
{
    if (m_readHook)
        m_readHook(path);
    const auto listing = ListFolder(path, ListDetail::Kinds);
    if (!listing)
        return std::nullopt;
    std::vector<ShellItem> items;
    for (const FolderEntry& entry : *listing)
    {
        if (entry.hidden)
            continue;
        ShellItem item;
        item.name = entry.name;
        item.path = JoinPath(path, entry.name);
        item.isFolder = entry.isFolder;
        item.fileSystem = true;
        if (item.isFolder)
        {
            item.compressed = IsCompressedEntry(item.path);
            item.hasSubfolders = !testSubfolders || HasVisibleSubfolder(item.path);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<std::vector<ShellItem>> CShellNamespace::EnumChildren(const ShellItem& parent,
                                                                    bool testSubfolders) const
{
    switch (parent.kind)
    {
    case PlaceKind::Desktop:
    {
        std::vector<ShellItem> items;
        items.push_back(Place(PlaceKind::Documents, m_paths.documents));
        items.push_back(Place(PlaceKind::Computer, {}));
        items.push_back(Place(PlaceKind::Home, m_paths.home));
        items.push_back(Place(PlaceKind::Network, {}));
        items.push_back(Place(PlaceKind::RecycleBin, {}));
        for (ShellItem& item : items)
            item.hasSubfolders =
                item.kind != PlaceKind::Network && item.kind != PlaceKind::RecycleBin;
        // A desktop folder that does not exist is an empty desktop.
        if (auto entries = ReadFolder(m_paths.desktop, testSubfolders))
            for (ShellItem& entry : *entries)
                items.push_back(std::move(entry));
        return items;
    }
    case PlaceKind::Computer:
    {
        std::vector<ShellItem> items;
        for (const Volume& volume : ListVolumes())
        {
            ShellItem item = Place(PlaceKind::Volume, volume.mountPoint);
            item.name =
                volume.mountPoint == "/" ? m_texts(ids::kRootVolume) : BaseName(volume.mountPoint);
            items.push_back(std::move(item));
        }
        items.push_back(Place(PlaceKind::ControlPanel, {}));
        items.back().hasSubfolders = false;
        return items;
    }
    case PlaceKind::Network:
    case PlaceKind::RecycleBin:
    case PlaceKind::ControlPanel:
        return std::vector<ShellItem>();
    default:
        if (parent.path.empty())
            return std::nullopt;
        return ReadFolder(parent.path, testSubfolders);
    }
}

} // namespace tavrel
