#pragma once
// Splits the rows of a large picture between two threads. Memory-bound
// kernels gain from a second core only on pictures well above the cache size,
// so small pictures stay on the calling thread.

#include <cstddef>
#include <functional>

// Calls work(firstRow, endRow) over [0, rows), in two bands when bytes
// (the data the kernel touches) is large enough to pay for a thread.
void ForRowBands(int rows, std::size_t bytes, const std::function<void(int, int)>& work);

// 1 keeps every kernel on the calling thread, 2 (the default) allows the
// split; benchmarks compare both.
void SetRowBandThreads(int threads);
