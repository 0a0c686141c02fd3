#pragma once
// The file list model as Qt's views read it: one row an item, the four
// details columns, thumbnails or icons as decoration. Editing the name
// column renames through the browser engine.

#include "browser/FileList.h"

#include <QAbstractTableModel>
#include <QPixmap>

#include <vector>

namespace tavrel
{

class CFileBrowser;

class FileListModel : public QAbstractTableModel, private IFileListObserver
{
    Q_OBJECT

public:
    explicit FileListModel(CFileBrowser& browser, QObject* parent = nullptr);
    ~FileListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void labelEditRequested(int row);
    void listReset();

private:
    void ListReset() override;
    void ItemsInserted(int first, int count) override;
    void ItemRemoved(int index) override;
    void ItemsChanged(int first, int last) override;
    void EditLabel(int index) override;

    const ListItem* Item(int row) const;
    QVariant Decoration(int row) const;

    CFileBrowser& m_browser;
    int m_rows = 0;
    mutable std::vector<QPixmap> m_pixmaps; // thumbnails made on first paint
};

} // namespace tavrel
