#include "support/Sandbox.h"

#include "platform/Desktop.h"
#include "platform/linux/WireProtocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrel::test
{

namespace
{

// Exit codes of the child: 0 refused, 1 answered, 2 could not connect.
int SendAsOtherUser(const std::string& socketPath, HWND hwnd)
{
    const pid_t child = ::fork();
    if (child == 0)
    {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            ::_exit(2);
        detail::RequestHeader header;
        header.hwnd = hwnd;
        header.message = WM_USER;
        // A refusal may already show here, as a connection closed under us.
        if (::send(fd, &header, sizeof header, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof header))
            ::_exit(0);
        detail::ReplyHeader reply;
        const ssize_t n = ::read(fd, &reply, sizeof reply);
        ::_exit(n > 0 ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ForeignUser, MessagesFromAnotherUserAreRefused)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    Sandbox sandbox;
    std::atomic<int> handled{0};
    auto window = WindowEndpoint::Create("Frame", "",
                                         [&](const Message&, std::vector<std::uint8_t>&) -> LRESULT
                                         {
                                             ++handled;
                                             return 1;
                                         });
    ASSERT_TRUE(window);
    const std::string socketPath =
        sandbox.RuntimeDir() + "/windows/" + std::to_string(window->Handle()) + ".sock";

    // Open the way to the socket, so that only the credential check stands
    // between the other user and the window.
    for (const std::string& dir :
         {sandbox.Root(), sandbox.RuntimeDir(), sandbox.RuntimeDir() + "/windows"})
        ASSERT_EQ(::chmod(dir.c_str(), 0711), 0);
    ASSERT_EQ(::chmod(socketPath.c_str(), 0777), 0);

    EXPECT_EQ(SendAsOtherUser(socketPath, window->Handle()), 0);
    EXPECT_EQ(handled, 0);
    // Our own user still gets through.
    EXPECT_TRUE(Desktop::SendMessage(window->Handle(), WM_USER).delivered);
    EXPECT_EQ(handled, 1);
}

} // namespace

} // namespace tavrel::test
