#pragma once
// The preview frame (control 1005): black, with the engine's latest preview
// picture drawn over it at the picture's own proportions, and a line of
// text over the picture when the camera has something to say. It repaints
// only when it is given a new picture or text.

#include "imaging/cwimage/dib/Dib.h"

#include <QFrame>

#include <memory>

namespace tavrel
{

class CPreviewFrame : public QFrame
{
    Q_OBJECT

public:
    explicit CPreviewFrame(QWidget* parent = nullptr);

    void SetPicture(std::shared_ptr<const CDib> picture);
    void SetMessage(const QString& text);
    const CDib* Picture() const { return m_picture.get(); }
    const QString& Message() const { return m_message; }
    // Paints so far (for the tests: nothing is painted without news).
    int PaintCount() const { return m_paints; }

    // The frame is sized for a 4:3 picture of this height.
    void SetPreferredHeight(int height);
    QSize sizeHint() const override;

signals:
    void widthChanged(int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::shared_ptr<const CDib> m_picture;
    QString m_message;
    int m_paints = 0;
    int m_preferredHeight = 360;
};

} // namespace tavrel
