#include "browser/qt/ShellFolder.h"

#include "browser/FileBrowser.h"
#include "browser/qt/BrowserQt.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavrel
{

namespace
{

constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kLoadingRole = Qt::UserRole + 2;

QIcon NodeIcon(const TreeNode* node)
{
    switch (node->item.kind)
    {
    case PlaceKind::Desktop:
        return ThemeIcon("user-desktop", kFolderIconId);
    case PlaceKind::Documents:
        return ThemeIcon("folder-documents", ids::kIconDocuments);
    case PlaceKind::Computer:
        return ThemeIcon("computer", ids::kIconComputer);
    case PlaceKind::Home:
        return ThemeIcon("user-home", kFolderIconId);
    case PlaceKind::Network:
        return ThemeIcon("network-workgroup", kFolderIconId);
    case PlaceKind::RecycleBin:
        return ThemeIcon("user-trash", kFolderIconId);
    case PlaceKind::Volume:
        return ThemeIcon("drive-harddisk", kDriveIconId);
    default:
        return ThemeIcon("folder", kFolderIconId);
    }
}

} // namespace

CShellFolder::CShellFolder(CFileBrowser& browser, QWidget* parent)
    : QWidget(parent), m_browser(browser), m_tree(new QTreeWidget(this)), m_menu(new QMenu(this))
{
    setProperty("controlId", ids::kTreeView);
    m_tree->setProperty("controlId", ids::kTreeControl);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setUniformRowHeights(true);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);

    m_menu->setProperty("controlId", ids::kTreeMenu);
    for (int id : {ids::kTreeCut, ids::kTreeCopy, ids::kTreePaste, ids::kTreeDelete,
                   ids::kTreeRename, 0, ids::kTreeNew, ids::kTreeProperties, 0, ids::kTreeRefresh})
    {
        if (id == 0)
        {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(BrowserText(id));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }

    connect(m_tree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item)
            {
                if (!m_updating)
                    m_browser.Tree().Expand(NodeOf(item));
            });
    connect(m_tree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item)
            {
                if (!m_updating)
                    m_browser.Tree().Collapse(NodeOf(item));
            });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current)
            {
                TreeNode* node = NodeOf(current);
                if (!m_updating && node && node != m_browser.Tree().Selected())
                    m_browser.Tree().Select(node);
            });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &CShellFolder::ShowContextMenu);
    connect(m_tree, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item)
            {
                if (m_updating || item != m_editing)
                    return;
                m_editing = nullptr;
                TreeNode* node = NodeOf(item);
                const std::string text = item->text(0).toStdString();
                if (!m_browser.FinishRenameFolder(node, text) && node)
                {
                    m_updating = true;
                    item->setText(0, QString::fromStdString(node->Text()));
                    m_updating = false;
                }
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            });
    connect(m_tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this]
            {
                // A cancelled edit leaves the text as it was.
                if (m_editing)
                {
                    m_editing->setFlags(m_editing->flags() & ~Qt::ItemIsEditable);
                    m_editing = nullptr;
                    m_browser.CancelRename();
                }
            });
    m_browser.Tree().SetObserver(this);
}

CShellFolder::~CShellFolder()
{
    m_browser.Tree().SetObserver(nullptr);
}

TreeNode* CShellFolder::NodeOf(const QTreeWidgetItem* item) const
{
    if (!item || item->data(0, kLoadingRole).toBool())
        return nullptr;
    return m_browser.Tree().NodeById(item->data(0, kNodeRole).toULongLong());
}

QTreeWidgetItem* CShellFolder::ItemOf(const TreeNode* node) const
{
    const auto found = m_items.find(node);
    return found != m_items.end() ? found->second : nullptr;
}

QTreeWidgetItem* CShellFolder::MakeItem(TreeNode* node)
{
    auto* item = new QTreeWidgetItem;
    item->setData(0, kNodeRole, QVariant::fromValue<qulonglong>(node->id));
    m_items[node] = item;
    UpdateItem(node, item);
    return item;
}

void CShellFolder::UpdateItem(TreeNode* node, QTreeWidgetItem* item)
{
    const bool was = m_updating;
    m_updating = true;
    item->setText(0, QString::fromStdString(node->Text()));
    item->setIcon(0, NodeIcon(node));
    item->setChildIndicatorPolicy(node->ShowsExpandButton()
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    // A folder being read shows so, instead of freezing the window.
    QTreeWidgetItem* loading = nullptr;
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->data(0, kLoadingRole).toBool())
            loading = item->child(i);
    const bool isLoading = node->childState == TreeNode::Children::Loading;
    if (isLoading && !loading)
    {
        loading = new QTreeWidgetItem;
        loading->setData(0, kLoadingRole, true);
        loading->setText(0, BrowserText(ids::kLoading));
        loading->setFlags(Qt::ItemIsEnabled);
        item->insertChild(0, loading);
        item->setExpanded(true);
    }
    else if (!isLoading && loading)
        delete loading;
    if (!isLoading && item->isExpanded() != node->expanded)
        item->setExpanded(node->expanded);
    m_updating = was;
}

void CShellFolder::Forget(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i)
        Forget(item->child(i));
    if (TreeNode* node = NodeOf(item))
        m_items.erase(node);
    if (item == m_editing)
        m_editing = nullptr;
}

void CShellFolder::TreeRebuilt(TreeNode* root)
{
    m_updating = true;
    m_items.clear();
    m_editing = nullptr;
    m_tree->clear();
    m_tree->addTopLevelItem(MakeItem(root));
    m_updating = false;
}

void CShellFolder::NodeInserted(TreeNode* node)
{
    QTreeWidgetItem* parent = ItemOf(node->parent);
    if (!parent)
        return;
    m_updating = true;
    int loadingRows = 0;
    for (int i = 0; i < parent->childCount(); ++i)
        loadingRows += parent->child(i)->data(0, kLoadingRole).toBool() ? 1 : 0;
    parent->insertChild(node->Index() + loadingRows, MakeItem(node));
    m_updating = false;
}

void CShellFolder::NodeAboutToBeRemoved(TreeNode* node)
{
    QTreeWidgetItem* item = ItemOf(node);
    if (!item)
        return;
    m_updating = true;
    Forget(item);
    delete item;
    m_updating = false;
}

void CShellFolder::NodeChanged(TreeNode* node)
{
    if (QTreeWidgetItem* item = ItemOf(node))
        UpdateItem(node, item);
}

void CShellFolder::SelectionChanged(TreeNode* node)
{
    QTreeWidgetItem* item = ItemOf(node);
    if (!item)
        return;
    m_updating = true;
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
    m_updating = false;
}

void CShellFolder::EditLabel(TreeNode* node)
{
    QTreeWidgetItem* item = ItemOf(node);
    if (!item)
        return;
    m_updating = true;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_updating = false;
    m_editing = item;
    m_tree->scrollToItem(item);
    m_tree->editItem(item, 0);
}

QMenu* CShellFolder::ContextMenu()
{
    const TreeMenuState state = m_browser.Tree().MenuState(m_browser.ClipboardHasFiles());
    for (QAction* action : m_menu->actions())
    {
        switch (action->data().toInt())
        {
        case ids::kTreeCut:
            action->setEnabled(state.cut);
            break;
        case ids::kTreeCopy:
            action->setEnabled(state.copy);
            break;
        case ids::kTreePaste:
            action->setEnabled(state.paste);
            break;
        case ids::kTreeDelete:
            action->setEnabled(state.del);
            break;
        case ids::kTreeRename:
            action->setEnabled(state.rename);
            break;
        case ids::kTreeNew:
            action->setEnabled(state.newFolder);
            break;
        case ids::kTreeProperties:
            action->setEnabled(state.properties);
            break;
        case ids::kTreeRefresh:
            action->setEnabled(state.refresh);
            break;
        default:
            break;
        }
    }
    return m_menu;
}

void CShellFolder::ShowContextMenu(const QPoint& at)
{
    // The node under the cursor is selected first.
    if (QTreeWidgetItem* item = m_tree->itemAt(at))
        if (TreeNode* node = NodeOf(item))
            m_browser.Tree().Select(node);
    ContextMenu()->popup(m_tree->viewport()->mapToGlobal(at));
}

bool CShellFolder::OnCommand(int id)
{
    switch (id)
    {
    case ids::kTreeCut:
        m_browser.CutFolder();
        return true;
    case ids::kTreeCopy:
        m_browser.CopyFolder();
        return true;
    case ids::kTreePaste:
        m_browser.PasteIntoFolder();
        return true;
    case ids::kTreeDelete:
        m_browser.DeleteFolder();
        return true;
    case ids::kTreeRename:
        m_browser.StartRenameFolder();
        return true;
    case ids::kTreeNew:
        m_browser.NewFolder();
        return true;
    case ids::kTreeProperties:
        m_browser.FolderProperties();
        return true;
    case ids::kTreeRefresh:
        m_browser.Tree().Rebuild();
        return true;
    default:
        return false;
    }
}

} // namespace tavrel
