#include "manager/app/ExplorerBrowser.h"

#include "browser/qt/BrowserQt.h"
#include "browser/qt/FileView.h"
#include "browser/qt/QtBrowserDialogs.h"
#include "browser/qt/QtFileClipboard.h"
#include "browser/qt/ShellFolder.h"
#include "browser/qt/WebBrowserView.h"
#include "manager/ManagerEngine.h"
#include "manager/UserSettings.h"

namespace tavrel
{

namespace
{

// `folder` is `path` or lies below it.
bool Holds(const std::string& path, const std::string& folder)
{
    if (path.empty())
        return false;
    if (path == "/" || path == folder)
        return true;
    return folder.size() > path.size() && folder.compare(0, path.size(), path) == 0 &&
           folder[path.size()] == '/';
}

} // namespace

// The explorer window's flags and the main frame's status pane, as the
// browser sets and reads them.
class CExplorerBrowser::FrameLink : public IBrowserFrame
{
public:
    FrameLink(CManagerEngine& engine, StatusSink status)
        : m_engine(engine), m_status(std::move(status))
    {
    }
    void SetStatusText(const std::string& text) override
    {
        if (m_status)
            m_status(text);
    }
    void SetEditFlag(EditFlag flag, bool enabled) override
    {
        EditFlags flags = m_engine.Edit();
        switch (flag)
        {
        case EditFlag::Cut:
            flags.cut = enabled;
            break;
        case EditFlag::Copy:
            flags.copy = enabled;
            break;
        case EditFlag::Paste:
            flags.paste = enabled;
            break;
        case EditFlag::Delete:
            flags.del = enabled;
            break;
        }
        m_engine.SetEditFlags(flags);
    }
    void SetLabelEditing(bool editing) override { m_engine.SetRenaming(editing); }
    bool IsClosing() const override { return m_engine.IsClosing(); }

private:
    CManagerEngine& m_engine;
    StatusSink m_status;
};

class CExplorerBrowser::ListPane : public IExplorerFileList
{
public:
    explicit ListPane(CExplorerBrowser& owner) : m_owner(owner) {}
    QWidget* Widget() override { return m_owner.m_fileView; }
    std::string CurrentFolder() const override
    {
        return m_owner.m_pendingFolder.empty() ? List().CurrentFolder() : m_owner.m_pendingFolder;
    }
    void OnPictureStored(unsigned long long wParam, const std::string& path) override
    {
        List().OnPictureStored(wParam, path);
    }
    bool IsIconMode() const override { return List().Mode() == ViewMode::Icons; }
    void SetIconMode(bool icons) override
    {
        List().SetViewMode(icons ? ViewMode::Icons : ViewMode::Details);
    }
    void StopThumbnailWorker() override { List().StopThumbnailWorker(); }
    bool OnCommand(UINT id) override
    {
        return m_owner.m_fileView && m_owner.m_fileView->OnCommand(int(id));
    }

private:
    CFileList& List() const { return m_owner.m_browser->List(); }
    CExplorerBrowser& m_owner;
};

class CExplorerBrowser::TreePane : public IExplorerFolderTree
{
public:
    explicit TreePane(CExplorerBrowser& owner) : m_owner(owner) {}
    QWidget* Widget() override { return m_owner.m_shellFolder; }
    bool IsComputerSelected() const override { return Tree().IsComputerSelected(); }
    void SelectDocuments() override { Tree().SelectDocuments(); }
    void SelectParent() override
    {
        if (const TreeNode* selected = Tree().Selected(); selected && selected->parent)
            Tree().Select(selected->parent);
    }
    bool OnCommand(UINT id) override
    {
        return m_owner.m_shellFolder && m_owner.m_shellFolder->OnCommand(int(id));
    }

private:
    CFolderTree& Tree() const { return m_owner.m_browser->Tree(); }
    CExplorerBrowser& m_owner;
};

class CExplorerBrowser::WebPane : public IExplorerWebPanel
{
public:
    explicit WebPane(CExplorerBrowser& owner) : m_owner(owner) {}
    QWidget* Widget() override { return m_owner.m_webView; }

private:
    CExplorerBrowser& m_owner;
};

CExplorerBrowser::CExplorerBrowser(CManagerEngine& engine, CUserSettings& settings,
                                   StatusSink status, QWidget* dialogParent)
    : m_settings(std::make_unique<BrowserSettingsOf<CUserSettings>>(settings)),
      m_frame(std::make_unique<FrameLink>(engine, std::move(status))),
      m_dialogs(std::make_unique<QtBrowserDialogs>(dialogParent)),
      m_clipboard(std::make_unique<QtFileClipboard>())
{
    BrowserServices services;
    services.settings = m_settings.get();
    services.frame = m_frame.get();
    services.dialogs = m_dialogs.get();
    services.clipboard = m_clipboard.get();
    services.post = QtPoster();
    services.texts = QtBrowserTexts();
    services.paths = DefaultShellPaths();
    m_browser = std::make_unique<CFileBrowser>(std::move(services));
    m_dialogs->SetCancelHandler([this] { m_browser->CancelOperation(); });

    m_shellFolder = new CShellFolder(*m_browser);
    m_fileView = new CFileView(*m_browser);
    m_webView = new CWebBrowserView;
    m_list = std::make_unique<ListPane>(*this);
    m_tree = std::make_unique<TreePane>(*this);
    m_web = std::make_unique<WebPane>(*this);
}

CExplorerBrowser::~CExplorerBrowser()
{
    // Views not placed in a pane are still ours; they go before the models.
    delete m_shellFolder.data();
    delete m_fileView.data();
    delete m_webView.data();
}

void CExplorerBrowser::Start(const std::string& folder)
{
    m_browser->Start();
    // Queued behind the restore's own reads, so this selection comes last.
    if (!folder.empty() && m_browser->Tree().Root())
    {
        m_pendingFolder = folder;
        WalkTo(m_browser->Tree().Root()->id, folder);
    }
}

void CExplorerBrowser::WalkTo(std::uint64_t nodeId, const std::string& folder)
{
    CFolderTree& tree = m_browser->Tree();
    TreeNode* start = tree.NodeById(nodeId);
    if (!start)
    {
        m_pendingFolder.clear();
        return;
    }
    tree.Expand(start,
                [this, nodeId, folder]
                {
                    CFolderTree& tree = m_browser->Tree();
                    TreeNode* node = tree.NodeById(nodeId);
                    if (!node)
                    {
                        m_pendingFolder.clear();
                        return;
                    }
                    TreeNode* best = nullptr;
                    TreeNode* computer = nullptr;
                    if (tree.ItemPath(node) != folder)
                    {
                        for (const auto& child : node->children)
                        {
                            const std::string path = tree.ItemPath(child.get());
                            if (child->item.kind == PlaceKind::Computer)
                                computer = child.get();
                            else if (Holds(path, folder) &&
                                     (!best || path.size() > tree.ItemPath(best).size()))
                                best = child.get();
                        }
                    }
                    // Outside the desktop's places: through the volumes.
                    if (!best && computer && !node->parent)
                        best = computer;
                    if (best && tree.ItemPath(best) != folder)
                        return WalkTo(best->id, folder);
                    // Hidden or unreadable on the way: the nearest node, and
                    // the list shows the folder itself.
                    TreeNode* found = best ? best : node;
                    m_pendingFolder.clear();
                    tree.Select(found);
                    if (tree.ItemPath(found) != folder)
                        m_browser->List().ShowFolder(folder);
                });
}

CFileView* CExplorerBrowser::FileView() const
{
    return m_fileView;
}

CShellFolder* CExplorerBrowser::ShellFolder() const
{
    return m_shellFolder;
}

IExplorerFileList& CExplorerBrowser::FileList()
{
    return *m_list;
}

IExplorerFolderTree& CExplorerBrowser::FolderTree()
{
    return *m_tree;
}

IExplorerWebPanel& CExplorerBrowser::WebPanel()
{
    return *m_web;
}

} // namespace tavrel
