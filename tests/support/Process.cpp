#include "Process.h"

#include "Files.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tavrel::test
{

namespace
{

void SetError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

} // namespace

std::string Process::ProgramPath(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return name;
    const char* bin = std::getenv("TAVREL_BIN_DIR");
    return std::string(bin ? bin : ".") + "/" + name;
}

std::unique_ptr<Process> Process::Start(const std::string& program,
                                        const std::vector<std::string>& args,
                                        const Options& options, std::string* error)
{
    const std::string path = ProgramPath(program);
    if (::access(path.c_str(), X_OK) != 0)
    {
        SetError(error, "not an executable: " + path);
        return nullptr;
    }

    std::unique_ptr<Process> process(new Process());
    std::string dir = std::filesystem::temp_directory_path().string() + "/tavrel-proc-XXXXXX";
    if (!::mkdtemp(dir.data()))
    {
        SetError(error, "cannot create the output folder");
        return nullptr;
    }
    process->m_outDir = dir;
    process->m_outPath = dir + "/stdout";
    process->m_errPath = dir + "/stderr";

    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry; ++entry)
    {
        const char* eq = std::strchr(*entry, '=');
        if (eq)
            env[std::string(*entry, static_cast<std::size_t>(eq - *entry))] = eq + 1;
    }
    for (const auto& [key, value] : options.env)
        env[key] = value;
    std::vector<std::string> envStrings;
    for (const auto& [key, value] : env)
        envStrings.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (auto& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings{path};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, process->m_outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, process->m_errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!options.workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDir.c_str());

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
    {
        SetError(error, std::string("posix_spawn: ") + std::strerror(rc));
        return nullptr;
    }
    process->m_pid = pid;
    process->m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return process;
}

Process::~Process()
{
    if (m_pid > 0 && !m_exitCode)
    {
        ::kill(m_pid, SIGKILL);
        Reap(true);
    }
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    if (!m_outDir.empty())
    {
        std::error_code ec;
        std::filesystem::remove_all(m_outDir, ec);
    }
}

bool Process::Reap(bool block)
{
    if (m_exitCode)
        return true;
    int status = 0;
    pid_t rc;
    do
        rc = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    while (rc < 0 && errno == EINTR);
    if (rc != m_pid)
        return false;
    if (WIFSIGNALED(status))
    {
        m_termSignal = WTERMSIG(status);
        m_exitCode = 128 + m_termSignal;
    }
    else
    {
        m_exitCode = WEXITSTATUS(status);
    }
    return true;
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Reap(false))
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        if (m_pidFd >= 0)
        {
            pollfd fd{m_pidFd, POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        }
        else
        {
            ::usleep(5000);
        }
    }
    return m_exitCode;
}

bool Process::IsRunning()
{
    return !Reap(false);
}

void Process::Kill()
{
    if (!m_exitCode)
        ::kill(m_pid, SIGKILL);
}

void Process::Terminate()
{
    if (!m_exitCode)
        ::kill(m_pid, SIGTERM);
}

std::string Process::StdOut() const
{
    return ReadFile(m_outPath);
}

std::string Process::StdErr() const
{
    return ReadFile(m_errPath);
}

} // namespace tavrel::test
