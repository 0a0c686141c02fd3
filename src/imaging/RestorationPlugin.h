#pragma once
// Run-time binding of the restoration plug-in "Negative_Restoration.so".
//
// Search order: $TAVREL_PLUGIN_DIR (when set; lets tests and packagers point
// at another build of the plug-in), the folder of the running executable,
// then the system's library search path (plain file name).

#include "imaging/ImageProfile.h"

#include <string>
#include <vector>

struct RestorationPluginBinding
{
    void* module = nullptr;
    RestorationFn restore = nullptr;
    SetCallBackFn setCallBack = nullptr;
};

constexpr const char* kRestorationPluginFile = "Negative_Restoration.so";

// Candidate names in search order; the last is the plain file name.
std::vector<std::string> RestorationPluginCandidates();

// Opens the first candidate that loads and looks both exports up by name. A
// missing library shows "Can't found Negative_Restoration.dll" and gives an
// empty binding; a missing export leaves its entry empty.
RestorationPluginBinding BindRestorationPlugin();

// Closes the module if one is held and empties it.
void ReleaseRestorationPlugin(void*& module);
