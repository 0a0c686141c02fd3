#pragma once
// What the file browser's models need from the program around them: the
// user settings, the explorer window and main frame, the questions and
// windows of the file commands, and the clipboard. The manager passes its
// own objects in; tests and test hosts pass theirs.

#include "browser/ClipboardFiles.h"
#include "browser/FileOperation.h"
#include "browser/FileProperties.h"

#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

// "UserInfo.xml" as the panes use it; 1 success, 0 failure, outputs left
// unchanged on failure.
class IBrowserSettings
{
public:
    virtual ~IBrowserSettings() = default;
    virtual int GetDefaultViewMode(int& mode) const = 0;
    virtual int SetDefaultViewMode(int mode) const = 0;
    virtual int GetSelectedItem(std::string& item) const = 0;
    virtual int SetSelectedItem(const std::string& item) const = 0;
    virtual int GetSelection(std::string& selection) const = 0;
};

// Any settings object with the five operations (the manager's CUserSettings).
template <class Settings> class BrowserSettingsOf : public IBrowserSettings
{
public:
    explicit BrowserSettingsOf(Settings& settings) : m_settings(settings) {}
    int GetDefaultViewMode(int& mode) const override { return m_settings.GetDefaultViewMode(mode); }
    int SetDefaultViewMode(int mode) const override { return m_settings.SetDefaultViewMode(mode); }
    int GetSelectedItem(std::string& item) const override
    {
        return m_settings.GetSelectedItem(item);
    }
    int SetSelectedItem(const std::string& item) const override
    {
        return m_settings.SetSelectedItem(item);
    }
    int GetSelection(std::string& selection) const override
    {
        return m_settings.GetSelection(selection);
    }

private:
    Settings& m_settings;
};

enum class EditFlag
{
    Cut,
    Copy,
    Paste,
    Delete,
};

// The explorer window's command flags and the main frame's status pane.
class IBrowserFrame
{
public:
    virtual ~IBrowserFrame() = default;
    // Status bar pane 0.
    virtual void SetStatusText(const std::string& text) = 0;
    // Gates the main menu's cut, copy, paste and delete.
    virtual void SetEditFlag(EditFlag flag, bool enabled) = 0;
    // While set, the explorer window leaves keys to the label editor.
    virtual void SetLabelEditing(bool editing) = 0;
    // The application is closing: the panes stop re-laying themselves out.
    virtual bool IsClosing() const = 0;
};

enum class ConflictChoice
{
    Replace,
    KeepBoth,
    Skip,
    Cancel,
};

// The questions, messages and windows of the file commands.
class IBrowserDialogs
{
public:
    virtual ~IBrowserDialogs() = default;
    virtual bool ConfirmDelete(const std::vector<std::string>& paths) = 0;
    // `canReplace` is false where either side is a folder. `applyToAll` may
    // be set by the answer.
    virtual ConflictChoice AskNameTaken(const std::string& name, bool canReplace,
                                        bool& applyToAll) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // Shown once an operation has run for a moment; updated until it ends.
    virtual void ShowProgress(const OperationProgress& progress) = 0;
    virtual void HideProgress() = 0;
    virtual void ShowProperties(const FileProperties& properties) = 0;
    // With the desktop's default application; false when none could start.
    virtual bool OpenWithDefaultApplication(const std::string& path) = 0;
};

class IFileClipboard
{
public:
    virtual ~IFileClipboard() = default;
    virtual bool SetFiles(const ClipboardFiles& files) = 0;
    virtual std::optional<ClipboardFiles> Files() const = 0;
    virtual void Clear() = 0;
};

} // namespace tavrel
