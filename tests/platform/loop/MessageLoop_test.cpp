#include "platform/MessageLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tavrel::test
{

namespace
{

TEST(MessageLoop, RunsPostedWorkInOrderUntilQuit)
{
    MessageLoop loop;
    std::vector<int> order;
    for (int i = 0; i < 5; ++i)
        loop.Post([&order, i] { order.push_back(i); });
    loop.Post([&] { loop.Quit(3); });
    loop.Post([&] { order.push_back(99); });
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(MessageLoop, InvokeRunsOnTheLoopThreadAndWaits)
{
    MessageLoop loop;
    std::thread::id ranOn;
    bool invoked = false;
    std::thread caller(
        [&]
        {
            invoked = loop.Invoke([&] { ranOn = std::this_thread::get_id(); });
            loop.Quit();
        });
    loop.Run();
    caller.join();
    EXPECT_TRUE(invoked);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    // After the quit nothing runs and the caller is told so.
    EXPECT_FALSE(loop.Invoke([] {}));
}

TEST(MessageLoop, InvokeOnTheLoopThreadRunsAtOnce)
{
    MessageLoop loop;
    bool nested = false;
    loop.Post(
        [&]
        {
            EXPECT_TRUE(loop.Invoke([&] { nested = true; }));
            EXPECT_TRUE(nested);
            loop.Quit();
        });
    loop.Run();
    EXPECT_TRUE(nested);
}

TEST(MessageLoop, TimersRepeatUntilKilled)
{
    MessageLoop loop;
    int first = 0;
    int second = 0;
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
    // Ends the run well after both timers should have gone quiet.
    loop.SetTimer(7, std::chrono::milliseconds(1),
                  [&]
                  {
                      if (first >= 3 && second >= 1 && ++ticksAfter == 20)
                          loop.Quit();
                  });
    loop.Run();
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, 1);
}

} // namespace

} // namespace tavrel::test
