#pragma once
// A real program started for a test: found by name in $TAVREL_BIN_DIR (or
// given as a path), its output captured in files, killed when the object goes.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace tavrel::test
{

class Process
{
public:
    struct Options
    {
        // Added to (or replacing in) the environment of this process.
        std::vector<std::pair<std::string, std::string>> env;
        // Empty: the current directory.
        std::string workingDir;
    };

    // Null when the program cannot be started; *error says why.
    static std::unique_ptr<Process> Start(const std::string& program,
                                          const std::vector<std::string>& args = {},
                                          const Options& options = {},
                                          std::string* error = nullptr);
    ~Process(); // kills and reaps a program still running

    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return m_pid; }
    // The exit code, or 128 + signal number when a signal ended it; nullopt
    // when it still runs at the deadline.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool IsRunning();
    // Signal number that ended the program, 0 if it exited or still runs.
    int TermSignal() const { return m_termSignal; }

    void Kill();      // SIGKILL
    void Terminate(); // SIGTERM

    std::string StdOut() const;
    std::string StdErr() const;
    const std::string& StdOutPath() const { return m_outPath; }
    const std::string& StdErrPath() const { return m_errPath; }

    // $TAVREL_BIN_DIR/<name>, or `name` itself when it holds a '/'.
    static std::string ProgramPath(const std::string& name);

private:
    Process() = default;
    bool Reap(bool block);

    pid_t m_pid = -1;
    int m_pidFd = -1;
    std::optional<int> m_exitCode;
    int m_termSignal = 0;
    std::string m_outDir;
    std::string m_outPath;
    std::string m_errPath;
};

} // namespace tavrel::test
