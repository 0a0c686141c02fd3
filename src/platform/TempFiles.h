#pragma once
// GetTempPathW / GetTempFileNameW. The temporary folder is "tmp/" in the
// runtime directory, so that both programs of one session share it.

#include <string>

namespace tavrel
{

// The folder, with a trailing '/'; created when missing. "" on failure.
std::string GetTempPath();
// A unique "<prefix><hex>.tmp" in `folder`; with unique 0 the name is new and
// its empty file is created, as on Windows. "" on failure.
std::string GetTempFileName(const std::string& folder, const std::string& prefix = {},
                            unsigned unique = 0);

} // namespace tavrel
