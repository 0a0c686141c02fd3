#include "Sandbox.h"

#include "platform/linux/SessionNames.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::test
{

namespace
{

std::optional<std::string> GetEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

void RestoreEnv(const char* name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

} // namespace

Sandbox::Sandbox() : m_oldRuntimeDir(GetEnv("TAVREL_RUNTIME_DIR")), m_oldHome(GetEnv("TAVREL_HOME"))
{
    std::string base = std::filesystem::temp_directory_path().string() + "/tavrel-test-XXXXXX";
    if (!::mkdtemp(base.data()))
        throw std::runtime_error("cannot create the sandbox root");
    m_root = base;
    m_runtimeDir = m_root + "/run";
    m_home = m_root + "/home";
    if (::mkdir(m_runtimeDir.c_str(), 0700) != 0 || ::mkdir(m_home.c_str(), 0755) != 0)
        throw std::runtime_error("cannot create the sandbox folders");
    std::error_code ec;
    m_oldCwd = std::filesystem::current_path(ec).string();
    ::setenv("TAVREL_RUNTIME_DIR", m_runtimeDir.c_str(), 1);
    ::setenv("TAVREL_HOME", m_home.c_str(), 1);
}

Sandbox::~Sandbox()
{
    // Sections of peers that were killed stay in /dev/shm until removed.
    const std::string key = detail::SessionKey();
    if (!key.empty())
    {
        std::error_code ec;
        const std::string prefix = "tavrel-" + key + "-";
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec))
        {
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                std::filesystem::remove(entry.path(), ec);
        }
    }
    RestoreEnv("TAVREL_RUNTIME_DIR", m_oldRuntimeDir);
    RestoreEnv("TAVREL_HOME", m_oldHome);
    std::error_code ec;
    // A test that made the program folder current must not leave us inside a
    // removed directory.
    if (!m_oldCwd.empty())
        std::filesystem::current_path(m_oldCwd, ec);
    std::filesystem::remove_all(m_root, ec);
}

std::string Sandbox::MessagesLog() const
{
    std::ifstream in(m_runtimeDir + "/messages.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace tavrel::test
