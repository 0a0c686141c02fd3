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
