// Requests that arrive at a window the way a careless or hostile local
// program sends them: announcing more than it sends, or stalling half-way.
#include "support/Sandbox.h"

#include "platform/Desktop.h"
#include "platform/linux/WireProtocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavrel::test
{

namespace
{

long PeakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// The other end closed (or reset) the connection without a word; false when
// it still says nothing after the read timeout.
bool HungUp(int fd)
{
    char byte = 0;
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    return n == 0 || (n < 0 && errno == ECONNRESET);
}

class Requests : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window = WindowEndpoint::Create("Frame", "",
                                          [this](const Message&, std::vector<std::uint8_t>&)
                                          {
                                              ++m_handled;
                                              return LRESULT(7);
                                          });
        ASSERT_TRUE(m_window);
    }

    // A raw connection to the window, as any program of ours could open it;
    // reads give up after three seconds.
    int Connect() const
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path =
            m_sandbox.RuntimeDir() + "/windows/" + std::to_string(m_window->Handle()) + ".sock";
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval limit{3, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }

    Sandbox m_sandbox;
    std::atomic<int> m_handled{0};
    std::unique_ptr<WindowEndpoint> m_window;
};

TEST_F(Requests, AnAnnouncedGigabyteIsRefusedBeforeAnythingIsStored)
{
    std::ofstream("/proc/self/clear_refs") << "5"; // peak memory starts afresh
    const long before = PeakResidentKb();
    for (const std::uint64_t announced : {std::uint64_t(1) << 30, std::uint64_t(2) << 20})
    {
        const int fd = Connect();
        detail::RequestHeader header;
        header.hwnd = m_window->Handle();
        header.message = WM_COPYDATA;
        header.flags = detail::kFlagCopyData;
        header.payloadSize = announced;
        ASSERT_EQ(::send(fd, &header, sizeof header, MSG_NOSIGNAL), ssize_t(sizeof header));
        // Hung up on at once, without an answer.
        EXPECT_TRUE(HungUp(fd)) << announced;
        ::close(fd);
    }
    EXPECT_LT(PeakResidentKb() - before, 64 * 1024);
    EXPECT_EQ(m_handled, 0);
    // A plain message may carry nothing at all.
    const int fd = Connect();
    detail::RequestHeader header;
    header.hwnd = m_window->Handle();
    header.message = WM_USER;
    header.payloadSize = 1;
    ASSERT_EQ(::send(fd, &header, sizeof header, MSG_NOSIGNAL), ssize_t(sizeof header));
    ::send(fd, "x", 1, MSG_NOSIGNAL); // may already meet a closed connection
    EXPECT_TRUE(HungUp(fd));
    ::close(fd);
    EXPECT_EQ(m_handled, 0);
}

TEST_F(Requests, ASenderThatStallsHoldsUpNobody)
{
    // Half a header, and then nothing for as long as the connection lasts.
    const int stalled = Connect();
    detail::RequestHeader header;
    ASSERT_EQ(::send(stalled, &header, sizeof header / 2, MSG_NOSIGNAL),
              ssize_t(sizeof header / 2));
    // From a thread of its own, as another program would, through the socket.
    SendResult sent;
    std::thread sender(
        [&]
        {
            sent = Desktop::SendMessage(m_window->Handle(), WM_USER, 0, 0, nullptr,
                                        std::chrono::seconds(3));
        });
    sender.join();
    EXPECT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 7);
    EXPECT_EQ(m_handled, 1);
    ::close(stalled);
}

} // namespace

} // namespace tavrel::test
