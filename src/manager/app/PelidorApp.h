#pragma once
// The manager's application: start-up in the designed order (instance
// check, UI language, skin, application settings, main frame, command line,
// shown maximised) and exit.

#include "manager/UserSettings.h"
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

class CMainFrame;
class EventLoop;
class InstanceGuard;

constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
constexpr const char* kSkinFile = "Ruzade.smf";
constexpr int kRecentFileCount = 4;

// What is left of the command line once the start-up helper has taken its
// options.
struct PelidorCommandLine
{
    std::string folder; // "" : the remembered folder
};
PelidorCommandLine ParsePelidorCommandLine(const std::vector<std::string>& args);

class CPelidorApp
{
public:
    // `loop`: the program's UI thread. `watchDevices` registers the frame's
    // window for device notifications once it exists.
    CPelidorApp(EventLoop& loop, std::function<bool(HWND)> watchDevices);
    ~CPelidorApp();
    CPelidorApp(const CPelidorApp&) = delete;
    CPelidorApp& operator=(const CPelidorApp&) = delete;

    // False when the program is to end at once (another manager runs, or
    // the frame could not be made). The current directory is the program
    // folder.
    bool InitInstance(const std::vector<std::string>& args);
    void ExitInstance();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    // The application settings file (the design's registry key).
    QString SettingsFile() const;
    const QStringList& RecentFiles() const { return m_recentFiles; }
    bool TranslationLoaded() const { return m_translationLoaded; }
    // InitInstance ended because another manager runs.
    bool AnotherInstanceRuns() const { return m_anotherInstance; }

private:
    void LoadStdProfileSettings();
    void SaveStdProfileSettings() const;

    EventLoop& m_loop;
    std::function<bool(HWND)> m_watchDevices;
    std::unique_ptr<InstanceGuard> m_guard;
    CUserSettings m_settings;
    std::unique_ptr<CMainFrame> m_frame;
    QString m_skin;
    QStringList m_recentFiles;
    bool m_translationLoaded = false;
    bool m_anotherInstance = false;
};

} // namespace tavrel
