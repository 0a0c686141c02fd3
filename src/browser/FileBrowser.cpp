#include "browser/FileBrowser.h"

#include "imaging/codecs/ImageCodec.h"
#include "platform/FileSystem.h"

namespace tavrel
{

CFileBrowser::CFileBrowser(BrowserServices services)
    : m_services(std::move(services)),
      m_shell(m_services.texts ? m_services.texts : BuiltinBrowserTexts(), m_services.paths),
      m_reader(m_services.post), m_tree(m_shell, m_reader, m_services.settings),
      m_list(m_shell, m_reader, m_services.post, m_services.settings), m_operation(m_services.post)
{
    if (!m_services.texts)
        m_services.texts = BuiltinBrowserTexts();
    m_list.SetTree(&m_tree);
    m_tree.SetSelectionHandler([this](TreeNode* node) { OnTreeSelection(node); });
}

CFileBrowser::~CFileBrowser()
{
    // No read result may reach the models while they go.
    m_reader.Shutdown();
    m_list.StopThumbnailWorker();
}

void CFileBrowser::Start()
{
    m_tree.Rebuild();
}

void CFileBrowser::OnTreeSelection(TreeNode* node)
{
    const std::string path = m_tree.ItemPath(node);
    if (!path.empty())
    {
        m_list.ShowFolder(path);
        if (m_services.frame)
            m_services.frame->SetStatusText(node->Text());
    }
    else if (m_tree.IsComputerSelected())
        m_list.ShowComputer();
    else
        m_list.Clear();
}

void CFileBrowser::OnListSelectionChanged(const std::vector<int>& selection)
{
    IBrowserFrame* frame = m_services.frame;
    if (!frame)
        return;
    const bool any = !selection.empty();
    frame->SetEditFlag(EditFlag::Cut, any);
    frame->SetEditFlag(EditFlag::Copy, any);
    frame->SetEditFlag(EditFlag::Delete, any);
    if (selection.size() == 1 && std::size_t(selection[0]) < m_list.Items().size())
        frame->SetStatusText(m_list.Items()[std::size_t(selection[0])].name);
}

void CFileBrowser::OnSelectAll(std::size_t selectedCount)
{
    // Selecting all or inverting only ever sets the flags.
    if (selectedCount >= 2 && m_services.frame)
        for (EditFlag flag : {EditFlag::Cut, EditFlag::Copy, EditFlag::Delete})
            m_services.frame->SetEditFlag(flag, true);
}

void CFileBrowser::Open(const std::vector<int>& selection)
{
    if (selection.size() != 1 || std::size_t(selection[0]) >= m_list.Items().size())
        return;
    const ListItem item = m_list.Items()[std::size_t(selection[0])];
    const auto info = item.path.empty() ? std::nullopt : InspectEntry(item.path);
    const bool folder =
        info && (info->isFolder || (info->isLink && InspectEntry(item.path + "/.")));
    if (item.kind == ListItemKind::File && info && !folder && ImageFormatForName(item.name) != 0)
    {
        if (m_services.dialogs && !m_services.dialogs->OpenWithDefaultApplication(item.path))
            ShowError(ids::kOpenFailed, {item.name});
        return;
    }
    // Folders, places and vanished entries are entered through the tree.
    m_tree.SelectChildNamed(item.name);
}

ListMenuState CFileBrowser::ItemMenuState(int markIndex) const
{
    ListMenuState state;
    const bool movable = !m_tree.IsComputerSelected() && !m_list.IsPlaceEntry(markIndex);
    state.cut = state.copy = state.del = state.rename = movable;
    state.properties = true;
    state.iconsChecked = m_list.Mode() == ViewMode::Icons;
    return state;
}

ListMenuState CFileBrowser::BackgroundMenuState() const
{
    ListMenuState state;
    const bool computer = m_tree.IsComputerSelected();
    state.paste = !computer && !m_list.Folder().empty() && ClipboardHasFiles();
    state.properties = !computer && !m_list.Folder().empty();
    state.iconsChecked = m_list.Mode() == ViewMode::Icons;
    return state;
}

bool CFileBrowser::ClipboardHasFiles() const
{
    if (!m_services.clipboard)
        return false;
    const auto files = m_services.clipboard->Files();
    return files && !files->paths.empty();
}

void CFileBrowser::ShowError(int id, const std::vector<std::string>& args)
{
    if (m_services.dialogs)
        m_services.dialogs->ShowError(FormatText(Text(id), args));
}

void CFileBrowser::ShowPropertiesOf(const std::string& path)
{
    if (path.empty() || !m_services.dialogs)
        return;
    IBrowserDialogs* dialogs = m_services.dialogs;
    m_reader.Read(
        [path, dialogs]() -> std::function<void()>
        {
            FileProperties props = ReadFileProperties(path);
            return [dialogs, props] { dialogs->ShowProperties(props); };
        },
        std::chrono::milliseconds(200));
}

void CFileBrowser::ItemProperties(const std::vector<int>& selection)
{
    if (selection.empty())
    {
        FolderPropertiesOfList();
        return;
    }
    const int index = selection.front();
    if (std::size_t(index) >= m_list.Items().size())
        return;
    const ListItem& item = m_list.Items()[std::size_t(index)];
    if (item.kind == ListItemKind::Computer)
        return; // My Computer has no properties of its own
    ShowPropertiesOf(item.path);
}

void CFileBrowser::FolderPropertiesOfList()
{
    if (!m_tree.IsComputerSelected())
        ShowPropertiesOf(m_list.Folder());
}

void CFileBrowser::FolderProperties()
{
    ShowPropertiesOf(m_tree.SelectedPath());
}

} // namespace tavrel
