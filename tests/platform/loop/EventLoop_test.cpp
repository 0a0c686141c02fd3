// The event-loop interface as engines use it, against both implementations:
// the headless MessageLoop and the Qt loop of the programs.

#include "platform/MessageLoop.h"
#include "platform/qt/QtEventLoop.h"
#include "support/qt/QtTestApp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tavrel::test
{

namespace
{

// Drives a MessageLoop on the test's thread.
struct HeadlessHost
{
    MessageLoop loop;
    int Spin() { return loop.Run(); }
    void End(int code = 0) { loop.Quit(code); }
    void StopAndEnd() { loop.Quit(); }
    void Drain() { loop.Run(); }
};

struct WithApplication
{
    WithApplication() { TestApplication(); }
};

// Drives the Qt loop on the GUI thread, the test's thread.
struct QtHost : WithApplication
{
    QtEventLoop loop;
    QEventLoop events;
    int Spin() { return events.exec(); }
    void End(int code = 0)
    {
        QMetaObject::invokeMethod(
            &events, [this, code] { events.exit(code); }, Qt::QueuedConnection);
    }
    void StopAndEnd()
    {
        loop.Stop();
        End();
    }
    void Drain() { QCoreApplication::processEvents(); }
};

template <typename Host> class EventLoopTest : public ::testing::Test
{
protected:
    Host m_host;
    EventLoop& Loop() { return m_host.loop; }
};

using Hosts = ::testing::Types<HeadlessHost, QtHost>;
TYPED_TEST_SUITE(EventLoopTest, Hosts);

TYPED_TEST(EventLoopTest, WorkRunsInOrderOnTheLoopThread)
{
    EventLoop& loop = this->Loop();
    const auto loopThread = std::this_thread::get_id();
    std::vector<int> order;
    bool invoked = false;
    bool nested = false;
    bool offLoopThread = true;
    std::thread caller(
        [&]
        {
            offLoopThread = !loop.IsLoopThread();
            for (int i = 0; i < 5; ++i)
                loop.Post([&order, i] { order.push_back(i); });
            // A send waits for its work, which runs after what was posted before it.
            invoked = loop.Invoke(
                [&]
                {
                    EXPECT_EQ(std::this_thread::get_id(), loopThread);
                    order.push_back(5);
                    // On the loop's own thread it runs at once.
                    EXPECT_TRUE(loop.IsLoopThread());
                    EXPECT_TRUE(loop.Invoke([&] { nested = true; }));
                    EXPECT_TRUE(nested);
                });
            EXPECT_EQ(order.size(), 6u);
            loop.Post([&] { this->m_host.End(3); });
        });
    EXPECT_EQ(this->m_host.Spin(), 3);
    caller.join();
    EXPECT_TRUE(invoked);
    EXPECT_TRUE(offLoopThread);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TYPED_TEST(EventLoopTest, TimersRepeatUntilKilledAndRestartWhenSetAgain)
{
    EventLoop& loop = this->Loop();
    int first = 0;
    int second = 0;
    int fromThread = 0;
    int ticksAfter = 0;
    loop.SetTimer(1001, std::chrono::milliseconds(2),
                  [&]
                  {
                      if (++first == 3)
                          loop.KillTimer(1001);
                  });
    loop.SetTimer(9010, std::chrono::milliseconds(5),
                  [&]
                  {
                      // Setting an id again restarts it with the new callback.
                      loop.SetTimer(9010, std::chrono::milliseconds(1),
                                    [&]
                                    {
                                        ++second;
                                        loop.KillTimer(9010);
                                    });
                  });
    // Set from another thread, as the capture sequence does.
    std::thread(
        [&]
        {
            loop.SetTimer(42, std::chrono::milliseconds(1),
                          [&]
                          {
                              ++fromThread;
                              loop.KillTimer(42);
                          });
        })
        .join();
    // Ends the run well after the timers should have gone quiet.
    loop.SetTimer(7, std::chrono::milliseconds(1),
                  [&]
                  {
                      if (first >= 3 && second >= 1 && fromThread >= 1 && ++ticksAfter == 20)
                      {
                          loop.KillTimer(7);
                          this->m_host.End();
                      }
                  });
    this->m_host.Spin();
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(fromThread, 1);
}

TYPED_TEST(EventLoopTest, ATimerKilledFromAnotherThreadWhileTheLoopWaitsForItNeverRuns)
{
    // The capture thread kills the retry timer the loop is waiting for.
    EventLoop& loop = this->Loop();
    int ran = 0;
    loop.SetTimer(77, std::chrono::seconds(60), [&] { ++ran; });
    std::thread killer(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            loop.KillTimer(77);
            loop.SetTimer(78, std::chrono::milliseconds(5),
                          [&]
                          {
                              loop.KillTimer(78);
                              this->m_host.End();
                          });
        });
    this->m_host.Spin();
    killer.join();
    EXPECT_EQ(ran, 0);
}

TYPED_TEST(EventLoopTest, AStoppedLoopRunsNothingAndRefusesSends)
{
    EventLoop& loop = this->Loop();
    std::atomic<bool> ran{false};
    std::atomic<bool> sending{false};
    bool invoked = true;
    std::thread caller;
    loop.Post(
        [&]
        {
            caller = std::thread(
                [&]
                {
                    sending = true;
                    invoked = loop.Invoke([&] { ran = true; });
                });
            // Whether the send is queued by now or comes later, it must
            // return without running once the loop stops.
            WaitFor([&] { return sending.load(); });
            this->m_host.StopAndEnd();
        });
    this->m_host.Spin();
    caller.join();
    EXPECT_FALSE(invoked);
    loop.Post([&] { ran = true; });
    EXPECT_FALSE(loop.Invoke([&] { ran = true; }));
    this->m_host.Drain();
    EXPECT_FALSE(ran);
}

TYPED_TEST(EventLoopTest, WorkAsideKeepsTheLoopServingUntilItHasFinished)
{
    EventLoop& loop = this->Loop();
    const auto loopThread = std::this_thread::get_id();
    std::atomic<int> ticks{0};
    std::atomic<bool> finished{false};
    std::thread::id workThread;
    bool sent = false;
    bool returnedAfterTheWork = false;
    loop.Post(
        [&]
        {
            loop.SetTimer(5, std::chrono::milliseconds(1), [&] { ++ticks; });
            loop.RunAside(
                [&]
                {
                    workThread = std::this_thread::get_id();
                    // Both need the loop served while the caller waits.
                    sent = loop.Invoke([&] { EXPECT_EQ(std::this_thread::get_id(), loopThread); });
                    EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }));
                    finished = true;
                });
            returnedAfterTheWork = finished;
            loop.KillTimer(5);
            this->m_host.End();
        });
    this->m_host.Spin();
    EXPECT_TRUE(sent);
    EXPECT_NE(workThread, loopThread);
    EXPECT_TRUE(returnedAfterTheWork);
}

TEST(QtEventLoop, CallersWakeWhenTheLoopGoes)
{
    TestApplication();
    auto loop = std::make_unique<QtEventLoop>();
    UiDispatcher dispatcher = loop->Dispatcher();
    std::atomic<bool> sending{false};
    std::atomic<bool> ran{false};
    bool invoked = true;
    std::thread caller(
        [&]
        {
            sending = true;
            invoked = dispatcher([&] { ran = true; });
        });
    ASSERT_TRUE(WaitFor([&] { return sending.load(); }));
    loop.reset();
    caller.join();
    EXPECT_FALSE(invoked);
    // A dispatcher kept by an endpoint stays safe to call.
    EXPECT_FALSE(dispatcher([&] { ran = true; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

} // namespace

} // namespace tavrel::test
