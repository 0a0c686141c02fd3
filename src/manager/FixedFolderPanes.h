#pragma once
// Stand-ins for the explorer panes while a host has none of its own: a file
// list that shows one fixed folder, and a status bar that shows nothing.

#include "browser/PaneInterfaces.h"
#include "manager/StatusBarPane.h"

#include <functional>
#include <mutex>
#include <string>

namespace tavrel
{

class CFixedFolderList : public IFileListPane
{
public:
    explicit CFixedFolderList(std::string folder) : m_folder(std::move(folder)) {}
    std::string CurrentFolder() const override;
    void SetFolder(const std::string& folder);
    void OnPictureStored(unsigned long long wParam, const std::string& path) override;
    // Called for every stored-file notice.
    void SetStoredCallback(std::function<void(const std::string&)> callback);

private:
    mutable std::mutex m_mutex;
    std::string m_folder;
    std::function<void(const std::string&)> m_stored;
};

class CSilentStatusBar : public IStatusBar
{
public:
    void SetPaneText(int, const std::string&) override {}
    RECT GetPaneRect(int) const override { return RECT{}; }
    void PlaceProgressBar(const RECT&) override {}
    void SetProgressPos(int) override {}
    void MoveProgressBar(const RECT&) override {}
};

} // namespace tavrel
