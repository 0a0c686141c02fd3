#include "platform/qt/QtWindowBinding.h"

#include "platform/MessageBox.h"
#include "platform/qt/Controls.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMetaObject>

#include <cstdio>

namespace tavrel
{

namespace
{

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MINIMIZE = 6;
constexpr WPARAM kAcceleratorCode = 1;
// Our controls have no window handles of their own, so the LPARAM that
// names the combo box on the design's platform carries the entry chosen.
constexpr WPARAM kSelectionChange = 1; // CBN_SELCHANGE

// Trace lines of the programs ("Pelidor: brought to the front").
void Trace(const char* what, int value = -1)
{
    const QByteArray name = QCoreApplication::applicationName().toLocal8Bit();
    if (value >= 0)
        std::fprintf(stderr, "%s: %s %d\n", name.constData(), what, value);
    else
        std::fprintf(stderr, "%s: %s\n", name.constData(), what);
}

} // namespace

// What the endpoint's handler reaches; cut off when the binding goes, since
// a same-process send can reach the endpoint without the loop.
struct QtWindowBinding::Target
{
    QtWindowBinding* binding = nullptr;
};

QtWindowBinding::QtWindowBinding(QWidget* widget, const std::string& className, Handler fallback)
    : m_widget(widget), m_fallback(std::move(fallback)), m_context(std::make_unique<QObject>()),
      m_target(std::make_shared<Target>(Target{this})), m_loop(std::make_unique<QtEventLoop>())
{
    const std::string title = widget ? widget->windowTitle().toStdString() : std::string();
    std::weak_ptr<Target> target = m_target;
    m_endpoint = WindowEndpoint::Create(
        className, title,
        [target](const Message& message, std::vector<std::uint8_t>& reply) -> LRESULT
        {
            const auto t = target.lock();
            return t && t->binding ? t->binding->OnMessage(message, reply) : 0;
        },
        m_loop->Dispatcher());
    if (!m_endpoint)
        return;
    m_hwnd = m_endpoint->Handle();
    if (!widget)
        return;
    widget->setProperty(kWindowHandleProperty, QVariant::fromValue<qulonglong>(m_hwnd));
    SetUpWindowOps();
    WindowEndpoint* endpoint = m_endpoint.get();
    QObject::connect(widget, &QWidget::windowTitleChanged, m_context.get(),
                     [endpoint](const QString& text) { endpoint->SetTitle(text.toStdString()); });
}

QtWindowBinding::~QtWindowBinding()
{
    m_target->binding = nullptr;
    if (m_widget && HandleOf(m_widget) == m_hwnd)
        m_widget->setProperty(kWindowHandleProperty, QVariant());
    m_context.reset();
    // Senders waiting for the GUI thread give up, queued messages are dropped.
    m_loop->Stop();
    if (m_loop->Running() > 0 && QCoreApplication::instance())
    {
        // Destroyed from inside one of its own handlers (a close that ends
        // the dialog): the endpoint's thread waits for that handler, so the
        // endpoint goes once the handler has returned, on the GUI thread.
        std::shared_ptr<WindowEndpoint> endpoint(std::move(m_endpoint));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [endpoint] {}, Qt::QueuedConnection);
    }
    m_endpoint.reset();
    m_loop.reset();
}

HWND QtWindowBinding::HandleOf(const QWidget* widget)
{
    return widget ? widget->property(kWindowHandleProperty).toULongLong() : 0;
}

void QtWindowBinding::SetMessageHandler(UINT message, Handler handler)
{
    m_handlers[message] = std::move(handler);
}

void QtWindowBinding::SetCommandHandler(unsigned id, std::function<void()> handler)
{
    m_commands[id] = std::move(handler);
}

LRESULT QtWindowBinding::OnMessage(const Message& message, std::vector<std::uint8_t>& reply)
{
    const auto handler = m_handlers.find(message.message);
    if (handler != m_handlers.end() && handler->second)
        return handler->second(message, reply);

    if (message.message == WM_COMMAND)
    {
        const unsigned id = message.wParam & 0xFFFF;
        const WPARAM code = (message.wParam >> 16) & 0xFFFF;
        const auto command = m_commands.find(id);
        if (command != m_commands.end() && (code == BN_CLICKED || code == kAcceleratorCode))
        {
            command->second();
            return 0;
        }
        if (code == BN_CLICKED && ClickCommand(m_widget, static_cast<int>(id)))
            return 0;
        if (code == kSelectionChange &&
            SelectCommand(m_widget, static_cast<int>(id), message.lParam))
            return 0;
        // A dialog's own answer to OK and Cancel without buttons of theirs
        // (Escape, a command from another thread or program).
        auto* dialog = qobject_cast<QDialog*>(m_widget.data());
        if (dialog && code == BN_CLICKED && (id == IDOK || id == IDCANCEL))
        {
            id == IDOK ? dialog->accept() : dialog->reject();
            return 0;
        }
    }
    else if (message.message == WM_CLOSE && m_widget)
    {
        m_widget->close();
        return 0;
    }
    return m_fallback ? m_fallback(message, reply) : 0;
}

void QtWindowBinding::SetUpWindowOps()
{
    QPointer<QWidget> target = m_widget;
    WindowEndpoint::WindowOps ops;
    ops.isIconic = [target] { return target && target->isMinimized(); };
    ops.showWindow = [target](int command)
    {
        Trace("show window", command);
        if (!target)
            return;
        switch (command)
        {
        case SW_HIDE:
            target->hide();
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            target->showMinimized();
            break;
        case SW_SHOWMAXIMIZED:
            target->showMaximized();
            break;
        case SW_RESTORE:
            target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
            target->showNormal();
            break;
        default:
            target->show();
            break;
        }
    };
    ops.setForeground = [target]
    {
        Trace("brought to the front");
        if (!target)
            return;
        target->raise();
        target->activateWindow();
    };
    ops.getRect = [target]
    {
        if (!target)
            return RECT{};
        const QRect frame = target->frameGeometry();
        return RECT{frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height()};
    };
    ops.setRect = [target](const RECT& rect)
    {
        if (target)
            target->setGeometry(rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top);
    };
    m_endpoint->SetWindowOps(std::move(ops));
}

} // namespace tavrel
