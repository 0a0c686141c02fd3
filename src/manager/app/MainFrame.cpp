#include "manager/app/MainFrame.h"

#include "manager/ManagerCommands.h"
#include "manager/app/ChildFrame.h"
#include "manager/app/FrameStatusBar.h"
#include "manager/app/PelidorStrings.h"
#include "platform/qt/QtWindowBinding.h"
#include "shared/PictureDescriptor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenuBar>
#include <QToolBar>

namespace tavrel
{

CMainFrame::CMainFrame(EventLoop& loop, CUserSettings& settings, QString appSettingsFile,
                       ManagerEngineOptions options)
    : m_appSettingsFile(std::move(appSettingsFile)),
      m_engine(loop, settings, *this, std::move(options))
{
    setObjectName("MainFrame");
}

CMainFrame::~CMainFrame()
{
    // The window goes before the engine and the panes it reaches, and the
    // explorer window before the engine it reports to.
    m_binding.reset();
    m_engine.SetPanes(nullptr, nullptr, nullptr);
    delete m_explorer;
    m_explorer = nullptr;
}

bool CMainFrame::Create()
{
    // Titled before it is registered: a window found by class never shows
    // an empty title.
    setWindowTitle(LoadString(IDS_FRAME_TITLE));
    m_binding = std::make_unique<QtWindowBinding>(
        this, kManagerWindowClass,
        [this](const Message& message, std::vector<std::uint8_t>&) { return OnMessage(message); });
    if (!m_binding->IsValid())
        return false;
    // Exit closes through the close steps, with or without the explorer
    // window.
    m_binding->SetCommandHandler(ID_APP_EXIT, [this] { close(); });
    m_engine.Create(m_binding->Handle());

    m_hiddenToolBar = new QToolBar(this);
    m_hiddenToolBar->setObjectName("toolbar128");
    addToolBar(m_hiddenToolBar);
    m_hiddenToolBar->hide();

    m_statusBar = new CFrameStatusBar(this);
    setStatusBar(m_statusBar);
    m_statusBar->SetPaneText(0, LoadString(IDS_STATUS_READY).toStdString());
    m_statusBar->ShowProgressBarAt(m_statusBar->GetPaneRect(1));

    m_engine.StartDevices();
    FillNoDocumentMenu();
    return true;
}

void CMainFrame::FillNoDocumentMenu()
{
    // Menu 128, while no explorer window is open.
    QMenuBar* bar = menuBar();
    bar->clear();
    auto add = [this](QMenu* menu, int textId, UINT id)
    {
        QAction* action = menu->addAction(LoadString(textId));
        action->setData(id);
        if (id == ID_NOTHING_NEW)
            connect(action, &QAction::triggered, this, [this] { CreateExplorer(""); });
    };
    add(bar->addMenu(LoadString(IDS_MENU_FILE)), IDS_MENU_NEW, ID_NOTHING_NEW);
    add(bar->addMenu(LoadString(IDS_MENU_EDIT)), IDS_MENU_CUT, ID_NOTHING_CUT);
    add(bar->addMenu(LoadString(IDS_MENU_HELP)), IDS_MENU_ABOUT, ID_NOTHING_ABOUT);
}

void CMainFrame::CreateExplorer(const std::string& folder)
{
    if (m_explorer)
        return;
    m_explorer = new CChildFrame(m_engine, m_appSettingsFile, folder, this);
    setCentralWidget(m_explorer);
    m_explorer->FillMenuBar(menuBar());
    m_engine.SetPanes(&m_explorer->FileList(), &m_explorer->FolderTree(), m_statusBar);
    // The list shows the folder once the tree has opened it; a killed run's
    // partial files there go now.
    if (!folder.empty())
        m_engine.Receiver().Storage().RemoveLeftovers(folder);
}

void CMainFrame::SetStatusText(const QString& text)
{
    if (m_statusBar)
        m_statusBar->SetPaneText(0, text.toStdString());
}

HWND CMainFrame::Handle() const
{
    return m_binding ? m_binding->Handle() : 0;
}

LRESULT CMainFrame::OnMessage(const Message& message)
{
    // What the binding leaves: commands with no control or action of their
    // own go to the pane that owns them; the hand-over, 1126, 1127 and
    // device changes to the engine.
    if (message.message == WM_COMMAND)
    {
        // Menu (0) and accelerator (1) commands only, not controls'
        // notifications.
        const WPARAM code = (message.wParam >> 16) & 0xFFFF;
        if (m_explorer && code <= 1)
            m_explorer->OnCommand(UINT(message.wParam & 0xFFFF));
        return 0;
    }
    bool handled = false;
    return m_engine.HandleMessage(message, &handled);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_engine.Close())
    {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

void CMainFrame::HideFrame()
{
    hide();
}

void CMainFrame::StopThumbnailWorker()
{
    if (m_explorer)
        m_explorer->FileList().StopThumbnailWorker();
}

void CMainFrame::EmptyClipboard()
{
    // Only what this program put there: another program's clipboard is
    // the user's, and not ours to wipe.
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard->ownsClipboard())
        clipboard->clear();
}

void CMainFrame::StateChanged()
{
    if (m_explorer)
        m_explorer->UpdateCommandUi();
}

} // namespace tavrel
