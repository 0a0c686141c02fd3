#pragma once
// The file list pane: the icon view (45 × 40 thumbnails) and the details
// view over one model and one selection, the context menus 294 and 283, the
// keys of the list, and the commands it forwards to the browser engine.

#include <QString>
#include <QWidget>

#include <vector>

class QAbstractItemView;
class QItemSelectionModel;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QTreeView;

namespace tavrel
{

// An icon cell's label: a time-stamped name may wrap between date and time.
QString IconLabelText(const QString& label);

class CFileBrowser;
class FileListModel;

class CFileView : public QWidget
{
    Q_OBJECT

public:
    explicit CFileView(CFileBrowser& browser, QWidget* parent = nullptr);
    ~CFileView() override;

    QListView* IconView() const { return m_icons; }
    QTreeView* DetailsView() const { return m_details; }
    QAbstractItemView* CurrentView() const;
    FileListModel* Model() const { return m_model; }
    QItemSelectionModel* Selection() const;

    // Rows selected, in index order.
    std::vector<int> SelectedRows() const;
    // The list's commands by id (menus 294 and 283, the main menu's edit,
    // view and selection commands); false for others.
    bool OnCommand(int id);
    void SelectAll();
    void InvertSelection();
    // Menu 294 (with a selection) or 283 (without), enabled as it allows.
    QMenu* ContextMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMode();
    void ShowContextMenu(QAbstractItemView* view, const QPoint& at);
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    QMenu* MakeMenu(int menuId, const std::vector<int>& commands);

    CFileBrowser& m_browser;
    FileListModel* m_model;
    QStackedWidget* m_stack;
    QListView* m_icons;
    QTreeView* m_details;
    QLabel* m_loading;
    QMenu* m_itemMenu;
    QMenu* m_backgroundMenu;
};

} // namespace tavrel
