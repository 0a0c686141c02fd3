#pragma once
// The photo dialog (capture mode 1, template 133): prints of 5x7, 4x6,
// 3 1/2x5 and name-card size.

#include "capture/app/CaptureDlg.h"

class QRadioButton;

namespace tavrel
{

class CPhotoCaptureDlg : public CCaptureDlg
{
    Q_OBJECT

public:
    explicit CPhotoCaptureDlg(EventLoop& loop, Options options = {}, QWidget* parent = nullptr);

protected:
    void ShowVariant(const CaptureState& state) override;

private:
    QRadioButton* m_sizes[4] = {};
};

} // namespace tavrel
