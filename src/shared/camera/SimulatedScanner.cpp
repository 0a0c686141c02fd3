#include "shared/camera/SimulatedScanner.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "shared/camera/CameraControl.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel
{

const char* const kSimulatedDevicePath =
    "\\\\?\\usb#vid_0ac8&pid_3370&mi_00#sim0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const char* const kSimulatedDeviceName = "Tavrel Simulated Scanner";

namespace
{

constexpr const char* kHeader = "tavrel-simscanner 1";

struct FilmName
{
    HolderFilm film;
    const char* name;
};
constexpr FilmName kFilmNames[] = {
    {HolderFilm::Auto, "auto"},         {HolderFilm::Positive, "positive"},
    {HolderFilm::Negative, "negative"}, {HolderFilm::BlackWhite, "bw"},
    {HolderFilm::Print, "print"},       {HolderFilm::None, "none"}};

void SetError(std::string* error, const std::string& text)
{
    if (error != nullptr)
    {
        *error = text;
    }
}

bool ReadWholeFile(const std::string& path, std::string* text)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
    {
        return false;
    }
    char buffer[8192];
    std::size_t n;
    text->clear();
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    {
        text->append(buffer, n);
    }
    std::fclose(file);
    return true;
}

std::optional<SimScannerState> LoadFrom(const std::string& folder, std::string* error)
{
    std::string text;
    if (!ReadWholeFile(JoinPath(folder, "state"), &text))
    {
        if (errno == ENOENT)
        {
            return SimScannerState{};
        }
        SetError(error, "cannot read the simulated scanner state: " + std::string(strerror(errno)));
        return std::nullopt;
    }
    // A damaged file must not take the device away for good: start afresh.
    return SimScannerState::Parse(text).value_or(SimScannerState{});
}

} // namespace

const char* HolderFilmName(HolderFilm film)
{
    for (const auto& entry : kFilmNames)
    {
        if (entry.film == film)
        {
            return entry.name;
        }
    }
    return "auto";
}

std::optional<HolderFilm> ParseHolderFilm(const std::string& name)
{
    for (const auto& entry : kFilmNames)
    {
        if (name == entry.name)
        {
            return entry.film;
        }
    }
    return std::nullopt;
}

void SimScannerState::RecordWrite(SimScannerWrite::Kind kind, std::uint32_t address,
                                  std::uint32_t value)
{
    if (kind == SimScannerWrite::Kind::Register)
    {
        registers[static_cast<std::uint16_t>(address)] = static_cast<std::uint8_t>(value);
    }
    else if (address == kButtonProperty)
    {
        button = value & 0xFFFF;
    }
    else
    {
        properties[address] = value;
    }
    ++writeCount;
    writes.push_back({kind, address, value});
    if (writes.size() > kWriteLogCapacity)
    {
        writes.erase(writes.begin(), writes.begin() + (writes.size() - kWriteLogCapacity));
    }
}

std::uint8_t SimScannerState::Register(std::uint16_t address, std::uint8_t fallback) const
{
    auto it = registers.find(address);
    return it == registers.end() ? fallback : it->second;
}

std::string SimScannerState::Serialize() const
{
    std::ostringstream out;
    out << kHeader << "\n";
    out << "plugged " << (plugged ? 1 : 0) << "\n";
    out << "generation " << generation << "\n";
    out << "button " << std::hex << button << std::dec << "\n";
    out << "film " << HolderFilmName(film) << "\n";
    out << "writecount " << writeCount << "\n";
    out << std::hex;
    for (const auto& [address, value] : registers)
    {
        out << "reg " << address << " " << unsigned(value) << "\n";
    }
    for (const auto& [property, value] : properties)
    {
        out << "prop " << property << " " << value << "\n";
    }
    for (const auto& write : writes)
    {
        out << "log " << (write.kind == SimScannerWrite::Kind::Register ? "reg " : "prop ")
            << write.address << " " << write.value << "\n";
    }
    return out.str();
}

std::optional<SimScannerState> SimScannerState::Parse(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
    {
        return std::nullopt;
    }
    SimScannerState state;
    while (std::getline(in, line))
    {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "plugged")
        {
            int value = 1;
            if (fields >> value)
            {
                state.plugged = value != 0;
            }
        }
        else if (key == "generation")
        {
            fields >> state.generation;
        }
        else if (key == "button")
        {
            fields >> std::hex >> state.button;
        }
        else if (key == "film")
        {
            std::string name;
            fields >> name;
            state.film = ParseHolderFilm(name).value_or(HolderFilm::Auto);
        }
        else if (key == "writecount")
        {
            fields >> state.writeCount;
        }
        else if (key == "reg" || key == "prop")
        {
            std::uint32_t address = 0, value = 0;
            if (fields >> std::hex >> address >> value)
            {
                if (key == "reg")
                {
                    state.registers[static_cast<std::uint16_t>(address)] =
                        static_cast<std::uint8_t>(value);
                }
                else
                {
                    state.properties[address] = value;
                }
            }
        }
        else if (key == "log")
        {
            std::string kind;
            std::uint32_t address = 0, value = 0;
            if (fields >> kind >> std::hex >> address >> value &&
                (kind == "reg" || kind == "prop") && state.writes.size() < kWriteLogCapacity)
            {
                state.writes.push_back({kind == "reg" ? SimScannerWrite::Kind::Register
                                                      : SimScannerWrite::Kind::Property,
                                        address, value});
            }
        }
    }
    return state;
}

namespace SimScanner
{

std::string StateFolder(std::string* error)
{
    std::string runtime = RuntimeDirectory(error);
    if (runtime.empty())
    {
        return {};
    }
    std::string folder = JoinPath(runtime, "simscanner");
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    {
        SetError(error, "cannot create " + folder + ": " + strerror(errno));
        return {};
    }
    return folder;
}

std::optional<SimScannerState> Load(std::string* error)
{
    std::string folder = StateFolder(error);
    if (folder.empty())
    {
        return std::nullopt;
    }
    return LoadFrom(folder, error);
}

bool Update(const std::function<bool(SimScannerState&)>& change, std::string* error)
{
    std::string folder = StateFolder(error);
    if (folder.empty())
    {
        return false;
    }
    int lockFd = ::open(JoinPath(folder, "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0)
    {
        SetError(error, "cannot open the simulated scanner lock: " + std::string(strerror(errno)));
        return false;
    }
    while (::flock(lockFd, LOCK_EX) != 0 && errno == EINTR)
    {
    }
    bool ok = false;
    std::optional<SimScannerState> state = LoadFrom(folder, error);
    if (state)
    {
        if (!change(*state))
        {
            ::close(lockFd);
            return false;
        }
        // Session state: replaced whole, never flushed to disk.
        std::string reason;
        ok = WriteFileAtomically(JoinPath(folder, "state"), state->Serialize(),
                                 {.sync = false, .newFileMode = 0600}, &reason);
        if (!ok)
        {
            SetError(error, "cannot write the simulated scanner state: " + reason);
        }
    }
    ::close(lockFd); // releases the lock
    return ok;
}

bool Plug(std::string* error)
{
    return Update(
        [](SimScannerState& state)
        {
            if (!state.plugged)
            {
                state.plugged = true;
                ++state.generation;
            }
            return true;
        },
        error);
}

bool Unplug(std::string* error)
{
    return Update(
        [](SimScannerState& state)
        {
            state.plugged = false;
            state.button = 0; // the latch lives in the device and goes with it
            return true;
        },
        error);
}

bool Press(std::string* error)
{
    bool wasPlugged = true;
    bool ok = Update(
        [&](SimScannerState& state)
        {
            wasPlugged = state.plugged;
            if (!state.plugged)
            {
                return false;
            }
            state.button |= 0x0001;
            return true;
        },
        error);
    if (!wasPlugged)
    {
        SetError(error, "the simulated scanner is unplugged");
    }
    return ok;
}

bool SetFilm(HolderFilm film, std::string* error)
{
    return Update(
        [film](SimScannerState& state)
        {
            state.film = film;
            return true;
        },
        error);
}

} // namespace SimScanner

} // namespace tavrel
