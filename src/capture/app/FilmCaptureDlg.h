#pragma once
// The film dialog (capture mode 0, template 134): positive, negative and
// black-and-white film.

#include "capture/app/CaptureDlg.h"

class QRadioButton;

namespace tavrel
{

class CFilmCaptureDlg : public CCaptureDlg
{
    Q_OBJECT

public:
    explicit CFilmCaptureDlg(EventLoop& loop, Options options = {}, QWidget* parent = nullptr);

protected:
    void ShowVariant(const CaptureState& state) override;

private:
    QRadioButton* m_types[3] = {};
};

} // namespace tavrel
