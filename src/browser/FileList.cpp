#include "browser/FileList.h"

#include "browser/FolderTree.h"
#include "imaging/codecs/ImageCodec.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace tavrel
{

namespace
{

constexpr auto kInlineRead = std::chrono::milliseconds(30);

} // namespace

CFileList::CFileList(const CShellNamespace& shell, CFolderReader& reader, PostToUi post,
                     const IBrowserSettings* settings)
    : m_shell(shell), m_reader(reader), m_settings(settings),
      m_worker(std::move(post), [this](std::uint64_t generation, std::vector<ThumbnailResult> cells)
               { OnThumbnails(generation, std::move(cells)); })
{
    // Non-zero is details, as "2" in a hand-edited file; icons without a file.
    int mode = 0;
    if (m_settings && m_settings->GetDefaultViewMode(mode))
        m_mode = mode != 0 ? ViewMode::Details : ViewMode::Icons;
}

CFileList::~CFileList()
{
    m_worker.Stop(true);
}

void CFileList::Reset()
{
    if (m_observer)
        m_observer->ListReset();
}

bool CFileList::IsPlaceEntry(int index) const
{
    return index >= 0 && std::size_t(index) < m_items.size() &&
           (m_items[std::size_t(index)].kind == ListItemKind::Documents ||
            m_items[std::size_t(index)].kind == ListItemKind::Computer);
}

void CFileList::ShowFolder(const std::string& path)
{
    if (path.empty())
        return;
    // The folder is remembered at once: a picture stored meanwhile goes to
    // the folder the user chose, and no command acts on the old items.
    DropContents(path, false);
    m_loading = true;
    const ListDetail detail = m_mode == ViewMode::Details ? ListDetail::Full : ListDetail::Kinds;
    const std::uint64_t generation = m_generation;
    const bool applied = m_reader.Read(
        [this, path, detail, generation]() -> std::function<void()>
        {
            auto entries = ListFolder(path, detail);
            return [this, path, generation, entries = std::move(entries)]() mutable
            {
                if (generation != m_generation)
                    return;
                m_fillTicket = 0;
                Fill(path, entries ? std::move(*entries) : std::vector<FolderEntry>());
            };
        },
        kInlineRead, &m_fillTicket);
    if (!applied)
        Reset(); // shows the loading state until the read arrives
}

bool CFileList::Shown(const FolderEntry& entry, bool icons) const
{
    if (icons)
    {
        if (entry.isFolder && !entry.hidden)
            return true; // compressed folders are sorted out by the caller
        return ImageFormatForName(entry.name) != 0;
    }
    if (entry.hidden)
        return false;
    return entry.isFolder || ImageFormatForName(entry.name) != 0;
}

ListItem CFileList::MakeItem(const std::string& folder, const FolderEntry& entry, bool icons) const
{
    ListItem item;
    item.name = entry.name;
    item.path = JoinPath(folder, entry.name);
    item.kind = entry.isFolder ? ListItemKind::Folder : ListItemKind::File;
    item.formatCode = ImageFormatForName(entry.name);
    const bool plainFolder = entry.isFolder && !entry.hidden;
    item.label = icons && !plainFolder ? AsciiLower(entry.name) : entry.name;
    if (!icons)
    {
        item.dateText = FormatFileDate(entry.modifiedTime);
        if (!entry.isFolder)
            item.sizeText = FormatFileSize(entry.size);
    }
    return item;
}

void CFileList::FillDesktopPlaces()
{
    const TreeNode* selected = m_tree ? m_tree->Selected() : nullptr;
    for (PlaceKind kind : {PlaceKind::Documents, PlaceKind::Computer})
    {
        const std::string name = m_shell.DisplayName(kind);
        if (name.empty() || !m_tree || !m_tree->HasChildNamed(selected, name))
            continue;
        ListItem item;
        item.kind = kind == PlaceKind::Documents ? ListItemKind::Documents : ListItemKind::Computer;
        item.name = item.label = name;
        item.path = kind == PlaceKind::Documents ? m_shell.Paths().documents : std::string();
        m_items.push_back(std::move(item));
    }
}

void CFileList::Fill(const std::string& path, std::vector<FolderEntry> entries)
{
    const bool icons = m_mode == ViewMode::Icons;
    m_items.clear();
    m_loading = false;
    if (path == m_shell.Paths().desktop)
        FillDesktopPlaces();
    for (const FolderEntry& entry : entries)
    {
        if (!Shown(entry, icons))
            continue;
        // A compressed folder is listed like a file: only under a picture name.
        if (icons && entry.isFolder && !entry.hidden &&
            IsCompressedEntry(JoinPath(path, entry.name)) && ImageFormatForName(entry.name) == 0)
            continue;
        m_items.push_back(MakeItem(path, entry, icons));
    }
    Reset();
    if (icons)
        StartThumbnails();
}

ThumbnailJob CFileList::JobFor(int index) const
{
    const ListItem& item = m_items[std::size_t(index)];
    ThumbnailJob job;
    job.index = index;
    switch (item.kind)
    {
    case ListItemKind::Documents:
        job.path = kDocumentsPicture;
        break;
    case ListItemKind::Computer:
        job.path = kComputerPicture;
        break;
    case ListItemKind::Folder:
        job.path = kFolderPicture;
        break;
    case ListItemKind::File:
        job.path = item.formatCode != 0 ? item.path : std::string();
        break;
    case ListItemKind::Volume:
        break;
    }
    return job;
}

void CFileList::StartThumbnails()
{
    std::vector<ThumbnailJob> jobs;
    for (int i = 0; i < int(m_items.size()); ++i)
        if (ThumbnailJob job = JobFor(i); !job.path.empty())
            jobs.push_back(std::move(job));
    m_worker.Start(m_generation, std::move(jobs));
}

void CFileList::OnThumbnails(std::uint64_t generation, std::vector<ThumbnailResult> cells)
{
    if (generation != m_generation || m_mode != ViewMode::Icons || cells.empty())
        return;
    int first = int(m_items.size()), last = -1;
    for (ThumbnailResult& cell : cells)
    {
        if (cell.index < 0 || std::size_t(cell.index) >= m_items.size())
            continue;
        m_items[std::size_t(cell.index)].thumbnail = std::move(cell.image);
        first = std::min(first, cell.index);
        last = std::max(last, cell.index);
    }
    if (last >= first && m_observer)
        m_observer->ItemsChanged(first, last);
}

void CFileList::DropContents(const std::string& folder, bool computerView)
{
    // Thumbnails and reads of what was shown never reach the new contents.
    m_worker.Stop(false);
    ++m_generation;
    if (m_fillTicket)
        m_reader.Cancel(m_fillTicket);
    m_fillTicket = 0;
    m_folder = folder;
    m_computerView = computerView;
    m_loading = false;
    m_items.clear();
}

void CFileList::ShowComputer()
{
    DropContents(std::string(), true);
    ShellItem computer;
    computer.kind = PlaceKind::Computer;
    const std::string controlPanel = m_shell.DisplayName(PlaceKind::ControlPanel);
    if (auto children = m_shell.EnumChildren(computer, false))
        for (const ShellItem& child : *children)
        {
            if (!child.isFolder || child.name == controlPanel)
                continue;
            ListItem item;
            item.kind = ListItemKind::Volume;
            item.name = item.label = child.name;
            item.path = child.path;
            m_items.push_back(std::move(item));
        }
    Reset();
}

void CFileList::Clear()
{
    DropContents(std::string(), false);
    Reset();
}

void CFileList::Refresh()
{
    if (m_computerView || (m_tree && m_tree->IsComputerSelected() && m_folder.empty()))
        ShowComputer();
    else if (!m_folder.empty())
        ShowFolder(m_folder);
}

void CFileList::SetViewMode(ViewMode mode)
{
    m_mode = mode;
    if (m_folder.empty() && !m_computerView)
        Reset();
    else
        Refresh();
    if (m_settings)
        m_settings->SetDefaultViewMode(mode == ViewMode::Icons ? 0 : 1);
}

void CFileList::OnPictureStored(unsigned long long wParam, const std::string& path)
{
    if (wParam != 0)
        AddStoredPicture(path);
}

void CFileList::AddStoredPicture(const std::string& path)
{
    if (m_mode == ViewMode::Details)
    {
        Refresh();
        return;
    }
    if (m_folder.empty() || ParentPath(path) != m_folder || !InspectEntry(path))
        return;
    ListItem item;
    item.kind = ListItemKind::File;
    item.name = item.label = BaseName(path);
    item.path = path;
    item.formatCode = ImageFormatForName(item.name);
    m_items.push_back(std::move(item));
    const int index = int(m_items.size()) - 1;
    if (m_observer)
        m_observer->ItemsInserted(index, 1);
    if (m_items.back().formatCode != 0)
        m_worker.Append(m_generation, {JobFor(index)});
}

void CFileList::AddNewEntries()
{
    if (m_folder.empty())
        return;
    if (m_mode == ViewMode::Details)
    {
        Refresh();
        return;
    }
    const auto entries = ListFolder(m_folder, ListDetail::Kinds);
    if (!entries)
        return;
    std::set<std::string> known;
    for (const ListItem& item : m_items)
        known.insert(item.name);
    const int first = int(m_items.size());
    std::vector<ThumbnailJob> jobs;
    for (const FolderEntry& entry : *entries)
    {
        if (known.count(entry.name) || !Shown(entry, true))
            continue;
        m_items.push_back(MakeItem(m_folder, entry, true));
        if (ThumbnailJob job = JobFor(int(m_items.size()) - 1); !job.path.empty())
            jobs.push_back(std::move(job));
    }
    const int added = int(m_items.size()) - first;
    if (added > 0 && m_observer)
        m_observer->ItemsInserted(first, added);
    if (!jobs.empty())
        m_worker.Append(m_generation, std::move(jobs));
}

void CFileList::RemoveItems(std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.empty())
        return;
    // Cells still being drawn carry indices that are about to shift.
    const bool drawing = m_worker.Running();
    if (drawing)
    {
        m_worker.Stop(false);
        ++m_generation;
    }
    for (int index : indices)
    {
        if (index < 0 || std::size_t(index) >= m_items.size())
            continue;
        m_items.erase(m_items.begin() + index);
        if (m_observer)
            m_observer->ItemRemoved(index);
    }
    if (drawing && m_mode == ViewMode::Icons)
    {
        std::vector<ThumbnailJob> jobs;
        for (int i = 0; i < int(m_items.size()); ++i)
            if (!m_items[std::size_t(i)].thumbnail)
                if (ThumbnailJob job = JobFor(i); !job.path.empty())
                    jobs.push_back(std::move(job));
        m_worker.Start(m_generation, std::move(jobs));
    }
}

void CFileList::RenameItem(int index, const std::string& newName)
{
    if (index < 0 || std::size_t(index) >= m_items.size())
        return;
    ListItem& item = m_items[std::size_t(index)];
    item.name = newName;
    item.path = JoinPath(m_folder, newName);
    item.formatCode = ImageFormatForName(newName);
    const bool lower = m_mode == ViewMode::Icons && item.kind == ListItemKind::File;
    item.label = lower ? AsciiLower(newName) : newName;
    if (m_observer)
        m_observer->ItemsChanged(index, index);
}

void CFileList::RequestLabelEdit(int index)
{
    if (m_observer && index >= 0 && std::size_t(index) < m_items.size())
        m_observer->EditLabel(index);
}

void CFileList::StopThumbnailWorker()
{
    m_worker.Stop(true);
}

} // namespace tavrel
