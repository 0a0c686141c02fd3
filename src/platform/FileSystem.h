#pragma once
// The file-system primitives that the file browser's copy, move and rename
// are made of. Each reports an errno value (0 on success) so the caller can
// word the failure for the user.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tavrel
{

struct EntryInfo
{
    bool isFolder = false;
    bool isLink = false;
    bool isRegular = false;
    std::uint64_t size = 0;
    std::uint64_t device = 0;
    std::int64_t modifiedTime = 0; // seconds since the epoch
    std::int64_t accessTime = 0;
    std::int64_t birthTime = -1; // -1 when the file system keeps none
    unsigned mode = 0;
};

// The entry itself (links are not followed); nullopt when it does not exist.
std::optional<EntryInfo> InspectEntry(const std::string& path);

// rename(2) that fails with EEXIST instead of replacing anything.
int RenameNoReplace(const std::string& from, const std::string& to);
// rename(2) that replaces a file at `to` in one step.
int RenameReplacing(const std::string& from, const std::string& to);

// Called with the bytes copied so far; returning false cancels.
using CopyProgress = std::function<bool(std::uint64_t bytes)>;

// Copies a regular file or a symbolic link into a hidden temporary name in
// the target folder, flushes it to disk and renames it into place (refusing
// an existing target unless `replace`). On failure or cancel (ECANCELED) the
// temporary is removed: the target is either complete or untouched.
int CopyEntryAtomically(const std::string& from, const std::string& to, bool replace,
                        const CopyProgress& progress);

// A hidden, unused name beside `target` for work in progress.
std::string TemporarySibling(const std::string& target);

int MakeFolder(const std::string& path);
// Removes a file, a link or a whole folder tree; 0 when it is gone.
int RemoveEntry(const std::string& path);
// fsync of a folder, so renames into it survive a crash.
int SyncFolder(const std::string& path);
// True for a folder or file that the file system stores compressed.
bool IsCompressedEntry(const std::string& path);

} // namespace tavrel
