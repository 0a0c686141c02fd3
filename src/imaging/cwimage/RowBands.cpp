#include "imaging/cwimage/RowBands.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

namespace tavrel
{

namespace
{

// Below these a thread start costs more than it saves (dib_bench and
// imaging_bench).
constexpr std::size_t kMemoryBoundBytes = std::size_t(4) << 20;
constexpr std::size_t kComputeBoundBytes = 256 * 1024;
constexpr int kMaxBands = 8;

std::atomic<int> g_maxThreads{kMaxBands};

} // namespace

void SetRowBandThreads(int threads)
{
    g_maxThreads = std::clamp(threads, 1, kMaxBands);
}

void ForRowBands(int rows, std::size_t bytes, const std::function<void(int, int)>& work,
                 RowCost cost)
{
    if (rows <= 0)
        return;
    const std::size_t threshold = cost == RowCost::Memory ? kMemoryBoundBytes : kComputeBoundBytes;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int bands = std::min({cores, g_maxThreads.load(), rows});
    if (bands < 2 || bytes < threshold)
    {
        work(0, rows);
        return;
    }
    auto edge = [&](int i) { return static_cast<int>(std::int64_t(rows) * i / bands); };
    std::vector<std::jthread> helpers;
    helpers.reserve(std::size_t(bands - 1));
    int covered = bands; // bands from here on run on this thread
    for (int i = 1; i < bands; ++i)
    {
        try
        {
            helpers.emplace_back([&work, first = edge(i), end = edge(i + 1)] { work(first, end); });
        }
        catch (const std::system_error&)
        {
            // No thread to be had: the rest runs here.
            covered = i;
            break;
        }
    }
    work(0, edge(1));
    for (int i = covered; i < bands; ++i)
        work(edge(i), edge(i + 1));
    // The helpers join as they go out of scope.
}

} // namespace tavrel
