#include "platform/DropFiles.h"

#include "platform/Utf.h"

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
        for (char16_t unit : Utf8ToUtf16(path))
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
        paths.push_back(wide ? Utf16ToUtf8(wideName) : narrowName);
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
