#include "manager/app/PelidorApp.h"

#include "browser/UserFolders.h"
#include "manager/app/MainFrame.h"
#include "platform/Paths.h"
#include "shared/InstanceGuard.h"
#include "shared/qt/ProgramStart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace tavrel
{

PelidorCommandLine ParsePelidorCommandLine(const std::vector<std::string>& args)
{
    PelidorCommandLine line;
    for (const std::string& arg : args)
    {
        if (!arg.empty() && arg[0] != '-' && line.folder.empty())
            line.folder = std::filesystem::absolute(arg).lexically_normal().string();
    }
    while (line.folder.size() > 1 && line.folder.back() == '/')
        line.folder.pop_back();
    return line;
}

CPelidorApp::CPelidorApp(EventLoop& loop, std::function<bool(HWND)> watchDevices)
    : m_loop(loop), m_watchDevices(std::move(watchDevices))
{
}

CPelidorApp::~CPelidorApp()
{
    m_frame.reset();
}

QString CPelidorApp::SettingsFile() const
{
    return QDir::current().absoluteFilePath(QString(kRegistryKey) + "/Pelidor.ini");
}

bool CPelidorApp::InitInstance(const std::vector<std::string>& args)
{
    const PelidorCommandLine line = ParsePelidorCommandLine(args);

    // 1. One manager at a time: a running one is restored and brought forward.
    m_guard = std::make_unique<InstanceGuard>(InstanceGuard::Variant::Manager);
    m_anotherInstance = m_guard->FindRunningInstance(kPelidorInstanceName, true) != 0;
    if (m_anotherInstance)
        return false;

    // 2. The UI language, before any window exists.
    m_translationLoaded = LoadUiLanguage("Tavrel");

    // 4. The skin: a style sheet; a missing file leaves the plain look. Given
    // to the application before any widget exists, so that each widget is
    // styled once as it is made; its selectors only reach the frame
    // ("MainFrame") and dialogs ("Dialog"), as step 10 wants.
    QFile skin(kSkinFile);
    if (skin.open(QIODevice::ReadOnly))
        m_skin = QString::fromUtf8(skin.readAll());
    if (!m_skin.isEmpty())
        qApp->setStyleSheet(m_skin);

    // 6. The application settings with the recent-file list.
    LoadStdProfileSettings();

    // 8. The main frame.
    ManagerEngineOptions options;
    options.watchDevices = m_watchDevices;
    m_frame = std::make_unique<CMainFrame>(m_loop, m_settings, SettingsFile(), std::move(options));
    if (!m_frame->Create())
    {
        const int error = errno; // why, for the message that ends the program
        std::fprintf(stderr, "Pelidor: the main window cannot be registered\n");
        m_frame.reset();
        errno = error;
        return false;
    }

    // 9. The command line: a folder opens there, nothing opens the explorer
    // window on the remembered folder.
    std::string folder = line.folder;
    if (folder.empty())
        folder = UserPicturesFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    m_frame->CreateExplorer(folder);

    // 11.
    m_frame->showMaximized();
    return true;
}

void CPelidorApp::ExitInstance()
{
    SaveStdProfileSettings();
    m_frame.reset();
}

void CPelidorApp::LoadStdProfileSettings()
{
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    m_recentFiles.clear();
    settings.beginGroup("Recent File List");
    for (int i = 1; i <= kRecentFileCount; ++i)
    {
        const QString file = settings.value(QString("File%1").arg(i)).toString();
        if (!file.isEmpty())
            m_recentFiles << file;
    }
    settings.endGroup();
}

void CPelidorApp::SaveStdProfileSettings() const
{
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.beginGroup("Recent File List");
    for (int i = 1; i <= kRecentFileCount; ++i)
    {
        const QString key = QString("File%1").arg(i);
        if (i <= m_recentFiles.size())
            settings.setValue(key, m_recentFiles[i - 1]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}

} // namespace tavrel
