#include "capture/app/PreviewFrame.h"

#include "imaging/qt/DibPainter.h"

#include <QPainter>
#include <QResizeEvent>

namespace tavrel
{

CPreviewFrame::CPreviewFrame(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // Everything is painted here: no background fill before each frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(320 + 2, 240 + 2);
}

void CPreviewFrame::SetPreferredHeight(int height)
{
    m_preferredHeight = std::max(height, 120);
    updateGeometry();
}

QSize CPreviewFrame::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {(m_preferredHeight - frame) * 4 / 3 + frame, m_preferredHeight};
}

void CPreviewFrame::SetPicture(std::shared_ptr<const CDib> picture)
{
    if (picture == m_picture)
        return;
    m_picture = std::move(picture);
    update();
}

void CPreviewFrame::SetMessage(const QString& text)
{
    if (text == m_message)
        return;
    m_message = text;
    update();
}

void CPreviewFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        emit widthChanged(contentsRect().width());
}

void CPreviewFrame::paintEvent(QPaintEvent* event)
{
    ++m_paints;
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.fillRect(area, Qt::black);
    if (m_picture && m_picture->HasPixels())
    {
        // The picture keeps its proportions: a stretched preview would not
        // show what the capture will hold.
        const QSize size =
            QSize(m_picture->Width(), m_picture->Height()).scaled(area.size(), Qt::KeepAspectRatio);
        const QRect target(area.x() + (area.width() - size.width()) / 2,
                           area.y() + (area.height() - size.height()) / 2, size.width(),
                           size.height());
        DrawDib(*m_picture, painter, target.x(), target.y(), target.width(), target.height());
    }
    if (!m_message.isEmpty())
    {
        QRect box = area.adjusted(24, 0, -24, 0);
        box = painter.boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, m_message)
                  .adjusted(-12, -8, 12, 8);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 170));
        painter.drawRoundedRect(box, 6, 6);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, m_message);
    }
}

} // namespace tavrel
