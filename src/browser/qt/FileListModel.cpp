#include "browser/qt/FileListModel.h"

#include "browser/FileBrowser.h"
#include "browser/qt/BrowserQt.h"

#include <QImage>

namespace tavrel
{

FileListModel::FileListModel(CFileBrowser& browser, QObject* parent)
    : QAbstractTableModel(parent), m_browser(browser)
{
    m_rows = int(m_browser.List().Items().size());
    m_browser.List().SetObserver(this);
}

FileListModel::~FileListModel()
{
    m_browser.List().SetObserver(nullptr);
}

const ListItem* FileListModel::Item(int row) const
{
    const auto& items = m_browser.List().Items();
    return row >= 0 && row < m_rows && std::size_t(row) < items.size() ? &items[std::size_t(row)]
                                                                       : nullptr;
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant FileListModel::Decoration(int row) const
{
    const ListItem* item = Item(row);
    if (!item)
        return {};
    if (m_browser.List().Mode() == ViewMode::Icons && item->kind != ListItemKind::Volume)
    {
        if (!item->thumbnail)
        {
            static const QPixmap placeholder = BrowserIcon(ids::kIconPlaceholder).pixmap(45, 40);
            return placeholder;
        }
        if (m_pixmaps.size() != std::size_t(m_rows))
            m_pixmaps.assign(std::size_t(m_rows), QPixmap());
        QPixmap& pixmap = m_pixmaps[std::size_t(row)];
        if (pixmap.isNull())
        {
            const QImage image(item->thumbnail->bgr.data(), kThumbnailWidth, kThumbnailHeight,
                               item->thumbnail->Stride(), QImage::Format_BGR888);
            pixmap = QPixmap::fromImage(image);
        }
        return pixmap;
    }
    switch (item->kind)
    {
    case ListItemKind::Documents:
        return BrowserIcon(ids::kIconDocuments);
    case ListItemKind::Computer:
        return BrowserIcon(ids::kIconComputer);
    case ListItemKind::Volume:
        return ThemeIcon("drive-harddisk", kDriveIconId);
    case ListItemKind::Folder:
        return ThemeIcon("folder", kFolderIconId);
    case ListItemKind::File:
        return ThemeIcon("image-x-generic", kPictureIconId);
    }
    return {};
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    const ListItem* item = Item(index.row());
    if (!item)
        return {};
    if (role == Qt::DecorationRole && index.column() == 0)
        return Decoration(index.row());
    if (role == Qt::EditRole && index.column() == 0)
        return QString::fromStdString(item->name); // the real name is what gets edited
    if (role == Qt::ToolTipRole && index.column() == 0)
        return QString::fromStdString(item->name);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column())
    {
    case 0:
        return QString::fromStdString(m_browser.List().Mode() == ViewMode::Icons ? item->label
                                                                                 : item->name);
    case 1:
        return QString::fromStdString(item->path);
    case 2:
        return QString::fromStdString(item->sizeText);
    case 3:
        return QString::fromStdString(item->dateText);
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const int kColumns[] = {ids::kColumnName, ids::kColumnPath, ids::kColumnSize,
                                   ids::kColumnDate};
    return section >= 0 && section < 4 ? BrowserText(kColumns[section]) : QVariant();
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == 0 && Item(index.row()) && !m_browser.List().IsPlaceEntry(index.row()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != 0)
        return false;
    // On success the engine updates the item, which tells this model.
    return m_browser.FinishRenameItem(index.row(), value.toString().toStdString());
}

void FileListModel::ListReset()
{
    beginResetModel();
    m_rows = int(m_browser.List().Items().size());
    m_pixmaps.clear();
    endResetModel();
    emit listReset();
}

void FileListModel::ItemsInserted(int first, int count)
{
    beginInsertRows({}, first, first + count - 1);
    m_rows += count;
    if (!m_pixmaps.empty())
        m_pixmaps.insert(m_pixmaps.begin() + first, std::size_t(count), QPixmap());
    endInsertRows();
}

void FileListModel::ItemRemoved(int index)
{
    beginRemoveRows({}, index, index);
    --m_rows;
    if (std::size_t(index) < m_pixmaps.size())
        m_pixmaps.erase(m_pixmaps.begin() + index);
    endRemoveRows();
}

void FileListModel::ItemsChanged(int first, int last)
{
    for (int row = first; row <= last && std::size_t(row) < m_pixmaps.size(); ++row)
        m_pixmaps[std::size_t(row)] = QPixmap();
    emit dataChanged(index(first, 0), index(last, 3));
}

void FileListModel::EditLabel(int index)
{
    emit labelEditRequested(index);
}

} // namespace tavrel
