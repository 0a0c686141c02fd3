#include "manager/IncomingJobQueue.h"

#include <gtest/gtest.h>

namespace tavrel
{
namespace
{

TEST(IncomingJobQueue, KeepsArrivalOrder)
{
    IncomingJobQueue queue;
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.FrontPicturePath(), "");
    queue.Push("p1", "c1", "f1");
    queue.Push("p2", "c2", "f2");
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(queue.FrontPicturePath(), "p1");
    EXPECT_EQ(queue.FrontProfilePath(), "c1");
    EXPECT_EQ(queue.FrontFolder(), "f1");
    queue.PopFront();
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(queue.FrontFolder(), "f2");
    queue.PopFront();
    EXPECT_TRUE(queue.IsEmpty());
    queue.PopFront(); // an empty queue stays at zero
    EXPECT_EQ(queue.Count(), 0);
}

} // namespace
} // namespace tavrel
