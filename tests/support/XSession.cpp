#include "support/XSession.h"

#include "support/Wait.h"

#include <filesystem>

#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel::test
{

XSession::XSession()
{
    // Parallel tests each take a display of their own: the first free one
    // from a number of this process's.
    for (int attempt = 0; attempt < 50 && !m_ready; ++attempt)
    {
        const int number = 100 + (::getpid() * 7 + attempt) % 3000;
        if (fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
            continue;
        m_display = ":" + std::to_string(number);
        m_server = Process::Start("/usr/bin/Xvfb",
                                  {m_display, "-nolisten", "tcp", "-screen", "0", "1280x800x24"},
                                  {}, &m_error);
        if (!m_server)
            return;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        // A server that lost the race for the number ends at once.
        WaitFor([&] { return fs::exists(socket) || !m_server->IsRunning(); });
        m_ready = m_server->IsRunning() && fs::exists(socket);
        if (!m_ready)
            m_server.reset();
    }
    if (!m_ready)
    {
        m_error = "Xvfb did not start: " + m_error;
        return;
    }
    Process::Options options;
    options.env = {{"DISPLAY", m_display}};
    m_windowManager = Process::Start("/usr/bin/openbox", {}, options, &m_error);
    m_ready = m_windowManager != nullptr;
}

XSession::~XSession()
{
    // The window manager first, so that it does not complain of a lost
    // server.
    m_windowManager.reset();
    m_server.reset();
}

std::vector<std::pair<std::string, std::string>> XSession::Env() const
{
    // No session bus: Qt would start one per program and leave it behind.
    return {{"DISPLAY", m_display},
            {"QT_QPA_PLATFORM", "xcb"},
            {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}};
}

} // namespace tavrel::test
