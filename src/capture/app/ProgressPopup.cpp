#include "capture/app/ProgressPopup.h"

#include "capture/app/DialogIds.h"
#include "platform/qt/Controls.h"

#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace tavrel
{

namespace
{
constexpr int kTickMs = 500; // timer 9010
} // namespace

CProgressPopup::CProgressPopup(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_bar = new QProgressBar(this);
    SetControlId(m_bar, control::kPopupProgress);
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    setFixedHeight(fontMetrics().height());
}

void CProgressPopup::Show()
{
    if (isVisible())
        return;
    m_bar->setValue(60);
    if (!m_timer)
        m_timer = startTimer(kTickMs);
    show();
}

void CProgressPopup::Hide()
{
    if (m_timer)
        killTimer(m_timer);
    m_timer = 0;
    hide();
}

void CProgressPopup::Place(const QRect& screenRect)
{
    setGeometry(screenRect.x(), screenRect.y(), std::max(1, screenRect.width()), height());
}

int CProgressPopup::Position() const
{
    return m_bar->value();
}

void CProgressPopup::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer)
        return QDialog::timerEvent(event);
    m_bar->setValue((m_bar->value() + 5) % 100);
}

} // namespace tavrel
