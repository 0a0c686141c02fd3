#include "PeerFixture.h"

#include "platform/Desktop.h"
#include "platform/MessageLoop.h"

#include <atomic>
#include <csignal>
#include <numeric>
#include <thread>

namespace tavrel::test
{

namespace
{

class DesktopAcrossProcesses : public PeerTest
{
};

TEST_F(DesktopAcrossProcesses, WindowOfAnotherProcessIsFoundWithItsProperties)
{
    auto peer = StartPeer({"window", "PeerClass", "Peer Title", "prop", "TAVREL_MARK", "7"});
    ASSERT_TRUE(peer);
    EXPECT_TRUE(Reported(*peer, "prop 1"));

    const HWND hwnd = Desktop::FindWindow("peerclass");
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(Desktop::FindWindow("PeerClass", std::string("Peer Title")), hwnd);
    EXPECT_EQ(Desktop::FindWindow("PeerClass", std::string("Other")), 0u);
    EXPECT_EQ(Desktop::GetClassName(hwnd), "PeerClass");
    EXPECT_EQ(Desktop::GetWindowText(hwnd), "Peer Title");
    EXPECT_EQ(Desktop::GetProp(hwnd, "tavrel_mark"), 7u);

    bool walked = false;
    for (HWND h = Desktop::GetFirstWindow(); Desktop::IsWindow(h); h = Desktop::GetNextWindow(h))
        walked = walked || h == hwnd;
    EXPECT_TRUE(walked);

    // A property set here is seen by the owner's side at once.
    EXPECT_TRUE(Desktop::SetProp(hwnd, "Other", 3));
    EXPECT_EQ(Desktop::RemoveProp(hwnd, "OTHER"), 3u);
    EXPECT_EQ(Desktop::GetProp(hwnd, "Other"), 0u);
}

TEST_F(DesktopAcrossProcesses, SendReturnsAfterTheHandlerRan)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");
    ASSERT_NE(hwnd, 0u);

    const SendResult sent = Desktop::SendMessage(hwnd, kMsgDouble, 21, -5);
    EXPECT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 42);
    EXPECT_NE(PeerLog().find(std::to_string(kMsgDouble) + " 21 -5\n"), std::string::npos);
}

TEST_F(DesktopAcrossProcesses, CopyDataTravelsBothWays)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");

    CopyData data;
    data.kind = 1008;
    data.bytes.resize(70000);
    std::iota(data.bytes.begin(), data.bytes.end(), std::uint8_t{0});
    const SendResult sent = Desktop::SendMessage(hwnd, WM_COPYDATA, 0, 0, &data);
    ASSERT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 1008 + 70000);
    ASSERT_EQ(sent.reply.size(), data.bytes.size());
    EXPECT_TRUE(std::equal(sent.reply.begin(), sent.reply.end(), data.bytes.rbegin()));
}

TEST_F(DesktopAcrossProcesses, PostIsHandledLater)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");
    EXPECT_TRUE(Desktop::PostMessage(hwnd, WM_USER + 9, 4, 5));
    const std::string line = std::to_string(WM_USER + 9) + " 4 5\n";
    EXPECT_TRUE(WaitFor([&] { return PeerLog().find(line) != std::string::npos; }));
}

TEST_F(DesktopAcrossProcesses, KilledOwnerTakesItsWindowAlong)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");
    ASSERT_NE(hwnd, 0u);
    peer->Kill();
    ASSERT_TRUE(peer->WaitForExit());

    // With the default ten-minute limit: a dead owner must fail at once.
    EXPECT_FALSE(Desktop::SendMessage(hwnd, kMsgDouble, 1).delivered);
    EXPECT_FALSE(Desktop::PostMessage(hwnd, kMsgDouble, 1));
    EXPECT_FALSE(Desktop::IsWindow(hwnd));
    EXPECT_EQ(Desktop::FindWindow("PeerClass"), 0u);
    EXPECT_EQ(Desktop::GetProp(hwnd, "x"), 0u);
}

TEST_F(DesktopAcrossProcesses, SilentOwnerFailsAtTheTimeout)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");
    ::kill(peer->Pid(), SIGSTOP);
    const SendResult sent =
        Desktop::SendMessage(hwnd, kMsgDouble, 1, 0, nullptr, std::chrono::milliseconds(200));
    ::kill(peer->Pid(), SIGCONT);
    EXPECT_FALSE(sent.delivered);
    // Still the same live window afterwards.
    EXPECT_EQ(Desktop::SendMessage(hwnd, kMsgDouble, 2).result, 4);
}

TEST_F(DesktopAcrossProcesses, CloseEndsThePeer)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");
    EXPECT_TRUE(Desktop::SendMessage(hwnd, WM_CLOSE).delivered);
    EXPECT_EQ(peer->WaitForExit(), 0);
    EXPECT_FALSE(Desktop::IsWindow(hwnd));
}

// Our UI thread sends to the peer, whose handler sends back to a window of
// that very thread: the waiting thread must answer, not deadlock.
TEST_F(DesktopAcrossProcesses, SendBackToTheWaitingThreadIsAnswered)
{
    auto peer = StartPeer({"window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    const HWND hwnd = Desktop::FindWindow("PeerClass");

    MessageLoop loop;
    std::thread::id handlerThread;
    auto host = WindowEndpoint::Create(
        "TestHost", "",
        [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
        {
            handlerThread = std::this_thread::get_id();
            return static_cast<LRESULT>(message.wParam * 2);
        },
        loop.Dispatcher());
    ASSERT_TRUE(host);

    SendResult sent;
    loop.Post(
        [&]
        {
            sent =
                Desktop::SendMessage(hwnd, kMsgCallBack, 10, 0, nullptr, std::chrono::seconds(30));
            loop.Quit();
        });
    loop.Run();
    EXPECT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 21);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST_F(DesktopAcrossProcesses, DeviceChangeReachesRegisteredWindowsOnly)
{
    auto registered = StartPeer({"window", "Registered", "", "devnotify"});
    ASSERT_TRUE(registered);
    EXPECT_TRUE(Reported(*registered, "devnotify 1"));

    MessageLoop loop;
    std::atomic<int> received{0};
    auto local =
        WindowEndpoint::Create("Unregistered", "",
                               [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
                               {
                                   if (message.message == WM_DEVICECHANGE)
                                       ++received;
                                   return 0;
                               });
    ASSERT_TRUE(local);

    Desktop::BroadcastDeviceChange(DBT_DEVICEARRIVAL);
    const std::string line =
        std::to_string(WM_DEVICECHANGE) + " " + std::to_string(DBT_DEVICEARRIVAL) + " 0\n";
    EXPECT_TRUE(WaitFor([&] { return PeerLog().find(line) != std::string::npos; }));

    // Once registered, the local window hears the next one too.
    ASSERT_TRUE(Desktop::RegisterDeviceNotification(local->Handle()));
    Desktop::BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    const std::string removal =
        std::to_string(WM_DEVICECHANGE) + " " + std::to_string(DBT_DEVICEREMOVECOMPLETE) + " 0\n";
    EXPECT_TRUE(WaitFor([&] { return PeerLog().find(removal) != std::string::npos; }));
    // The handler ran on the endpoint's own thread; reading after a send
    // to the same window orders it after the post.
    Desktop::SendMessage(local->Handle(), WM_USER);
    EXPECT_EQ(received, 1);
}

} // namespace

} // namespace tavrel::test
