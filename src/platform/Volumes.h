#pragma once
// The mounted volumes a user browses: the root file system and the mounts
// that file managers show (removable media, /mnt, mounts in the home folder),
// without the kernel's and the system's own file systems.

#include <string>
#include <vector>

namespace tavrel
{

struct Volume
{
    std::string mountPoint;
    std::string fsType;
    std::string source; // the device or remote name
};

// In mount order, the root first.
std::vector<Volume> ListVolumes();
// The same from the text of a mountinfo file (tests, other sources).
std::vector<Volume> ParseVolumes(const std::string& mountInfo, const std::string& home);

} // namespace tavrel
