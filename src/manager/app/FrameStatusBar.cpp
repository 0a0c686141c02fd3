#include "manager/app/FrameStatusBar.h"

#include "manager/ManagerCommands.h"
#include "manager/app/PelidorStrings.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

namespace tavrel
{

namespace
{

constexpr int kPaneWidth = 100;
constexpr int kProgressWidth = 105;

QLabel* MakePane(QWidget* parent, UINT id)
{
    auto* label = new QLabel(parent);
    label->setProperty("controlId", id);
    label->setMinimumWidth(kPaneWidth);
    return label;
}

} // namespace

CFrameStatusBar::CFrameStatusBar(QWidget* parent)
    : QStatusBar(parent), m_message(new QLabel(this)),
      m_progressPane(MakePane(this, ID_INDICATOR_PROGRESS)),
      m_queuePane(MakePane(this, ID_INDICATOR_QUEUE)), m_progress(new QProgressBar(this))
{
    setSizeGripEnabled(false);
    addWidget(m_message, 1);
    m_progressPane->setFixedWidth(kProgressWidth + 2);
    addPermanentWidget(m_progressPane);
    addPermanentWidget(m_queuePane);
    m_progressPane->installEventFilter(this);

    // Smooth, 0 to 100 in steps of 1, outside the layout so that it can sit
    // over pane 1 only while a run is in progress.
    m_progress->setObjectName("progressBar");
    m_progress->setProperty("controlId", 1);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->hide();
}

QLabel* CFrameStatusBar::Pane(int pane) const
{
    switch (pane)
    {
    case 0:
        return m_message;
    case 1:
        return m_progressPane;
    case 2:
        return m_queuePane;
    default:
        return nullptr;
    }
}

QString CFrameStatusBar::PaneText(int pane) const
{
    const QLabel* label = Pane(pane);
    return label ? label->text() : QString();
}

void CFrameStatusBar::SetPaneText(int pane, const std::string& text)
{
    if (QLabel* label = Pane(pane))
        label->setText(QString::fromStdString(text));
}

std::string CFrameStatusBar::QueueStatusText() const
{
    return LoadString(IDS_QUEUE_STATUS).toStdString();
}

RECT CFrameStatusBar::GetPaneRect(int pane) const
{
    const QLabel* label = Pane(pane);
    if (!label)
        return RECT{};
    const QRect r = label->geometry();
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CFrameStatusBar::ShowProgressBarAt(const RECT& rect)
{
    MoveBar(rect);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->show();
    m_progress->raise();
}

void CFrameStatusBar::PlaceProgressBar(const RECT& rect)
{
    ShowProgressBarAt(rect);
    emit runStarted();
}

void CFrameStatusBar::MoveBar(const RECT& rect)
{
    m_progress->setGeometry(rect.left, rect.top, kProgressWidth, rect.bottom - rect.top);
}

void CFrameStatusBar::SetProgressPos(int position)
{
    m_progress->setValue(position);
}

void CFrameStatusBar::MoveProgressBar(const RECT& rect)
{
    if (rect.right == rect.left || rect.bottom == rect.top)
        m_progress->hide();
    else
        MoveBar(rect);
}

bool CFrameStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_progressPane && !m_progress->isHidden() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        MoveBar(GetPaneRect(1));
    return QStatusBar::eventFilter(watched, event);
}

} // namespace tavrel
