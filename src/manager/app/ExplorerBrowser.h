#pragma once
// The explorer window's three panes: the file browser's folder tree, file
// list and web panel over one browser engine, with the user settings, the
// explorer window's flags and status pane, the dialogs and the clipboard it
// needs.

#include "browser/FileBrowser.h"
#include "manager/app/ExplorerPanes.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <string>

namespace tavrel
{

class CFileView;
class CManagerEngine;
class CShellFolder;
class CUserSettings;
class CWebBrowserView;
class QtBrowserDialogs;
class QtFileClipboard;

class CExplorerBrowser
{
public:
    using StatusSink = std::function<void(const std::string&)>;

    // `status` writes the main frame's status pane 0; `dialogParent` owns the
    // file commands' questions and windows.
    CExplorerBrowser(CManagerEngine& engine, CUserSettings& settings, StatusSink status,
                     QWidget* dialogParent);
    ~CExplorerBrowser();
    CExplorerBrowser(const CExplorerBrowser&) = delete;
    CExplorerBrowser& operator=(const CExplorerBrowser&) = delete;

    // The panes' first update, once they are placed: the tree is built and
    // restores the remembered folder, or shows `folder` when one is given.
    void Start(const std::string& folder);

    CFileBrowser& Browser() { return *m_browser; }
    IExplorerFileList& FileList();
    IExplorerFolderTree& FolderTree();
    IExplorerWebPanel& WebPanel();
    CFileView* FileView() const;
    CShellFolder* ShellFolder() const;

private:
    class FrameLink;
    class ListPane;
    class TreePane;
    class WebPane;

    // Opens the tree along `folder` from the root, selecting the deepest
    // node on the way; the list shows the folder itself.
    void WalkTo(std::uint64_t nodeId, const std::string& folder);

    std::unique_ptr<IBrowserSettings> m_settings;
    std::unique_ptr<FrameLink> m_frame;
    std::unique_ptr<QtBrowserDialogs> m_dialogs;
    std::unique_ptr<QtFileClipboard> m_clipboard;
    std::unique_ptr<CFileBrowser> m_browser;
    // The views belong to the splitter panes they are placed in.
    QPointer<CShellFolder> m_shellFolder;
    QPointer<CFileView> m_fileView;
    QPointer<CWebBrowserView> m_webView;
    std::unique_ptr<ListPane> m_list;
    std::unique_ptr<TreePane> m_tree;
    std::unique_ptr<WebPane> m_web;
    // The folder asked for at start, until the tree has opened it: pictures
    // arriving meanwhile go there, not to the folder the restore showed.
    std::string m_pendingFolder;
};

} // namespace tavrel
