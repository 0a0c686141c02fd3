#pragma once
// Starts the test peer in the sandbox and reads what it reports.

#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include "platform/WinTypes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tavrel::test
{

constexpr UINT kMsgDouble = WM_USER + 1;
constexpr UINT kMsgCallBack = WM_USER + 2;

class PeerTest : public ::testing::Test
{
protected:
    // Starts the peer with these actions and waits until it has done them.
    std::unique_ptr<Process> StartPeer(const std::vector<std::string>& actions)
    {
        std::string error;
        auto peer = Process::Start("tavrel_platform_peer", actions, {}, &error);
        EXPECT_TRUE(peer) << error;
        if (peer)
        {
            const bool ready = WaitFor(
                [&] {
                    return peer->StdOut().find("ready\n") != std::string::npos ||
                           !peer->IsRunning();
                });
            EXPECT_TRUE(ready);
            EXPECT_NE(peer->StdOut().find("ready\n"), std::string::npos) << peer->StdErr();
        }
        return peer;
    }

    static bool Reported(const Process& peer, const std::string& line)
    {
        return peer.StdOut().find(line + "\n") != std::string::npos;
    }

    std::string PeerLog() const
    {
        std::ifstream in(m_sandbox.RuntimeDir() + "/peer.log");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    Sandbox m_sandbox;
};

} // namespace tavrel::test
