#pragma once
// The real capture dialogs in this process against the simulated scanner,
// with the stand-in manager storing what they hand over.

#include "capture/app/CaptureDlg.h"
#include "platform/qt/Controls.h"
#include "platform/qt/QtEventLoop.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/SimRecord.h"
#include "support/qt/QtTestApp.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace tavrel::test
{

class DialogTest : public QtTest
{
protected:
    DialogTest();
    ~DialogTest() override;

    // Opens the dialog of the mode as the program does and waits for the
    // first preview picture.
    CCaptureDlg& Open(int captureMode = 0, bool verify = false);
    // The dialog's orderly end (WM_CLOSE), waited for.
    void CloseDialog();
    void StartManager();

    // A click on control `id` as WM_COMMAND from another program.
    void Click(int id);
    // Runs what the engine has posted to the UI thread (its notifications).
    static void Flush();
    template <class T = QWidget> T* Control(int id) const
    {
        return qobject_cast<T*>(FindControl(m_dialog.get(), id));
    }
    CaptureState State() const { return m_dialog->Engine().State(); }
    bool Idle() const;

    std::string File(const std::string& name) const;
    void WriteSetting(const std::string& name, const std::string& text) const;
    static int Sim(const std::string& command);
    // Sensor registers written since `from` (write count), as the simulator recorded them.
    static std::vector<std::pair<std::uint32_t, std::uint32_t>> Registers(std::uint64_t from)
    {
        return SimRegistersWritten(from);
    }
    static std::uint64_t WriteCount() { return SimWriteCount(); }
    // The sensor register writes a register list makes.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ListOf(const std::string& file) const;
    int StoredCount() const;

    Sandbox m_sandbox;
    std::string m_folder;
    std::unique_ptr<QtEventLoop> m_loop;
    std::unique_ptr<CCaptureDlg> m_dialog;
    std::unique_ptr<Process> m_manager;
    std::string m_pictures, m_events;
};

} // namespace tavrel::test
