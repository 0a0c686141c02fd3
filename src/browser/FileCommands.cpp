// The file commands of the list and the tree: clipboard, paste, delete,
// rename, new folder.

#include "browser/FileBrowser.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace tavrel
{

namespace
{

bool Inside(const std::string& path, const std::string& folder)
{
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            (folder == "/" || path[folder.size()] == '/'));
}

// "name (2).ext", "name (3).ext", ...: a name free in `folder`.
std::string FreeName(const std::string& folder, const std::string& name)
{
    const auto dot = name.find_last_of('.');
    const bool ext = dot != std::string::npos && dot > 0;
    const std::string stem = ext ? name.substr(0, dot) : name;
    const std::string tail = ext ? name.substr(dot) : std::string();
    for (int n = 2;; ++n)
    {
        const std::string candidate = stem + " (" + std::to_string(n) + ")" + tail;
        if (!InspectEntry(JoinPath(folder, candidate)))
            return candidate;
    }
}

bool ValidName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

std::vector<std::string> CFileBrowser::SelectedPaths(const std::vector<int>& selection) const
{
    std::vector<std::string> paths;
    if (m_tree.IsComputerSelected() || m_list.Folder().empty())
        return paths;
    for (int index : selection)
        if (std::size_t(index) < m_list.Items().size() && !m_list.IsPlaceEntry(index))
            paths.push_back(JoinPath(m_list.Folder(), m_list.Items()[std::size_t(index)].name));
    return paths;
}

void CFileBrowser::PutOnClipboard(const std::vector<std::string>& paths, bool cut)
{
    if (paths.empty() || !m_services.clipboard)
        return;
    ClipboardFiles files{paths, cut ? ClipboardEffect::Move : ClipboardEffect::Copy};
    if (!m_services.clipboard->SetFiles(files))
        return;
    if (m_services.frame)
        m_services.frame->SetEditFlag(EditFlag::Paste, true);
}

void CFileBrowser::CutItems(const std::vector<int>& selection)
{
    const auto paths = SelectedPaths(selection);
    PutOnClipboard(paths, true);
    // Folders cut here leave the tree when the move is pasted.
    m_tree.CutNodes().clear();
    for (const std::string& path : paths)
        if (TreeNode* node = m_tree.FindChildByName(m_tree.Selected(), BaseName(path)))
            m_tree.CutNodes().push_back(node->id);
}

void CFileBrowser::CopyItems(const std::vector<int>& selection)
{
    PutOnClipboard(SelectedPaths(selection), false);
}

void CFileBrowser::CutFolder()
{
    TreeNode* node = m_tree.Selected();
    if (!node || m_tree.IsSpecialPlace(node))
        return;
    PutOnClipboard({m_tree.ItemPath(node)}, true);
    m_tree.CutNodes().assign(1, node->id);
}

void CFileBrowser::CopyFolder()
{
    TreeNode* node = m_tree.Selected();
    if (node && !m_tree.IsSpecialPlace(node))
        PutOnClipboard({m_tree.ItemPath(node)}, false);
}

void CFileBrowser::PasteIntoList()
{
    if (!m_tree.IsComputerSelected())
        Paste(m_list.Folder());
}

void CFileBrowser::PasteIntoFolder()
{
    Paste(m_tree.SelectedPath());
}

void CFileBrowser::StartOperation(OperationKind kind, std::vector<OperationItem> items,
                                  std::function<void(const OperationOutcome&)> done)
{
    // Long work only: a quick paste never flashes a window.
    constexpr std::int64_t kProgressDelayMs = 400;
    m_progressShown = false;
    IBrowserDialogs* dialogs = m_services.dialogs;
    m_operation.Start(
        kind, std::move(items),
        [this, dialogs](const OperationProgress& progress)
        {
            if (dialogs && (m_progressShown || progress.elapsedMs >= kProgressDelayMs))
            {
                m_progressShown = true;
                dialogs->ShowProgress(progress);
            }
        },
        [this, dialogs, done](const OperationOutcome& outcome)
        {
            if (m_progressShown && dialogs)
                dialogs->HideProgress();
            m_progressShown = false;
            done(outcome);
        });
}

void CFileBrowser::Paste(const std::string& target)
{
    if (target.empty() || !m_services.clipboard || m_operation.Running())
        return;
    const auto files = m_services.clipboard->Files();
    if (!files || files->paths.empty())
        return;
    const bool move = files->effect == ClipboardEffect::Move;
    std::vector<OperationItem> items;
    bool decidedForAll = false;
    ConflictChoice forAll = ConflictChoice::Skip;
    for (const std::string& source : files->paths)
    {
        const auto info = InspectEntry(source);
        if (!info)
            continue; // gone since it was cut or copied
        const std::string name = BaseName(source);
        OperationItem item{source, JoinPath(target, name), false};
        if (move && ParentPath(source) == target)
            continue; // already there
        if (info->isFolder && Inside(target, source))
        {
            ShowError(ids::kIntoItself, {name});
            return;
        }
        if (!move && item.target == source)
            item.target = JoinPath(target, FreeName(target, name));
        else if (const auto taken = InspectEntry(item.target))
        {
            const bool canReplace = !info->isFolder && !taken->isFolder;
            ConflictChoice choice = forAll;
            if (!decidedForAll)
            {
                bool applyToAll = false;
                choice = m_services.dialogs
                             ? m_services.dialogs->AskNameTaken(name, canReplace, applyToAll)
                             : ConflictChoice::Skip;
                if (applyToAll)
                {
                    decidedForAll = true;
                    forAll = choice;
                }
            }
            if (choice == ConflictChoice::Replace && !canReplace)
                choice = ConflictChoice::KeepBoth;
            if (choice == ConflictChoice::Cancel)
                return;
            if (choice == ConflictChoice::Skip)
                continue;
            if (choice == ConflictChoice::KeepBoth)
                item.target = JoinPath(target, FreeName(target, name));
            else
                item.replace = true;
        }
        items.push_back(std::move(item));
    }
    if (items.empty())
        return;
    StartOperation(move ? OperationKind::Move : OperationKind::Copy, std::move(items),
                   [this, target](const OperationOutcome& outcome)
                   { OnPasteDone(outcome, target); });
}

void CFileBrowser::OnPasteDone(const OperationOutcome& outcome, const std::string& target)
{
    if (!outcome.error.empty())
        ShowError(outcome.kind == OperationKind::Move ? ids::kMoveFailed : ids::kCopyFailed,
                  {outcome.error});
    if (outcome.completed.empty())
        return;
    std::set<std::string> sourceFolders;
    for (const OperationItem& item : outcome.completed)
        sourceFolders.insert(ParentPath(item.source));
    if (m_list.Folder() == target)
        m_list.AddNewEntries();
    else if (outcome.kind == OperationKind::Move && sourceFolders.count(m_list.Folder()))
        m_list.Refresh(); // what left the shown folder goes from the list
    if (m_tree.SelectedPath() == target)
        m_tree.AddNewChildren(m_tree.Selected());
    if (outcome.kind != OperationKind::Move)
        return;
    std::set<std::string> moved;
    for (const OperationItem& item : outcome.completed)
        moved.insert(item.source);
    for (std::uint64_t id : std::vector<std::uint64_t>(m_tree.CutNodes()))
        if (TreeNode* node = m_tree.NodeById(id); node && moved.count(m_tree.ItemPath(node)))
            m_tree.RemoveNode(node);
    m_tree.CutNodes().clear();
    // A cut is used up once moved, as with every file manager.
    if (!outcome.cancelled && outcome.error.empty() && m_services.clipboard)
        m_services.clipboard->Clear();
}

void CFileBrowser::DeleteItems(const std::vector<int>& selection)
{
    Trash(SelectedPaths(selection), 0);
}

void CFileBrowser::DeleteFolder()
{
    TreeNode* node = m_tree.Selected();
    if (node && !m_tree.IsSpecialPlace(node))
        Trash({m_tree.ItemPath(node)}, node->id);
}

void CFileBrowser::Trash(std::vector<std::string> paths, std::uint64_t treeNode)
{
    if (paths.empty() || m_operation.Running())
        return;
    if (!m_services.dialogs || !m_services.dialogs->ConfirmDelete(paths))
        return;
    std::vector<OperationItem> items;
    for (std::string& path : paths)
        items.push_back(OperationItem{std::move(path), {}, false});
    StartOperation(OperationKind::Trash, std::move(items),
                   [this, treeNode](const OperationOutcome& outcome)
                   { OnTrashDone(outcome, treeNode); });
}

void CFileBrowser::OnTrashDone(const OperationOutcome& outcome, std::uint64_t treeNode)
{
    if (!outcome.error.empty())
        ShowError(ids::kTrashFailed, {outcome.error});
    std::set<std::string> gone;
    for (const OperationItem& item : outcome.completed)
        gone.insert(item.source);
    if (gone.empty())
        return;
    // The list drops exactly the entries that went, highest index first.
    std::vector<int> indices;
    for (int i = 0; i < int(m_list.Items().size()); ++i)
        if (!m_list.IsPlaceEntry(i) &&
            gone.count(JoinPath(m_list.Folder(), m_list.Items()[std::size_t(i)].name)))
            indices.push_back(i);
    m_list.RemoveItems(indices);
    if (TreeNode* node = m_tree.NodeById(treeNode))
    {
        if (gone.count(m_tree.ItemPath(node)))
            m_tree.RemoveNode(node);
        return;
    }
    if (TreeNode* selected = m_tree.Selected())
        for (const std::string& path : gone)
            if (ParentPath(path) == m_tree.ItemPath(selected))
                if (TreeNode* child = m_tree.FindChildByName(selected, BaseName(path)))
                    m_tree.RemoveNode(child);
}

bool CFileBrowser::StartRenameItem(int index)
{
    if (m_tree.IsComputerSelected() || m_list.IsPlaceEntry(index) ||
        std::size_t(index) >= m_list.Items().size())
        return false;
    if (m_services.frame)
        m_services.frame->SetLabelEditing(true);
    m_list.RequestLabelEdit(index);
    return true;
}

bool CFileBrowser::StartRenameFolder()
{
    TreeNode* node = m_tree.Selected();
    if (!node || m_tree.IsSpecialPlace(node))
        return false;
    if (m_services.frame)
        m_services.frame->SetLabelEditing(true);
    m_tree.RequestLabelEdit(node);
    return true;
}

void CFileBrowser::CancelRename()
{
    if (m_services.frame)
        m_services.frame->SetLabelEditing(false);
}

bool CFileBrowser::RenameEntry(const std::string& from, const std::string& to)
{
    const std::string newName = BaseName(to);
    if (!ValidName(newName))
    {
        ShowError(ids::kInvalidName, {});
        return false;
    }
    const int err = RenameNoReplace(from, to);
    if (err == EEXIST || err == ENOTEMPTY)
        ShowError(ids::kRenameTaken, {newName});
    else if (err != 0)
        ShowError(ids::kRenameFailed, {BaseName(from), std::strerror(err)});
    return err == 0;
}

bool CFileBrowser::FinishRenameItem(int index, const std::string& newName)
{
    CancelRename(); // the editing flag goes whatever the outcome
    if (std::size_t(index) >= m_list.Items().size() || m_list.IsPlaceEntry(index) ||
        m_list.Folder().empty())
        return false;
    const std::string oldName = m_list.Items()[std::size_t(index)].name;
    if (newName.empty() || newName == oldName)
        return false;
    const std::string folder = m_list.Folder();
    if (!RenameEntry(JoinPath(folder, oldName), JoinPath(folder, newName)))
        return false;
    m_list.RenameItem(index, newName);
    if (TreeNode* selected = m_tree.Selected(); selected && m_tree.ItemPath(selected) == folder)
        if (TreeNode* child = m_tree.FindChildByName(selected, oldName))
            m_tree.RenameNode(child, newName);
    return true;
}

bool CFileBrowser::FinishRenameFolder(TreeNode* node, const std::string& newName)
{
    CancelRename();
    if (!node || m_tree.IsSpecialPlace(node) || newName.empty() || newName == node->Text())
        return false;
    const std::string from = m_tree.ItemPath(node);
    const std::string to = JoinPath(ParentPath(from), newName);
    if (!RenameEntry(from, to))
        return false;
    const std::string oldName = node->Text();
    m_tree.RenameNode(node, newName);
    const std::string shown = m_list.Folder();
    if (Inside(shown, from))
        m_list.ShowFolder(to + shown.substr(from.size()));
    else if (shown == ParentPath(from))
        for (int i = 0; i < int(m_list.Items().size()); ++i)
            if (m_list.Items()[std::size_t(i)].name == oldName)
                m_list.RenameItem(i, newName);
    return true;
}

void CFileBrowser::NewFolder()
{
    TreeNode* node = m_tree.Selected();
    const std::string base = m_tree.ItemPath(node);
    if (base.empty())
        return;
    const std::string name = Text(ids::kNewFolderName);
    std::string candidate = name;
    for (int n = 1; InspectEntry(JoinPath(base, candidate)); ++n)
        candidate = name + std::to_string(n);
    m_tree.Expand(node);
    if (const int err = MakeFolder(JoinPath(base, candidate)); err != 0)
    {
        ShowError(ids::kNewFolderFailed, {std::strerror(err)});
        return;
    }
    if (m_list.Folder() == base)
        m_list.AddNewEntries();
    const std::uint64_t id = node->id;
    m_tree.AddNewChildren(node,
                          [this, id, candidate]
                          {
                              TreeNode* parent = m_tree.NodeById(id);
                              TreeNode* created = m_tree.FindChildByName(parent, candidate);
                              if (!created)
                                  return;
                              m_tree.Select(created);
                              if (m_services.frame)
                                  m_services.frame->SetLabelEditing(true);
                              m_tree.RequestLabelEdit(created);
                          });
}

} // namespace tavrel
