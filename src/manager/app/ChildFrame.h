#pragma once
// The explorer window: toolbar 158 (Capture, Up, Folders, View), the nested
// splitters with the folder tree, the web panel and the file list, menu 129,
// accelerator table 128 and the routing of commands to the pane that owns
// them. State and commands live in the manager's engine.

#include "manager/ManagerEngine.h"
#include "manager/app/ExplorerPanes.h"

#include <QMainWindow>

#include <map>
#include <memory>

class QActionGroup;
class QMenu;
class QMenuBar;
class QToolBar;

namespace tavrel
{

class CExplorerBrowser;
class CPaneSplitterWnd;

class CChildFrame : public QMainWindow
{
    Q_OBJECT

public:
    // `folder`: the folder to show first.
    CChildFrame(CManagerEngine& engine, const QString& settingsFile, const std::string& folder,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Menu 129 into the frame's menu bar.
    void FillMenuBar(QMenuBar* menuBar);
    // Carries out a command as the framework's routing would: the window's
    // own commands, then the file list's, then the folder tree's. False when
    // nobody has that id.
    bool OnCommand(UINT id);
    // The update handlers: enabled and checked states from the engine.
    void UpdateCommandUi();

    QAction* Action(UINT id) const;
    QToolBar* ToolBar() const { return m_toolBar; }
    QMenu* ViewMenu() const { return m_viewMenu; }
    CPaneSplitterWnd* Splitter() const { return m_splitter; }
    IExplorerFileList& FileList();
    IExplorerFolderTree& FolderTree();
    IExplorerWebPanel& WebPanel();
    CExplorerBrowser& Panes() { return *m_panes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateToolBar();
    void CreatePanes(const QString& settingsFile, const std::string& folder);
    void CreateActions();
    void CreateAccelerators();
    QAction* AddAction(UINT id, int textId);
    void ShowViewMenu();
    void SetListMode(bool icons);
    bool FolderTreeHasFocus() const;

    CManagerEngine& m_engine;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_viewMenu = nullptr;
    QActionGroup* m_viewGroup = nullptr;
    CPaneSplitterWnd* m_splitter = nullptr;
    std::map<UINT, QAction*> m_actions;
    std::unique_ptr<CExplorerBrowser> m_panes;
};

} // namespace tavrel
