// tavrel-sim: drives the simulated scanner of this runtime directory.

#include "platform/Desktop.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/SimulatedFrames.h"
#include "shared/camera/SimulatedScanner.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tavrel
{

namespace
{

constexpr std::size_t kStatusWrites = 10;

int Usage()
{
    std::fprintf(stderr, "usage: tavrel-sim plug|unplug|press|status\n"
                         "       tavrel-sim film auto|positive|negative|bw|print|none\n");
    return 2;
}

int Fail(const std::string& error)
{
    std::fprintf(stderr, "tavrel-sim: %s\n", error.c_str());
    return 1;
}

const char* SensorName(tavrel::SensorFilmType type)
{
    switch (type)
    {
    case tavrel::SensorFilmType::Negative:
        return "negative";
    case tavrel::SensorFilmType::BlackWhite:
        return "bw";
    case tavrel::SensorFilmType::Print:
        return "print";
    default:
        return "positive";
    }
}

int Status()
{
    std::string error;
    auto state = tavrel::SimScanner::Load(&error);
    if (!state)
    {
        return Fail(error);
    }
    tavrel::SlideConditions seen = tavrel::SlideConditionsFromState(*state);
    std::printf("plugged: %s\n", state->plugged ? "yes" : "no");
    std::printf("device: %s\n", tavrel::kSimulatedDevicePath);
    std::printf("button: 0x%04x\n", state->button);
    std::printf("film: %s", tavrel::HolderFilmName(state->film));
    if (state->film == tavrel::HolderFilm::Auto)
    {
        std::printf(" (%s)", tavrel::HolderFilmName(seen.film));
    }
    std::printf("\nsensor film type: %s\n", SensorName(seen.sensor));
    std::printf("exposure gain: 0x%02x\n", seen.exposureGain);
    std::printf("writes: %llu\n", static_cast<unsigned long long>(state->writeCount));
    std::size_t first =
        state->writes.size() > kStatusWrites ? state->writes.size() - kStatusWrites : 0;
    for (std::size_t i = first; i < state->writes.size(); ++i)
    {
        const auto& write = state->writes[i];
        if (write.kind == tavrel::SimScannerWrite::Kind::Register)
        {
            std::printf("  reg 0x%04x = 0x%02x\n", write.address, write.value);
        }
        else
        {
            std::printf("  prop 0x%04x = 0x%04x\n", write.address, write.value);
        }
    }
    return 0;
}

} // namespace

} // namespace tavrel

int main(int argc, char** argv)
{
    using namespace tavrel;
    if (argc < 2)
    {
        return Usage();
    }
    const std::string command = argv[1];
    std::string error;
    if (command == "status" && argc == 2)
    {
        return Status();
    }
    if (command == "plug" && argc == 2)
    {
        if (!tavrel::SimScanner::Plug(&error))
        {
            return Fail(error);
        }
        tavrel::Desktop::BroadcastDeviceChange(tavrel::DBT_DEVICEARRIVAL);
        return 0;
    }
    if (command == "unplug" && argc == 2)
    {
        if (!tavrel::SimScanner::Unplug(&error))
        {
            return Fail(error);
        }
        tavrel::Desktop::BroadcastDeviceChange(tavrel::DBT_DEVICEREMOVECOMPLETE);
        return 0;
    }
    if (command == "press" && argc == 2)
    {
        return tavrel::SimScanner::Press(&error) ? 0 : Fail(error);
    }
    if (command == "film" && argc == 3)
    {
        auto film = tavrel::ParseHolderFilm(argv[2]);
        if (!film)
        {
            return Usage();
        }
        return tavrel::SimScanner::SetFilm(*film, &error) ? 0 : Fail(error);
    }
    return Usage();
}
