#pragma once
// A small namespace of ours in place of the Windows shell's: the desktop at
// the root, and under it My Documents, My Computer (the mounted volumes),
// the home folder, the places the tree leaves out by name (Network, Recycle
// Bin, Control Panel) and the desktop folder's own entries. Names come from
// the string table; a virtual place has no file-system path.

#include "browser/BrowserStrings.h"
#include "platform/Paths.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

enum class PlaceKind
{
    Desktop,
    Documents,
    Computer,
    Home,
    Network,
    RecycleBin,
    ControlPanel,
    Volume,
    Entry, // an ordinary file or folder
};

struct ShellItem
{
    PlaceKind kind = PlaceKind::Entry;
    std::string name; // display name; an entry's real file name
    std::string path; // "" for a virtual place
    bool isFolder = false;
    bool hasSubfolders = false;
    bool hidden = false;
    bool compressed = false;
    bool fileSystem = false;
};

struct ShellPaths
{
    std::string desktop;
    std::string documents;
    std::string home;
};

// The XDG desktop and documents folders and $HOME.
ShellPaths DefaultShellPaths();

// The folder part of a path ("/" for an entry of the root).
std::string ParentPath(const std::string& path);
// The last component.
std::string BaseName(const std::string& path);

class CShellNamespace
{
public:
    explicit CShellNamespace(TextLookup texts, ShellPaths paths = DefaultShellPaths());

    ShellItem Desktop() const;
    std::string DisplayName(PlaceKind kind) const;
    const ShellPaths& Paths() const { return m_paths; }

    // The children of a place or folder in enumeration order (the
    // desktop's places first, then entries by name); hidden entries are left
    // out, as the shell's enumeration does. With `testSubfolders` each
    // folder's hasSubfolders is found by reading it. May block on a slow
    // mount: call it away from the UI thread. nullopt when the folder
    // cannot be read.
    std::optional<std::vector<ShellItem>> EnumChildren(const ShellItem& parent,
                                                       bool testSubfolders) const;

    // An entry item for a path, with its attributes; nullopt when missing.
    std::optional<ShellItem> ItemForPath(const std::string& path) const;

    // Runs before every folder read, on the reading thread: lets a test hold
    // a read as a slow mount would.
    void SetReadHook(std::function<void(const std::string& path)> hook);

private:
    ShellItem Place(PlaceKind kind, std::string path) const;
    std::optional<std::vector<ShellItem>> ReadFolder(const std::string& path,
                                                     bool testSubfolders) const;

    TextLookup m_texts;
    ShellPaths m_paths;
    std::function<void(const std::string&)> m_readHook;
};

} // namespace tavrel
