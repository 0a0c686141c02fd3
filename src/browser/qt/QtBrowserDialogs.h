#pragma once
// The questions, messages, progress and properties windows of the file
// commands, as Qt dialogs. Messages go through the platform's message box,
// so headless runs record them instead of blocking.

#include "browser/BrowserInterfaces.h"

#include <QPointer>
#include <QProgressDialog>

#include <functional>

class QWidget;

namespace tavrel
{

// Control numbers of the name-taken question: a script or test answers it
// with WM_COMMAND to its "#32770" window. Its Cancel, the progress window's
// Cancel and the properties window's Close are IDCANCEL.
constexpr int kIdReplace = 62190;
constexpr int kIdKeepBoth = 62191;
constexpr int kIdSkip = 62192;
constexpr int kIdApplyToAll = 62193;

class QtBrowserDialogs : public IBrowserDialogs
{
public:
    explicit QtBrowserDialogs(QWidget* parent = nullptr);
    ~QtBrowserDialogs() override;

    // The progress window's Cancel button.
    void SetCancelHandler(std::function<void()> cancel) { m_cancel = std::move(cancel); }

    bool ConfirmDelete(const std::vector<std::string>& paths) override;
    ConflictChoice AskNameTaken(const std::string& name, bool canReplace,
                                bool& applyToAll) override;
    void ShowError(const std::string& text) override;
    void ShowProgress(const OperationProgress& progress) override;
    void HideProgress() override;
    void ShowProperties(const FileProperties& properties) override;
    bool OpenWithDefaultApplication(const std::string& path) override;

    // The open progress window, if any (tests, screenshots).
    QProgressDialog* ProgressDialog() const { return m_progress; }

private:
    QWidget* m_parent;
    QPointer<QProgressDialog> m_progress;
    std::function<void()> m_cancel;
};

} // namespace tavrel
