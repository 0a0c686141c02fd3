#pragma once
// Every dialog of the program (message boxes and file dialogs included) is a
// window of the session of class "#32770", titled by its caption, from when
// it is shown until it is hidden or destroyed, as a dialog's window lives
// from creation to EndDialog. Widgets bound on their own are left alone.

namespace tavrel
{

// Installs the watcher on the application object; calling it again does
// nothing. Call on the GUI thread once the application object exists.
void BindDialogWindows();

} // namespace tavrel
