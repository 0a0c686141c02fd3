#include "platform/DropFiles.h"

namespace tavrel
{

namespace
{

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(std::span<const std::uint8_t> in, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(in[at + i]) << (8 * i);
    return value;
}

// Malformed sequences become U+FFFD rather than being dropped, so a name
// never silently turns into another existing name.
std::u16string ToUtf16(const std::string& text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        char32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
        bool ok = extra >= 0 && i + extra < text.size();
        for (int k = 1; ok && k <= extra; ++k)
        {
            const unsigned char cc = static_cast<unsigned char>(text[i + k]);
            ok = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000)
        {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
        else
            out.push_back(static_cast<char16_t>(cp));
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80)
        out.push_back(static_cast<char>(cp));
    else if (cp < 0x800)
    {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    else if (cp < 0x10000)
    {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    else
    {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string ToUtf8(const std::u16string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp < 0xE000)
            cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::string>& paths)
{
    std::size_t listBytes = 1;
    for (const std::string& path : paths)
        listBytes += path.size() + 1;
    std::vector<std::uint8_t> block(2 * listBytes + 28, 0);
    PutU32(block, 0, kDropFilesHeaderSize);
    PutU32(block, 16, 1); // wide characters
    std::size_t at = kDropFilesHeaderSize;
    for (const std::string& path : paths)
    {
        for (char16_t unit : ToUtf16(path))
        {
            block[at++] = static_cast<std::uint8_t>(unit & 0xFF);
            block[at++] = static_cast<std::uint8_t>(unit >> 8);
        }
        at += 2; // the zero ending the path; the block is already zero
    }
    return block;
}

std::optional<std::vector<std::string>> ParseDropFiles(std::span<const std::uint8_t> block)
{
    if (block.size() < kDropFilesHeaderSize)
        return std::nullopt;
    const std::uint32_t offset = GetU32(block, 0);
    const bool wide = GetU32(block, 16) != 0;
    if (offset < kDropFilesHeaderSize || offset > block.size())
        return std::nullopt;
    std::vector<std::string> paths;
    std::size_t at = offset;
    const std::size_t unit = wide ? 2 : 1;
    while (true)
    {
        std::u16string wideName;
        std::string narrowName;
        bool ended = false;
        while (at + unit <= block.size())
        {
            const char16_t c = wide ? char16_t(block[at] | (block[at + 1] << 8)) : block[at];
            at += unit;
            if (c == 0)
            {
                ended = true;
                break;
            }
            if (wide)
                wideName.push_back(c);
            else
                narrowName.push_back(static_cast<char>(c));
        }
        if (!ended)
            return std::nullopt;
        if (wideName.empty() && narrowName.empty())
            return paths;
        paths.push_back(wide ? ToUtf8(wideName) : narrowName);
    }
}

std::vector<std::uint8_t> BuildDropEffect(std::uint32_t effect)
{
    std::vector<std::uint8_t> value(4);
    PutU32(value, 0, effect);
    return value;
}

std::optional<std::uint32_t> ParseDropEffect(std::span<const std::uint8_t> value)
{
    if (value.size() < 4)
        return std::nullopt;
    return GetU32(value, 0);
}

} // namespace tavrel
