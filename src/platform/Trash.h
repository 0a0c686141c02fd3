#pragma once
// Deleting to the desktop's trash, as the freedesktop.org trash
// specification lays it out: the home trash ($XDG_DATA_HOME/Trash) for files
// on its volume, else the volume's own $topdir/.Trash/$uid or
// $topdir/.Trash-$uid. Entries are renamed, never copied, so a file is either
// in its folder or in the trash with its ".trashinfo" record.

#include <string>

namespace tavrel
{

struct TrashResult
{
    bool ok = false;
    std::string error;       // why nothing was moved
    std::string trashedPath; // where the entry now lies
};

[[nodiscard]] TrashResult MoveToTrash(const std::string& path);

// $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
std::string HomeTrashFolder();

// The Path= value of a trash record: bytes outside the URI's unreserved set
// and "/" percent-encoded.
std::string EncodeTrashPath(const std::string& path);

} // namespace tavrel
