#pragma once
// A private session for one test: a fresh runtime directory (0700) and program
// folder under a new temporary root, announced through TAVREL_RUNTIME_DIR and
// TAVREL_HOME to this process and every child it starts. The previous values
// come back, and the tree is removed, when the sandbox goes.

#include <optional>
#include <string>

namespace tavrel::test
{

class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Root() const { return m_root; }
    const std::string& RuntimeDir() const { return m_runtimeDir; }
    const std::string& Home() const { return m_home; }

    // The recorded message boxes of every process of the session
    // ("<caption>\t<text>" lines of messages.log).
    std::string MessagesLog() const;

private:
    std::string m_root;
    std::string m_runtimeDir;
    std::string m_home;
    std::optional<std::string> m_oldRuntimeDir;
    std::optional<std::string> m_oldHome;
    std::string m_oldCwd;
};

} // namespace tavrel::test
