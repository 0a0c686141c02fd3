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
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(captureMode == 1 ? tr("照片尺寸") : tr("底片类型"), this));
    m_endpoint = WindowEndpoint::Create(
        "Tavrel Camera", windowTitle().toStdString(),
        [this](const Message& message, std::vector<std::uint8_t>&) { return OnMessage(message); },
        m_dispatcher.Dispatcher());
    if (m_endpoint)
    {
        WindowEndpoint::WindowOps ops;
        ops.isIconic = [this] { return isMinimized(); };
        ops.showWindow = [this](int command)
        {
            std::fprintf(stderr, "Vantrel: show window %d\n", command);
            if (command == SW_RESTORE)
                showNormal();
        };
        ops.setForeground = [this]
        {
            std::fprintf(stderr, "Vantrel: brought to the front\n");
            raise();
            activateWindow();
        };
        m_endpoint->SetWindowOps(std::move(ops));
        m_marked = InstanceGuard::MarkWindow(m_endpoint->Handle(), kVantrelInstanceName);
    }
}

CaptureDialog::~CaptureDialog()
{
    m_dispatcher.Stop();
    if (m_marked && m_endpoint)
        InstanceGuard::UnmarkWindow(m_endpoint->Handle(), kVantrelInstanceName);
    m_endpoint.reset();
}

HWND CaptureDialog::Handle() const
{
    return m_endpoint ? m_endpoint->Handle() : 0;
}

LRESULT CaptureDialog::OnMessage(const Message& message)
{
    switch (message.message)
    {
    case WM_QUERY_CAPTURE_MODE:
        return AnswerCaptureModeQuery(m_captureMode);
    case WM_CLOSE:
        ExitDialog();
        return 0;
    default:
        return 0;
    }
}

void CaptureDialog::ExitDialog()
{
    // The mark goes first: a new instance waiting for it may start at once.
    if (m_marked && m_endpoint)
    {
        InstanceGuard::UnmarkWindow(m_endpoint->Handle(), kVantrelInstanceName);
        m_marked = false;
    }
    std::fprintf(stderr, "Vantrel: closing\n");
    done(QDialog::Rejected);
}

void CaptureDialog::closeEvent(QCloseEvent* event)
{
    event->accept();
    ExitDialog();
}

} // namespace tavrel
