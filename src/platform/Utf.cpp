#include "platform/Utf.h"

#include <cstdint>

namespace tavrel
{

namespace
{

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, std::uint32_t cp)
{
    if (cp < 0x10000)
    {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n)
    {
        const unsigned char c = p[i];
        if (c < 0x80)
        {
            out.push_back(c);
            ++i;
            continue;
        }
        int extra = 0;
        std::uint32_t cp = 0;
        std::uint32_t minimum = 0;
        if (c >= 0xC2 && c <= 0xDF)
        {
            extra = 1;
            cp = c & 0x1F;
            minimum = 0x80;
        }
        else if (c >= 0xE0 && c <= 0xEF)
        {
            extra = 2;
            cp = c & 0x0F;
            minimum = 0x800;
        }
        else if (c >= 0xF0 && c <= 0xF4)
        {
            extra = 3;
            cp = c & 0x07;
            minimum = 0x10000;
        }
        else
        {
            // Stray continuation byte, overlong lead or a lead beyond U+10FFFF.
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        // A truncated or broken sequence yields one U+FFFD for the maximal
        // valid prefix; the byte that broke it is read again as a new start.
        std::size_t j = i + 1;
        int got = 0;
        while (got < extra && j < n && IsContinuation(p[j]))
        {
            const std::uint32_t next = (cp << 6) | (p[j] & 0x3F);
            // Reject overlong, surrogate and out-of-range forms as early as the
            // second byte, so that the sequence ends there.
            if (got == 0)
            {
                if ((c == 0xE0 && p[j] < 0xA0) || (c == 0xED && p[j] >= 0xA0) ||
                    (c == 0xF0 && p[j] < 0x90) || (c == 0xF4 && p[j] >= 0x90))
                    break;
            }
            cp = next;
            ++got;
            ++j;
        }
        if (got < extra || cp < minimum)
        {
            out.push_back(kReplacement);
            i = (got == 0) ? i + 1 : j;
            continue;
        }
        AppendCodePoint(out, cp);
        i = j;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
        {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        else if (cp >= 0xD800 && cp <= 0xDFFF)
        {
            cp = kReplacement;
        }
        if (cp < 0x80)
        {
            out.push_back(static_cast<char>(cp));
        }
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
    return out;
}

} // namespace tavrel
