// INI string fuzz target: the input is a file, then (after \1 bytes) a
// section, a key and a value. Reads never fail on the file; a write that is
// accepted reads back as the value the file then holds, and leaves the other
// entries of the file as they read before.
#include "../../shared/fuzz/FuzzFile.h"

#include "platform/ProfileString.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace
{

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// What reading gives for a value: trimmed, one pair of quotes taken off.
std::string AsRead(const std::string& value)
{
    std::string text = Trim(value);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

const std::string& FilePath()
{
    static const tavrel::fuzz::ScratchFolder folder;
    static const std::string path = folder.Path("fuzz.ini");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i)
    {
        if (data[i] == 1 && parts.size() < 4)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    parts.resize(4);
    const std::string& path = FilePath();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << parts[0];
    const std::string& section = parts[1];
    const std::string& key = parts[2];
    const std::string& value = parts[3];

    (void)tavrel::GetPrivateProfileInt(section, key, 7, path);
    const std::string before = tavrel::GetPrivateProfileString(section, "other", "\2", path);
    if (!tavrel::WritePrivateProfileString(section, key, value, path))
        return 0;
    Check(tavrel::GetPrivateProfileString(section, key, "\2", path) == AsRead(value));
    std::string lower = Trim(key);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != "other")
        Check(tavrel::GetPrivateProfileString(section, "other", "\2", path) == before);
    return 0;
}
