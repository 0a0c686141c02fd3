#include "support/OtherUser.h"
#include "support/Sandbox.h"

#include "platform/Desktop.h"
#include "platform/SharedSection.h"
#include "platform/linux/WireProtocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include <fcntl.h>
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

// What another user plants under the name of one of our sections: a header
// that passes for a live section, and pixels of their own.
int PlantSection(const std::string& object, mode_t mode)
{
    const int fd = ::open(object.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
    if (fd < 0 || ::fchmod(fd, mode) != 0 || ::ftruncate(fd, 64 + 4096) != 0)
        return 1;
    const std::uint32_t magic = 0x54565353;
    const std::int32_t livePid = 1;
    const std::uint64_t startTime = 0, size = 4096;
    ::pwrite(fd, &magic, 4, 0);
    ::pwrite(fd, &livePid, 4, 4);
    ::pwrite(fd, &startTime, 8, 8);
    ::pwrite(fd, &size, 8, 16);
    ::close(fd);
    return 0;
}

TEST(ForeignUser, SectionsOfAnotherUserAreNeverUsed)
{
    if (!CanActAsOtherUser())
        GTEST_SKIP() << "needs root to act as another user";
    Sandbox sandbox;
    for (const char* name : {"TavrelImage", "Tavrel_AppMpde"})
    {
        const std::string object = SectionObjectPath(name);
        for (mode_t mode : {mode_t(0666), mode_t(0600)})
        {
            ASSERT_EQ(RunAsOtherUser([&] { return PlantSection(object, mode); }), 0);
            SharedSection::Status status = SharedSection::Status::Created;
            EXPECT_FALSE(SharedSection::Create(name, 4096, &status));
            EXPECT_EQ(status, SharedSection::Status::NotOurs) << name << " " << mode;
            bool notOurs = false;
            EXPECT_FALSE(SharedSection::Open(name, &notOurs));
            EXPECT_TRUE(notOurs) << name << " " << mode;
            ::unlink(object.c_str());
        }
    }
}

} // namespace

} // namespace tavrel::test
