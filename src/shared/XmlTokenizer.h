#pragma once
// One node of markup at a time, over a range of a UTF-16 text. Used by the
// document's parse and to read element data on demand.

#include <string>

namespace tavrel::xml
{

enum NodeKind : int
{
    kEndTag = 0,
    kStartTag = 1,
    kText = 2,
    kWhitespace = 4,
    kCData = 8,
    kProcessingInstruction = 16,
    kComment = 32,
    kDoctype = 64,
    kError = -1,
    kEndOfText = -2,
};

struct Token
{
    int start = 0;
    int length = 0;
    int kind = kEndOfText;
    int nameStart = 0; // start and end tags
    int nameLength = 0;
    bool empty = false;     // start tag closed by "/>"
    std::u16string message; // error tokens
};

bool IsXmlSpace(char16_t c);
// Characters that end a tag name as written in the text.
bool IsNameEnd(char16_t c);
int NameLength(const char16_t* text, int from, int end);

class Tokenizer
{
public:
    Tokenizer(const char16_t* text, int begin, int end) : m_text(text), m_pos(begin), m_end(end) {}
    Token Next();
    int Position() const { return m_pos; }

private:
    void Fail(Token& token, const char* what, int offset);
    void Unterminated(Token& token, const char* name);
    int FindTerminator(int from, const char16_t* terminator, int terminatorLength) const;
    int FindClose(int from, bool doctype) const; // offset of the ending '>' or -1

    const char16_t* m_text;
    int m_pos;
    int m_end;
};

std::u16string Ascii(const char* text);
std::u16string Number(long long value);

} // namespace tavrel::xml
