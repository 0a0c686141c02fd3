#pragma once
// The capture program's main dialog as the other programs see it: window
// class "Tavrel Camera", the instance mark, the mode answer and WM_CLOSE.

#include "capture/app/QtDispatcher.h"
#include "platform/Desktop.h"

#include <QDialog>

#include <memory>

namespace tavrel
{

class CaptureDialog : public QDialog
{
    Q_OBJECT

public:
    CaptureDialog(int captureMode, bool verifyOnStart, QWidget* parent = nullptr);
    ~CaptureDialog() override;

    HWND Handle() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    LRESULT OnMessage(const Message& message);
    void ExitDialog();

    int m_captureMode;
    bool m_verifyOnStart;
    bool m_marked = false;
    QtDispatcher m_dispatcher;
    std::unique_ptr<WindowEndpoint> m_endpoint;
};

} // namespace tavrel
