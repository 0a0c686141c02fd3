#pragma once
// A private X server (Xvfb) with a window manager (openbox), for tests whose
// programs must be maximised, activated or raised as on a desktop. The
// programs a test starts reach it through Env().

#include "support/Process.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::test
{

class XSession
{
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // False, with Error() saying why, when the server did not come up.
    bool Ready() const { return m_ready; }
    const std::string& Error() const { return m_error; }
    const std::string& Display() const { return m_display; }
    // DISPLAY and the Qt platform for a program started on this server.
    std::vector<std::pair<std::string, std::string>> Env() const;

private:
    std::unique_ptr<Process> m_server;
    std::unique_ptr<Process> m_windowManager;
    std::string m_display;
    std::string m_error;
    bool m_ready = false;
};

} // namespace tavrel::test
