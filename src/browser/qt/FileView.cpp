#include "browser/qt/FileView.h"

#include "browser/FileBrowser.h"
#include "browser/qt/BrowserQt.h"
#include "browser/qt/FileListModel.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel
{

namespace
{

// Labels in the icon cells. A stored scan's name ("2026-12-09-07-30-15.jpg")
// has no place to wrap and was cut at the time: it wraps after the date.
// Any other name too long for its two lines loses its middle, so that its
// end (a number, the extension) stays readable.
class IconLabelDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        return IconLabelText(QStyledItemDelegate::displayText(value, locale));
    }
};

} // namespace

QString IconLabelText(const QString& label)
{
    // "YYYY-MM-DD-": the stem the storage gives every picture it stores.
    static const QString kStamp = QStringLiteral("0000-00-00-");
    if (label.size() <= kStamp.size())
        return label;
    for (qsizetype i = 0; i < kStamp.size(); ++i)
        if (kStamp[i] == u'-' ? label[i] != u'-' : !label[i].isDigit())
            return label;
    return label.left(kStamp.size()) + QChar(0x200B) + label.mid(kStamp.size());
}

CFileView::CFileView(CFileBrowser& browser, QWidget* parent)
    : QWidget(parent), m_browser(browser), m_model(new FileListModel(browser, this)),
      m_stack(new QStackedWidget(this)), m_icons(new QListView(m_stack)),
      m_details(new QTreeView(m_stack)), m_loading(new QLabel(BrowserText(ids::kLoading), this))
{
    m_icons->setModel(m_model);
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setIconSize(QSize(45, 40));
    m_icons->setGridSize(QSize(116, 96));
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWordWrap(true);
    m_icons->setTextElideMode(Qt::ElideMiddle);
    m_icons->setItemDelegate(new IconLabelDelegate(m_icons));
    m_icons->setUniformItemSizes(false); // uniform sizes come from the first label alone
    // Large folders are laid out a batch at a time, so the window never
    // stops answering while thousands of items arrive.
    m_icons->setLayoutMode(QListView::Batched);
    m_icons->setBatchSize(400);

    m_details->setModel(m_model);
    m_details->setSelectionModel(m_icons->selectionModel());
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setSortingEnabled(false);
    m_details->setIconSize(QSize(16, 16));
    m_details->header()->setSectionsClickable(false);
    m_details->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_details->header()->setStretchLastSection(false);
    // Wide enough for a scan's time-stamped name, a path and a date: the
    // design's 100 pixels a column cut all three.
    const int nameWidth =
        m_details->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00-00-00-00_00.tiff")) +
        m_details->iconSize().width() + 24;
    const int kWidths[] = {std::max(190, nameWidth), 320, 80, 150};
    for (int column = 0; column < 4; ++column)
        m_details->header()->resizeSection(column, kWidths[column]);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_icons), static_cast<QAbstractItemView*>(m_details)})
    {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        m_stack->addWidget(view);
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this] { m_browser.Open(SelectedRows()); });
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { ShowContextMenu(view, at); });
    }
    connect(m_icons->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_browser.OnListSelectionChanged(SelectedRows()); });
    connect(m_model, &FileListModel::labelEditRequested, this,
            [this](int row)
            {
                const QModelIndex index = m_model->index(row, 0);
                CurrentView()->setCurrentIndex(index);
                CurrentView()->edit(index);
            });
    connect(m_model, &FileListModel::listReset, this, &CFileView::ShowMode);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_icons), static_cast<QAbstractItemView*>(m_details)})
        connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
                [this](QWidget*, QAbstractItemDelegate::EndEditHint hint)
                {
                    if (hint == QAbstractItemDelegate::RevertModelCache)
                        m_browser.CancelRename();
                });

    m_itemMenu =
        MakeMenu(ids::kItemMenu, {ids::kListOpen, 0, ids::kListCut, ids::kListCopy, 0,
                                  ids::kListDelete, ids::kListRename, 0, ids::kListProperties});
    m_backgroundMenu =
        MakeMenu(ids::kBackgroundMenu, {ids::kListIcons, ids::kListDetails, 0, ids::kListRefresh, 0,
                                        ids::kListPaste, 0, ids::kListFolderProperties});
    auto* group = new QActionGroup(m_backgroundMenu);
    for (QAction* action : m_backgroundMenu->actions())
        if (action->data().toInt() == ids::kListIcons ||
            action->data().toInt() == ids::kListDetails)
        {
            action->setCheckable(true);
            group->addAction(action);
        }

    m_loading->setAlignment(Qt::AlignCenter);
    m_loading->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_loading);
    layout->addWidget(m_stack);
    ShowMode();
}

CFileView::~CFileView() = default;

QMenu* CFileView::MakeMenu(int menuId, const std::vector<int>& commands)
{
    auto* menu = new QMenu(this);
    menu->setProperty("controlId", menuId);
    for (int id : commands)
    {
        if (id == 0)
        {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(BrowserText(id));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    return menu;
}

QAbstractItemView* CFileView::CurrentView() const
{
    return m_browser.List().Mode() == ViewMode::Icons ? static_cast<QAbstractItemView*>(m_icons)
                                                      : m_details;
}

QItemSelectionModel* CFileView::Selection() const
{
    return m_icons->selectionModel();
}

void CFileView::ShowMode()
{
    QAbstractItemView* view = CurrentView();
    if (m_stack->currentWidget() != view)
    {
        const bool focused = m_stack->currentWidget() && m_stack->currentWidget()->hasFocus();
        m_stack->setCurrentWidget(view);
        if (focused)
            view->setFocus();
    }
    m_loading->setVisible(m_browser.List().Loading());
}

std::vector<int> CFileView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : Selection()->selectedRows(0))
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CFileView::SelectAll()
{
    CurrentView()->selectAll();
    m_browser.OnSelectAll(SelectedRows().size());
}

void CFileView::InvertSelection()
{
    QItemSelection all(m_model->index(0, 0), m_model->index(m_model->rowCount() - 1, 3));
    Selection()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    m_browser.OnSelectAll(SelectedRows().size());
}

QMenu* CFileView::ContextMenu()
{
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty())
    {
        const QModelIndex mark = Selection()->currentIndex();
        const int markRow =
            mark.isValid() && Selection()->isRowSelected(mark.row()) ? mark.row() : rows.front();
        const ListMenuState state = m_browser.ItemMenuState(markRow);
        for (QAction* action : m_itemMenu->actions())
        {
            const int id = action->data().toInt();
            if (id == ids::kListCut)
                action->setEnabled(state.cut);
            else if (id == ids::kListCopy)
                action->setEnabled(state.copy);
            else if (id == ids::kListDelete)
                action->setEnabled(state.del);
            else if (id == ids::kListRename)
                action->setEnabled(state.rename);
        }
        return m_itemMenu;
    }
    const ListMenuState state = m_browser.BackgroundMenuState();
    for (QAction* action : m_backgroundMenu->actions())
    {
        const int id = action->data().toInt();
        if (id == ids::kListPaste)
            action->setEnabled(state.paste);
        else if (id == ids::kListFolderProperties)
            action->setEnabled(state.properties);
        else if (id == ids::kListIcons)
            action->setChecked(state.iconsChecked);
        else if (id == ids::kListDetails)
            action->setChecked(!state.iconsChecked);
    }
    return m_backgroundMenu;
}

void CFileView::ShowContextMenu(QAbstractItemView* view, const QPoint& at)
{
    const QModelIndex under = view->indexAt(at);
    if (!under.isValid())
        Selection()->clearSelection();
    else if (!Selection()->isRowSelected(under.row()))
        Selection()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    ContextMenu()->popup(view->viewport()->mapToGlobal(at));
}

bool CFileView::OnCommand(int id)
{
    const std::vector<int> rows = SelectedRows();
    switch (id)
    {
    case ids::kListIcons:
    case ids::kMainIcons:
        m_browser.List().SetViewMode(ViewMode::Icons);
        return true;
    case ids::kListDetails:
    case ids::kMainDetails:
        m_browser.List().SetViewMode(ViewMode::Details);
        return true;
    case ids::kListRefresh:
        m_browser.List().Refresh();
        return true;
    case ids::kListPaste:
    case ids::kMainPaste:
        m_browser.PasteIntoList();
        return true;
    case ids::kListFolderProperties:
        m_browser.FolderPropertiesOfList();
        return true;
    case ids::kListOpen:
        m_browser.Open(rows);
        return true;
    case ids::kListCut:
    case ids::kMainCut:
        m_browser.CutItems(rows);
        return true;
    case ids::kListCopy:
    case ids::kMainCopy:
        m_browser.CopyItems(rows);
        return true;
    case ids::kListDelete:
    case ids::kMainDelete:
        m_browser.DeleteItems(rows);
        return true;
    case ids::kListRename:
    {
        const QModelIndex mark = Selection()->currentIndex();
        const int row = mark.isValid() ? mark.row() : (rows.empty() ? -1 : rows.front());
        if (row >= 0)
            m_browser.StartRenameItem(row);
        return true;
    }
    case ids::kListProperties:
        m_browser.ItemProperties(rows);
        return true;
    case ids::kSelectAll:
        SelectAll();
        return true;
    case ids::kInvertSelection:
        InvertSelection();
        return true;
    default:
        return false;
    }
}

bool CFileView::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    const bool any = !SelectedRows().empty();
    if (key == Qt::Key_Delete && !ctrl)
        return OnCommand(ids::kListDelete);
    if (key == Qt::Key_F2)
        return OnCommand(ids::kListRename);
    if (key == Qt::Key_F5)
        return OnCommand(ids::kListRefresh);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !ctrl)
        return OnCommand(ids::kListOpen);
    if (!ctrl)
        return false;
    switch (key)
    {
    case Qt::Key_C:
        return OnCommand(ids::kListCopy);
    case Qt::Key_D:
        return OnCommand(any ? ids::kListDelete : ids::kListDetails);
    case Qt::Key_E:
        return OnCommand(ids::kListRefresh);
    case Qt::Key_N:
        return OnCommand(ids::kListIcons);
    case Qt::Key_O:
        return OnCommand(ids::kListOpen);
    case Qt::Key_R:
        return OnCommand(any ? ids::kListProperties : ids::kListFolderProperties);
    case Qt::Key_V:
        return OnCommand(ids::kListPaste);
    case Qt::Key_X:
        return OnCommand(ids::kListCut);
    default:
        return false;
    }
}

bool CFileView::eventFilter(QObject* watched, QEvent* event)
{
    // While a name is edited the keys go to the editor, not to the views.
    if (event->type() == QEvent::KeyPress && (watched == m_icons || watched == m_details))
    {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (HandleKey(key->key(), key->modifiers()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tavrel
