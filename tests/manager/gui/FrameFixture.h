#pragma once
// A manager started in this process as the program starts it, in a private
// session, on the offscreen platform.

#include "manager/app/MainFrame.h"
#include "manager/app/PelidorApp.h"
#include "platform/qt/QtEventLoop.h"
#include "support/Sandbox.h"
#include "support/qt/QtTestApp.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::test
{

class FrameTest : public QtTest
{
protected:
    FrameTest();
    ~FrameTest() override;

    // InitInstance with the pictures folder (or `args`); false when it ended.
    bool Start(std::vector<std::string> args = {});
    void Stop();
    void SelectEnglish();
    // Waits with the event loop running.
    static bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
    // The file list shows `folder` (its reads may finish later).
    bool Shows(const std::string& folder);

    CMainFrame& Frame() { return *m_app->MainFrame(); }
    CChildFrame& Explorer() { return *Frame().Explorer(); }
    std::string UserInfo() const;

    Sandbox m_sandbox;
    // The user's home is the sandbox: the panes show its folders only.
    std::vector<std::pair<const char*, std::optional<std::string>>> m_savedEnv;
    std::string m_pictures;
    QtEventLoop m_loop;
    std::unique_ptr<CPelidorApp> m_app;
};

} // namespace tavrel::test
