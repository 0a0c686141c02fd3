#pragma once
// The capture program's main dialog, "照片预览", the one window of class
// "Tavrel Camera": a thin view over the capture engine. It shows the
// engine's state and preview pictures and forwards every click to it; the
// film and photo variants add their group of radio buttons.

#include "capture/CaptureEngine.h"
#include "capture/app/CaptureControls.h"
#include "capture/app/LensCalibrationDlg.h"
#include "platform/EventLoop.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QGroupBox;
class QMenu;
class QSoundEffect;

namespace tavrel
{

class CProgressPopup;
class QtWindowBinding;

class CCaptureDlg : public QDialog
{
    Q_OBJECT

public:
    struct Options
    {
        bool verifyOnStart = false;
        std::unique_ptr<VideoBackend> backend; // null: the default backend
    };

    ~CCaptureDlg() override;

    // The dialog's initialisation with the device opened and the preview
    // started; false when there is no device (the message has been shown and
    // the dialog has ended).
    bool OnInitDialog();

    HWND Handle() const;
    CCaptureEngine& Engine() { return *m_engine; }
    EventLoop& Loop() { return m_loop; }
    const CaptureControls& Controls() const { return m_controls; }
    CProgressPopup* ProgressPopup() const { return m_popup; }
    CLensCalibrationDlg* Calibration() const { return m_calibration; }
    // True once the final exit has run.
    bool Ended() const { return m_ended; }

    void reject() override; // Escape: the orderly close, as WM_CLOSE
    // Trace lines of the run ("closing", device arrival and removal).
    void SetTrace(std::function<void(const std::string&)> trace) { m_trace = std::move(trace); }

protected:
    CCaptureDlg(int templateId, CaptureMode mode, EventLoop& loop, Options options,
                QGroupBox* variant, QWidget* parent);
    // Puts the engine's choice of film type or photo size on the variant's buttons.
    virtual void ShowVariant(const CaptureState& state) = 0;

    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BindWindow();
    void Wire();
    void OnEngineEvent(EngineEvent event);
    void Refresh();
    void CutAtTestGroup();
    void PlaceProgressPopup();
    void ShowSystemMenu(const QPoint& at);
    void ShowAbout();
    void OpenCalibration();
    void CloseCalibration();
    void PlayCaptureSound();

    EventLoop& m_loop;
    CaptureMode m_mode;
    CaptureControls m_controls;
    std::unique_ptr<CCaptureEngine> m_engine;
    std::unique_ptr<QtWindowBinding> m_window;
    CProgressPopup* m_popup = nullptr;
    QPointer<CLensCalibrationDlg> m_calibration;
    QMenu* m_systemMenu = nullptr;
    QSoundEffect* m_sound = nullptr;
    std::function<void(const std::string&)> m_trace;
    bool m_marked = false;
    bool m_cut = false; // at the test group's top
    bool m_closing = false;
    bool m_ended = false;
};

} // namespace tavrel
