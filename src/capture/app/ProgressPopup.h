#pragma once
// The small window under the capture button whose bar loops while the
// camera is asked again for a still picture (template 132, bar 1035).
// Timer 9010 moves the bar on every 500 ms while it is shown.

#include <QDialog>

class QProgressBar;

namespace tavrel
{

class CProgressPopup : public QDialog
{
    Q_OBJECT

public:
    explicit CProgressPopup(QWidget* parent);

    void Show();
    void Hide();
    void Place(const QRect& screenRect);
    int Position() const;
    bool Running() const { return m_timer != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    QProgressBar* m_bar;
    int m_timer = 0;
};

} // namespace tavrel
