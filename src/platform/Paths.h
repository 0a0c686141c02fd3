#pragma once
// The program folder and the runtime directory.
//
// Program folder: $TAVREL_HOME, else $XDG_DATA_HOME/tavrel, else
// ~/.local/share/tavrel. Both the design's "current directory" and its
// "module folder" mean this folder.
// Runtime directory: $TAVREL_RUNTIME_DIR, else $XDG_RUNTIME_DIR/tavrel, else
// /tmp/tavrel-<uid>; created 0700 and refused when another user owns it.

#include <string>

namespace tavrel
{

// "folder/name" with one '/' between them; the name alone for an empty folder.
// Every path we build from a folder and a name goes through here.
std::string JoinPath(const std::string& folder, const std::string& name);

std::string ProgramFolder();
// Folder of the running executable.
std::string ExecutableFolder();
// The installed defaults: $TAVREL_SHARE_DIR, else <executable>/../share/tavrel.
std::string ShareFolder();
// Creates the program folder, copies each default that is missing (never
// overwriting the user's) and makes it the current directory.
bool PrepareProgramFolder(std::string* error = nullptr);

// "" with *error set when the directory cannot be made safe.
std::string RuntimeDirectory(std::string* error = nullptr);

} // namespace tavrel
