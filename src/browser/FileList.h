#pragma once
// The file list's model: the entries of the folder the tree selected, as
// icons with thumbnails or as details rows, filled from a read away from the
// UI thread and never sorted beyond the enumeration's own order. Every item
// keeps the entry's real name; the icon view's lower-case label is only what
// is shown.

#include "browser/BrowserInterfaces.h"
#include "browser/FolderListing.h"
#include "browser/FolderReader.h"
#include "browser/PaneInterfaces.h"
#include "browser/ShellNamespace.h"
#include "browser/ThumbnailWorker.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

class CFolderTree;

enum class ViewMode
{
    Icons = 0,
    Details = 1,
};

enum class ListItemKind
{
    Documents, // the desktop's My Documents entry
    Computer,  // the desktop's My Computer entry
    Volume,    // a child of My Computer in the computer view
    Folder,
    File,
};

struct ListItem
{
    ListItemKind kind = ListItemKind::File;
    std::string name;  // real name (display name of a place)
    std::string label; // what the view shows
    std::string path;  // full path; "" for a virtual place
    std::string sizeText;
    std::string dateText;
    int formatCode = 0;
    std::shared_ptr<const ThumbnailImage> thumbnail; // icon view; null: placeholder
};

class IFileListObserver
{
public:
    virtual ~IFileListObserver() = default;
    virtual void ListReset() = 0; // mode, items or loading state replaced
    virtual void ItemsInserted(int first, int count) = 0;
    virtual void ItemRemoved(int index) = 0;
    virtual void ItemsChanged(int first, int last) = 0;
    virtual void EditLabel(int index) = 0;
};

// The shipped pictures of the icon view, relative to the program folder.
constexpr const char* kDocumentsPicture = "png/MyDocument.png";
constexpr const char* kComputerPicture = "png/MyComputer.png";
constexpr const char* kFolderPicture = "png/Folder.png";

class CFileList : public IFileListPane
{
public:
    CFileList(const CShellNamespace& shell, CFolderReader& reader, PostToUi post,
              const IBrowserSettings* settings);
    ~CFileList() override;

    void SetObserver(IFileListObserver* observer) { m_observer = observer; }
    void SetTree(const CFolderTree* tree) { m_tree = tree; }
    CThumbnailWorker& ThumbnailWorker() { return m_worker; }

    ViewMode Mode() const { return m_mode; }
    const std::vector<ListItem>& Items() const { return m_items; }
    const std::string& Folder() const { return m_folder; }
    // True while a read of a slow folder is in flight.
    bool Loading() const { return m_loading; }

    // Fills the list for `path` in the current mode; an empty path leaves it
    // as it is.
    void ShowFolder(const std::string& path);
    // The tree selected My Computer: the volumes.
    void ShowComputer();
    // Another virtual place: nothing, and no folder.
    void Clear();
    void Refresh();
    void SetViewMode(ViewMode mode);
    // A picture stored into the shown folder appears at once.
    void AddStoredPicture(const std::string& path);
    // After a paste: entries of the folder not yet listed are appended (icon
    // view) or the list refilled (details).
    void AddNewEntries();
    // Removes items, highest index first.
    void RemoveItems(std::vector<int> indices);
    void RenameItem(int index, const std::string& newName);
    void RequestLabelEdit(int index);
    // Stops the thumbnail worker and waits for it (closing the program).
    void StopThumbnailWorker();

    // The item is one of the desktop's two place entries.
    bool IsPlaceEntry(int index) const;

    // IFileListPane
    std::string CurrentFolder() const override { return m_folder; }
    void OnPictureStored(unsigned long long wParam, const std::string& path) override;

private:
    void Fill(const std::string& path, std::vector<FolderEntry> entries);
    void FillDesktopPlaces();
    void StartThumbnails();
    ThumbnailJob JobFor(int index) const;
    ListItem MakeItem(const std::string& folder, const FolderEntry& entry, bool icons) const;
    bool Shown(const FolderEntry& entry, bool icons) const;
    void Reset();
    void DropContents(const std::string& folder, bool computerView);
    void OnThumbnails(std::uint64_t generation, std::vector<ThumbnailResult> cells);

    const CShellNamespace& m_shell;
    CFolderReader& m_reader;
    const IBrowserSettings* m_settings;
    const CFolderTree* m_tree = nullptr;
    IFileListObserver* m_observer = nullptr;
    CThumbnailWorker m_worker;

    ViewMode m_mode = ViewMode::Icons;
    std::string m_folder;
    bool m_computerView = false;
    std::vector<ListItem> m_items;
    bool m_loading = false;
    std::uint64_t m_fillTicket = 0;
    std::uint64_t m_generation = 0;
};

} // namespace tavrel
