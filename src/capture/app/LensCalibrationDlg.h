#pragma once
// The lens calibration dialog, "镜头校正" (template 129): the instruction,
// a start button that runs the calibration sequence over the three film
// types, its progress and status. It ends with OK when the three
// references are taken, with Cancel when a frame could not be taken or the
// user cancels; closing it stops the sequence. A frame that is not of the
// empty holder keeps it open with the reason, ready to start again.

#include "capture/CalibrationSequence.h"

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tavrel
{

class CCaptureDlg;

class CLensCalibrationDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CLensCalibrationDlg(CCaptureDlg& mainDialog);
    ~CLensCalibrationDlg() override;

    CalibrationSequence::State Sequence() const { return m_sequence->Current(); }
    // Stops the sequence at once, before the dialog goes.
    void done(int result) override;

private:
    void OnStart();
    void Refresh();

    CCaptureDlg& m_mainDialog;
    QProgressBar* m_progress;
    QPushButton* m_start;
    QLabel* m_status;
    QLabel* m_secondText;
    std::unique_ptr<CalibrationSequence> m_sequence;
};

} // namespace tavrel
