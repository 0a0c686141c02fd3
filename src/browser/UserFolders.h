#pragma once
// The user's special folders: the XDG user directories of the desktop
// session ($XDG_CONFIG_HOME/user-dirs.dirs), else the usual names in $HOME.

#include <string>

namespace tavrel
{

std::string UserPicturesFolder();
std::string UserDocumentsFolder();
std::string UserDesktopFolder();
// XDG_<key>_DIR from `dirsFile`, "$HOME" expanded; "" when absent.
std::string ReadUserDir(const std::string& dirsFile, const std::string& key,
                        const std::string& home);

} // namespace tavrel
