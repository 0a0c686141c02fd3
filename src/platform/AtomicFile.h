#pragma once
// Writing a file safely. The bytes go to a temporary file of our own beside
// the target, created exclusively (no two writers, threads or processes, ever
// share one) and locked while it is written; the commit flushes it to disk
// and renames it over the target in one step, so readers and crashes see the
// old file or the new one, never half of one. A writer killed mid-write
// leaves its temporary file behind; RemoveAbandonedTemporaries clears those.

#include <string>
#include <string_view>

#include <sys/types.h>

namespace tavrel
{

class AtomicFile
{
public:
    struct Options
    {
        // False: the commit never replaces an existing target (it fails with
        // EEXIST, and the caller may SetTarget another name and commit again).
        bool replace = true;
        // Flush the file to disk before the rename. Only state that dies with
        // the session anyway (the runtime directory) skips it.
        bool sync = true;
        // Also flush the folder after the rename, so that the new name itself
        // survives a power cut (pictures).
        bool syncFolder = false;
        // Mode of a new target before the umask; a replaced one keeps its own.
        mode_t newFileMode = 0666;
    };

    explicit AtomicFile(std::string target) : AtomicFile(std::move(target), Options{}) {}
    AtomicFile(std::string target, const Options& options);
    ~AtomicFile(); // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // False when no temporary file could be made beside the target (Error()).
    bool IsOpen() const { return m_fd >= 0; }
    // The temporary file, open for writing; writers that insist on opening a
    // name themselves use TempPath() (it exists, empty).
    int Descriptor() const { return m_fd; }
    const std::string& TempPath() const { return m_tempPath; }
    const std::string& Target() const { return m_target; }

    // Appends all of `bytes`; false on a write error.
    bool Write(std::string_view bytes);

    // Flushes the file to disk, gives it the mode and renames it to the
    // target. False on failure with Error() set; the file then stays
    // uncommitted (still removed by the destructor).
    bool Commit();
    // Another name in the same folder for the next Commit.
    void SetTarget(std::string target);

    // After the commit: the file's descriptor, still open and locked, for a
    // caller whose lock must outlive this object (it closes it then).
    int ReleaseDescriptor();

    // errno of the last failure, 0 when there was none.
    int Error() const { return m_error; }

private:
    bool Fail(int error);

    std::string m_target;
    std::string m_tempPath;
    Options m_options;
    int m_fd = -1;
    int m_error = 0;
    bool m_synced = false;
    bool m_committed = false;
};

// The whole of `bytes` as the new content of `path`. False on failure, with
// *error set to the reason and the old file untouched.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const AtomicFile::Options& options = {}, std::string* error = nullptr);

// True for the names AtomicFile gives its temporary files.
bool IsAtomicFileTemporary(std::string_view fileName);

// Removes, from `folder` only, the temporary files of writers that ended
// before committing (a crash, kill -9): files of our naming, owned by this
// user, that no writer holds. Returns how many were removed.
int RemoveAbandonedTemporaries(const std::string& folder);

} // namespace tavrel
