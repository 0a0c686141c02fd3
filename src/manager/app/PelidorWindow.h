#pragma once
// The manager's main frame as the other programs see it: window class
// "Pelidor", title "TAVREL", the instance mark, and the close order.

#include "capture/app/QtDispatcher.h"
#include "platform/Desktop.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tavrel
{

class PelidorWindow : public QMainWindow
{
    Q_OBJECT

public:
    using MessageHandler =
        std::function<LRESULT(const Message& message, std::vector<std::uint8_t>& reply)>;

    explicit PelidorWindow(QWidget* parent = nullptr);
    ~PelidorWindow() override;

    HWND Handle() const;
    // Handlers for further messages to the frame (picture hand-over and the
    // like); run on the UI thread.
    void SetMessageHandler(UINT message, MessageHandler handler);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    LRESULT OnMessage(const Message& message, std::vector<std::uint8_t>& reply);
    void Unmark();

    bool m_marked = false;
    std::map<UINT, MessageHandler> m_handlers;
    QtDispatcher m_dispatcher;
    std::unique_ptr<WindowEndpoint> m_endpoint;
};

} // namespace tavrel
