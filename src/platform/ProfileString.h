#pragma once
// INI files with the Windows profile-string semantics: a missing file, section
// or key gives the default; section and key names compare without regard to
// case; values are trimmed; a path without a folder is in the program folder.
// Writes replace the file atomically (temporary file, then rename), and
// refuse what would not read back as written: a line break anywhere, '=' in
// a key, ']' in a section name.

#include <string>

namespace tavrel
{

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& path);
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& path);
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path);

} // namespace tavrel
