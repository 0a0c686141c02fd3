#include "platform/Desktop.h"

#include "platform/linux/EndpointCore.h"
#include "platform/linux/WindowRegistry.h"

#include <unistd.h>

namespace tavrel
{

namespace
{

class LinuxWindowEndpoint final : public WindowEndpoint
{
public:
    LinuxWindowEndpoint(std::shared_ptr<detail::EndpointCore> core, detail::WindowRecord record,
                        int lockFd)
        : m_core(std::move(core)), m_record(std::move(record)), m_lockFd(lockFd)
    {
    }

    ~LinuxWindowEndpoint() override
    {
        // Gone for every finder first, then no longer answering.
        const HWND hwnd = m_core->Handle();
        detail::WindowRegistry::Withdraw(hwnd, -1);
        m_core->Stop();
        detail::WindowRegistry::Withdraw(hwnd, m_lockFd);
    }

    HWND Handle() const override { return m_core->Handle(); }

    void SetTitle(const std::string& title) override
    {
        std::lock_guard lock(m_mutex);
        m_record.title = title;
        detail::WindowRegistry::WriteRecord(m_core->Handle(), m_record);
    }

    void SetWindowOps(WindowOps ops) override { m_core->SetWindowOps(std::move(ops)); }

private:
    std::shared_ptr<detail::EndpointCore> m_core;
    std::mutex m_mutex;
    detail::WindowRecord m_record;
    int m_lockFd;
};

} // namespace

std::unique_ptr<WindowEndpoint> WindowEndpoint::Create(const std::string& className,
                                                       const std::string& title, Handler handler,
                                                       UiDispatcher dispatcher)
{
    auto core = std::make_shared<detail::EndpointCore>(std::move(handler), std::move(dispatcher));
    detail::WindowRecord record{className, title, static_cast<int>(::getpid())};
    const auto published = detail::WindowRegistry::Publish(
        record,
        [](HWND hwnd, void* context)
        { return static_cast<detail::EndpointCore*>(context)->Listen(hwnd); },
        core.get());
    if (published.hwnd == 0)
        return nullptr;
    core->Start();
    return std::make_unique<LinuxWindowEndpoint>(std::move(core), std::move(record),
                                                 published.lockFd);
}

} // namespace tavrel
