#pragma once
// A file written under a temporary name in the target's folder and renamed
// into place only when complete, so a failed or interrupted write never
// leaves a truncated file under the final name.

#include <string>

namespace tavrel
{

class CAtomicFile
{
public:
    explicit CAtomicFile(std::string finalPath);
    ~CAtomicFile(); // removes the temporary file unless committed
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // False when no temporary file could be created beside the target.
    bool IsOpen() const { return !m_tempPath.empty(); }
    // The writer opens this path itself (it exists, empty).
    const std::string& TempPath() const { return m_tempPath; }
    // Flushes the written file to disk and renames it to the final path.
    bool Commit();

private:
    std::string m_finalPath;
    std::string m_tempPath;
    bool m_committed = false;
};

} // namespace tavrel
