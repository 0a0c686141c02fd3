#pragma once
// Makes a widget a top-level window of the session: an endpoint under the
// given class name, titled as the widget, whose messages are handled on the
// GUI thread. Built in: WM_COMMAND with BN_CLICKED clicks the control (or
// triggers the action) of that number, else IDOK and IDCANCEL end a dialog
// as accepted or rejected; WM_CLOSE closes the widget; and the
// requests of other programs (minimised?, show, bring to the front,
// geometry) act on the widget. The window goes with the binding.

#include "platform/Desktop.h"
#include "platform/qt/QtEventLoop.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tavrel
{

constexpr WPARAM BN_CLICKED = 0;
constexpr WPARAM MakeCommandWParam(unsigned id, unsigned notifyCode = BN_CLICKED)
{
    return (WPARAM(notifyCode & 0xFFFF) << 16) | (id & 0xFFFF);
}

// The class name of dialogs, message boxes and other secondary windows.
constexpr const char* kDialogClassName = "#32770";
// The widget property that holds its window handle while it is bound.
constexpr const char* kWindowHandleProperty = "tavrelHwnd";

class QtWindowBinding
{
public:
    using Handler = WindowEndpoint::Handler;

    // `fallback` gets every message nothing else handles. The widget must
    // outlive the binding, or own it.
    QtWindowBinding(QWidget* widget, const std::string& className, Handler fallback = {});
    ~QtWindowBinding();
    QtWindowBinding(const QtWindowBinding&) = delete;
    QtWindowBinding& operator=(const QtWindowBinding&) = delete;

    // False when the window could not be registered.
    bool IsValid() const { return m_endpoint != nullptr; }
    HWND Handle() const { return m_hwnd; }

    // On the GUI thread. A message handler takes the message from the
    // built-in handling; a command handler serves a WM_COMMAND number that
    // is not a control (internal commands, accelerators).
    void SetMessageHandler(UINT message, Handler handler);
    void SetCommandHandler(unsigned id, std::function<void()> handler);

    // The handle of a bound widget, 0 when it is not bound.
    static HWND HandleOf(const QWidget* widget);

private:
    LRESULT OnMessage(const Message& message, std::vector<std::uint8_t>& reply);
    void SetUpWindowOps();

    struct Target;
    QPointer<QWidget> m_widget;
    Handler m_fallback;
    std::map<UINT, Handler> m_handlers;
    std::map<unsigned, std::function<void()>> m_commands;
    std::unique_ptr<QObject> m_context;
    std::shared_ptr<Target> m_target;
    std::unique_ptr<QtEventLoop> m_loop;
    std::unique_ptr<WindowEndpoint> m_endpoint;
    HWND m_hwnd = 0;
};

} // namespace tavrel
