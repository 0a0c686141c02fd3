// Test peer: performs the actions named on its command line, prints what
// happened, then serves its windows until WM_CLOSE (or until killed).
//
//   window <class> <title>     serve a window (handlers below)
//   prop <name> <value>        SetProp on the last window
//   devnotify                  register the last window for device changes
//   semaphore <name>           hold a named semaphore
//   section <name> <size> <b>  create a section filled with byte b
//   exit                       leave after the actions instead of serving
//
// Handlers log "<message> <wParam> <lParam>" lines to <runtime>/peer.log.

#include "platform/Desktop.h"
#include "platform/MessageLoop.h"
#include "platform/NamedSemaphore.h"
#include "platform/Paths.h"
#include "platform/SharedSection.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace tavrel;

namespace
{

constexpr UINT kMsgDouble = WM_USER + 1;
constexpr UINT kMsgCallBack = WM_USER + 2; // sends kMsgDouble to class "TestHost"

void Log(const Message& message)
{
    std::ofstream out(RuntimeDirectory() + "/peer.log", std::ios::app);
    out << message.message << ' ' << message.wParam << ' ' << message.lParam << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    MessageLoop loop;
    std::vector<std::unique_ptr<WindowEndpoint>> windows;
    std::vector<std::unique_ptr<NamedSemaphore>> semaphores;
    std::vector<std::unique_ptr<SharedSection>> sections;
    bool serve = true;

    auto handler = [&loop](const Message& message, std::vector<std::uint8_t>& reply) -> LRESULT
    {
        Log(message);
        switch (message.message)
        {
        case WM_CLOSE:
            loop.Quit(0);
            return 0;
        case kMsgDouble:
            return static_cast<LRESULT>(message.wParam * 2);
        case kMsgCallBack:
        {
            const HWND host = Desktop::FindWindow("TestHost");
            const SendResult sent = Desktop::SendMessage(host, kMsgDouble, message.wParam);
            return sent.delivered ? sent.result + 1 : -1;
        }
        case WM_COPYDATA:
            if (!message.copyData)
                return -1;
            reply.assign(message.copyData->bytes.rbegin(), message.copyData->bytes.rend());
            return static_cast<LRESULT>(message.copyData->kind + message.copyData->bytes.size());
        default:
            return 0;
        }
    };

    for (int i = 1; i < argc; ++i)
    {
        const std::string action = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (action == "window")
        {
            const std::string className = next();
            const std::string title = next();
            auto window = WindowEndpoint::Create(className, title, handler, loop.Dispatcher());
            if (!window)
            {
                std::printf("window failed\n");
                return 2;
            }
            std::printf("window %llu\n", static_cast<unsigned long long>(window->Handle()));
            windows.push_back(std::move(window));
        }
        else if (action == "prop" && !windows.empty())
        {
            const std::string name = next();
            const std::uint64_t value = std::strtoull(next().c_str(), nullptr, 10);
            std::printf("prop %d\n", Desktop::SetProp(windows.back()->Handle(), name, value));
        }
        else if (action == "devnotify" && !windows.empty())
        {
            std::printf("devnotify %d\n",
                        Desktop::RegisterDeviceNotification(windows.back()->Handle()));
        }
        else if (action == "semaphore")
        {
            NamedSemaphore::Status status;
            auto semaphore = NamedSemaphore::Create(next(), &status);
            std::printf("semaphore %s\n", status == NamedSemaphore::Status::Created ? "created"
                                          : status == NamedSemaphore::Status::AlreadyExists
                                              ? "exists"
                                              : "failed");
            semaphores.push_back(std::move(semaphore));
        }
        else if (action == "section")
        {
            const std::string name = next();
            const std::size_t size = std::strtoull(next().c_str(), nullptr, 10);
            const int fill = std::atoi(next().c_str());
            SharedSection::Status status;
            auto section = SharedSection::Create(name, size, &status);
            if (section && section->Map())
                std::memset(section->Map(), fill, section->Size());
            std::printf("section %s\n", status == SharedSection::Status::Created ? "created"
                                        : status == SharedSection::Status::AlreadyExists
                                            ? "exists"
                                            : "failed");
            sections.push_back(std::move(section));
        }
        else if (action == "exit")
        {
            serve = false;
        }
        else
        {
            std::printf("unknown %s\n", action.c_str());
            return 2;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return serve ? loop.Run() : 0;
}
