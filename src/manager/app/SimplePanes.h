#pragma once
// Plain explorer panes over the file system: a folder tree, a file list
// with an icon and a details view, and the web panel's page. They serve the
// explorer window until the file browser's own panes take their place.

#include "manager/app/ExplorerPanes.h"

#include <QFileSystemModel>
#include <QListView>
#include <QTextBrowser>
#include <QTreeView>

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

namespace tavrel
{

class CSimpleFileList : public QObject, public IExplorerFileList
{
    Q_OBJECT

public:
    explicit CSimpleFileList(bool iconMode, QObject* parent = nullptr);
    ~CSimpleFileList() override;

    QWidget* Widget() override;
    std::string CurrentFolder() const override { return m_folder; }
    void ShowFolder(const std::string& folder);
    void OnPictureStored(unsigned long long wParam, const std::string& path) override;
    bool IsIconMode() const override { return m_iconMode; }
    void SetIconMode(bool icons) override;
    bool OnCommand(UINT id) override;
    // The last stored-file notice.
    const std::string& LastStored() const { return m_lastStored; }

signals:
    void selectionChanged(bool hasSelection);

private:
    QFileSystemModel* m_model;
    QPointer<QListView> m_view; // owned by its pane once placed
    std::string m_folder;
    std::string m_lastStored;
    bool m_iconMode;
};

class CSimpleFolderTree : public QObject, public IExplorerFolderTree
{
    Q_OBJECT

public:
    explicit CSimpleFolderTree(QObject* parent = nullptr);
    ~CSimpleFolderTree() override;

    QWidget* Widget() override;
    void Select(const std::string& folder);
    std::string SelectedPath() const;
    bool IsComputerSelected() const override;
    void SelectDocuments() override;
    void SelectParent() override;

signals:
    // A folder was selected ("" for the computer).
    void folderSelected(const QString& path);

private:
    QFileSystemModel* m_model;
    QPointer<QTreeView> m_view;
};

class CSimpleWebPanel : public IExplorerWebPanel
{
public:
    CSimpleWebPanel();
    ~CSimpleWebPanel() override;
    QWidget* Widget() override;

private:
    QPointer<QTextBrowser> m_view;
};

} // namespace tavrel
