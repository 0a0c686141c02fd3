#pragma once
// The simulated scanner's state, shared by every process of one runtime
// directory through "<runtime>/simscanner/state". Changes are made under an
// exclusive flock on "<runtime>/simscanner/lock" and published by renaming a
// complete file into place, so readers never see half a state.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

// What lies in the film holder. Auto: the film that the programmed film-type
// register asks for, as if the user had put in the matching film. None: no
// holder at all, the camera sees the bare light box (for lens calibration).
enum class HolderFilm
{
    Auto,
    Positive,
    Negative,
    BlackWhite,
    Print,
    None
};

// "auto", "positive", "negative", "bw", "print", "none"
const char* HolderFilmName(HolderFilm film);
std::optional<HolderFilm> ParseHolderFilm(const std::string& name);

struct SimScannerWrite
{
    enum class Kind
    {
        Register, // sensor register: 16-bit address, 8-bit value
        Property  // control property
    };
    Kind kind = Kind::Register;
    std::uint32_t address = 0;
    std::uint32_t value = 0;
};

struct SimScannerState
{
    static constexpr std::size_t kWriteLogCapacity = 512;

    bool plugged = true;
    std::uint64_t generation = 1; // grows with every plug-in; older handles are dead
    std::uint32_t button = 0;     // property 0x8107
    HolderFilm film = HolderFilm::Auto;
    std::map<std::uint16_t, std::uint8_t> registers;
    std::map<std::uint32_t, std::uint32_t> properties; // other than 0x8107
    std::uint64_t writeCount = 0;                      // every write ever made
    std::vector<SimScannerWrite> writes;               // the latest, oldest first

    void RecordWrite(SimScannerWrite::Kind kind, std::uint32_t address, std::uint32_t value);
    std::uint8_t Register(std::uint16_t address, std::uint8_t fallback) const;

    std::string Serialize() const;
    // Unknown or malformed lines are skipped; a missing header gives nullopt.
    static std::optional<SimScannerState> Parse(const std::string& text);
};

// The simulated scanner's device path and friendly name.
extern const char* const kSimulatedDevicePath;
extern const char* const kSimulatedDeviceName;

namespace SimScanner
{

// "" with *error set when the runtime directory is unusable.
std::string StateFolder(std::string* error = nullptr);
// The current state; the defaults (plugged in, nothing written) when no
// process has changed it yet.
std::optional<SimScannerState> Load(std::string* error = nullptr);
// Read-modify-write under the lock. `change` may return false to leave the
// file untouched.
bool Update(const std::function<bool(SimScannerState&)>& change, std::string* error = nullptr);

// The device's own actions (tavrel-sim).
bool Plug(std::string* error = nullptr);
bool Unplug(std::string* error = nullptr);
bool Press(std::string* error = nullptr); // fails while unplugged
bool SetFilm(HolderFilm film, std::string* error = nullptr);

} // namespace SimScanner

} // namespace tavrel
