#pragma once
// Makes a widget a top-level window of the session: registers an endpoint
// under the given class name whose handler runs on the GUI thread, and
// answers the requests of other programs (minimised?, restore, bring to the
// front, geometry) from the widget. The window goes with the binding.

#include "platform/Desktop.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

namespace tavrel
{

class QtWindowBinding
{
public:
    // The widget must outlive the binding or the binding must be owned by
    // it; the title follows the widget's window title.
    QtWindowBinding(QWidget* widget, const std::string& className, WindowEndpoint::Handler handler);
    ~QtWindowBinding();
    QtWindowBinding(const QtWindowBinding&) = delete;
    QtWindowBinding& operator=(const QtWindowBinding&) = delete;

    // False when the window could not be registered.
    bool IsValid() const { return m_endpoint != nullptr; }
    HWND Handle() const { return m_endpoint ? m_endpoint->Handle() : 0; }

    // A dispatcher onto the GUI thread: runs the work there and waits,
    // directly when called on the GUI thread. Returns false once
    // the binding has closed.
    struct DispatchState;
    static UiDispatcher GuiDispatcher(std::shared_ptr<DispatchState> state);

private:
    QPointer<QWidget> m_widget;
    std::unique_ptr<QObject> m_context;
    std::shared_ptr<DispatchState> m_state;
    std::unique_ptr<WindowEndpoint> m_endpoint;
};

} // namespace tavrel
