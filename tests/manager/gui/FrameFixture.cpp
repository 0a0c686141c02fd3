#include "FrameFixture.h"

#include "manager/app/ChildFrame.h"
#include "manager/app/ExplorerBrowser.h"

#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "shared/camera/CameraControl.h"

#include <QTest>
#include <QTranslator>

#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavrel::test
{

FrameTest::FrameTest() : m_pictures(m_sandbox.Root() + "/Pictures")
{
    QApplication::setQuitOnLastWindowClosed(false);
    SetScannerBackend(ScannerBackend::Simulated);
    ::setenv("TAVREL_PLUGIN_DIR", std::getenv("TAVREL_BIN_DIR"), 1);
    std::filesystem::create_directories(m_pictures + "/Family/1978");
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
    {
        const char* value = std::getenv(name);
        m_savedEnv.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("HOME", m_sandbox.Root().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    std::filesystem::create_directories(m_sandbox.Root() + "/Desktop");
    std::filesystem::create_directories(m_sandbox.Root() + "/Documents");
    std::string error;
    EXPECT_TRUE(PrepareProgramFolder(&error)) << error;
}

FrameTest::~FrameTest()
{
    Stop();
    // A translation loaded by a test stays with it.
    for (QTranslator* translator : qApp->findChildren<QTranslator*>())
    {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    for (const auto& [name, value] : m_savedEnv)
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
}

bool FrameTest::Start(std::vector<std::string> args)
{
    if (args.empty())
        args.push_back(m_pictures);
    // As the program's start-up helper registers the frame (the session's
    // broadcasts; no udev in tests).
    m_app = std::make_unique<CPelidorApp>(m_loop, Desktop::RegisterDeviceNotification);
    return m_app->InitInstance(args);
}

void FrameTest::Stop()
{
    if (!m_app)
        return;
    m_app->ExitInstance();
    m_app.reset();
}

void FrameTest::SelectEnglish()
{
    std::ofstream(m_sandbox.Home() + "/UIlanguage.xml")
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<language>\n<language>English</language>\n"
           "<English>\n<Tavrel>Pelidor_en.qm</Tavrel>\n</English>\n</language>\n";
}

bool FrameTest::WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

bool FrameTest::Shows(const std::string& folder)
{
    return WaitUntil([&] { return Explorer().Panes().Browser().List().CurrentFolder() == folder; });
}

std::string FrameTest::UserInfo() const
{
    std::ifstream in(m_sandbox.Home() + "/UserInfo.xml");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace tavrel::test
