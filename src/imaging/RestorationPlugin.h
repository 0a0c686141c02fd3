#pragma once
// Run-time binding of the restoration plug-in "Negative_Restoration.so".
//
// Search order: the folder of the running executable, the suite's library
// folder lib/tavrel beside that folder (the build tree and an installed suite
// are laid out alike), then the system's library search path (plain file
// name). $TAVREL_PLUGIN_DIR, when set, is the only folder searched: tests
// and packagers point at another build of the plug-in with it.

#include "imaging/ImageProfile.h"

#include <string>
#include <vector>

namespace tavrel
{

struct RestorationPluginBinding
{
    void* module = nullptr;
    RestorationFn restore = nullptr;
    SetCallBackFn setCallBack = nullptr;
};

constexpr const char* kRestorationPluginFile = "Negative_Restoration.so";
constexpr const char* kRestorationPluginDir = "lib/tavrel";

// Candidate names in search order; the last is the plain file name.
std::vector<std::string> RestorationPluginCandidates();

// Opens the first candidate that loads and looks both exports up by name. A
// missing library shows "Can't found Negative_Restoration.dll" and gives an
// empty binding; a missing export leaves its entry empty.
RestorationPluginBinding BindRestorationPlugin();

// Closes the module if one is held and empties it.
void ReleaseRestorationPlugin(void*& module);

} // namespace tavrel
