#include "platform/ProfileString.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

namespace tavrel
{

namespace
{

std::mutex g_writeMutex;

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string ResolvePath(std::string path)
{
    for (char& c : path)
    {
        if (c == '\\')
            c = '/';
    }
    if (path.find('/') == std::string::npos)
        return JoinPath(ProgramFolder(), path);
    return path;
}

std::optional<std::vector<std::string>> ReadLines(const std::string& path, bool* crlf = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    bool sawCrlf = false;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
            sawCrlf = true;
        }
        lines.push_back(line);
    }
    if (!lines.empty() && lines.front().rfind("\xEF\xBB\xBF", 0) == 0)
        lines.front().erase(0, 3);
    if (crlf)
        *crlf = sawCrlf;
    return lines;
}

// "[name]" gives the name; anything else nullopt.
std::optional<std::string> SectionName(const std::string& line)
{
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return std::nullopt;
    const auto close = trimmed.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

bool IsComment(const std::string& line)
{
    const std::string trimmed = Trim(line);
    return trimmed.empty() || trimmed.front() == ';';
}

std::optional<std::string> Lookup(const std::string& section, const std::string& key,
                                  const std::string& path)
{
    const auto lines = ReadLines(ResolvePath(path));
    if (!lines)
        return std::nullopt;
    const std::string wantedSection = Trim(section);
    const std::string wantedKey = Trim(key);
    bool inSection = false;
    for (const auto& line : *lines)
    {
        if (auto name = SectionName(line))
        {
            inSection = EqualNoCase(*name, wantedSection);
            continue;
        }
        if (!inSection || IsComment(line))
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        if (EqualNoCase(Trim(line.substr(0, eq)), wantedKey))
        {
            std::string value = Trim(line.substr(eq + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return std::nullopt;
}

// The number reading of the profile functions: blanks, a sign, an optional
// 0x/0o/0b base prefix, then digits up to the first other character; no
// digits give 0, and the sum wraps as a 32-bit value.
int ParseProfileInt(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0')
    {
        const char marker =
            static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
        if (marker == 'x')
            base = 16;
        else if (marker == 'o')
            base = 8;
        else if (marker == 'b')
            base = 2;
        if (base != 10)
            i += 2;
    }
    std::uint32_t value = 0;
    for (; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (std::isalpha(c))
            digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

// A name or value that would not read back as itself: a line break starts
// a new line (another key, another section), a '=' ends a key, a ']' ends a
// section name, a key line starting with '[' or ';' reads as a section or a
// comment.
bool Writable(const std::string& section, const std::string& key, const std::string& value)
{
    const auto breaks = [](const std::string& text)
    { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos; };
    const std::string trimmedKey = Trim(key);
    const bool keyLooksOther =
        !trimmedKey.empty() && (trimmedKey.front() == '[' || trimmedKey.front() == ';');
    return !breaks(section) && !breaks(key) && !breaks(value) && !keyLooksOther &&
           key.find('=') == std::string::npos && section.find(']') == std::string::npos;
}

} // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& path)
{
    if (auto value = Lookup(section, key, path))
        return *value;
    // The default loses its trailing blanks, as there.
    const auto last = defaultValue.find_last_not_of(" \t");
    return last == std::string::npos ? std::string() : defaultValue.substr(0, last + 1);
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& path)
{
    const auto value = Lookup(section, key, path);
    if (!value || value->empty())
        return defaultValue;
    return ParseProfileInt(*value);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path)
{
    if (Trim(section).empty() || Trim(key).empty() || !Writable(section, key, value))
        return false;
    const std::string resolved = ResolvePath(path);
    std::lock_guard lock(g_writeMutex);

    bool crlf = false;
    std::vector<std::string> lines =
        ReadLines(resolved, &crlf).value_or(std::vector<std::string>{});
    const std::string wantedSection = Trim(section);
    const std::string wantedKey = Trim(key);
    const std::string entry = wantedKey + "=" + value;

    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = lines.size();
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i)
    {
        if (auto name = SectionName(lines[i]))
        {
            if (inSection)
                break;
            inSection = EqualNoCase(*name, wantedSection);
            if (inSection)
            {
                sectionFound = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!Trim(lines[i]).empty())
            insertAt = i + 1;
        if (IsComment(lines[i]))
            continue;
        const auto eq = lines[i].find('=');
        if (eq != std::string::npos && EqualNoCase(Trim(lines[i].substr(0, eq)), wantedKey))
        {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done)
    {
        if (sectionFound)
        {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        }
        else
        {
            lines.push_back("[" + wantedSection + "]");
            lines.push_back(entry);
        }
    }

    std::ostringstream out;
    for (const auto& line : lines)
        out << line << (crlf ? "\r\n" : "\n");
    return WriteFileAtomically(resolved, out.str());
}

} // namespace tavrel
