#include "capture/app/FilmCaptureDlg.h"

#include "capture/app/VantrelStrings.h"
#include "platform/qt/Controls.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

namespace tavrel
{

namespace
{

QGroupBox* FilmGroup()
{
    auto* group = new QGroupBox(LoadString(IDS_FILM_GROUP));
    auto* layout = new QHBoxLayout(group);
    for (int i = 0; i < 3; ++i)
    {
        layout->addWidget(MakeRadio(group, control::kPositive + i));
    }
    layout->addStretch();
    return group;
}

} // namespace

CFilmCaptureDlg::CFilmCaptureDlg(EventLoop& loop, Options options, QWidget* parent)
    : CCaptureDlg(IDD_FILM, CaptureMode::Film, loop, std::move(options), FilmGroup(), parent)
{
    for (int i = 0; i < 3; ++i)
        m_types[i] = qobject_cast<QRadioButton*>(FindControl(this, control::kPositive + i));
}

void CFilmCaptureDlg::ShowVariant(const CaptureState& state)
{
    CheckRadio({m_types[0], m_types[1], m_types[2]}, int(state.filmType));
}

} // namespace tavrel
