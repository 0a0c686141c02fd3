// Closing the frame: during a storage run, and with the capture program
// running.

#include "FrameFixture.h"

#include "browser/qt/FileListModel.h"
#include "browser/qt/FileView.h"
#include "capture/HandoverSender.h"
#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "manager/ManagerCommands.h"
#include "manager/app/ChildFrame.h"
#include "manager/app/ExplorerBrowser.h"
#include "manager/app/FrameStatusBar.h"
#include "platform/Desktop.h"
#include "shared/InstanceGuard.h"
#include "support/Process.h"
#include "support/Wait.h"

#include <QProgressBar>
#include <QSignalSpy>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace tavrel::test
{
namespace
{

int FilesIn(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.is_regular_file();
    return count;
}

// Records what the frame showed while a picture was being stored.
class RunWatcher : public QObject
{
public:
    RunWatcher(CMainFrame& frame, std::string folder) : m_frame(frame), m_folder(std::move(folder))
    {
        frame.installEventFilter(this);
        connect(frame.StatusBar(), &CFrameStatusBar::runStarted, this,
                [this]
                {
                    queueTextDuringRun = m_frame.StatusBar()->PaneText(2);
                    // Before the picture is written, whatever the threads do.
                    if (closeDuringRun)
                        m_frame.close();
                });
    }
    bool closeDuringRun = false;
    bool hiddenBeforeStored = false;
    int filesWhenHidden = -1;
    QString queueTextDuringRun;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_frame && event->type() == QEvent::Hide && filesWhenHidden < 0)
            filesWhenHidden = FilesIn(m_folder);
        return false;
    }

private:
    CMainFrame& m_frame;
    std::string m_folder;
};

void SendPicture(bool* done, CHandoverSender::Outcome* outcome)
{
    CDib picture;
    picture.Create(64, 48, 24, 300);
    for (int y = 0; y < 48; ++y)
        std::fill_n(picture.Row(y), picture.RowSize(), std::uint8_t(y * 5));
    CImageProfile profile(ProfileFlavour::Capture);
    profile.LoadProfile(std::string(std::getenv("TAVREL_SHARE_DIR")) + "/Positive.xml");
    CHandoverSender sender;
    *outcome = sender.Send(picture, profile, 0, 0).outcome;
    *done = true;
}

TEST_F(FrameTest, ClosingDuringAStorageRunHidesTheFrameAndClosesOnceThePictureIsStored)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Frame().StatusBar()->ProgressBar()->isVisible());
    QSignalSpy closed(&Frame(), &CMainFrame::closed);
    RunWatcher watcher(Frame(), m_pictures);
    watcher.closeDuringRun = true;

    bool done = false;
    auto outcome = CHandoverSender::Outcome::NoManager;
    std::thread sender(SendPicture, &done, &outcome);
    const bool finished = WaitUntil([&] { return done && closed.count() == 1; });
    sender.join();
    ASSERT_TRUE(finished);

    EXPECT_EQ(outcome, CHandoverSender::Outcome::Stored);
    EXPECT_EQ(watcher.queueTextDuringRun, "等待处理页数：1");
    // Hidden at once (the mark gone with it), closed after the file was
    // complete.
    EXPECT_EQ(watcher.filesWhenHidden, 0);
    EXPECT_EQ(FilesIn(m_pictures), 1);
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(Desktop::GetProp(Frame().Handle(), kPelidorInstanceName), 0u);
    EXPECT_TRUE(Frame().Engine().IsClosing());
}

TEST_F(FrameTest, APictureShowsTheRunInTheStatusBarAndLeavesItClear)
{
    ASSERT_TRUE(Start());
    RunWatcher watcher(Frame(), m_pictures);
    std::atomic<int> highest{0};
    QObject::connect(Frame().StatusBar()->ProgressBar(), &QProgressBar::valueChanged, &watcher,
                     [&](int value) { highest = std::max(highest.load(), value); });
    // The file is named on the writing thread: held there until the bar has
    // moved, the bar must animate while the picture is written.
    std::atomic<bool> movedWhileWriting{false};
    Frame().Engine().Receiver().Storage().SetClock(
        [&]
        {
            movedWhileWriting = WaitFor([&] { return highest >= 5; });
            return std::time(nullptr);
        });
    bool done = false;
    auto outcome = CHandoverSender::Outcome::NoManager;
    std::thread sender(SendPicture, &done, &outcome);
    const bool finished = WaitUntil([&] { return done; });
    sender.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(outcome, CHandoverSender::Outcome::Stored);
    EXPECT_EQ(watcher.queueTextDuringRun, "等待处理页数：1");
    EXPECT_TRUE(movedWhileWriting);
    // The run's end hides the bar (it was shown, empty, since the start).
    EXPECT_TRUE(WaitUntil([&] { return !Frame().StatusBar()->ProgressBar()->isVisible(); }));
    EXPECT_EQ(Frame().StatusBar()->PaneText(2), "");
    EXPECT_EQ(FilesIn(m_pictures), 1);
    EXPECT_TRUE(Frame().isVisible());

    // The stored picture is in the list the user sees, under its own name.
    std::string stored;
    for (const auto& entry : fs::directory_iterator(m_pictures))
        if (entry.is_regular_file())
            stored = entry.path().filename().string();
    const CFileList& list = Explorer().Panes().Browser().List();
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            return std::any_of(list.Items().begin(), list.Items().end(),
                               [&](const ListItem& item) { return item.name == stored; });
        }))
        << stored;
    EXPECT_EQ(Explorer().Panes().FileView()->Model()->rowCount(), int(list.Items().size()));
}

TEST_F(FrameTest, TheQueueCountIsInTheProgramsLanguage)
{
    SelectEnglish();
    ASSERT_TRUE(Start());
    RunWatcher watcher(Frame(), m_pictures);
    bool done = false;
    auto outcome = CHandoverSender::Outcome::NoManager;
    std::thread sender(SendPicture, &done, &outcome);
    const bool finished = WaitUntil([&] { return done; });
    sender.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(outcome, CHandoverSender::Outcome::Stored);
    EXPECT_EQ(watcher.queueTextDuringRun, "Pages waiting: 1");
}

TEST_F(FrameTest, ClosingAlsoClosesTheCaptureProgramAndStoresTheViewMode)
{
    ASSERT_TRUE(Start());
    std::string error;
    auto sim = Process::Start("tavrel-sim", {"plug"}, {}, &error);
    ASSERT_TRUE(sim) << error;
    ASSERT_EQ(sim->WaitForExit(), 0);
    auto capture = Process::Start("Vantrel", {"--simulated"}, {}, &error);
    ASSERT_TRUE(capture) << error;
    ASSERT_TRUE(WaitUntil([] { return Desktop::FindWindow(kCaptureWindowClass) != 0; }));

    Frame().Engine().SetViewMode(kViewModeDetails);
    QSignalSpy closed(&Frame(), &CMainFrame::closed);
    Frame().close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(WaitUntil([&] { return !capture->IsRunning(); }, 60000));
    EXPECT_EQ(Desktop::FindWindow(kCaptureWindowClass), 0u);
    EXPECT_NE(UserInfo().find("defaultviewmdoe=\"1\""), std::string::npos);
}

} // namespace
} // namespace tavrel::test
