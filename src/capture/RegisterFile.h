#pragma once
// Register text files: one write per line, "#AAAA@VV" for a sensor register
// (16-bit address, 8-bit value) or "VVVV@PPPP" for a control property (value
// left, property number right). The first line with an empty part ends the
// list; everything after it is ignored.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel
{

struct RegisterWrite
{
    enum class Kind
    {
        SensorRegister,
        Property
    };
    Kind kind = Kind::SensorRegister;
    std::uint32_t target = 0; // register address (low 16 bits used) or property number
    std::uint32_t value = 0;  // register: low byte used
};

struct RegisterList
{
    std::vector<RegisterWrite> writes;
    // True when a line with an empty part stopped the list before the text ran out.
    bool endedByEmptyLine = false;
};

RegisterList ParseRegisterText(std::string_view text);
// false when the file cannot be opened.
bool ReadRegisterFile(const std::string& path, RegisterList& list);

// wcstoul with base 16 on a 32-bit unsigned long: leading blanks, a sign and
// an "0x" are accepted, parsing stops at the first non-hex character.
std::uint32_t ParseHex32(std::string_view text);

} // namespace tavrel
