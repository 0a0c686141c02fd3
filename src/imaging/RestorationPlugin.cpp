#include "imaging/RestorationPlugin.h"

#include "platform/MessageBox.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

namespace
{

std::string ExecutableDirectory()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return {};
    std::string path(buffer, std::size_t(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

std::vector<std::string> RestorationPluginCandidates()
{
    std::vector<std::string> names;
    const char* override = std::getenv("TAVREL_PLUGIN_DIR");
    if (override != nullptr && *override != '\0')
        names.push_back(std::string(override) + "/" + kRestorationPluginFile);
    const std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty())
        names.push_back(exeDir + "/" + kRestorationPluginFile);
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
