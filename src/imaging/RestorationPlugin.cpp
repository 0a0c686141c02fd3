#include "imaging/RestorationPlugin.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include <dlfcn.h>

#include <cstdlib>

namespace tavrel
{

std::vector<std::string> RestorationPluginCandidates()
{
    std::vector<std::string> names;
    // A folder named on purpose is the only place looked at: another build
    // of the plug-in must not be taken silently in its stead.
    const char* override = std::getenv("TAVREL_PLUGIN_DIR");
    if (override != nullptr && *override != '\0')
        return {JoinPath(override, kRestorationPluginFile)};
    const std::string exeDir = tavrel::ExecutableFolder();
    if (!exeDir.empty())
    {
        names.push_back(JoinPath(exeDir, kRestorationPluginFile));
        names.push_back(JoinPath(JoinPath(exeDir, std::string("../") + kRestorationPluginDir),
                                 kRestorationPluginFile));
    }
    names.push_back(kRestorationPluginFile);
    return names;
}

RestorationPluginBinding BindRestorationPlugin()
{
    RestorationPluginBinding binding;
    for (const std::string& name : RestorationPluginCandidates())
    {
        binding.module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (binding.module != nullptr)
            break;
    }
    if (binding.module == nullptr)
    {
        // The design's text, kept as users and support know it.
        tavrel::AfxMessageBox("Can't found Negative_Restoration.dll");
        return binding;
    }
    binding.restore =
        reinterpret_cast<RestorationFn>(dlsym(binding.module, "Negative_Restoration"));
    binding.setCallBack = reinterpret_cast<SetCallBackFn>(dlsym(binding.module, "SetCallBack"));
    return binding;
}

void ReleaseRestorationPlugin(void*& module)
{
    if (module != nullptr)
    {
        dlclose(module);
        module = nullptr;
    }
}

} // namespace tavrel
