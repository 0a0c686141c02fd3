#include "shared/XmlDocument.h"

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "platform/Utf.h"
#include "shared/XmlTokenizer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace tavrel
{

// The file and entity layer under the document: whole-file UTF-8 in and out,
// and the five named and the numeric character references.

using tavrel::xml::Number;

namespace
{

std::u16string ErrorText(int error)
{
    return tavrel::Utf8ToUtf16(std::strerror(error));
}

// wcstol as far as it matters here: leading space, sign, an optional 0x in
// base 16, digits up to the first non-digit. Reads only [from, end).
bool ReadNumber(const char16_t* t, int from, int end, int base, long long& value)
{
    int i = from;
    while (i < end && (t[i] == u' ' || t[i] == u'\t' || t[i] == u'\n' || t[i] == u'\r' ||
                       t[i] == u'\v' || t[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < end && (t[i] == u'+' || t[i] == u'-'))
    {
        negative = t[i] == u'-';
        ++i;
    }
    if (base == 16 && i + 1 < end && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X'))
        i += 2;
    long long v = 0;
    for (; i < end; ++i)
    {
        const char16_t c = t[i];
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            break;
        if (digit >= base)
            break;
        v = v * base + digit;
    }
    value = negative ? -v : v;
    return true;
}

} // namespace

bool ReadUtf8File(const std::string& path, std::u16string& text, std::u16string& message)
{
    // Only a regular file: a FIFO named as a settings file would block, a
    // device never end. A folder is reported as such (EISDIR).
    tavrel::RegularFile input(path);
    if (!input.IsOpen())
    {
        message = ErrorText(input.Error());
        return false;
    }
    std::FILE* file = input.ReleaseAsStream();
    if (!file)
    {
        message = ErrorText(errno);
        return false;
    }
    std::string bytes;
    char chunk[65536];
    std::size_t got;
    errno = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const bool ok = !std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (!ok)
    {
        message = ErrorText(error ? error : EIO);
        return false;
    }
    text = tavrel::Utf8ToUtf16(bytes);
    message = Number(static_cast<long long>(bytes.size())) + u" bytes to " +
              Number(static_cast<long long>(text.size())) + u" wide chars";
    return true;
}

bool WriteUtf8File(const std::string& path, std::u16string_view text, std::u16string& message)
{
    const std::string bytes = tavrel::Utf16ToUtf8(text);
    tavrel::AtomicFile file(path);
    if (!file.IsOpen() || !file.Write(bytes) || !file.Commit())
    {
        message = ErrorText(file.Error());
        return false;
    }
    message = Number(static_cast<long long>(text.size())) + u" wide chars to " +
              Number(static_cast<long long>(bytes.size())) + u" bytes";
    return true;
}

std::u16string EncodeEntities(std::u16string_view text, bool attributeMode)
{
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text)
    {
        switch (c)
        {
        case u'<':
            out += u"&lt;";
            break;
        case u'&':
            out += u"&amp;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'\'':
            if (attributeMode)
                out += u"&apos;";
            else
                out += c;
            break;
        case u'"':
            if (attributeMode)
                out += u"&quot;";
            else
                out += c;
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::u16string DecodeEntities(const char16_t* text, int length)
{
    std::u16string out;
    if (!text || length <= 0)
        return out;
    out.reserve(static_cast<std::size_t>(length));
    static const struct
    {
        const char16_t* name;
        int length;
        char16_t value;
    } kNames[] = {{u"lt;", 3, u'<'},
                  {u"amp;", 4, u'&'},
                  {u"gt;", 3, u'>'},
                  {u"apos;", 5, u'\''},
                  {u"quot;", 5, u'"'}};
    int i = 0;
    while (i < length)
    {
        const char16_t c = text[i];
        if (c != u'&')
        {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < length && text[i + 1] == u'#')
        {
            const bool hex = i + 2 < length && text[i + 2] == u'x';
            const int digits = i + 2 + (hex ? 1 : 0);
            int semicolon = -1;
            for (int k = digits; k < length && k <= digits + 6; ++k)
            {
                if (text[k] == u';')
                {
                    semicolon = k;
                    break;
                }
            }
            long long value = 0;
            if (semicolon >= 0)
                ReadNumber(text, digits, semicolon, hex ? 16 : 10, value);
            // Zero, negative and beyond-Unicode numbers are no references.
            if (semicolon < 0 || value <= 0 || value > 0x10FFFF)
            {
                out += u'&';
                ++i;
                continue;
            }
            if (value >= 0x10000)
            {
                const long long v = value - 0x10000;
                out += static_cast<char16_t>(0xD800 + (v >> 10));
                out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
            }
            else
            {
                out += static_cast<char16_t>(value);
            }
            i = semicolon + 1;
            continue;
        }
        bool matched = false;
        for (const auto& entity : kNames)
        {
            if (i + 1 + entity.length <= length &&
                std::equal(entity.name, entity.name + entity.length, text + i + 1))
            {
                out += entity.value;
                i += 1 + entity.length;
                matched = true;
                break;
            }
        }
        if (!matched)
        {
            out += u'&';
            ++i;
        }
    }
    return out;
}

} // namespace tavrel
