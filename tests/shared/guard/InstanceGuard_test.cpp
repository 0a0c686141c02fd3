#include "shared/InstanceGuard.h"

#include "platform/Desktop.h"
#include "platform/SharedSection.h"
#include "support/OtherUser.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include <unistd.h>

namespace tavrel::test
{

namespace
{

struct FakeWindow
{
    std::atomic<bool> iconic{false};
    std::atomic<int> restored{0};
    std::atomic<int> foreground{0};
    std::atomic<int> closes{0};
    int mode = 0;
    bool closeRemovesMark = true;
    std::unique_ptr<WindowEndpoint> endpoint;

    explicit FakeWindow(int captureMode, bool answerQuery = true) : mode(captureMode)
    {
        endpoint = WindowEndpoint::Create(
            "Tavrel Camera", "test",
            [this, answerQuery](const Message& m, std::vector<std::uint8_t>&) -> LRESULT
            {
                if (m.message == WM_QUERY_CAPTURE_MODE && answerQuery)
                    return AnswerCaptureModeQuery(mode);
                if (m.message == WM_CLOSE)
                {
                    ++closes;
                    if (closeRemovesMark)
                        InstanceGuard::UnmarkWindow(endpoint->Handle(), kVantrelInstanceName);
                }
                return 0;
            });
        WindowEndpoint::WindowOps ops;
        ops.isIconic = [this] { return iconic.load(); };
        ops.showWindow = [this](int command)
        {
            if (command == SW_RESTORE)
                ++restored;
        };
        ops.setForeground = [this] { ++foreground; };
        endpoint->SetWindowOps(std::move(ops));
    }
    HWND Handle() const { return endpoint->Handle(); }
};

TEST(InstanceGuard, FirstInstanceFindsNothingSecondFindsTheMarkedWindow)
{
    test::Sandbox sandbox;
    InstanceGuard first(InstanceGuard::Variant::Capture);
    EXPECT_EQ(first.FindRunningInstance("TAVREL_X", false), 0u);

    // Semaphore exists but no window is marked yet: still no instance.
    InstanceGuard second(InstanceGuard::Variant::Manager);
    EXPECT_EQ(second.FindRunningInstance("TAVREL_X", true), 0u);

    FakeWindow window(0);
    ASSERT_TRUE(InstanceGuard::MarkWindow(window.Handle(), "TAVREL_X"));
    EXPECT_EQ(Desktop::GetProp(window.Handle(), "TAVREL_X"), 1u);
    EXPECT_EQ(second.FindRunningInstance("TAVREL_X", false), window.Handle());
    EXPECT_EQ(window.foreground.load(), 0);

    window.iconic = true;
    EXPECT_EQ(second.FindRunningInstance("TAVREL_X", true), window.Handle());
    EXPECT_EQ(window.restored.load(), 1);
    EXPECT_EQ(window.foreground.load(), 1);
    window.iconic = false;
    EXPECT_EQ(second.FindRunningInstance("TAVREL_X", true), window.Handle());
    EXPECT_EQ(window.restored.load(), 1); // not minimised: no restore
    EXPECT_EQ(window.foreground.load(), 2);

    EXPECT_TRUE(InstanceGuard::UnmarkWindow(window.Handle(), "TAVREL_X"));
    EXPECT_FALSE(InstanceGuard::UnmarkWindow(window.Handle(), "TAVREL_X"));
    EXPECT_EQ(second.FindRunningInstance("TAVREL_X", false), 0u);
}

TEST(InstanceGuard, ACaptureGuardHoldsTheSemaphoreUntilDestroyed)
{
    test::Sandbox sandbox;
    {
        InstanceGuard holder(InstanceGuard::Variant::Capture);
        holder.FindRunningInstance("TAVREL_Y", false);
        NamedSemaphore::Status status = NamedSemaphore::Status::Failed;
        auto probe = NamedSemaphore::Create("TAVREL_Y", &status);
        EXPECT_EQ(status, NamedSemaphore::Status::AlreadyExists);
    }
    NamedSemaphore::Status status = NamedSemaphore::Status::Failed;
    auto probe = NamedSemaphore::Create("TAVREL_Y", &status);
    EXPECT_EQ(status, NamedSemaphore::Status::Created);
}

TEST(CaptureInstanceCheck, SameModeActivatesTheRunningOne)
{
    test::Sandbox sandbox;
    InstanceGuard running(InstanceGuard::Variant::Capture);
    ASSERT_EQ(running.FindRunningInstance(kVantrelInstanceName, false), 0u);
    FakeWindow window(1);
    window.iconic = true;
    ASSERT_TRUE(InstanceGuard::MarkWindow(window.Handle(), kVantrelInstanceName));

    InstanceGuard guard(InstanceGuard::Variant::Capture);
    EXPECT_FALSE(CaptureInstanceCheck(guard, 1));
    EXPECT_EQ(window.restored.load(), 1);
    EXPECT_EQ(window.foreground.load(), 1);
    EXPECT_EQ(window.closes.load(), 0);
    // The asker removed its section again.
    EXPECT_EQ(SharedSection::Open(kCaptureModeSection), nullptr);
}

TEST(CaptureInstanceCheck, OtherModeOrNoAnswerClosesTheRunningOne)
{
    test::Sandbox sandbox;
    InstanceGuard running(InstanceGuard::Variant::Capture);
    ASSERT_EQ(running.FindRunningInstance(kVantrelInstanceName, false), 0u);
    {
        FakeWindow window(0);
        ASSERT_TRUE(InstanceGuard::MarkWindow(window.Handle(), kVantrelInstanceName));
        InstanceGuard guard(InstanceGuard::Variant::Capture);
        EXPECT_TRUE(CaptureInstanceCheck(guard, 1));
        EXPECT_EQ(window.closes.load(), 1);
        EXPECT_EQ(window.foreground.load(), 0);
    }
    {
        // Leaves -1 in the block: treated as another mode, even for mode -1's
        // neighbours such as 0.
        FakeWindow silent(0, false);
        ASSERT_TRUE(InstanceGuard::MarkWindow(silent.Handle(), kVantrelInstanceName));
        InstanceGuard guard(InstanceGuard::Variant::Capture);
        EXPECT_TRUE(CaptureInstanceCheck(guard, 0));
        EXPECT_EQ(silent.closes.load(), 1);
    }
}

TEST(CaptureInstanceCheck, AnInstanceThatKeepsItsMarkDoesNotBlockForever)
{
    test::Sandbox sandbox;
    InstanceGuard running(InstanceGuard::Variant::Capture);
    ASSERT_EQ(running.FindRunningInstance(kVantrelInstanceName, false), 0u);
    FakeWindow stubborn(0);
    stubborn.closeRemovesMark = false;
    ASSERT_TRUE(InstanceGuard::MarkWindow(stubborn.Handle(), kVantrelInstanceName));
    InstanceGuard guard(InstanceGuard::Variant::Capture);
    CaptureStartOptions options;
    options.closeWait = std::chrono::milliseconds(100);
    EXPECT_FALSE(CaptureInstanceCheck(guard, 1, options));
    EXPECT_EQ(stubborn.closes.load(), 1);

    // Once its window is gone the next check starts at once.
    stubborn.endpoint.reset();
    EXPECT_TRUE(CaptureInstanceCheck(guard, 1, options));
}

TEST(CaptureModeAnswer, WritesTheModeOnlyWhenTheBlockExists)
{
    test::Sandbox sandbox;
    EXPECT_EQ(AnswerCaptureModeQuery(1), 1);
    SharedSection::Status status = SharedSection::Status::Failed;
    auto section = SharedSection::Create(kCaptureModeSection, 4, &status);
    ASSERT_TRUE(section);
    std::uint8_t* view = section->Map();
    ASSERT_NE(view, nullptr);
    view[0] = view[1] = view[2] = view[3] = 0xFF;
    EXPECT_EQ(AnswerCaptureModeQuery(258), 1);
    EXPECT_EQ(view[0], 2);
    EXPECT_EQ(view[1], 1);
    EXPECT_EQ(view[2], 0);
    EXPECT_EQ(view[3], 0);
}

TEST(CaptureInstanceCheck, AModeSectionCutShortDuringTheQueryIsNoAnswer)
{
    test::Sandbox sandbox;
    InstanceGuard running(InstanceGuard::Variant::Capture);
    ASSERT_EQ(running.FindRunningInstance(kVantrelInstanceName, false), 0u);
    std::atomic<int> closes{0};
    // A running instance turned hostile: it cuts the section to nothing
    // instead of answering.
    auto hostile = WindowEndpoint::Create(
        "Tavrel Camera", "test",
        [&](const Message& m, std::vector<std::uint8_t>&) -> LRESULT
        {
            if (m.message == WM_QUERY_CAPTURE_MODE)
                ::truncate(test::SectionObjectPath(kCaptureModeSection).c_str(), 0);
            if (m.message == WM_CLOSE)
                ++closes;
            return 1;
        });
    ASSERT_TRUE(hostile);
    ASSERT_TRUE(InstanceGuard::MarkWindow(hostile->Handle(), kVantrelInstanceName));
    InstanceGuard guard(InstanceGuard::Variant::Capture);
    EXPECT_FALSE(CaptureInstanceCheck(guard, 1));
    EXPECT_EQ(closes.load(), 0);
}

} // namespace

} // namespace tavrel::test
