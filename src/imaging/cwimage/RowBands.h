#pragma once
// The one helper that spreads the rows of a picture over threads. A second
// thread pays only above a size that depends on the kernel: memory-bound
// kernels (copy, invert, turn) gain only on pictures well above the cache
// size, compute-bound ones (colour tables, resampling) from a few hundred
// kilobytes on. Smaller pictures stay on the calling thread.

#include <cstddef>
#include <functional>

namespace tavrel
{

enum class RowCost
{
    Memory,  // a few operations per byte
    Compute, // table lookups or filter taps per byte
};

// Calls work(firstRow, endRow) over [0, rows) in bands, one per core (at
// most 8), when `bytes` (the data the kernel touches) is large enough to
// pay for starting threads; otherwise once on the calling thread.
void ForRowBands(int rows, std::size_t bytes, const std::function<void(int, int)>& work,
                 RowCost cost = RowCost::Memory);

// The most threads a split may use: 1 keeps every kernel on the calling
// thread (benchmarks compare).
void SetRowBandThreads(int threads);

} // namespace tavrel
