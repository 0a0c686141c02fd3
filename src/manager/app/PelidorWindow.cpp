#include "manager/app/PelidorWindow.h"

#include "shared/InstanceGuard.h"

#include <QCloseEvent>
#include <QLabel>

#include <chrono>
#include <cstdio>

namespace tavrel
{

PelidorWindow::PelidorWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(tr("TAVREL"));
    setCentralWidget(new QLabel(this));
    m_endpoint = WindowEndpoint::Create(
        "Pelidor", "TAVREL",
        [this](const Message& message, std::vector<std::uint8_t>& reply)
        { return OnMessage(message, reply); },
        m_dispatcher.Dispatcher());
    if (!m_endpoint)
        return;
    WindowEndpoint::WindowOps ops;
    ops.isIconic = [this] { return isMinimized(); };
    ops.showWindow = [this](int command)
    {
        std::fprintf(stderr, "Pelidor: show window %d\n", command);
        if (command == SW_RESTORE)
            showNormal();
    };
    ops.setForeground = [this]
    {
        std::fprintf(stderr, "Pelidor: brought to the front\n");
        raise();
        activateWindow();
    };
    m_endpoint->SetWindowOps(std::move(ops));
    // Marked before the bars and panes are built.
    m_marked = InstanceGuard::MarkWindow(m_endpoint->Handle(), kPelidorInstanceName);
}

PelidorWindow::~PelidorWindow()
{
    m_dispatcher.Stop();
    Unmark();
    m_endpoint.reset();
}

HWND PelidorWindow::Handle() const
{
    return m_endpoint ? m_endpoint->Handle() : 0;
}

void PelidorWindow::SetMessageHandler(UINT message, MessageHandler handler)
{
    m_handlers[message] = std::move(handler);
}

void PelidorWindow::Unmark()
{
    if (m_marked && m_endpoint)
        InstanceGuard::UnmarkWindow(m_endpoint->Handle(), kPelidorInstanceName);
    m_marked = false;
}

LRESULT PelidorWindow::OnMessage(const Message& message, std::vector<std::uint8_t>& reply)
{
    if (message.message == WM_CLOSE)
    {
        close();
        return 0;
    }
    const auto handler = m_handlers.find(message.message);
    if (handler != m_handlers.end() && handler->second)
        return handler->second(message, reply);
    return 0;
}

void PelidorWindow::closeEvent(QCloseEvent* event)
{
    // The mark goes first, so a new start is never handed to a closing frame.
    Unmark();
    if (const HWND capture = Desktop::FindWindow("Tavrel Camera"))
        Desktop::SendMessage(capture, WM_CLOSE, 0, 0, nullptr, std::chrono::seconds(10));
    std::fprintf(stderr, "Pelidor: closing\n");
    event->accept();
}

} // namespace tavrel
