#pragma once
// The main frame's status bar: pane 0 the message pane, pane 1 (59142) the
// home of the progress bar during a storage run, pane 2 (59143) the queue
// status.

#include "manager/StatusBarPane.h"

#include <QStatusBar>

class QLabel;
class QProgressBar;

namespace tavrel
{

class CFrameStatusBar : public QStatusBar, public IStatusBar
{
    Q_OBJECT

public:
    explicit CFrameStatusBar(QWidget* parent = nullptr);

    QProgressBar* ProgressBar() const { return m_progress; }
    QString PaneText(int pane) const;
    // The frame's creation: the bar shown in pane 1 at position 0.
    void ShowProgressBarAt(const RECT& rect);

    void SetPaneText(int pane, const std::string& text) override;
    RECT GetPaneRect(int pane) const override;
    // The start of a storage run.
    void PlaceProgressBar(const RECT& rect) override;
    void SetProgressPos(int position) override;
    void MoveProgressBar(const RECT& rect) override;
    std::string QueueStatusText() const override;

signals:
    // A storage run starts.
    void runStarted();

protected:
    // The bar follows pane 1 whenever the frame's size changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveBar(const RECT& rect);
    QLabel* Pane(int pane) const;

    QLabel* m_message;
    QLabel* m_progressPane;
    QLabel* m_queuePane;
    QProgressBar* m_progress;
};

} // namespace tavrel
