#include "shared/XmlTokenizer.h"

#include <string>

namespace tavrel::xml
{

bool IsXmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool IsNameEnd(char16_t c)
{
    switch (c)
    {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\r':
    case u'<':
    case u'>':
    case u'=':
    case u'\\':
    case u'/':
    case u'?':
    case u'!':
        return true;
    default:
        return false;
    }
}

int NameLength(const char16_t* text, int from, int end)
{
    int i = from;
    while (i < end && !IsNameEnd(text[i]))
        ++i;
    return i - from;
}

std::u16string Ascii(const char* text)
{
    std::u16string out;
    for (; *text; ++text)
        out.push_back(static_cast<unsigned char>(*text));
    return out;
}

std::u16string Number(long long value)
{
    return Ascii(std::to_string(value).c_str());
}

namespace
{

bool StartsTagName(char16_t c)
{
    return c == u':' || c == u'_' || (c >= u'A' && c <= u'Z') || c >= 0x61;
}

} // namespace

void Tokenizer::Fail(Token& token, const char* what, int offset)
{
    token.kind = kError;
    token.message = u"Incorrect " + Ascii(what) + u" at offset " + Number(offset);
    // Scanning resumes after the next '>'.
    int i = token.start + 1;
    while (i < m_end && m_text[i] != u'>')
        ++i;
    m_pos = (i < m_end) ? i + 1 : m_end;
    token.length = m_pos - token.start;
}

void Tokenizer::Unterminated(Token& token, const char* name)
{
    token.kind = kError;
    token.message = Ascii(name) + u" at offset " + Number(token.start) + u" unterminated";
    m_pos = m_end;
    token.length = m_end - token.start;
}

int Tokenizer::FindTerminator(int from, const char16_t* terminator, int terminatorLength) const
{
    for (int i = from; i + terminatorLength <= m_end; ++i)
    {
        int k = 0;
        while (k < terminatorLength && m_text[i + k] == terminator[k])
            ++k;
        if (k == terminatorLength)
            return i;
    }
    return -1;
}

int Tokenizer::FindClose(int from, bool doctype) const
{
    char16_t quote = 0;
    int nested = 0;
    for (int i = from; i < m_end; ++i)
    {
        const char16_t c = m_text[i];
        if (quote)
        {
            if (c == quote)
                quote = 0;
        }
        else if (c == u'"' || c == u'\'')
        {
            quote = c;
        }
        else if (doctype && c == u'<')
        {
            ++nested;
        }
        else if (c == u'>')
        {
            if (nested == 0)
                return i;
            --nested;
        }
    }
    return -1;
}

Token Tokenizer::Next()
{
    Token token;
    token.start = m_pos;
    if (m_pos >= m_end)
    {
        token.kind = kEndOfText;
        return token;
    }
    const char16_t* t = m_text;
    if (t[m_pos] != u'<')
    {
        bool spaceOnly = true;
        int i = m_pos;
        while (i < m_end && t[i] != u'<')
        {
            if (!IsXmlSpace(t[i]))
                spaceOnly = false;
            ++i;
        }
        token.kind = spaceOnly ? kWhitespace : kText;
        token.length = i - m_pos;
        m_pos = i;
        return token;
    }

    const int s = m_pos;
    if (s + 1 >= m_end)
    {
        Unterminated(token, "tag");
        return token;
    }
    const char16_t c = t[s + 1];
    if (c == u'!')
    {
        if (s + 2 >= m_end)
        {
            Unterminated(token, "tag");
            return token;
        }
        const char16_t d = t[s + 2];
        if (d == u'-')
        {
            if (s + 3 >= m_end)
            {
                Unterminated(token, "Comment");
                return token;
            }
            if (t[s + 3] != u'-')
            {
                Fail(token, "comment tag", s);
                return token;
            }
            token.kind = kComment;
            const int at = FindTerminator(s + 4, u"-->", 3);
            if (at < 0)
            {
                Unterminated(token, "Comment");
                return token;
            }
            m_pos = at + 3;
        }
        else if (d == u'[')
        {
            if (s + 3 >= m_end)
            {
                Unterminated(token, "CDATA Section");
                return token;
            }
            if (t[s + 3] != u'C')
            {
                Fail(token, "tag", s);
                return token;
            }
            token.kind = kCData;
            const int at = FindTerminator(s + 4, u"]]>", 3);
            if (at < 0)
            {
                Unterminated(token, "CDATA Section");
                return token;
            }
            m_pos = at + 3;
        }
        else if (d == u'D' || d == u'E' || d == u'A' || d == u'N')
        {
            token.kind = kDoctype;
            const int at = FindClose(s + 2, d == u'D');
            if (at < 0)
            {
                Unterminated(token, "Doctype");
                return token;
            }
            m_pos = at + 1;
        }
        else
        {
            Fail(token, "! tag", s);
            return token;
        }
    }
    else if (c == u'/')
    {
        token.kind = kEndTag;
        token.nameStart = s + 2;
        token.nameLength = NameLength(t, s + 2, m_end);
        int i = s + 2;
        while (i < m_end && t[i] != u'>')
            ++i;
        if (i >= m_end)
        {
            Unterminated(token, "Element end tag");
            return token;
        }
        m_pos = i + 1;
    }
    else if (c == u'?')
    {
        token.kind = kProcessingInstruction;
        const int at = FindTerminator(s + 2, u"?>", 2);
        if (at < 0)
        {
            Unterminated(token, "Processing instruction");
            return token;
        }
        m_pos = at + 2;
    }
    else if (StartsTagName(c))
    {
        token.kind = kStartTag;
        token.nameStart = s + 1;
        token.nameLength = NameLength(t, s + 1, m_end);
        const int at = FindClose(s + 1, false);
        if (at < 0)
        {
            Unterminated(token, "Element tag");
            return token;
        }
        const int nameEnd = token.nameStart + token.nameLength;
        if (at - 1 >= nameEnd && t[at - 1] == u'/')
        {
            const int slash = at - 1;
            const char16_t before = t[slash - 1];
            token.empty =
                slash == nameEnd || IsXmlSpace(before) || before == u'"' || before == u'\'';
        }
        m_pos = at + 1;
    }
    else
    {
        Fail(token, "tag name character", s);
        return token;
    }
    token.length = m_pos - s;
    return token;
}

} // namespace tavrel::xml
