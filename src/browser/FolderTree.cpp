#include "browser/FolderTree.h"

#include <algorithm>
#include <chrono>

namespace tavrel
{

namespace
{

// Long enough for a local folder, short enough that a dead mount never
// makes the window stutter.
constexpr auto kInlineRead = std::chrono::milliseconds(30);

bool EndsWithZip(const std::string& name)
{
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".zip") == 0;
}

std::vector<std::string> SplitNames(const std::string& text)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size())
    {
        const auto end = text.find('/', start);
        const std::string name =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!name.empty())
            names.push_back(name);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return names;
}

} // namespace

int TreeNode::Index() const
{
    if (!parent)
        return 0;
    for (std::size_t i = 0; i < parent->children.size(); ++i)
        if (parent->children[i].get() == this)
            return int(i);
    return -1;
}

CFolderTree::CFolderTree(const CShellNamespace& shell, CFolderReader& reader,
                         const IBrowserSettings* settings)
    : m_shell(shell), m_reader(reader), m_settings(settings)
{
}

CFolderTree::~CFolderTree() = default;

void CFolderTree::SetSelectionHandler(std::function<void(TreeNode*)> handler)
{
    m_onSelection = std::move(handler);
}

std::unique_ptr<TreeNode> CFolderTree::MakeNode(ShellItem item, TreeNode* parent)
{
    auto node = std::make_unique<TreeNode>();
    node->item = std::move(item);
    node->parent = parent;
    node->id = m_nextId++;
    m_nodes[node->id] = node.get();
    return node;
}

void CFolderTree::Forget(TreeNode* node)
{
    for (auto& child : node->children)
        Forget(child.get());
    m_nodes.erase(node->id);
    if (m_selected == node)
        m_selected = nullptr;
}

TreeNode* CFolderTree::NodeById(std::uint64_t id) const
{
    const auto found = m_nodes.find(id);
    return found != m_nodes.end() ? found->second : nullptr;
}

void CFolderTree::Rebuild()
{
    if (m_root)
        Forget(m_root.get());
    m_nodes.clear();
    m_waiting.clear();
    m_selected = nullptr;
    m_cutNodes.clear();
    m_root = MakeNode(m_shell.Desktop(), nullptr);
    m_documentsRuleApplied = false;
    ++m_restoreEpoch;
    if (m_observer)
        m_observer->TreeRebuilt(m_root.get());

    std::string stored;
    m_restoreNames.clear();
    if (m_settings && m_settings->GetSelectedItem(stored))
        m_restoreNames = SplitNames(stored);
    ReadChildren(m_root.get(), false, [this] { FinishRestore(); });
}

bool CFolderTree::Skipped(const TreeNode* node, const ShellItem& item, bool fullRules) const
{
    if (!item.isFolder || HasChildNamed(node, item.name) || EndsWithZip(item.name))
        return true;
    if (!fullRules)
        return false;
    if (item.fileSystem && item.compressed)
        return true;
    for (PlaceKind left : {PlaceKind::Network, PlaceKind::ControlPanel, PlaceKind::RecycleBin})
    {
        const std::string name = m_shell.DisplayName(left);
        if (!name.empty() && item.name == name)
            return true;
    }
    return false;
}

void CFolderTree::InsertChildren(TreeNode* node, const std::vector<ShellItem>& items,
                                 bool fullRules)
{
    for (const ShellItem& item : items)
    {
        if (Skipped(node, item, fullRules))
            continue;
        node->children.push_back(MakeNode(item, node));
        if (m_observer)
            m_observer->NodeInserted(node->children.back().get());
    }
}

void CFolderTree::ReadChildren(TreeNode* node, bool addOnly, std::function<void()> then)
{
    const std::uint64_t id = node->id;
    const ShellItem item = node->item;
    if (!addOnly)
    {
        node->childState = TreeNode::Children::Loading;
        if (m_observer)
            m_observer->NodeChanged(node);
    }
    const CShellNamespace* shell = &m_shell;
    m_reader.Read(
        [this, shell, item, id, addOnly, then = std::move(then)]() -> std::function<void()>
        {
            auto children = shell->EnumChildren(item, true);
            return [this, id, addOnly, then, children = std::move(children)]
            {
                TreeNode* node = NodeById(id);
                if (!node)
                    return;
                // A folder that cannot be read keeps no children.
                if (children)
                    InsertChildren(node, *children, !addOnly);
                node->childState = TreeNode::Children::Read;
                node->expanded = true;
                if (m_observer)
                    m_observer->NodeChanged(node);
                auto waiting = std::move(m_waiting[id]);
                m_waiting.erase(id);
                if (then)
                    then();
                for (auto& more : waiting)
                    more();
            };
        },
        kInlineRead);
}

void CFolderTree::Expand(TreeNode* node, std::function<void()> then)
{
    if (!node)
        return;
    switch (node->childState)
    {
    case TreeNode::Children::Unread:
        ReadChildren(node, false, std::move(then));
        return;
    case TreeNode::Children::Loading:
        // The read in flight expands it and then runs this too.
        if (then)
            m_waiting[node->id].push_back(std::move(then));
        return;
    case TreeNode::Children::Read:
        if (!node->expanded)
        {
            node->expanded = true;
            if (m_observer)
                m_observer->NodeChanged(node);
        }
        if (then)
            then();
        return;
    }
}

void CFolderTree::Collapse(TreeNode* node)
{
    if (node && node->expanded)
    {
        node->expanded = false;
        if (m_observer)
            m_observer->NodeChanged(node);
    }
}

void CFolderTree::AddNewChildren(TreeNode* node, std::function<void()> then)
{
    if (!node)
        return;
    if (node->childState != TreeNode::Children::Read)
    {
        Expand(node, std::move(then));
        return;
    }
    ReadChildren(node, true, std::move(then));
}

void CFolderTree::FinishRestore()
{
    // Step 1: open the nodes along the stored names, as far as they exist.
    if (!m_restoreNames.empty() && m_root->Text() == m_restoreNames[0])
        ContinueWalk(m_root.get(), 1);

    // Steps 2 and 3: open My Documents; the root's first child (the second
    // when the first is My Computer) is selected when it is My Documents.
    const std::string documents = m_shell.DisplayName(PlaceKind::Documents);
    const std::string computer = m_shell.DisplayName(PlaceKind::Computer);
    Expand(m_root.get());
    if (TreeNode* docs = FindChildByName(m_root.get(), documents))
        Expand(docs);
    TreeNode* candidate = nullptr;
    if (!m_root->children.empty())
    {
        candidate = m_root->children[0].get();
        if (candidate->Text() == computer && m_root->children.size() > 1)
            candidate = m_root->children[1].get();
    }
    if (candidate && candidate->Text() == documents)
    {
        m_documentsRuleApplied = true;
        Select(candidate);
    }
    else if (m_restoreNames.size() <= 1)
        SelectAfterRestore(m_root.get());
}

void CFolderTree::ContinueWalk(TreeNode* found, std::size_t level)
{
    // Every node found along the stored names is opened.
    const std::uint64_t epoch = m_restoreEpoch;
    const std::uint64_t id = found->id;
    Expand(found,
           [this, epoch, id, level]
           {
               TreeNode* node = NodeById(id);
               if (epoch != m_restoreEpoch || !node)
                   return;
               TreeNode* next = level < m_restoreNames.size()
                                    ? FindChildByName(node, m_restoreNames[level])
                                    : nullptr;
               if (next)
                   ContinueWalk(next, level + 1);
               else
                   SelectAfterRestore(node);
           });
}

void CFolderTree::SelectAfterRestore(TreeNode* walkResult)
{
    // Only when the My Documents rule did not pick the node already.
    if (!m_documentsRuleApplied && walkResult && !m_selected)
        Select(walkResult);
}

void CFolderTree::Select(TreeNode* node)
{
    if (!node)
        return;
    m_selected = node;
    if (m_observer)
        m_observer->SelectionChanged(node);
    StoreSelection();
    if (m_onSelection)
        m_onSelection(node);
}

void CFolderTree::StoreSelection() const
{
    if (!m_selected || !m_settings)
        return;
    std::vector<const TreeNode*> chain;
    for (const TreeNode* node = m_selected->parent; node; node = node->parent)
        chain.push_back(node);
    std::string text;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        text += (text.empty() ? "" : "/") + (*it)->Text();
    m_settings->SetSelectedItem(text);
}

void CFolderTree::SelectChildNamed(const std::string& name)
{
    TreeNode* selected = m_selected;
    if (!selected)
        return;
    const std::uint64_t id = selected->id;
    Expand(selected,
           [this, id, name]
           {
               TreeNode* parent = NodeById(id);
               if (parent && parent == m_selected)
                   Select(FindChildByName(parent, name));
           });
}

std::string CFolderTree::ItemPath(const TreeNode* node) const
{
    if (!node)
        return std::string();
    if (!node->parent)
        return m_shell.Paths().desktop;
    return node->item.fileSystem ? node->item.path : std::string();
}

TreeNode* CFolderTree::FindChildByName(const TreeNode* node, const std::string& name) const
{
    if (!node)
        return nullptr;
    for (const auto& child : node->children)
        if (child->Text() == name)
            return child.get();
    return nullptr;
}

bool CFolderTree::IsDesktopSelected() const
{
    return m_selected && SelectedPath() == m_shell.Paths().desktop;
}

bool CFolderTree::IsComputerSelected() const
{
    const std::string computer = m_shell.DisplayName(PlaceKind::Computer);
    return m_selected && !computer.empty() && m_selected->Text() == computer;
}

bool CFolderTree::IsDocumentsSelected() const
{
    return m_selected && SelectedPath() == m_shell.Paths().documents;
}

bool CFolderTree::IsDriveSelected() const
{
    const std::string computer = m_shell.DisplayName(PlaceKind::Computer);
    return m_selected && m_selected->parent && !computer.empty() &&
           m_selected->parent->Text() == computer;
}

void CFolderTree::SelectDocuments()
{
    if (m_root)
        Select(FindChildByName(m_root.get(), m_shell.DisplayName(PlaceKind::Documents)));
}

bool CFolderTree::IsSpecialPlace(const TreeNode* node) const
{
    if (!node || !node->parent)
        return true;
    const std::string path = ItemPath(node);
    const ShellPaths& paths = m_shell.Paths();
    return node->item.kind != PlaceKind::Entry || path.empty() || path == paths.desktop ||
           path == paths.documents || path == paths.home ||
           node->parent->Text() == m_shell.DisplayName(PlaceKind::Computer);
}

TreeMenuState CFolderTree::MenuState(bool clipboardHasFiles) const
{
    TreeMenuState state;
    if (!m_selected || ItemPath(m_selected).empty())
        return state; // a virtual place: refresh only
    const bool movable = !IsSpecialPlace(m_selected);
    state.cut = state.copy = state.del = state.rename = movable;
    state.paste = clipboardHasFiles;
    state.newFolder = state.properties = true;
    return state;
}

void CFolderTree::RemoveNode(TreeNode* node)
{
    if (!node || !node->parent)
        return;
    TreeNode* parent = node->parent;
    const bool hadSelection = m_selected != nullptr;
    if (m_observer)
        m_observer->NodeAboutToBeRemoved(node);
    Forget(node);
    std::erase_if(m_cutNodes, [this](std::uint64_t id) { return !NodeById(id); });
    std::erase_if(parent->children, [node](const auto& child) { return child.get() == node; });
    if (m_observer)
        m_observer->NodeChanged(parent);
    // The selection was the node or inside it: it moves to the parent.
    if (hadSelection && !m_selected)
        Select(parent);
}

void CFolderTree::RenameNode(TreeNode* node, const std::string& newName)
{
    if (!node)
        return;
    node->item.name = newName;
    if (node->item.fileSystem)
    {
        const std::string oldPath = node->item.path;
        node->item.path = JoinPath(ParentPath(oldPath), newName);
        // Descendants already read carry paths under the old name.
        std::function<void(TreeNode*)> repath = [&](TreeNode* n)
        {
            for (auto& child : n->children)
            {
                if (child->item.path.compare(0, oldPath.size() + 1, oldPath + "/") == 0)
                    child->item.path = node->item.path + child->item.path.substr(oldPath.size());
                repath(child.get());
            }
        };
        repath(node);
    }
    if (m_observer)
        m_observer->NodeChanged(node);
    if (m_selected == node)
        StoreSelection();
}

void CFolderTree::RequestLabelEdit(TreeNode* node)
{
    if (node && m_observer)
        m_observer->EditLabel(node);
}

} // namespace tavrel
