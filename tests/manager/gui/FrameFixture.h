#pragma once
// A manager started in this process as the program starts it, in a private
// session, on the offscreen platform.

#include "manager/app/MainFrame.h"
#include "manager/app/PelidorApp.h"
#include "support/Sandbox.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tavrel::test
{

QApplication& GuiApp();

class FrameTest : public ::testing::Test
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
    std::unique_ptr<CPelidorApp> m_app;
};

} // namespace tavrel::test
