#pragma once
// The serving side of one window, shared between the endpoint object, its
// threads and in-process senders.

#include "platform/Desktop.h"
#include "platform/linux/WireProtocol.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace tavrel::detail
{

struct Answer
{
    bool handled = false;
    LRESULT result = 0;
    std::vector<std::uint8_t> reply;
};

class EndpointCore : public std::enable_shared_from_this<EndpointCore>
{
public:
    EndpointCore(WindowEndpoint::Handler handler, UiDispatcher dispatcher);
    ~EndpointCore();

    // Binds the listening socket for `hwnd` (before the window is published).
    bool Listen(HWND hwnd);
    void Start();
    void Stop();

    HWND Handle() const { return m_hwnd; }
    // The thread on which the handler runs, as far as it is known.
    std::thread::id UiThread() const { return m_uiThread.load(); }
    void SetWindowOps(WindowEndpoint::WindowOps ops);

    // Runs the handler (or a window operation) on the calling thread, which
    // must be the UI thread.
    Answer Serve(const RequestHeader& header, const std::vector<std::uint8_t>& payload);

    // In-process endpoints by handle, for sends from their own UI thread.
    static std::shared_ptr<EndpointCore> Local(HWND hwnd);

private:
    struct Item
    {
        RequestHeader header;
        std::vector<std::uint8_t> payload;
        int fd = -1; // a send waiting for its answer; -1 for a post
    };

    // A connection whose request is still arriving.
    struct Incoming
    {
        int fd = -1;
        RequestReader reader;
        Clock::time_point deadline;
    };

    void ServiceLoop();
    void DispatchLoop();
    void Accept(std::vector<Incoming>& incoming);
    static bool ReadArrived(Incoming& in);
    void Dispatch(Item item);
    void Enqueue(Item item);
    Answer RunOnUi(const Item& item);
    static void Reply(int fd, const Answer& answer);

    WindowEndpoint::Handler m_handler;
    UiDispatcher m_dispatcher;
    std::mutex m_opsMutex;
    WindowEndpoint::WindowOps m_ops;
    std::recursive_mutex m_handlerMutex;

    HWND m_hwnd = 0;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::thread::id> m_uiThread;

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<Item> m_queue;

    std::thread m_serviceThread;
    std::thread m_dispatchThread;
};

} // namespace tavrel::detail
