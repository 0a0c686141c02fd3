#include "imaging/cwimage/RowBands.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace
{
// Below this a thread start costs more than it saves (measured in dib_bench).
constexpr std::size_t kParallelBytes = 4u << 20;
std::atomic<int> g_threads{2};
} // namespace

void SetRowBandThreads(int threads)
{
    g_threads = threads < 2 ? 1 : 2;
}

void ForRowBands(int rows, std::size_t bytes, const std::function<void(int, int)>& work)
{
    if (g_threads.load() < 2 || rows < 2 || bytes < kParallelBytes ||
        std::thread::hardware_concurrency() < 2)
    {
        work(0, rows);
        return;
    }
    const int half = rows / 2;
    std::thread second;
    try
    {
        second = std::thread([&] { work(half, rows); });
    }
    catch (const std::system_error&)
    {
        work(0, rows);
        return;
    }
    work(0, half);
    second.join();
}
