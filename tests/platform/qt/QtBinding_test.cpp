#include "support/Sandbox.h"

#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtMessageBoxSink.h"
#include "platform/qt/QtWindowBinding.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace tavrel::test
{

namespace
{

QApplication& App()
{
    static int argc = 1;
    static char name[] = "tavrel_platform_qt_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics are gone by the time a static
    // application object would be.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs `call` on another thread while the GUI thread keeps its event loop
// going, as a second program sending to this one would.
void FromOtherThread(const std::function<void()>& call)
{
    QEventLoop loop;
    std::thread sender(
        [&]
        {
            call();
            QMetaObject::invokeMethod(
                &loop, [&] { loop.quit(); }, Qt::QueuedConnection);
        });
    loop.exec();
    sender.join();
}

class QtBinding : public ::testing::Test
{
protected:
    void SetUp() override { App(); }
    Sandbox m_sandbox;
};

TEST_F(QtBinding, HandlerRunsOnTheGuiThread)
{
    QWidget widget;
    widget.setWindowTitle("Frame");
    QThread* handlerThread = nullptr;
    QtWindowBinding binding(&widget, "TestFrame",
                            [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
                            {
                                handlerThread = QThread::currentThread();
                                return static_cast<LRESULT>(message.wParam + 1);
                            });
    ASSERT_TRUE(binding.IsValid());
    EXPECT_EQ(Desktop::FindWindow("TestFrame", std::string("Frame")), binding.Handle());

    SendResult sent;
    FromOtherThread([&] { sent = Desktop::SendMessage(binding.Handle(), WM_USER, 41); });
    EXPECT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 42);
    EXPECT_EQ(handlerThread, App().thread());

    // From the GUI thread itself the call is direct.
    handlerThread = nullptr;
    EXPECT_EQ(Desktop::SendMessage(binding.Handle(), WM_USER, 1).result, 2);
    EXPECT_EQ(handlerThread, App().thread());

    widget.setWindowTitle("Renamed");
    EXPECT_EQ(Desktop::GetWindowText(binding.Handle()), "Renamed");
}

TEST_F(QtBinding, WindowRequestsActOnTheWidget)
{
    QWidget widget;
    widget.show();
    QtWindowBinding binding(&widget, "TestFrame",
                            [](const Message&, std::vector<std::uint8_t>&) -> LRESULT
                            { return 0; });
    ASSERT_TRUE(binding.IsValid());
    const HWND hwnd = binding.Handle();

    std::optional<RECT> rect;
    FromOtherThread(
        [&]
        {
            Desktop::SetWindowPos(hwnd, RECT{10, 20, 310, 220});
            rect = Desktop::GetWindowRect(hwnd);
        });
    EXPECT_EQ(widget.geometry(), QRect(10, 20, 300, 200));
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->right - rect->left, widget.frameGeometry().width());

    widget.showMinimized();
    bool iconic = false;
    FromOtherThread(
        [&]
        {
            iconic = Desktop::IsIconic(hwnd);
            Desktop::ShowWindow(hwnd, SW_RESTORE);
        });
    EXPECT_TRUE(iconic);
    EXPECT_FALSE(widget.isMinimized());
    EXPECT_FALSE(Desktop::IsIconic(hwnd));
}

TEST_F(QtBinding, WindowGoesWithTheBinding)
{
    QWidget widget;
    HWND hwnd = 0;
    {
        QtWindowBinding binding(&widget, "TestFrame",
                                [](const Message&, std::vector<std::uint8_t>&) -> LRESULT
                                { return 0; });
        hwnd = binding.Handle();
        EXPECT_TRUE(Desktop::IsWindow(hwnd));
    }
    EXPECT_FALSE(Desktop::IsWindow(hwnd));
    EXPECT_FALSE(Desktop::SendMessage(hwnd, WM_USER).delivered);
}

TEST_F(QtBinding, OffscreenKeepsTheRecordingSink)
{
    EXPECT_FALSE(InstallQtMessageBoxSink());
    ClearRecordedMessageBoxes();
    EXPECT_EQ(MessageBox(0, "Not Find Pelidor Window!"), IDOK);
    ASSERT_EQ(RecordedMessageBoxes().size(), 1u);
    EXPECT_EQ(RecordedMessageBoxes()[0], "Not Find Pelidor Window!");
}

} // namespace

} // namespace tavrel::test
