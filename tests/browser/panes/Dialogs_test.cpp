// The browser's own dialogs are "#32770" windows of the session whose
// buttons answer WM_COMMAND by number, as a script drives them.

#include "browser/BrowserFixture.h"
#include "support/Wait.h"

#include "browser/qt/PropertiesDialog.h"
#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "platform/qt/DialogWindows.h"
#include "platform/qt/QtWindowBinding.h"

#include <QCoreApplication>

#include <atomic>
#include <thread>

namespace tavrel::test
{

namespace
{

HWND FindDialog()
{
    return Desktop::FindWindow(kDialogClassName);
}

// Another program's script: waits for the dialog, then sends the commands.
class Script
{
public:
    explicit Script(std::vector<unsigned> ids)
        : m_thread(
              [this, ids]
              {
                  HWND dialog = 0;
                  WaitFor([&] { return (dialog = FindDialog()) != 0; });
                  for (unsigned id : ids)
                      delivered +=
                          Desktop::SendMessage(dialog, WM_COMMAND, MakeCommandWParam(id)).delivered;
                  // A dialog the commands left open is closed: the test fails
                  // instead of waiting for ever.
                  Desktop::SendMessage(dialog, WM_CLOSE);
              })
    {
    }
    ~Script() { m_thread.join(); }
    std::atomic<int> delivered{0};

private:
    std::thread m_thread;
};

class DialogsTest : public ::testing::Test
{
protected:
    DialogsTest()
    {
        BrowserApp();
        BindDialogWindows();
    }
    Sandbox sandbox; // the session the windows belong to
    QtBrowserDialogs dialogs;
};

TEST_F(DialogsTest, NameTakenQuestionAnswersEachButtonByNumber)
{
    struct Case
    {
        bool canReplace;
        std::vector<unsigned> ids;
        ConflictChoice expected;
        bool applyToAll;
    };
    const Case cases[] = {
        {true, {kIdReplace}, ConflictChoice::Replace, false},
        {false, {kIdApplyToAll, kIdKeepBoth}, ConflictChoice::KeepBoth, true},
        {true, {kIdSkip}, ConflictChoice::Skip, false},
        {true, {unsigned(IDCANCEL)}, ConflictChoice::Cancel, false},
        // No Replace button over a folder: its number does nothing, Skip answers.
        {false, {kIdReplace, kIdSkip}, ConflictChoice::Skip, false},
    };
    for (const Case& c : cases)
    {
        bool applyToAll = !c.applyToAll;
        ConflictChoice answer;
        {
            Script script(c.ids);
            answer = dialogs.AskNameTaken("1985-01.jpg", c.canReplace, applyToAll);
        }
        EXPECT_EQ(answer, c.expected) << c.ids.front();
        EXPECT_EQ(applyToAll, c.applyToAll) << c.ids.front();
        EXPECT_TRUE(WaitUntil([] { return FindDialog() == 0; }));
    }
}

TEST_F(DialogsTest, ProgressCancelAndPropertiesCloseByNumber)
{
    int cancels = 0;
    dialogs.SetCancelHandler([&] { ++cancels; });
    OperationProgress progress;
    progress.kind = OperationKind::Copy;
    progress.currentName = "1985-01.jpg";
    progress.bytesTotal = 100;
    progress.bytesDone = 40;
    dialogs.ShowProgress(progress);
    ASSERT_TRUE(WaitUntil([] { return FindDialog() != 0; }));
    {
        Script script({unsigned(IDCANCEL)});
        EXPECT_TRUE(WaitUntil([&] { return script.delivered == 1; }));
    }
    EXPECT_EQ(cancels, 1); // the operation is told, not only the window hidden
    dialogs.HideProgress();
    EXPECT_TRUE(WaitUntil([] { return FindDialog() == 0; }));

    FileProperties properties;
    properties.name = "PORTRAIT.JPG";
    properties.exists = true;
    properties.folder = "/home/user/Documents";
    PropertiesDialog window(properties);
    window.show();
    ASSERT_TRUE(WaitUntil([] { return FindDialog() != 0; }));
    EXPECT_EQ(Desktop::GetWindowText(FindDialog()), window.windowTitle().toStdString());
    {
        Script script({unsigned(IDCANCEL)});
        EXPECT_TRUE(WaitUntil([&] { return script.delivered == 1; }));
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(WaitUntil([] { return FindDialog() == 0; }));
}

} // namespace

} // namespace tavrel::test
