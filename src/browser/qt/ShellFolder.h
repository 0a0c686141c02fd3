#pragma once
// The folder tree pane (view 316 with tree control 1067): shows the tree
// model, reads a node's children when it opens, follows and sets the
// selection, offers context menu 321 and label editing.

#include "browser/FolderTree.h"

#include <QWidget>

#include <unordered_map>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavrel
{

class CFileBrowser;

class CShellFolder : public QWidget, private ITreeObserver
{
    Q_OBJECT

public:
    explicit CShellFolder(CFileBrowser& browser, QWidget* parent = nullptr);
    ~CShellFolder() override;

    QTreeWidget* TreeControl() const { return m_tree; }
    // The tree menu's commands by id (32966 ... 32984); false for others.
    bool OnCommand(int id);
    // Menu 321 with each item enabled as the selection allows.
    QMenu* ContextMenu();
    QTreeWidgetItem* ItemOf(const TreeNode* node) const;
    TreeNode* NodeOf(const QTreeWidgetItem* item) const;

private:
    void TreeRebuilt(TreeNode* root) override;
    void NodeInserted(TreeNode* node) override;
    void NodeAboutToBeRemoved(TreeNode* node) override;
    void NodeChanged(TreeNode* node) override;
    void SelectionChanged(TreeNode* node) override;
    void EditLabel(TreeNode* node) override;

    QTreeWidgetItem* MakeItem(TreeNode* node);
    void UpdateItem(TreeNode* node, QTreeWidgetItem* item);
    void Forget(QTreeWidgetItem* item);
    void ShowContextMenu(const QPoint& at);

    CFileBrowser& m_browser;
    QTreeWidget* m_tree;
    QMenu* m_menu;
    std::unordered_map<const TreeNode*, QTreeWidgetItem*> m_items;
    bool m_updating = false;
    QTreeWidgetItem* m_editing = nullptr;
};

} // namespace tavrel
