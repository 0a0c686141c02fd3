#pragma once
// A manager started in this process as the program starts it, in a private
// session, on the offscreen platform.

#include "manager/app/MainFrame.h"
#include "manager/app/PelidorApp.h"
#include "platform/qt/QtEventLoop.h"
#include "support/Sandbox.h"
#include "support/qt/QtTestApp.h"

#include <memory>
#include <string>

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

    CMainFrame& Frame() { return *m_app->MainFrame(); }
    CChildFrame& Explorer() { return *Frame().Explorer(); }
    std::string UserInfo() const;

    Sandbox m_sandbox;
    std::string m_pictures;
    QtEventLoop m_loop;
    std::unique_ptr<CPelidorApp> m_app;
};

} // namespace tavrel::test
