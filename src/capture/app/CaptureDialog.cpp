#include "capture/app/CaptureDialog.h"

#include "shared/InstanceGuard.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <cstdio>

namespace tavrel
{

CaptureDialog::CaptureDialog(int captureMode, bool verifyOnStart, QWidget* parent)
    : QDialog(parent), m_captureMode(captureMode), m_verifyOnStart(verifyOnStart)
{
    setWindowTitle(tr("照片预览"));
    m_window = std::make_unique<QtWindowBinding>(this, "Tavrel Camera");
    m_window->SetMessageHandler(WM_QUERY_CAPTURE_MODE,
                                [this](const Message&, std::vector<std::uint8_t>&)
                                { return AnswerCaptureModeQuery(m_captureMode); });
    m_window->SetMessageHandler(WM_DEVICECHANGE,
                                [](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
                                {
                                    std::fprintf(stderr, "Vantrel: device %s\n",
                                                 message.wParam == DBT_DEVICEARRIVAL ? "arrival"
                                                                                     : "removal");
                                    return 1;
                                });
    if (m_window->IsValid())
        m_marked = InstanceGuard::MarkWindow(m_window->Handle(), kVantrelInstanceName);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(captureMode == 1 ? tr("照片尺寸") : tr("底片类型"), this));
}

CaptureDialog::~CaptureDialog()
{
    Unmark();
    m_window.reset();
}

void CaptureDialog::Unmark()
{
    if (m_marked)
        InstanceGuard::UnmarkWindow(m_window->Handle(), kVantrelInstanceName);
    m_marked = false;
}

void CaptureDialog::closeEvent(QCloseEvent* event)
{
    // The mark goes first: a new instance waiting for it may start at once.
    Unmark();
    std::fprintf(stderr, "Vantrel: closing\n");
    event->accept();
    done(QDialog::Rejected);
}

} // namespace tavrel
