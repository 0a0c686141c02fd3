#include "manager/app/SimplePanes.h"

#include "browser/UserFolders.h"
#include "manager/ManagerCommands.h"
#include "manager/app/ToolbarIcons.h"

#include <QDir>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QStyle>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QTextBrowser>
#include <QTreeView>

namespace tavrel
{

namespace
{

// Folders and files told apart without a desktop icon theme.
class PlainIcons : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override
    {
        return type == QAbstractFileIconProvider::Folder ? FolderIcon()
                                                         : QAbstractFileIconProvider::icon(type);
    }
    QIcon icon(const QFileInfo& info) const override
    {
        const QIcon themed = QAbstractFileIconProvider::icon(info);
        if (!themed.isNull())
            return themed;
        return info.isDir() ? FolderIcon()
                            : QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    }

private:
    static QIcon FolderIcon() { return ToolbarIcon(IDI_FOLDERS); }
};

const PlainIcons& Icons()
{
    static const PlainIcons icons;
    return icons;
}

} // namespace

CSimpleFileList::CSimpleFileList(bool iconMode, QObject* parent)
    : QObject(parent), m_model(new QFileSystemModel(this)), m_view(new QListView),
      m_iconMode(iconMode)
{
    m_model->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    m_model->setIconProvider(const_cast<PlainIcons*>(&Icons()));
    m_view->setObjectName("fileList");
    m_view->setModel(m_model);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setUniformItemSizes(true);
    SetIconMode(iconMode);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionChanged(m_view->selectionModel()->hasSelection()); });
}

CSimpleFileList::~CSimpleFileList()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

QWidget* CSimpleFileList::Widget()
{
    return m_view;
}

void CSimpleFileList::ShowFolder(const std::string& folder)
{
    m_folder = folder;
    if (folder.empty())
    {
        m_view->setRootIndex(QModelIndex());
        m_view->setModel(nullptr);
        m_view->setModel(m_model);
        return;
    }
    m_view->setRootIndex(m_model->setRootPath(QString::fromStdString(folder)));
}

void CSimpleFileList::OnPictureStored(unsigned long long, const std::string& path)
{
    // The model watches the folder; the notice only tells which one is new.
    m_lastStored = path;
    const QModelIndex index = m_model->index(QString::fromStdString(path));
    if (index.isValid())
        m_view->scrollTo(index);
}

void CSimpleFileList::SetIconMode(bool icons)
{
    m_iconMode = icons;
    m_view->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    m_view->setIconSize(icons ? QSize(45, 40) : QSize(16, 16));
    m_view->setGridSize(icons ? QSize(110, 80) : QSize());
    m_view->setWordWrap(icons);
    m_view->setResizeMode(QListView::Adjust);
    m_view->setFlow(icons ? QListView::LeftToRight : QListView::TopToBottom);
    m_view->setWrapping(icons);
}

bool CSimpleFileList::OnCommand(UINT id)
{
    switch (id)
    {
    case ID_SELECT_ALL:
        m_view->selectAll();
        return true;
    case ID_FILE_REFRESH:
        ShowFolder(m_folder);
        return true;
    default:
        return false;
    }
}

CSimpleFolderTree::CSimpleFolderTree(QObject* parent)
    : QObject(parent), m_model(new QFileSystemModel(this)), m_view(new QTreeView)
{
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setIconProvider(const_cast<PlainIcons*>(&Icons()));
    m_model->setRootPath("/");
    m_view->setObjectName("folderTree");
    m_view->setModel(m_model);
    m_view->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_view->hideColumn(column);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current)
            { emit folderSelected(current.isValid() ? m_model->filePath(current) : QString()); });
}

CSimpleFolderTree::~CSimpleFolderTree()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

QWidget* CSimpleFolderTree::Widget()
{
    return m_view;
}

void CSimpleFolderTree::Select(const std::string& folder)
{
    const QModelIndex index = m_model->index(QString::fromStdString(folder));
    if (!index.isValid())
        return;
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
}

std::string CSimpleFolderTree::SelectedPath() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? m_model->filePath(current).toStdString() : std::string();
}

bool CSimpleFolderTree::IsComputerSelected() const
{
    return !m_view->currentIndex().isValid();
}

void CSimpleFolderTree::SelectDocuments()
{
    Select(UserDocumentsFolder());
}

void CSimpleFolderTree::SelectParent()
{
    const QModelIndex parent = m_view->currentIndex().parent();
    if (parent.isValid())
        m_view->setCurrentIndex(parent);
}

CSimpleWebPanel::CSimpleWebPanel() : m_view(new QTextBrowser)
{
    m_view->setObjectName("webPanel");
    QFileInfo page("ad.html");
    if (page.exists())
        m_view->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
}

CSimpleWebPanel::~CSimpleWebPanel()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

QWidget* CSimpleWebPanel::Widget()
{
    return m_view;
}

} // namespace tavrel
