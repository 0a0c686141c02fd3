#pragma once
// The file browser's engine: the namespace, the folder tree and file list
// models, the thumbnail worker, the file commands and the running file
// operation, bound together as the explorer window's panes need them. The
// views show its models and forward the user's actions here.

#include "browser/BrowserInterfaces.h"
#include "browser/FileList.h"
#include "browser/FileOperation.h"
#include "browser/FolderReader.h"
#include "browser/FolderTree.h"
#include "browser/ShellNamespace.h"

#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

struct BrowserServices
{
    const IBrowserSettings* settings = nullptr;
    IBrowserFrame* frame = nullptr;
    IBrowserDialogs* dialogs = nullptr;
    IFileClipboard* clipboard = nullptr;
    PostToUi post;
    TextLookup texts;
    ShellPaths paths;
};

struct ListMenuState
{
    bool open = true, cut = false, copy = false, del = false, rename = false;
    bool properties = true, paste = false, iconsChecked = true;
};

class CFileBrowser
{
public:
    explicit CFileBrowser(BrowserServices services);
    ~CFileBrowser();
    CFileBrowser(const CFileBrowser&) = delete;
    CFileBrowser& operator=(const CFileBrowser&) = delete;

    const CShellNamespace& Shell() const { return m_shell; }
    CFolderTree& Tree() { return m_tree; }
    CFileList& List() { return m_list; }
    std::string Text(int id) const { return m_services.texts(id); }

    // The panes' first update: builds the tree, which selects the
    // remembered node and so fills the list.
    void Start();

    // File list. `selection` holds item indices in index order.
    void OnListSelectionChanged(const std::vector<int>& selection);
    void OnSelectAll(std::size_t selectedCount);
    void Open(const std::vector<int>& selection);
    void CutItems(const std::vector<int>& selection);
    void CopyItems(const std::vector<int>& selection);
    void PasteIntoList();
    void DeleteItems(const std::vector<int>& selection);
    bool StartRenameItem(int index);
    // False leaves the old name.
    bool FinishRenameItem(int index, const std::string& newName);
    void ItemProperties(const std::vector<int>& selection);
    void FolderPropertiesOfList();
    ListMenuState ItemMenuState(int markIndex) const;
    ListMenuState BackgroundMenuState() const;

    // Folder tree: each acts on the selected node.
    void CutFolder();
    void CopyFolder();
    void PasteIntoFolder();
    void DeleteFolder();
    bool StartRenameFolder();
    bool FinishRenameFolder(TreeNode* node, const std::string& newName);
    void NewFolder();
    void FolderProperties();

    void CancelRename();
    bool ClipboardHasFiles() const;
    bool OperationRunning() const { return m_operation.Running(); }
    void CancelOperation() { m_operation.Cancel(); }

private:
    void OnTreeSelection(TreeNode* node);
    std::vector<std::string> SelectedPaths(const std::vector<int>& selection) const;
    void PutOnClipboard(const std::vector<std::string>& paths, bool cut);
    void Paste(const std::string& target);
    void OnPasteDone(const OperationOutcome& outcome, const std::string& target);
    void Trash(std::vector<std::string> paths, std::uint64_t treeNode);
    void OnTrashDone(const OperationOutcome& outcome, std::uint64_t treeNode);
    bool RenameEntry(const std::string& from, const std::string& to);
    void ShowPropertiesOf(const std::string& path);
    void StartOperation(OperationKind kind, std::vector<OperationItem> items,
                        std::function<void(const OperationOutcome&)> done);
    void ShowError(int id, const std::vector<std::string>& args);

    BrowserServices m_services;
    CShellNamespace m_shell;
    CFolderReader m_reader;
    CFolderTree m_tree;
    CFileList m_list;
    CFileOperation m_operation;
    bool m_progressShown = false;
};

} // namespace tavrel
