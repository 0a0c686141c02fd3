#pragma once
// The modal message box of the GUI programs.

#include "platform/MessageBox.h"

namespace tavrel
{

class QtMessageBoxSink final : public MessageBoxSink
{
public:
    // Shows a modal QMessageBox on the GUI thread (waiting for it from
    // other threads) and returns the button as IDOK, IDCANCEL, IDYES or IDNO.
    int Show(HWND owner, const std::string& text, const std::string& caption,
             unsigned type) override;
};

// Installs the modal box unless the platform shows nothing ("offscreen",
// "minimal"): headless runs and tests keep the recording sink, which never
// blocks. True when the modal box was installed.
bool InstallQtMessageBoxSink();

} // namespace tavrel
