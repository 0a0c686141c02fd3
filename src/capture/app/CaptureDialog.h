#pragma once
// The capture program's main dialog as the other programs see it: window
// class "Tavrel Camera", the instance mark, the mode answer and WM_CLOSE.

#include "platform/Desktop.h"
#include "platform/qt/QtWindowBinding.h"

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

    HWND Handle() const { return m_window->Handle(); }

    // Escape and IDCANCEL take the orderly way out, as WM_CLOSE does.
    void reject() override { close(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Unmark();

    int m_captureMode;
    bool m_verifyOnStart;
    bool m_marked = false;
    std::unique_ptr<QtWindowBinding> m_window;
};

} // namespace tavrel
