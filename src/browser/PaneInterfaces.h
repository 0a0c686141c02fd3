#pragma once
// What the manager's main frame needs of the explorer panes when a picture
// arrives: the file list's current folder and its stored-file notice, and the
// folder tree's "computer selected -> show documents" rule. The panes
// implement these; tests and the placeholder window use small stand-ins.

#include <string>

namespace tavrel
{

class IFileListPane
{
public:
    virtual ~IFileListPane() = default;
    // The folder the list shows, as the list spells it.
    virtual std::string CurrentFolder() const = 0;
    // WM_PICTURE_STORED with a non-zero wParam: add the file at `path`.
    virtual void OnPictureStored(unsigned long long wParam, const std::string& path) = 0;
};

class IFolderTreePane
{
public:
    virtual ~IFolderTreePane() = default;
    // True when the selected item is the computer folder.
    virtual bool IsComputerSelected() const = 0;
    // Selects the root's child that is the personal documents folder; the
    // file list follows the selection.
    virtual void SelectDocuments() = 0;
};

} // namespace tavrel
