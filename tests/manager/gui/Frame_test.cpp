// The real frame and explorer window: start-up, the toolbar's commands, the
// splitters, Backspace, and a second start.

#include "FrameFixture.h"

#include "manager/ManagerCommands.h"
#include "manager/app/ChildFrame.h"
#include "manager/app/FrameStatusBar.h"
#include "manager/app/PaneSplitterWnd.h"
#include "manager/app/PelidorStrings.h"
#include "platform/Desktop.h"
#include "shared/InstanceGuard.h"
#include "support/Process.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <regex>

namespace tavrel::test
{
namespace
{

bool HasChinese(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

QStringList ToolBarTexts(CChildFrame& explorer)
{
    QStringList texts;
    for (QAction* action : explorer.ToolBar()->actions())
        texts << action->text();
    return texts;
}

TEST_F(FrameTest, StartUpBuildsTheMarkedFrameWithTheExplorerWindow)
{
    std::ofstream(m_sandbox.Home() + "/UserInfo.xml")
        << "<userinfo><fileview defaultviewmdoe=\"1\"/><folderview selItem=\"\"/></userinfo>";
    ASSERT_TRUE(Start());
    const HWND frame = Frame().Handle();
    EXPECT_EQ(Desktop::FindWindow("Pelidor"), frame);
    EXPECT_EQ(Desktop::GetProp(frame, kPelidorInstanceName), 1u);
    EXPECT_EQ(Desktop::GetWindowText(frame), "TAVREL");
    EXPECT_TRUE(Frame().windowState() & Qt::WindowMaximized);

    EXPECT_EQ(ToolBarTexts(Explorer()), (QStringList{"拍摄", "向上", "文件夹", "查看"}));
    for (QAction* action : Explorer().ToolBar()->actions())
    {
        EXPECT_FALSE(action->icon().isNull());
        EXPECT_GE(Explorer().ToolBar()->widgetForAction(action)->height(), 38);
    }
    EXPECT_TRUE(Explorer().Action(ID_FOLDERS)->isChecked());
    // The file list's flags: nothing selected, so the edit commands are off.
    for (const UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE})
        EXPECT_FALSE(Explorer().Action(id)->isEnabled()) << id;
    const QList<QAction*> menus = Frame().menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "文件(&F)");

    // The folder from the command line, the mode from the user settings,
    // the tree shown and the web panel hidden.
    EXPECT_TRUE(Shows(m_pictures)) << Explorer().FileList().CurrentFolder();
    EXPECT_FALSE(Explorer().FileList().IsIconMode());
    CPaneSplitterWnd* left = Explorer().Splitter()->SubSplitter(0);
    ASSERT_NE(left, nullptr);
    EXPECT_TRUE(Explorer().FolderTree().Widget()->isVisible());
    EXPECT_FALSE(Explorer().WebPanel().Widget()->isVisible());
    EXPECT_TRUE(left->IsPaneHidden(1));
    EXPECT_EQ(Explorer().Splitter()->PaneSizes()[0], 200);

    // The bar stands empty in pane 1 until the first run; no queue yet.
    EXPECT_EQ(Frame().StatusBar()->ProgressBar()->value(), 0);
    EXPECT_EQ(Frame().StatusBar()->ProgressBar()->x(), Frame().StatusBar()->GetPaneRect(1).left);
    EXPECT_EQ(Frame().StatusBar()->PaneText(2), "");
}

TEST_F(FrameTest, EnglishLeavesNoChineseText)
{
    SelectEnglish();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(m_app->TranslationLoaded());
    EXPECT_EQ(ToolBarTexts(Explorer()), (QStringList{"Capture", "Up", "Folders", "View"}));
    for (int id = IDS_FRAME_TITLE; id <= IDS_PANE_WEB; ++id)
        EXPECT_FALSE(HasChinese(LoadString(id))) << id << LoadString(id).toStdString();
    for (const int id :
         {IDS_QUEUE_STATUS, IDS_TOOL_CAPTURE, IDS_TOOL_UP, IDS_TOOL_FOLDERS, IDS_TOOL_VIEW})
        EXPECT_FALSE(HasChinese(LoadString(id))) << id;
    for (QAction* action : Frame().findChildren<QAction*>())
        EXPECT_FALSE(HasChinese(action->text())) << action->text().toStdString();
    EXPECT_FALSE(HasChinese(Frame().StatusBar()->PaneText(0)));
}

TEST_F(FrameTest, FoldersTwiceRestoresTheTreeWithItsWidth)
{
    ASSERT_TRUE(Start());
    CPaneSplitterWnd* outer = Explorer().Splitter();
    const int total = outer->sizes()[0] + outer->sizes()[1];
    outer->setSizes({260, total - 260});
    ASSERT_EQ(outer->PaneSizes()[0], 260);

    ASSERT_TRUE(Explorer().OnCommand(ID_FOLDERS));
    EXPECT_FALSE(Explorer().FolderTree().Widget()->isVisible());
    EXPECT_FALSE(Explorer().Action(ID_FOLDERS)->isChecked());
    EXPECT_FALSE(Frame().Engine().FoldersShown());

    ASSERT_TRUE(Explorer().OnCommand(ID_FOLDERS));
    EXPECT_TRUE(Explorer().FolderTree().Widget()->isVisible());
    EXPECT_TRUE(Explorer().Action(ID_FOLDERS)->isChecked());
    EXPECT_EQ(outer->PaneSizes()[0], 260);
}

TEST_F(FrameTest, ViewMenuMarksTheListModeAndEverySwitchIsStored)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Explorer().FileList().IsIconMode());
    Explorer().OnCommand(ID_VIEW_MENU);
    ASSERT_TRUE(WaitUntil([&] { return Explorer().ViewMenu()->isVisible(); }));
    EXPECT_TRUE(Explorer().Action(ID_VIEW_ICONS)->isChecked());
    EXPECT_FALSE(Explorer().Action(ID_VIEW_DETAILS)->isChecked());
    // The View button pops the menu up; it is never shown checked.
    EXPECT_FALSE(Explorer().Action(ID_VIEW_MENU)->isChecked());
    Explorer().ViewMenu()->hide();

    Explorer().OnCommand(ID_VIEW_DETAILS);
    EXPECT_FALSE(Explorer().FileList().IsIconMode());
    Explorer().OnCommand(ID_VIEW_MENU);
    EXPECT_TRUE(Explorer().Action(ID_VIEW_DETAILS)->isChecked());
    EXPECT_FALSE(Explorer().Action(ID_VIEW_ICONS)->isChecked());
    Explorer().ViewMenu()->hide();
    // The list stores the mode it switches to.
    EXPECT_NE(UserInfo().find("defaultviewmdoe=\"1\""), std::string::npos);
    Explorer().OnCommand(ID_VIEW_ICONS);
    EXPECT_NE(UserInfo().find("defaultviewmdoe=\"0\""), std::string::npos);

    Explorer().OnCommand(ID_VIEW_REPORT);
    EXPECT_NE(UserInfo().find("defaultviewmdoe=\"1\""), std::string::npos);
    Explorer().OnCommand(ID_VIEW_LARGEICON);
    EXPECT_TRUE(Explorer().FileList().IsIconMode());
    EXPECT_NE(UserInfo().find("defaultviewmdoe=\"0\""), std::string::npos);
}

TEST_F(FrameTest, BackspaceGoesUpUnlessANameIsBeingEdited)
{
    ASSERT_TRUE(Start({m_pictures + "/Family/1978"}));
    Frame().activateWindow();
    QWidget* list = Explorer().FileList().Widget();
    list->setFocus();

    ASSERT_TRUE(Shows(m_pictures + "/Family/1978"));

    QTest::keyClick(list, Qt::Key_Backspace);
    EXPECT_TRUE(Shows(m_pictures + "/Family"));

    // An Up taken here would show up as one level too many at the end.
    Frame().Engine().SetRenaming(true);
    QTest::keyClick(list, Qt::Key_Backspace);
    Frame().Engine().SetRenaming(false);

    // A text field inside the window keeps its Backspace too.
    auto* editor = new QLineEdit("1978", list);
    editor->show();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "197");
    delete editor;

    QTest::keyClick(Explorer().FolderTree().Widget(), Qt::Key_Backspace);
    EXPECT_TRUE(Shows(m_pictures)) << Explorer().FileList().CurrentFolder();
}

TEST_F(FrameTest, SplitterStateIsWrittenWhenTheWindowGoesAndTheWebPanelStaysHidden)
{
    ASSERT_TRUE(Start());
    const QString settingsFile = m_app->SettingsFile();
    Explorer().OnCommand(ID_FOLDERS);
    const int listWidth = Explorer().Splitter()->PaneSizes()[1];
    const int treeHeight = Explorer().Splitter()->SubSplitter(0)->PaneSizes()[0];
    Stop();
    {
        QSettings settings(settingsFile, QSettings::IniFormat);
        EXPECT_EQ(settings.value("SplitterWnd/Panes_0").toString(),
                  QString::asprintf("0 %d -1 100", listWidth));
        EXPECT_EQ(settings.value("SplitterWnd/Panes_1").toString(),
                  QString::asprintf("-1 %d 1 100", treeHeight));
    }

    // The record is not read back: every start shows the tree and hides
    // the web panel.
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Explorer().FolderTree().Widget()->isVisible());
    EXPECT_FALSE(Explorer().WebPanel().Widget()->isVisible());
    EXPECT_EQ(Explorer().Splitter()->PaneSizes()[0], 200);
}

TEST_F(FrameTest, TheScannerIsHeldWhilePluggedAndReleasedOnRemoval)
{
    auto sim = [](const char* command)
    {
        auto process = Process::Start("tavrel-sim", {command});
        return process ? process->WaitForExit().value_or(-1) : -1;
    };
    ASSERT_EQ(sim("plug"), 0);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Frame().Engine().ScannerHeld());
    ASSERT_EQ(sim("unplug"), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Frame().Engine().ScannerHeld(); }));
    ASSERT_EQ(sim("plug"), 0);
    EXPECT_TRUE(WaitUntil([&] { return Frame().Engine().ScannerHeld(); }));
    // The close lets go of it.
    Frame().close();
    EXPECT_FALSE(Frame().Engine().ScannerHeld());
}

TEST_F(FrameTest, ASecondStartRestoresAndRaisesTheFirstAndEnds)
{
    ASSERT_TRUE(Start());
    Frame().showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return Frame().isMinimized(); }));

    std::string error;
    auto second = Process::Start("Pelidor", {"--simulated"}, {}, &error);
    ASSERT_TRUE(second) << error;
    // This process answers the second one's requests while it waits.
    ASSERT_TRUE(WaitUntil([&] { return !second->IsRunning(); }));
    EXPECT_EQ(second->WaitForExit(), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Frame().isMinimized(); }));
    EXPECT_EQ(Desktop::FindWindow("Pelidor"), Frame().Handle());
    int frames = 0;
    for (HWND w = Desktop::GetFirstWindow(); w != 0; w = Desktop::GetNextWindow(w))
        frames += Desktop::GetClassName(w) == "Pelidor";
    EXPECT_EQ(frames, 1);
}

} // namespace
} // namespace tavrel::test
