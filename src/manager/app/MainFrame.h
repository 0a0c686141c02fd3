#pragma once
// The manager's main frame, window class "Pelidor": the target of the
// picture hand-over, the status bar with the progress bar and the queue
// count, the receiver of device notifications and the place where a close
// waits for a storage run. The explorer window is its central widget.

#include "manager/ManagerEngine.h"

#include <QMainWindow>

#include <memory>
#include <string>

class QToolBar;

namespace tavrel
{

class CChildFrame;
class CFrameStatusBar;
class QtWindowBinding;

class CMainFrame : public QMainWindow, public IManagerFrame
{
    Q_OBJECT

public:
    // `loop`: the program's UI thread; `appSettingsFile`: the application
    // settings (splitter state).
    CMainFrame(EventLoop& loop, CUserSettings& settings, QString appSettingsFile,
               ManagerEngineOptions options = {});
    ~CMainFrame() override;

    // The creation steps: window, mark, bars, progress bar, title, scanner
    // query and device notifications. False when the window cannot be made.
    bool Create();
    // The explorer window, showing `folder` first.
    void CreateExplorer(const std::string& folder);

    // Status bar pane 0.
    void SetStatusText(const QString& text);
    HWND Handle() const;
    CManagerEngine& Engine() { return m_engine; }
    CChildFrame* Explorer() const { return m_explorer; }
    CFrameStatusBar* StatusBar() const { return m_statusBar; }

    void HideFrame() override;
    void StopThumbnailWorker() override;
    void EmptyClipboard() override;
    void StateChanged() override;

signals:
    // The frame was closed for good (not only hidden for a pending close).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    LRESULT OnMessage(const Message& message);
    void FillNoDocumentMenu();

    QString m_appSettingsFile;
    CManagerEngine m_engine;
    std::unique_ptr<QtWindowBinding> m_binding;
    QToolBar* m_hiddenToolBar = nullptr;
    CFrameStatusBar* m_statusBar = nullptr;
    CChildFrame* m_explorer = nullptr;
};

} // namespace tavrel
