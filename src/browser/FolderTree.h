#pragma once
// The folder tree's model: nodes of the namespace read lazily (away from
// the UI thread) with the design's skip rules, the selection and its store
// in the user settings, and the predicates and operations the other panes
// and the file commands use.

#include "browser/BrowserInterfaces.h"
#include "browser/FolderReader.h"
#include "browser/PaneInterfaces.h"
#include "browser/ShellNamespace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavrel
{

struct TreeNode
{
    enum class Children
    {
        Unread,
        Loading,
        Read,
    };

    ShellItem item;
    TreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children;
    Children childState = Children::Unread;
    bool expanded = false;
    std::uint64_t id = 0;

    const std::string& Text() const { return item.name; }
    // An expand button before the children are read.
    bool ShowsExpandButton() const
    {
        return childState != Children::Read ? item.hasSubfolders : !children.empty();
    }
    int Index() const;
};

class ITreeObserver
{
public:
    virtual ~ITreeObserver() = default;
    virtual void TreeRebuilt(TreeNode* root) = 0;
    virtual void NodeInserted(TreeNode* node) = 0;
    virtual void NodeAboutToBeRemoved(TreeNode* node) = 0;
    virtual void NodeChanged(TreeNode* node) = 0; // text, loading state, button, expansion
    virtual void SelectionChanged(TreeNode* node) = 0;
    virtual void EditLabel(TreeNode* node) = 0;
};

struct TreeMenuState
{
    bool cut = false, copy = false, paste = false, del = false, rename = false;
    bool newFolder = false, properties = false, refresh = true;
};

class CFolderTree : public IFolderTreePane
{
public:
    CFolderTree(const CShellNamespace& shell, CFolderReader& reader,
                const IBrowserSettings* settings);
    ~CFolderTree() override;

    void SetObserver(ITreeObserver* observer) { m_observer = observer; }
    // Runs after every selection change (the file list follows it).
    void SetSelectionHandler(std::function<void(TreeNode*)> handler);

    // Deletes every node, reads the root's children and restores the stored
    // selection.
    void Rebuild();
    void Expand(TreeNode* node, std::function<void()> then = {});
    void Collapse(TreeNode* node);
    void Select(TreeNode* node);
    TreeNode* Root() const { return m_root.get(); }
    TreeNode* Selected() const { return m_selected; }

    std::string ItemPath(const TreeNode* node) const;
    std::string SelectedPath() const { return ItemPath(m_selected); }
    TreeNode* FindChildByName(const TreeNode* node, const std::string& name) const;
    bool HasChildNamed(const TreeNode* node, const std::string& name) const
    {
        return FindChildByName(node, name) != nullptr;
    }
    // Reads the node's folder again and inserts the children it lacks
    // (duplicate-name and ".zip" tests only), then expands it.
    void AddNewChildren(TreeNode* node, std::function<void()> then = {});
    // Reads the selected node's children when needed, then selects the one
    // named `name` (opening a folder from the file list).
    void SelectChildNamed(const std::string& name);

    bool IsDesktopSelected() const;
    bool IsComputerSelected() const override;
    bool IsDocumentsSelected() const;
    bool IsDriveSelected() const;
    void SelectDocuments() override;
    // The desktop root, My Computer, a drive, My Documents or the home
    // folder: never cut, copied, deleted or renamed from the tree.
    bool IsSpecialPlace(const TreeNode* node) const;

    TreeMenuState MenuState(bool clipboardHasFiles) const;

    void RemoveNode(TreeNode* node);
    void RenameNode(TreeNode* node, const std::string& newName);
    void RequestLabelEdit(TreeNode* node);

    // Nodes recorded by a cut, removed when a move-paste succeeds.
    std::vector<std::uint64_t>& CutNodes() { return m_cutNodes; }
    TreeNode* NodeById(std::uint64_t id) const;

    // Writes the selection's parent chain to the user settings.
    void StoreSelection() const;

private:
    std::unique_ptr<TreeNode> MakeNode(ShellItem item, TreeNode* parent);
    void Forget(TreeNode* node);
    void InsertChildren(TreeNode* node, const std::vector<ShellItem>& items, bool fullRules);
    bool Skipped(const TreeNode* node, const ShellItem& item, bool fullRules) const;
    void ReadChildren(TreeNode* node, bool addOnly, std::function<void()> then);
    void FinishRestore();
    void ContinueWalk(TreeNode* found, std::size_t level);
    void SelectAfterRestore(TreeNode* walkResult);

    const CShellNamespace& m_shell;
    CFolderReader& m_reader;
    const IBrowserSettings* m_settings;
    ITreeObserver* m_observer = nullptr;
    std::function<void(TreeNode*)> m_onSelection;

    std::unique_ptr<TreeNode> m_root;
    TreeNode* m_selected = nullptr;
    std::unordered_map<std::uint64_t, TreeNode*> m_nodes;
    std::uint64_t m_nextId = 1;
    std::vector<std::uint64_t> m_cutNodes;
    // Work waiting for a read in flight, by node.
    std::unordered_map<std::uint64_t, std::vector<std::function<void()>>> m_waiting;

    std::vector<std::string> m_restoreNames;
    std::uint64_t m_restoreEpoch = 0;
    bool m_documentsRuleApplied = false;
};

} // namespace tavrel
