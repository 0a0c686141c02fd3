#include "manager/app/ChildFrame.h"

#include "manager/ManagerCommands.h"
#include "manager/app/ExplorerBrowser.h"
#include "manager/app/MainFrame.h"
#include "manager/app/PaneSplitterWnd.h"
#include "manager/app/PelidorStrings.h"
#include "manager/app/ToolbarIcons.h"
#include "platform/qt/AboutBox.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace tavrel
{

namespace
{

constexpr QSize kButtonSize(300, 38);
constexpr QSize kImageSize(32, 32);

// Accelerator table 128. Where the design gives a key to a folder command
// and a file command, the pane that has the focus decides: a key pressed in
// the file list never deletes or pastes into the folder tree's selection.
struct Accelerator
{
    QKeySequence keys;
    UINT treeCommand;
    UINT listCommand;
};

const Accelerator kAccelerators[] = {
    {QKeySequence(Qt::CTRL | Qt::Key_A), ID_SELECT_ALL, ID_SELECT_ALL},
    {QKeySequence(Qt::CTRL | Qt::Key_C), ID_FOLDER_COPY, ID_EDIT_COPY},
    {QKeySequence(Qt::CTRL | Qt::Key_D), ID_FOLDER_DELETE, ID_EDIT_DELETE},
    {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FOLDER_NEW, ID_FOLDER_NEW},
    {QKeySequence(Qt::CTRL | Qt::Key_R), ID_FOLDER_PROPERTIES, ID_FILE_PROPERTIES},
    {QKeySequence(Qt::CTRL | Qt::Key_V), ID_FOLDER_PASTE, ID_EDIT_PASTE},
    {QKeySequence(Qt::CTRL | Qt::Key_Backspace), ID_UP, ID_UP},
    {QKeySequence(Qt::Key_Delete), ID_FOLDER_DELETE, ID_EDIT_DELETE},
    {QKeySequence(Qt::Key_F2), ID_RENAME, ID_RENAME},
    {QKeySequence(Qt::Key_F5), ID_FOLDER_REFRESH, ID_FILE_REFRESH},
    {QKeySequence(Qt::CTRL | Qt::Key_X), ID_FOLDER_CUT, ID_EDIT_CUT},
    {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO, ID_EDIT_UNDO},
};

bool IsTextEditor(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

} // namespace

CChildFrame::CChildFrame(CManagerEngine& engine, const QString& settingsFile,
                         const std::string& folder, QWidget* parent)
    : QMainWindow(parent), m_engine(engine)
{
    setObjectName("ChildFrame");
    setWindowFlags(Qt::Widget);
    CreateActions();
    CreatePanes(settingsFile, folder);
    CreateToolBar();
    CreateAccelerators();
    qApp->installEventFilter(this);
    UpdateCommandUi();
}

CChildFrame::~CChildFrame()
{
    qApp->removeEventFilter(this);
    // The views go (writing the splitter state) while the panes' models
    // they show still exist.
    delete m_splitter;
    m_splitter = nullptr;
}

QAction* CChildFrame::AddAction(UINT id, int textId)
{
    auto* action = new QAction(textId ? LoadString(textId) : QString(), this);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
    return action;
}

void CChildFrame::CreateActions()
{
    AddAction(ID_TOOLBAR_CAPTURE, IDS_TOOL_CAPTURE)->setIcon(ToolbarIcon(IDI_CAPTURE));
    AddAction(ID_UP, IDS_TOOL_UP)->setIcon(ToolbarIcon(IDI_UP));
    QAction* folders = AddAction(ID_FOLDERS, IDS_TOOL_FOLDERS);
    folders->setIcon(ToolbarIcon(IDI_FOLDERS));
    folders->setCheckable(true);
    AddAction(ID_VIEW_MENU, IDS_TOOL_VIEW)->setIcon(ToolbarIcon(IDI_VIEW));

    AddAction(ID_CAPTURE, IDS_MENU_CAPTURE)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    AddAction(ID_APP_EXIT, IDS_MENU_EXIT)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    AddAction(ID_EDIT_CUT, IDS_MENU_CUT);
    AddAction(ID_EDIT_COPY, IDS_MENU_COPY);
    AddAction(ID_EDIT_PASTE, IDS_MENU_PASTE);
    AddAction(ID_EDIT_DELETE, IDS_MENU_DELETE);
    AddAction(ID_SELECT_ALL, IDS_MENU_SELECT_ALL);
    AddAction(ID_SELECT_INVERT, IDS_MENU_SELECT_INVERT);
    AddAction(ID_APP_ABOUT, IDS_MENU_ABOUT);

    // Menu 315's first submenu, popped up by the View button.
    m_viewMenu = new QMenu(this);
    m_viewMenu->setObjectName("menu315");
    m_viewGroup = new QActionGroup(this);
    for (const auto& [id, text] :
         {std::pair{ID_VIEW_ICONS, IDS_MENU_ICONS}, std::pair{ID_VIEW_DETAILS, IDS_MENU_DETAILS}})
    {
        QAction* action = AddAction(id, text);
        action->setCheckable(true);
        m_viewGroup->addAction(action);
        m_viewMenu->addAction(action);
    }

    // Commands without a menu item or button, reached by WM_COMMAND.
    for (const UINT id : {ID_CAPTURE_VERIFY, ID_VIEW_LARGEICON, ID_VIEW_REPORT, ID_NO_ACTION})
        addAction(AddAction(id, 0));
}

void CChildFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName("toolbar158");
    m_toolBar->setProperty("controlId", 158);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(kImageSize);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    for (const UINT id : {ID_TOOLBAR_CAPTURE, ID_UP, ID_FOLDERS, ID_VIEW_MENU})
    {
        m_toolBar->addAction(m_actions[id]);
        if (QWidget* button = m_toolBar->widgetForAction(m_actions[id]))
        {
            button->setProperty("controlId", id);
            button->setMinimumHeight(kButtonSize.height());
            button->setMaximumWidth(kButtonSize.width());
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CChildFrame::CreatePanes(const QString& settingsFile, const std::string& folder)
{
    m_panes = std::make_unique<CExplorerBrowser>(
        m_engine, m_engine.Settings(),
        [this](const std::string& text)
        {
            if (auto* frame = qobject_cast<CMainFrame*>(window()))
                frame->SetStatusText(QString::fromStdString(text));
        },
        this);

    m_splitter = new CPaneSplitterWnd(0, CPaneSplitterWnd::Split::Columns, settingsFile, this);
    m_splitter->setProperty("controlId", 0xE900);
    CPaneSplitterWnd* left = m_splitter->AddSubSplitter(0, CPaneSplitterWnd::Split::Rows);
    left->AddPaneView(0, m_panes->FolderTree().Widget());
    left->AddPaneView(1, m_panes->WebPanel().Widget());
    m_splitter->AddPaneView(1, m_panes->FileList().Widget());
    m_splitter->SetPaneInfo(0, 200, 100);
    left->SetPaneInfo(0, 550, 1);
    left->SetPaneInfo(1, 100, 1);
    left->TogglePane(1);
    setCentralWidget(m_splitter);
    m_panes->Start(folder);
}

void CChildFrame::CreateAccelerators()
{
    for (const Accelerator& accelerator : kAccelerators)
    {
        auto* action = new QAction(this);
        action->setShortcut(accelerator.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const UINT tree = accelerator.treeCommand;
        const UINT list = accelerator.listCommand;
        connect(action, &QAction::triggered, this,
                [this, tree, list] { OnCommand(FolderTreeHasFocus() ? tree : list); });
        addAction(action);
    }
}

void CChildFrame::FillMenuBar(QMenuBar* menuBar)
{
    menuBar->clear();
    QMenu* file = menuBar->addMenu(LoadString(IDS_MENU_FILE));
    file->addAction(m_actions[ID_CAPTURE]);
    file->addSeparator();
    file->addAction(m_actions[ID_APP_EXIT]);
    QMenu* edit = menuBar->addMenu(LoadString(IDS_MENU_EDIT));
    for (const UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE})
        edit->addAction(m_actions[id]);
    edit->addSeparator();
    edit->addAction(m_actions[ID_SELECT_ALL]);
    edit->addAction(m_actions[ID_SELECT_INVERT]);
    connect(edit, &QMenu::aboutToShow, this, &CChildFrame::UpdateCommandUi);
    QMenu* help = menuBar->addMenu(LoadString(IDS_MENU_HELP));
    help->addAction(m_actions[ID_APP_ABOUT]);
}

QAction* CChildFrame::Action(UINT id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

IExplorerFileList& CChildFrame::FileList()
{
    return m_panes->FileList();
}

IExplorerFolderTree& CChildFrame::FolderTree()
{
    return m_panes->FolderTree();
}

IExplorerWebPanel& CChildFrame::WebPanel()
{
    return m_panes->WebPanel();
}

bool CChildFrame::FolderTreeHasFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    const QWidget* tree = m_panes->FolderTree().Widget();
    return focus && tree && (focus == tree || tree->isAncestorOf(focus));
}

bool CChildFrame::OnCommand(UINT id)
{
    // A disabled command is not carried out, however it arrives (an
    // accelerator, another program's WM_COMMAND).
    if (const QAction* action = Action(id); action && !action->isEnabled())
        return true;
    switch (id)
    {
    case ID_CAPTURE:
    case ID_TOOLBAR_CAPTURE:
        m_engine.LaunchCapture(false);
        return true;
    case ID_CAPTURE_VERIFY:
        m_engine.LaunchCapture(true);
        return true;
    case ID_UP:
        FolderTree().SelectParent();
        return true;
    case ID_FOLDERS:
        m_splitter->TogglePane(0);
        m_engine.ToggleFolders();
        UpdateCommandUi();
        return true;
    case ID_VIEW_MENU:
        ShowViewMenu();
        return true;
    case ID_VIEW_ICONS:
        SetListMode(true);
        m_engine.SetViewMode(kViewModeIcons);
        return true;
    case ID_VIEW_DETAILS:
        SetListMode(false);
        m_engine.SetViewMode(kViewModeDetails);
        return true;
    case ID_VIEW_LARGEICON:
        SetListMode(true);
        m_engine.StoreViewMode(kViewModeIcons);
        return true;
    case ID_VIEW_REPORT:
        SetListMode(false);
        m_engine.StoreViewMode(kViewModeDetails);
        return true;
    case ID_NO_ACTION:
        return true;
    case ID_APP_ABOUT:
        CAboutBox::Show({.caption = LoadString(IDS_ABOUT_CAPTION),
                         .product = LoadString(IDS_ABOUT_PRODUCT),
                         .text = LoadString(IDS_ABOUT_TEXT),
                         .ok = LoadString(IDS_ABOUT_OK),
                         .icon = ToolbarIcon(IDI_CAPTURE),
                         .skinName = QStringLiteral("Dialog")},
                        window());
        return true;
    case ID_APP_EXIT:
        // Through the frame's close, so that its close steps run.
        window()->close();
        return true;
    default:
        break;
    }
    return FileList().OnCommand(id) || FolderTree().OnCommand(id);
}

void CChildFrame::SetListMode(bool icons)
{
    FileList().SetIconMode(icons);
    UpdateCommandUi();
}

void CChildFrame::ShowViewMenu()
{
    UpdateCommandUi();
    QWidget* button = m_toolBar->widgetForAction(m_actions[ID_VIEW_MENU]);
    const QPoint at = button ? button->mapToGlobal(QPoint(8, button->height())) : QCursor::pos();
    // Not exec(): a command sent by another program must not wait for the
    // user to close the menu.
    m_viewMenu->popup(at);
}

void CChildFrame::UpdateCommandUi()
{
    const EditFlags edit = m_engine.Edit();
    m_actions[ID_EDIT_CUT]->setEnabled(edit.cut);
    m_actions[ID_EDIT_COPY]->setEnabled(edit.copy);
    m_actions[ID_EDIT_PASTE]->setEnabled(edit.paste);
    m_actions[ID_EDIT_DELETE]->setEnabled(edit.del);
    m_actions[ID_FOLDERS]->setChecked(m_engine.FoldersShown());
    const bool icons = m_panes && m_panes->FileList().IsIconMode();
    m_actions[ID_VIEW_ICONS]->setChecked(icons);
    m_actions[ID_VIEW_DETAILS]->setChecked(!icons);
}

bool CChildFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* target = qobject_cast<QWidget*>(watched);
    if (key->key() != Qt::Key_Backspace || key->modifiers() != Qt::NoModifier || !target ||
        !isAncestorOf(target))
        return false;
    // A name being edited keeps its Backspace.
    if (m_engine.Renaming() || IsTextEditor(target))
        return false;
    OnCommand(ID_UP);
    return true;
}

} // namespace tavrel
