#pragma once
// What the explorer window needs of its three panes beyond what a picture
// hand-over uses: their widgets, the list's mode, the tree's Up, the
// commands each pane owns, and the thumbnail worker stopped at close.

#include "browser/PaneInterfaces.h"
#include "platform/WinTypes.h"

class QWidget;

namespace tavrel
{

class IExplorerFileList : public IFileListPane
{
public:
    virtual QWidget* Widget() = 0;
    virtual bool IsIconMode() const = 0;
    // Switches between the icon view and the details view and refills.
    virtual void SetIconMode(bool icons) = 0;
    virtual void StopThumbnailWorker() {}
    // A command the list owns (cut, copy, paste, delete, select all, ...);
    // false when it has none of that id.
    virtual bool OnCommand(UINT /*id*/) { return false; }
};

class IExplorerFolderTree : public IFolderTreePane
{
public:
    virtual QWidget* Widget() = 0;
    // Up: selects the parent of the selected item.
    virtual void SelectParent() = 0;
    virtual bool OnCommand(UINT /*id*/) { return false; }
};

class IExplorerWebPanel
{
public:
    virtual ~IExplorerWebPanel() = default;
    virtual QWidget* Widget() = 0;
};

} // namespace tavrel
