#include "Programs.h"

#include "platform/Desktop.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

ToolRun RunProgram(const std::string& name, const std::vector<std::string>& args)
{
    ToolRun run;
    std::string error;
    auto process = Process::Start(name, args, {}, &error);
    EXPECT_NE(process, nullptr) << error;
    if (!process)
        return run;
    run.exitCode = process->WaitForExit().value_or(-1);
    run.out = process->StdOut();
    run.err = process->StdErr();
    return run;
}

std::unique_ptr<Process> StartProgram(const std::string& name, const std::vector<std::string>& args,
                                      const Process::Options& options)
{
    Process::Options simulated = options;
    simulated.env.emplace_back("TAVREL_SCANNER", "simulated");
    std::string error;
    auto process = Process::Start(name, args, simulated, &error);
    EXPECT_NE(process, nullptr) << error;
    return process;
}

HWND WaitForWindow(const std::string& className, const std::optional<std::string>& title,
                   std::chrono::milliseconds timeout)
{
    HWND found = 0;
    WaitFor([&] { return (found = Desktop::FindWindow(className, title)) != 0; }, timeout);
    return found;
}

} // namespace tavrel::test
