#pragma once
// The temporary files of the picture channel. A descriptor names two paths
// that the manager deletes after storing; only files that the sender's rule
// makes ("<unique>.tmp.bmp" and "<unique>.tmp_cfg.xml" in the session's
// temporary folder) are ever deleted, whatever path a sender names.

#include <string>

namespace tavrel
{

// "<name>.bmp" / "<name>_cfg.xml" of a unique temporary file name.
std::string ChannelPictureName(const std::string& uniqueName);
std::string ChannelProfileName(const std::string& uniqueName);

// True when `path` is one of the channel's names inside `tempFolder`.
bool IsChannelTempFile(const std::string& path, const std::string& tempFolder);
// Deletes `path` when it is a channel file in the session's temporary folder;
// false when it was not deleted (not a channel file, or already gone).
bool DeleteChannelTempFile(const std::string& path);

} // namespace tavrel
