#include "capture/app/PhotoCaptureDlg.h"

#include "capture/app/VantrelStrings.h"
#include "platform/qt/Controls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

namespace tavrel
{

namespace
{

QGroupBox* SizeGroup()
{
    auto* group = new QGroupBox(LoadString(IDS_PHOTO_GROUP));
    auto* layout = new QGridLayout(group);
    for (int i = 0; i < 4; ++i)
    {
        layout->addWidget(MakeRadio(group, control::kSize5x7 + i), i / 2, i % 2);
    }
    return group;
}

} // namespace

CPhotoCaptureDlg::CPhotoCaptureDlg(EventLoop& loop, Options options, QWidget* parent)
    : CCaptureDlg(IDD_PHOTO, CaptureMode::Photo, loop, std::move(options), SizeGroup(), parent)
{
    for (int i = 0; i < 4; ++i)
        m_sizes[i] = qobject_cast<QRadioButton*>(FindControl(this, control::kSize5x7 + i));
}

void CPhotoCaptureDlg::ShowVariant(const CaptureState& state)
{
    // The test size of the start-up checks none of them.
    CheckRadio({m_sizes[0], m_sizes[1], m_sizes[2], m_sizes[3]}, int(state.photoSize) - 1);
    m_sizes[3]->setEnabled(state.nameCardEnabled);
}

} // namespace tavrel
