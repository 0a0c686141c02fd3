#include "capture/RegisterFile.h"

#include <fstream>
#include <iterator>

namespace tavrel
{

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::uint32_t ParseHex32(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        i + 2 < s.size() && HexDigit(s[i + 2]) >= 0)
        i += 2;
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < s.size() && HexDigit(s[i]) >= 0; ++i)
    {
        value = value * 16 + static_cast<std::uint64_t>(HexDigit(s[i]));
        if (value > 0xFFFFFFFFull)
            overflow = true, value = 0xFFFFFFFFull;
    }
    if (overflow)
        return 0xFFFFFFFFu;
    const auto v = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - v) : v;
}

RegisterList ParseRegisterText(std::string_view raw)
{
    RegisterList list;
    std::string text(Trim(raw));
    text += '\n';
    std::string_view rest(text);
    while (!rest.empty())
    {
        const std::size_t feed = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, feed));
        rest.remove_prefix(feed == std::string_view::npos ? rest.size() : feed + 1);
        const std::size_t at = line.find('@');
        const std::string_view left =
            at == std::string_view::npos ? line : Trim(line.substr(0, at));
        const std::string_view right =
            at == std::string_view::npos ? std::string_view{} : Trim(line.substr(at + 1));
        if (left.empty() || right.empty())
        {
            list.endedByEmptyLine = true;
            break;
        }
        RegisterWrite write;
        if (left.front() == '#')
        {
            write.kind = RegisterWrite::Kind::SensorRegister;
            write.target = ParseHex32(left.substr(1));
            write.value = ParseHex32(right);
        }
        else
        {
            write.kind = RegisterWrite::Kind::Property;
            write.target = ParseHex32(right);
            write.value = ParseHex32(left);
        }
        list.writes.push_back(write);
    }
    return list;
}

bool ReadRegisterFile(const std::string& path, RegisterList& list)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Bytes past an embedded zero are not text (the design reads into a
    // zero-terminated buffer).
    list = ParseRegisterText(std::string_view(bytes.c_str()));
    return true;
}

} // namespace tavrel
