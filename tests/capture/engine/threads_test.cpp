#include "capture/ThreadOwner.h"

#include "platform/MessageLoop.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavrel::test
{

using namespace std::chrono_literals;
using tavrel::ThreadOwner;
using tavrel::test::WaitFor;

TEST(ThreadOwner, EndedThreadsAreJoinedAsTheyEnd)
{
    tavrel::MessageLoop loop;
    std::jthread ui([&] { loop.Run(); });
    ThreadOwner owner([&](std::function<void()> work) { loop.Post(std::move(work)); });
    std::atomic<int> done{0};
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(owner.Spawn([&](std::stop_token) { ++done; }).stop_possible());
    EXPECT_TRUE(WaitFor([&] { return done == 40 && owner.Count() == 0; })) << owner.Count();
    loop.Quit();
}

TEST(ThreadOwner, StopAllEndsWaitsAtOnceAndRefusesNewThreads)
{
    ThreadOwner owner;
    std::atomic<int> cut{0};
    for (int i = 0; i < 3; ++i)
        owner.Spawn(
            [&](std::stop_token stop)
            {
                if (!ThreadOwner::Wait(stop, 1h))
                    ++cut;
            });
    ASSERT_EQ(owner.Count(), 3u);
    owner.StopAll(); // would hang for an hour if a wait ignored the stop
    EXPECT_EQ(cut, 3);
    EXPECT_EQ(owner.Count(), 0u);
    EXPECT_FALSE(owner.Spawn([](std::stop_token) {}).stop_possible());
    EXPECT_EQ(owner.Count(), 0u);
}

} // namespace tavrel::test
