#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/qt/Controls.h"
#include "platform/qt/QtMessageBoxSink.h"
#include "platform/qt/QtWindowBinding.h"
#include "support/Sandbox.h"
#include "support/qt/QtTestApp.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>

namespace tavrel::test
{

namespace
{

class QtBinding : public QtTest
{
protected:
    Sandbox m_sandbox;
};

SendResult SendFromOtherThread(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    SendResult sent;
    FromOtherThread([&] { sent = Desktop::SendMessage(hwnd, message, wParam, lParam); });
    return sent;
}

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
    EXPECT_EQ(QtWindowBinding::HandleOf(&widget), binding.Handle());

    const SendResult sent = SendFromOtherThread(binding.Handle(), WM_USER, 41);
    EXPECT_TRUE(sent.delivered);
    EXPECT_EQ(sent.result, 42);
    EXPECT_EQ(handlerThread, TestApplication().thread());

    // From the GUI thread itself the call is direct.
    handlerThread = nullptr;
    EXPECT_EQ(Desktop::SendMessage(binding.Handle(), WM_USER, 1).result, 2);
    EXPECT_EQ(handlerThread, TestApplication().thread());

    widget.setWindowTitle("Renamed");
    EXPECT_EQ(Desktop::GetWindowText(binding.Handle()), "Renamed");
}

TEST_F(QtBinding, WindowRequestsActOnTheWidget)
{
    QWidget widget;
    widget.show();
    QtWindowBinding binding(&widget, "TestFrame");
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

TEST_F(QtBinding, CommandClicksTheNumberedControlThroughItsHandler)
{
    QDialog window;
    auto* capture = new QPushButton("拍摄", &window);
    SetControlId(capture, 1028);
    auto* disabled = new QPushButton("x", &window);
    SetControlId(disabled, 1039);
    disabled->setEnabled(false);
    auto* denoise = new QCheckBox(&window);
    SetControlId(denoise, 1040);
    denoise->hide(); // cut off by the dialog's height, still a command
    auto* format = new QComboBox(&window);
    SetControlId(format, 1043);
    format->addItems({"JPG", "TIFF"});
    format->hide();
    auto* about = new QAction(&window);
    SetCommandId(about, 32901);
    // A dialog opened over the window has controls of its own.
    auto* over = new QDialog(&window);
    SetControlId(new QPushButton(over), 1030);

    int captureClicks = 0;
    int disabledClicks = 0;
    int aboutTriggers = 0;
    int overClicks = 0;
    int internal = 0;
    std::vector<WPARAM> unhandled;
    QObject::connect(capture, &QPushButton::clicked, [&] { ++captureClicks; });
    QObject::connect(disabled, &QPushButton::clicked, [&] { ++disabledClicks; });
    QObject::connect(about, &QAction::triggered, [&] { ++aboutTriggers; });
    QObject::connect(over->findChild<QPushButton*>(), &QPushButton::clicked, [&] { ++overClicks; });

    QtWindowBinding binding(&window, "Tavrel Camera",
                            [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
                            {
                                if (message.message == WM_COMMAND)
                                    unhandled.push_back(message.wParam);
                                return 0;
                            });
    binding.SetCommandHandler(2001, [&] { ++internal; });
    const HWND hwnd = binding.Handle();

    EXPECT_TRUE(SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1028)).delivered);
    EXPECT_EQ(captureClicks, 1);
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1040));
    EXPECT_TRUE(denoise->isChecked());
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(32901));
    EXPECT_EQ(aboutTriggers, 1);
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(2001));
    EXPECT_EQ(internal, 1);

    // Not clicks: another notification, a disabled control, another
    // window's control, a number nothing carries.
    const WPARAM selectionChange = MakeCommandWParam(1028, 1 /*CBN_SELCHANGE*/);
    SendFromOtherThread(hwnd, WM_COMMAND, selectionChange);
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1039));
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1030));
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(4242));
    EXPECT_EQ(captureClicks, 1);
    EXPECT_EQ(disabledClicks, 0);
    EXPECT_EQ(overClicks, 0);
    EXPECT_EQ(unhandled, (std::vector<WPARAM>{selectionChange, MakeCommandWParam(1039),
                                              MakeCommandWParam(1030), MakeCommandWParam(4242)}));

    // A posted command arrives too.
    FromOtherThread([&] { Desktop::PostMessage(hwnd, WM_COMMAND, MakeCommandWParam(1028)); });
    EXPECT_TRUE(SpinUntil([&] { return captureClicks == 2; }));

    // A choice in a combo box: the entry's number comes as LPARAM.
    std::vector<int> chosen;
    QObject::connect(format, &QComboBox::activated, [&](int index) { chosen.push_back(index); });
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1043, 1 /*CBN_SELCHANGE*/), 1);
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1043, 1), 2);
    SendFromOtherThread(hwnd, WM_COMMAND, MakeCommandWParam(1043, 1), (LPARAM(1) << 32));
    EXPECT_EQ(chosen, std::vector<int>{1});
    EXPECT_EQ(unhandled.size(), 6u); // the two entries it does not have
    EXPECT_EQ(format->currentIndex(), 1);
}

TEST_F(QtBinding, DialogsAreWindowsWhileShownAndCloseOnWmClose)
{
    QWidget main;
    QtWindowBinding mainWindow(&main, "Pelidor");
    QDialog dialog(&main);
    dialog.setWindowTitle("镜头校正");
    EXPECT_EQ(Desktop::FindWindow(kDialogClassName), 0u);
    dialog.show();
    const HWND hwnd = Desktop::FindWindow(kDialogClassName, std::string("镜头校正"));
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(QtWindowBinding::HandleOf(&dialog), hwnd);
    dialog.setWindowTitle("Lens calibration");
    EXPECT_EQ(Desktop::GetWindowText(hwnd), "Lens calibration");

    // The close ends the dialog from inside the window's own handler.
    EXPECT_TRUE(SendFromOtherThread(hwnd, WM_CLOSE).delivered);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(SpinUntil([&] { return !Desktop::IsWindow(hwnd); }));
    EXPECT_EQ(QtWindowBinding::HandleOf(&dialog), 0u);

    // Shown again, it is a window again; a bound dialog is not bound twice.
    dialog.show();
    EXPECT_NE(Desktop::FindWindow(kDialogClassName), 0u);
    QDialog bound;
    QtWindowBinding own(&bound, "Tavrel Camera");
    bound.show();
    int dialogs = 0;
    for (HWND w = Desktop::GetFirstWindow(); w; w = Desktop::GetNextWindow(w))
        dialogs += Desktop::GetClassName(w) == kDialogClassName;
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(Desktop::IsWindow(mainWindow.Handle()));

    // IDOK without an OK button of its own ends a dialog as accepted.
    const HWND again = QtWindowBinding::HandleOf(&dialog);
    FromOtherThread([&] { Desktop::PostMessage(again, WM_COMMAND, MakeCommandWParam(IDOK)); });
    EXPECT_TRUE(SpinUntil([&] { return !dialog.isVisible() && !Desktop::IsWindow(again); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(QtBinding, MessageBoxAnswersACommandForItsButton)
{
    HWND box = 0;
    std::thread script(
        [&]
        {
            WaitFor([&] { return (box = Desktop::FindWindow(kDialogClassName, "Tavrel")) != 0; });
            Desktop::SendMessage(box, WM_COMMAND, MakeCommandWParam(IDCANCEL));
        });
    QtMessageBoxSink sink;
    const int answer = sink.Show(0, "No device", "Tavrel", MB_OKCANCEL);
    script.join();
    ASSERT_NE(box, 0u);
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_TRUE(SpinUntil([&] { return !Desktop::IsWindow(box); }));
}

TEST_F(QtBinding, WindowGoesWithTheBinding)
{
    QWidget widget;
    HWND hwnd = 0;
    {
        QtWindowBinding binding(&widget, "TestFrame");
        hwnd = binding.Handle();
        EXPECT_TRUE(Desktop::IsWindow(hwnd));
    }
    EXPECT_FALSE(Desktop::IsWindow(hwnd));
    EXPECT_FALSE(Desktop::SendMessage(hwnd, WM_USER).delivered);
    EXPECT_EQ(QtWindowBinding::HandleOf(&widget), 0u);
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
