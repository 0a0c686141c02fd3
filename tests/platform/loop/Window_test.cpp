#include "support/Sandbox.h"
#include "support/Wait.h"

#include "platform/Desktop.h"
#include "platform/DeviceNotifications.h"
#include "platform/MessageLoop.h"
#include "platform/NamedSemaphore.h"
#include "platform/SharedSection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace tavrel::test
{

namespace
{

LRESULT Echo(const Message& message, std::vector<std::uint8_t>&)
{
    return static_cast<LRESULT>(message.wParam);
}

class Window : public ::testing::Test
{
protected:
    Sandbox m_sandbox;
};

TEST_F(Window, WalkFollowsCreationOrderAndSkipsClosedWindows)
{
    auto a = WindowEndpoint::Create("A", "", Echo);
    auto b = WindowEndpoint::Create("B", "", Echo);
    auto c = WindowEndpoint::Create("C", "", Echo);
    ASSERT_TRUE(a && b && c);
    EXPECT_LT(a->Handle(), b->Handle());
    EXPECT_LT(b->Handle(), c->Handle());
    const HWND closed = b->Handle();
    b.reset();

    std::vector<HWND> walk;
    for (HWND h = Desktop::GetFirstWindow(); Desktop::IsWindow(h); h = Desktop::GetNextWindow(h))
        walk.push_back(h);
    EXPECT_EQ(walk, (std::vector<HWND>{a->Handle(), c->Handle()}));
    EXPECT_EQ(Desktop::GetNextWindow(closed), c->Handle());
    EXPECT_EQ(Desktop::FindWindow("B"), 0u);

    // Handles are never reused within a session.
    auto d = WindowEndpoint::Create("D", "", Echo);
    EXPECT_GT(d->Handle(), c->Handle());
}

TEST_F(Window, PropertiesIgnoreCaseAndRemoveGivesThePreviousValue)
{
    auto window = WindowEndpoint::Create("A", "", Echo);
    const HWND hwnd = window->Handle();
    EXPECT_EQ(Desktop::GetProp(hwnd, "TAVREL_PELIDOR"), 0u);
    EXPECT_TRUE(Desktop::SetProp(hwnd, "TAVREL_PELIDOR", 1));
    EXPECT_EQ(Desktop::GetProp(hwnd, "tavrel_pelidor"), 1u);
    EXPECT_EQ(Desktop::RemoveProp(hwnd, "Tavrel_Pelidor"), 1u);
    EXPECT_EQ(Desktop::RemoveProp(hwnd, "TAVREL_PELIDOR"), 0u);
    window.reset();
    EXPECT_FALSE(Desktop::SetProp(hwnd, "TAVREL_PELIDOR", 1));
}

TEST_F(Window, HandlerRunsOnTheLoopAndSendsFromItAreDirect)
{
    MessageLoop loop;
    std::thread::id handlerThread;
    std::unique_ptr<WindowEndpoint> window;
    window = WindowEndpoint::Create(
        "Frame", "",
        [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
        {
            handlerThread = std::this_thread::get_id();
            if (message.message == WM_USER + 1)
            {
                // A send to its own window from the handler: no deadlock.
                return Desktop::SendMessage(window->Handle(), WM_USER, 5).result + 1;
            }
            return static_cast<LRESULT>(message.wParam);
        },
        loop.Dispatcher());
    ASSERT_TRUE(window);

    SendResult sent;
    std::thread sender(
        [&]
        {
            sent = Desktop::SendMessage(window->Handle(), WM_USER + 1);
            loop.Quit();
        });
    loop.Run();
    sender.join();
    EXPECT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 6);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST_F(Window, WindowRequestsUseTheOps)
{
    auto window = WindowEndpoint::Create("Frame", "", Echo);
    const HWND hwnd = window->Handle();
    EXPECT_FALSE(Desktop::IsIconic(hwnd));
    EXPECT_FALSE(Desktop::GetWindowRect(hwnd));

    std::atomic<bool> iconic{true};
    std::atomic<int> shown{0};
    RECT stored{1, 2, 3, 4};
    WindowEndpoint::WindowOps ops;
    ops.isIconic = [&] { return iconic.load(); };
    ops.showWindow = [&](int command)
    {
        shown = command;
        iconic = false;
    };
    ops.getRect = [&] { return stored; };
    ops.setRect = [&](const RECT& rect) { stored = rect; };
    window->SetWindowOps(ops);

    EXPECT_TRUE(Desktop::IsIconic(hwnd));
    EXPECT_TRUE(Desktop::ShowWindow(hwnd, SW_RESTORE));
    EXPECT_EQ(shown, SW_RESTORE);
    EXPECT_FALSE(Desktop::IsIconic(hwnd));
    EXPECT_TRUE(Desktop::SetWindowPos(hwnd, RECT{-10, 20, 300, 400}));
    const auto rect = Desktop::GetWindowRect(hwnd);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left, -10);
    EXPECT_EQ(rect->bottom, 400);
}

TEST_F(Window, SemaphoreExistsWhileAHandleIsOpen)
{
    NamedSemaphore::Status status;
    auto first = NamedSemaphore::Create("TAVREL_VANTREL", &status);
    ASSERT_TRUE(first);
    EXPECT_EQ(status, NamedSemaphore::Status::Created);
    auto second = NamedSemaphore::Create("TAVREL_VANTREL", &status);
    ASSERT_TRUE(second);
    EXPECT_EQ(status, NamedSemaphore::Status::AlreadyExists);
    first.reset();
    auto third = NamedSemaphore::Create("TAVREL_VANTREL", &status);
    EXPECT_EQ(status, NamedSemaphore::Status::AlreadyExists);
    second.reset();
    third.reset();
    auto fourth = NamedSemaphore::Create("TAVREL_VANTREL", &status);
    EXPECT_EQ(status, NamedSemaphore::Status::Created);
    EXPECT_EQ(NamedSemaphore::Create("", &status), nullptr);
    EXPECT_EQ(status, NamedSemaphore::Status::Failed);
}

TEST_F(Window, SectionIsSharedAndGoesWithItsCreator)
{
    EXPECT_FALSE(SharedSection::Open("Tavrel_AppMpde"));
    SharedSection::Status status;
    auto created = SharedSection::Create("Tavrel_AppMpde", 4, &status);
    ASSERT_TRUE(created);
    EXPECT_EQ(status, SharedSection::Status::Created);
    const std::int32_t minusOne = -1;
    std::memcpy(created->Map(), &minusOne, 4);

    auto opened = SharedSection::Open("Tavrel_AppMpde");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Size(), 4u);
    const std::int32_t mode = 1;
    std::memcpy(opened->Map(), &mode, 4);
    opened.reset();
    std::int32_t read = 0;
    std::memcpy(&read, created->Map(), 4);
    EXPECT_EQ(read, 1);

    EXPECT_EQ(SharedSection::Create("Tavrel_AppMpde", 0, &status), nullptr);
    created.reset();
    EXPECT_FALSE(SharedSection::Open("Tavrel_AppMpde"));
}

TEST_F(Window, DeviceMonitorStopsWhenDestroyed)
{
    auto window = WindowEndpoint::Create("Frame", "", Echo);
    auto monitor = DeviceNotifications::Start(window->Handle());
    if (!monitor)
        GTEST_SKIP() << "no udev here";
    monitor.reset();
    EXPECT_TRUE(Desktop::IsWindow(window->Handle()));
}

} // namespace

} // namespace tavrel::test
