#include "capture/app/LensCalibrationDlg.h"

#include "capture/app/CaptureDlg.h"
#include "capture/app/DialogIds.h"
#include "capture/app/DialogUnits.h"
#include "capture/app/VantrelStrings.h"
#include "platform/qt/Controls.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel
{

namespace
{
namespace c = control;
constexpr int kWidthDlu = 293;
constexpr int kHeightDlu = 111;
} // namespace

CLensCalibrationDlg::CLensCalibrationDlg(CCaptureDlg& mainDialog)
    : QDialog(&mainDialog), m_mainDialog(mainDialog)
{
    setWindowTitle(LoadString(IDD_CALIBRATION));
    auto* text = new QLabel(LoadString(IDS_CALIBRATION_TEXT), this);
    text->setWordWrap(true);
    m_progress = new QProgressBar(this);
    SetControlId(m_progress, c::kCalibrationProgress);
    m_progress->setTextVisible(false);
    m_status = new QLabel(this);
    m_status->setWordWrap(true); // a refusal says what to do
    SetControlId(m_status, c::kCalibrationStatus);
    m_secondText = new QLabel(this);
    SetControlId(m_secondText, c::kCalibrationSecondText);

    auto* buttons = new QDialogButtonBox(this);
    m_start = buttons->addButton(LoadString(c::kStartCalibration), QDialogButtonBox::ActionRole);
    SetControlId(m_start, c::kCalibrationStart);
    m_start->setDefault(true);
    QPushButton* cancel = buttons->addButton(LoadString(IDS_CANCEL), QDialogButtonBox::RejectRole);
    SetControlId(cancel, IDCANCEL);
    connect(m_start, &QPushButton::clicked, this, &CLensCalibrationDlg::OnStart);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* statusRow = new QGridLayout;
    statusRow->addWidget(m_status, 0, 0);
    statusRow->addWidget(m_secondText, 0, 1);
    statusRow->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addStretch(1);
    layout->addWidget(m_progress);
    layout->addLayout(statusRow);
    layout->addWidget(buttons);
    const QSize size = DialogUnits(this, kWidthDlu, kHeightDlu);
    setMinimumWidth(size.width());
    resize(size.expandedTo(sizeHint()));

    CCaptureDlg* main = &m_mainDialog;
    m_sequence = std::make_unique<CalibrationSequence>(CalibrationSequence::Steps{
        main->Loop(), [main](int id) { ClickCommand(main, id); },
        [main](std::stop_token stop) { return main->Engine().CaptureCalibrationReference(stop); },
        [this] { Refresh(); }});
}

CLensCalibrationDlg::~CLensCalibrationDlg() = default;

void CLensCalibrationDlg::done(int result)
{
    m_sequence->Cancel();
    QDialog::done(result);
}

void CLensCalibrationDlg::OnStart()
{
    m_start->setEnabled(false);
    m_sequence->Start();
}

void CLensCalibrationDlg::Refresh()
{
    const CalibrationSequence::State s = m_sequence->Current();
    int text = s.statusId;
    if (s.outcome == CalibrationSequence::Outcome::Refused)
        text = s.refusal == CalibrationResult::HolderInPlace ? IDS_CALIBRATION_NOT_EMPTY
                                                             : IDS_CALIBRATION_NO_LIGHT;
    m_status->setText(text ? LoadString(text) : QString());
    m_progress->setRange(0, std::max(1, s.range));
    // A refused run starts over: a full bar beside the refusal would read as done.
    m_progress->setValue(s.outcome == CalibrationSequence::Outcome::Refused ? 0 : s.position);
    if (s.outcome == CalibrationSequence::Outcome::Done)
        accept();
    else if (s.outcome == CalibrationSequence::Outcome::Failed)
        reject();
    else if (s.outcome == CalibrationSequence::Outcome::Refused)
        m_start->setEnabled(true);
}

} // namespace tavrel
