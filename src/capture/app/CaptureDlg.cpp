#include "capture/app/CaptureDlg.h"

#include "capture/app/DialogIds.h"
#include "capture/app/DialogUnits.h"
#include "capture/app/LensCalibrationDlg.h"
#include "capture/app/PreviewFrame.h"
#include "capture/app/ProgressPopup.h"
#include "capture/app/VantrelIcon.h"
#include "capture/app/VantrelStrings.h"
#include "platform/qt/AboutBox.h"
#include "platform/qt/Controls.h"
#include "platform/qt/QtWindowBinding.h"
#include "shared/InstanceGuard.h"

#include <QAudioDevice>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMediaDevices>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSoundEffect>

namespace tavrel
{

namespace
{

namespace c = control;

constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr int kTemplateWidthDlu = 450;
constexpr int kTemplateHeightDlu = 415;

std::optional<std::string> ChooseFile(QWidget* parent, FileDialog kind)
{
    QString name;
    switch (kind)
    {
    case FileDialog::SaveBitmap:
        name = QFileDialog::getSaveFileName(parent, {}, {}, "BMP Files (*.BMP)");
        break;
    case FileDialog::OpenBitmap:
        name = QFileDialog::getOpenFileName(parent, {}, {},
                                            "Sensor Config Files (*.BMP);;All Files (*)");
        break;
    case FileDialog::OpenRegisters:
        name = QFileDialog::getOpenFileName(parent, {}, {},
                                            "Sensor Config Files (*.txt);;All Files (*)");
        break;
    }
    if (name.isEmpty())
        return std::nullopt;
    return name.toStdString();
}

QString StreamMessage(const CaptureState& state, bool hasFrame)
{
    switch (state.stream)
    {
    case StreamStatus::NoDevice:
        return LoadString(IDS_NO_CAMERA);
    case StreamStatus::Stalled:
        return LoadString(IDS_STREAM_STALLED);
    case StreamStatus::Lost:
        return LoadString(IDS_STREAM_LOST);
    case StreamStatus::Streaming:
        break;
    }
    if (!hasFrame)
        return LoadString(IDS_STREAM_WAITING);
    // Until the next press: otherwise a given-up capture looks like a taken one.
    return state.lastHandover == HandoverResult::NoPicture ? LoadString(IDS_NO_PICTURE) : QString();
}

} // namespace

CCaptureDlg::CCaptureDlg(int templateId, CaptureMode mode, EventLoop& loop, Options options,
                         QGroupBox* variant, QWidget* parent)
    : QDialog(parent), m_loop(loop), m_mode(mode)
{
    setWindowTitle(LoadString(templateId));
    setWindowIcon(VantrelIcon());
    m_controls = CaptureControls::Build(this, variant);
    BindWindow();

    CaptureEngineOptions o;
    o.mode = mode;
    o.verifyOnStart = options.verifyOnStart;
    o.backend = std::move(options.backend);
    o.window = Handle();
    o.files = [this](FileDialog kind) { return ChooseFile(this, kind); };
    m_engine = std::make_unique<CCaptureEngine>(loop, std::move(o));
    m_engine->SetListener([this](EngineEvent event) { OnEngineEvent(event); });
    Wire();

    // The preview as tall as the controls beside it, at the camera's 4:3;
    // then the whole template, which the initialisation cuts at the test group.
    QWidget* visible = m_controls.visible;
    const QMargins margins = visible->layout()->contentsMargins();
    m_controls.preview->SetPreferredHeight(visible->sizeHint().height() - margins.top() -
                                           margins.bottom());
    const QSize full = DialogUnits(this, kTemplateWidthDlu, kTemplateHeightDlu);
    const int width = std::max(full.width(), visible->sizeHint().width());
    const int testTop = visible->sizeHint().height();
    const int testHeight = m_controls.testGroup->sizeHint().height();
    setMinimumSize(visible->minimumSizeHint());
    resize(width, std::max(full.height(), testTop + testHeight));
    visible->setGeometry(0, 0, width, testTop);
    m_controls.testGroup->setGeometry(0, testTop, width, testHeight);
}

CCaptureDlg::~CCaptureDlg()
{
    CloseCalibration();
    // Nothing the engine still posts may reach the widgets going now.
    m_engine->SetListener({});
    m_engine.reset();
    if (m_marked)
        InstanceGuard::UnmarkWindow(Handle(), kVantrelInstanceName);
    m_window.reset();
}

HWND CCaptureDlg::Handle() const
{
    return m_window ? m_window->Handle() : 0;
}

void CCaptureDlg::BindWindow()
{
    m_window = std::make_unique<QtWindowBinding>(
        this, "Tavrel Camera",
        [this](const Message& m, std::vector<std::uint8_t>&) -> LRESULT
        {
            // Commands of controls were clicked by the binding; a disabled
            // control's command does nothing, as a click on it.
            if (!m_engine || m.message == WM_COMMAND)
                return 0;
            if (m.message == WM_DEVICECHANGE && m_trace)
                m_trace(m.wParam == DBT_DEVICEARRIVAL ? "device arrival" : "device removal");
            return m_engine->HandleWindowMessage(m).value_or(0);
        });
    for (int id : {c::kRenderPreview, c::kStillArrived, c::kFinalExit})
        m_window->SetCommandHandler(unsigned(id), [this, id] { m_engine->Command(id); });
    m_window->SetMessageHandler(WM_SYSCOMMAND,
                                [this](const Message& m, std::vector<std::uint8_t>&) -> LRESULT
                                {
                                    if ((m.wParam & 0xFFF0) == c::kAboutCommand)
                                        ShowAbout();
                                    return 0;
                                });
}

void CCaptureDlg::Wire()
{
    CCaptureEngine* engine = m_engine.get();
    for (QAbstractButton* button : m_controls.commandButtons)
    {
        const int id = button->property(kControlIdProperty).toInt();
        connect(button, &QAbstractButton::clicked, this, [engine, id] { engine->Command(id); });
    }
    for (QRadioButton* radio : findChildren<QRadioButton*>())
    {
        const int id = radio->property(kControlIdProperty).toInt();
        connect(radio, &QAbstractButton::clicked, this, [engine, id] { engine->Command(id); });
    }
    connect(m_controls.denoise, &QAbstractButton::clicked, this,
            [engine](bool on) { engine->SetDenoise(on); });
    for (int i = 0; i < kSliderCount; ++i)
        connect(m_controls.sliders[i], &QSlider::valueChanged, this,
                [engine, i](int position) { engine->SetSlider(Slider(i), position); });
    connect(m_controls.format, &QComboBox::activated, this,
            [engine](int index) { engine->SetOutputFormat(index); });
    connect(m_controls.bitDepth, &QComboBox::activated, this,
            [engine](int index) { engine->SetBitDepth(index); });
    connect(m_controls.preview, &CPreviewFrame::widthChanged, this,
            [engine](int width) { engine->SetPreviewWidth(width); });
}

bool CCaptureDlg::OnInitDialog()
{
    m_systemMenu = new QMenu(this);
    if (const QString about = LoadString(IDS_ABOUTBOX); !about.isEmpty())
        m_systemMenu->addAction(about, this, &CCaptureDlg::ShowAbout);
    m_marked = InstanceGuard::MarkWindow(Handle(), kVantrelInstanceName);
    m_engine->SetPreviewWidth(m_controls.preview->contentsRect().width());
    if (m_engine->Start() == StartResult::NoDevice)
    {
        Refresh();
        if (m_marked)
            InstanceGuard::UnmarkWindow(Handle(), kVantrelInstanceName);
        m_marked = false;
        m_ended = true;
        done(QDialog::Rejected);
        return false;
    }
    CutAtTestGroup();
    m_popup = new CProgressPopup(this);
    Refresh();
    return true;
}

void CCaptureDlg::OnEngineEvent(EngineEvent event)
{
    switch (event)
    {
    case EngineEvent::StateChanged:
        Refresh();
        break;
    case EngineEvent::FrameReady:
        m_controls.preview->SetPicture(m_engine->Frame());
        m_controls.preview->SetMessage(StreamMessage(m_engine->State(), true));
        break;
    case EngineEvent::PlaySound:
        PlayCaptureSound();
        break;
    case EngineEvent::OpenCalibration:
        OpenCalibration();
        break;
    case EngineEvent::Exiting:
        // The mark goes first: a new instance waiting for it may start.
        if (m_marked)
            InstanceGuard::UnmarkWindow(Handle(), kVantrelInstanceName);
        m_marked = false;
        CloseCalibration();
        break;
    }
}

void CCaptureDlg::Refresh()
{
    const CaptureState s = m_engine->State();
    const CaptureControls& w = m_controls;
    w.capture->setEnabled(s.captureButtonEnabled);
    ShowVariant(s);
    for (int i = 0; i < 2; ++i)
        w.resolution[i]->setText(QString::fromStdString(s.resolutionLabels[i]));
    CheckRadio({w.resolution[0], w.resolution[1]}, s.doubleResolution ? 1 : 0);
    CheckRadio({w.presets.at(Preset::Natural), w.presets.at(Preset::Vivid),
                w.presets.at(Preset::Nostalgic), w.presets.at(Preset::Custom)},
               int(s.preset));
    for (int i = 0; i < kSliderCount; ++i)
    {
        const QSignalBlocker quiet(w.sliders[i]);
        w.sliders[i]->setValue(s.sliders[i]);
        w.sliders[i]->setEnabled(s.slidersEnabled);
        w.values[i]->setText(QString::number(SliderValue(s.sliders[i])));
    }
    w.denoise->setChecked(s.denoise);

    for (QWidget* control :
         {static_cast<QWidget*>(w.format), static_cast<QWidget*>(w.bitDepth),
          static_cast<QWidget*>(w.formatLabel), static_cast<QWidget*>(w.bitDepthLabel)})
        control->setVisible(s.formatChoiceShown);
    w.format->setCurrentIndex(s.outputFormat);
    QStringList depths;
    for (const std::string& depth : s.bitDepthChoices)
        depths << QString::fromStdString(depth);
    if (depths.size() != w.bitDepth->count() || w.bitDepth->itemText(0) != depths.value(0))
    {
        w.bitDepth->clear();
        w.bitDepth->addItems(depths);
    }
    w.bitDepth->setCurrentIndex(s.bitDepthIndex);
    w.testProgress->setRange(0, std::max(0, s.progressRange));

    w.preview->SetMessage(StreamMessage(s, m_engine->Frame() != nullptr));
    if (m_popup)
        s.progressVisible ? m_popup->Show() : m_popup->Hide();
    if (s.progressVisible)
        PlaceProgressPopup();
}

void CCaptureDlg::CutAtTestGroup()
{
    m_cut = true;
    const int top = m_controls.testGroup->geometry().top();
    if (height() != top)
        resize(width(), top);
}

void CCaptureDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // The visible part fills the dialog; the test group lies just below it,
    // so cutting the dialog at the group's top keeps it as it is.
    if (m_cut)
    {
        m_controls.visible->setGeometry(rect());
        m_controls.testGroup->setGeometry(0, height(), width(),
                                          m_controls.testGroup->sizeHint().height());
        CutAtTestGroup();
    }
    PlaceProgressPopup();
}

void CCaptureDlg::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    PlaceProgressPopup();
}

// Under the capture button, from its left edge (moved by the distance
// between the button's and the adjustment group's right edges) to its right edge.
void CCaptureDlg::PlaceProgressPopup()
{
    if (!m_popup)
        return;
    const QPushButton* button = m_controls.capture;
    const QRect b(button->mapToGlobal(QPoint(0, 0)), button->size());
    const QWidget* group = m_controls.adjust;
    const int groupClientRight = group->mapToGlobal(group->contentsRect().topRight()).x();
    const int left = b.left() + (b.right() - groupClientRight);
    m_popup->Place(QRect(left, b.bottom() + 2, b.right() - left + 1, m_popup->height()));
}

void CCaptureDlg::contextMenuEvent(QContextMenuEvent* event)
{
    ShowSystemMenu(event->globalPos());
}

void CCaptureDlg::keyPressEvent(QKeyEvent* event)
{
    // Alt+Space opens the window menu, as on the desktop the design knew.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier)
        return ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
    QDialog::keyPressEvent(event);
}

void CCaptureDlg::ShowSystemMenu(const QPoint& at)
{
    if (m_systemMenu && !m_systemMenu->isEmpty())
        m_systemMenu->popup(at);
}

void CCaptureDlg::ShowAbout()
{
    CAboutBox::Show({.caption = LoadString(IDD_ABOUTBOX),
                     .product = LoadString(IDS_ABOUT_PRODUCT),
                     .text = LoadString(IDS_ABOUT_TEXT),
                     .ok = LoadString(IDS_ABOUT_OK),
                     .icon = VantrelIcon(),
                     .skinName = {}},
                    this);
}

void CCaptureDlg::OpenCalibration()
{
    if (m_closing)
        return;
    if (!m_calibration)
    {
        m_calibration = new CLensCalibrationDlg(*this);
        m_calibration->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_calibration->open();
    m_calibration->raise();
}

void CCaptureDlg::CloseCalibration()
{
    // Its sequence is stopped and joined as it goes.
    delete m_calibration.data();
}

void CCaptureDlg::PlayCaptureSound()
{
    if (!m_sound)
    {
        // Silent where there is nothing to play on.
        if (QMediaDevices::audioOutputs().isEmpty())
            return;
        m_sound = new QSoundEffect(this);
        m_sound->setSource(QUrl::fromLocalFile(QDir::current().absoluteFilePath("Takephoto.wav")));
    }
    m_sound->play();
}

void CCaptureDlg::reject()
{
    close();
}

void CCaptureDlg::closeEvent(QCloseEvent* event)
{
    if (m_ended)
        return event->accept();
    event->ignore();
    if (m_closing)
        return;
    m_closing = true;
    if (m_trace)
        m_trace("closing");
    CloseCalibration();
    if (m_popup)
        m_popup->Hide();
    m_engine->Close(
        [this]
        {
            m_ended = true;
            QDialog::done(QDialog::Accepted);
        });
}

} // namespace tavrel
