#pragma once
// The simulated scanner's record of what was written to it, as tests read it.

#include <cstdint>
#include <utility>
#include <vector>

namespace tavrel::test
{

// How many writes the scanner has seen so far.
std::uint64_t SimWriteCount();
// The sensor registers (address, value) written since write number `from`.
std::vector<std::pair<std::uint32_t, std::uint32_t>> SimRegistersWritten(std::uint64_t from);

} // namespace tavrel::test
