#include "SimRecord.h"

#include "shared/camera/SimulatedScanner.h"

namespace tavrel::test
{

std::uint64_t SimWriteCount()
{
    const auto state = SimScanner::Load();
    return state ? state->writeCount : 0;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> SimRegistersWritten(std::uint64_t from)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    const auto state = SimScanner::Load();
    if (!state)
        return out;
    // The record keeps the latest writes only.
    const std::uint64_t first = state->writeCount - state->writes.size();
    for (std::size_t i = 0; i < state->writes.size(); ++i)
        if (first + i >= from && state->writes[i].kind == SimScannerWrite::Kind::Register)
            out.emplace_back(state->writes[i].address, state->writes[i].value);
    return out;
}

} // namespace tavrel::test
