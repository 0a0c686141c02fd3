#include "platform/Volumes.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace tavrel
{

namespace
{

// mountinfo escapes blanks and backslashes in octal.
std::string Unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i)
    {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3')
        {
            out.push_back(static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8)));
            i += 3;
        }
        else
            out.push_back(field[i]);
    }
    return out;
}

bool StartsWith(const std::string& text, const std::string& head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool UserVisible(const std::string& mountPoint, const std::string& fsType, const std::string& home)
{
    static const std::set<std::string> kSystemTypes = {
        "proc",        "sysfs",    "devtmpfs",    "devpts",    "tmpfs",
        "securityfs",  "cgroup",   "cgroup2",     "pstore",    "bpf",
        "debugfs",     "tracefs",  "mqueue",      "hugetlbfs", "configfs",
        "fusectl",     "autofs",   "binfmt_misc", "efivarfs",  "rpc_pipefs",
        "nsfs",        "overlay",  "squashfs",    "ramfs",     "fuse.gvfsd-fuse",
        "fuse.portal", "selinuxfs"};
    if (kSystemTypes.count(fsType))
        return false;
    return StartsWith(mountPoint, "/media/") || StartsWith(mountPoint, "/run/media/") ||
           StartsWith(mountPoint, "/mnt/") ||
           (!home.empty() && home != "/" && StartsWith(mountPoint, home + "/"));
}

} // namespace

std::vector<Volume> ParseVolumes(const std::string& mountInfo, const std::string& home)
{
    std::vector<Volume> volumes;
    std::set<std::string> seen;
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line))
    {
        // id parent major:minor root mountpoint options [optional...] - type source super
        std::istringstream fields(line);
        std::string id, parent, devno, root, mountPoint, options, field;
        if (!(fields >> id >> parent >> devno >> root >> mountPoint >> options))
            continue;
        while (fields >> field && field != "-")
        {
        }
        std::string fsType, source;
        fields >> fsType >> source;
        mountPoint = Unescape(mountPoint);
        if (!seen.insert(mountPoint).second)
            continue;
        if (mountPoint == "/")
            volumes.insert(volumes.begin(), Volume{mountPoint, fsType, Unescape(source)});
        else if (UserVisible(mountPoint, fsType, home))
            volumes.push_back(Volume{mountPoint, fsType, Unescape(source)});
    }
    if (volumes.empty() || volumes.front().mountPoint != "/")
        volumes.insert(volumes.begin(), Volume{"/", "", ""});
    return volumes;
}

std::vector<Volume> ListVolumes()
{
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    const char* home = std::getenv("HOME");
    return ParseVolumes(text.str(), home ? home : "");
}

} // namespace tavrel
