#include "shared/XmlDocument.h"

#include "platform/Utf.h"
#include "shared/XmlTokenizer.h"

#include <algorithm>
#include <string>

namespace tavrel
{

using namespace xml;

namespace
{

constexpr std::uint32_t kStartTagMask = 0x2FFFFF;
// The largest start tag whose length the mask still holds exactly.
constexpr int kMaxStartTagLength = 0xFFFFF;
constexpr int kMaxEndTagLength = 1023;
constexpr std::uint32_t kLevelMask = 0xFFFF;

int StartTagLength(const ElementRecord& r)
{
    return static_cast<int>(r.tagLengths & kStartTagMask);
}
int EndTagLength(const ElementRecord& r)
{
    return static_cast<int>(r.tagLengths >> 22);
}

void SetTagLengths(ElementRecord& r, int startTag, int endTag)
{
    r.tagLengths = (static_cast<std::uint32_t>(startTag) & kStartTagMask) |
                   (static_cast<std::uint32_t>(std::min(endTag, kMaxEndTagLength)) << 22);
}

void SetLevel(ElementRecord& r, int level)
{
    r.levelAndFlags =
        (r.levelAndFlags & ~kLevelMask) | (static_cast<std::uint32_t>(level) & kLevelMask);
}

int Level(const ElementRecord& r)
{
    return static_cast<int>(r.levelAndFlags & kLevelMask);
}

// A tag name as written matches a searched name that starts with exactly its
// characters and then ends or goes on with one of " =/[]".
bool NameMatches(const char16_t* tagName, int tagLength, const char16_t* searched)
{
    if (!searched || !*searched)
        return true;
    for (int i = 0; i < tagLength; ++i)
    {
        // A NUL inside the tag name must not walk past the searched name's end.
        if (searched[i] == 0 || searched[i] != tagName[i])
            return false;
    }
    const char16_t next = searched[tagLength];
    return next == 0 || next == u' ' || next == u'=' || next == u'/' || next == u'[' ||
           next == u']';
}

} // namespace

struct CXmlDocument::AttributeSpan
{
    int nameStart = 0;
    int nameEnd = 0;
    bool hasValue = false;
    int valueStart = 0; // including its quotes
    int valueEnd = 0;
    bool quoted = false;
};

CXmlDocument::CXmlDocument()
{
    Parse();
}

CXmlDocument::~CXmlDocument()
{
    for (ElementRecord* segment : m_segments)
        delete[] segment;
}

ElementRecord& CXmlDocument::Rec(ElementIndex index)
{
    return m_segments[static_cast<std::uint32_t>(index) >> 16][index & 0xFFFF];
}

const ElementRecord& CXmlDocument::Record(ElementIndex index) const
{
    static const ElementRecord kNone{};
    if (index < 0 || index >= m_usedRecords)
        return kNone;
    return m_segments[static_cast<std::uint32_t>(index) >> 16][index & 0xFFFF];
}

std::u16string_view CXmlDocument::TagName(ElementIndex index) const
{
    if (index <= 0 || index >= m_usedRecords)
        return {};
    const ElementRecord& r = Record(index);
    const int end = r.start + StartTagLength(r);
    const int from = r.start + 1;
    return std::u16string_view(m_text.data() + from, NameLength(m_text.data(), from, end));
}

void CXmlDocument::ReserveRecords(int count)
{
    if (count <= m_allocatedRecords)
        return;
    // Records never move between segments: only the last, partly filled
    // segment is re-allocated; new ones are added behind it.
    while (m_allocatedRecords < count)
    {
        const int lastSegment = m_allocatedRecords / kXmlSegmentSize;
        const int used = m_allocatedRecords % kXmlSegmentSize;
        const int segmentEnd = (lastSegment + 1) * kXmlSegmentSize;
        const int target = std::min(count, segmentEnd);
        const int size = target - lastSegment * kXmlSegmentSize;
        if (lastSegment >= static_cast<int>(m_segments.capacity()))
            m_segments.reserve(2 * lastSegment + 4);
        auto* fresh = new ElementRecord[size]();
        if (used > 0)
        {
            std::copy(m_segments[lastSegment], m_segments[lastSegment] + used, fresh);
            delete[] m_segments[lastSegment];
            m_segments[lastSegment] = fresh;
        }
        else
        {
            m_segments.push_back(fresh);
        }
        m_allocatedRecords = target;
    }
}

ElementIndex CXmlDocument::NewRecord()
{
    if (m_usedRecords >= m_allocatedRecords)
    {
        // 1.5 times the used count, but never past the end of the next segment.
        const int segmentOfLast = (m_allocatedRecords - 1) / kXmlSegmentSize;
        const int limit = (segmentOfLast + 2) * kXmlSegmentSize;
        int grown = m_usedRecords + m_usedRecords / 2;
        grown = std::max(grown, m_usedRecords + 1);
        ReserveRecords(std::min(grown, limit));
    }
    const ElementIndex index = m_usedRecords++;
    Rec(index) = ElementRecord{};
    return index;
}

void CXmlDocument::LinkAfter(ElementIndex parent, ElementIndex previous, ElementIndex element)
{
    ElementRecord& p = Rec(parent);
    ElementRecord& e = Rec(element);
    e.parent = parent;
    if (p.firstChild == 0)
    {
        p.firstChild = element;
        e.previousSibling = element;
        e.nextSibling = 0;
        e.levelAndFlags |= kXmlFirstChild;
        return;
    }
    ElementRecord& first = Rec(p.firstChild);
    const ElementIndex last = first.previousSibling;
    if (previous == 0)
        previous = last;
    ElementRecord& prev = Rec(previous);
    e.nextSibling = prev.nextSibling;
    e.previousSibling = previous;
    prev.nextSibling = element;
    if (e.nextSibling != 0)
        Rec(e.nextSibling).previousSibling = element;
    else
        Rec(p.firstChild).previousSibling = element;
}

bool CXmlDocument::SetDocumentText(const char16_t* text)
{
    return SetDocumentText(text ? std::u16string_view(text) : std::u16string_view());
}

bool CXmlDocument::SetDocumentText(std::u16string_view text)
{
    m_text.assign(text);
    m_message.clear();
    Parse();
    return IsDocumentValid();
}

bool CXmlDocument::LoadFromFile(const std::string& path)
{
    m_filePath = path;
    std::u16string text;
    std::u16string message;
    if (!ReadUtf8File(path, text, message))
    {
        m_message = message;
        return false;
    }
    m_text = std::move(text);
    m_message = message;
    Parse();
    return IsDocumentValid();
}

bool CXmlDocument::SaveToFile(const std::string* path)
{
    return WriteUtf8File(path ? *path : m_filePath, m_text, m_message);
}

bool CXmlDocument::IsDocumentValid() const
{
    if (m_usedRecords < 1)
        return false;
    const ElementRecord& doc = Record(0);
    if (doc.levelAndFlags & kXmlIllFormed)
        return false;
    if (doc.firstChild == 0)
        return false;
    return Record(doc.firstChild).nextSibling == 0;
}

void CXmlDocument::ResetPos()
{
    m_parentPos = 0;
    m_mainPos = 0;
    m_childPos = 0;
    m_nodeType = 0;
}

void CXmlDocument::Parse()
{
    const std::u16string fileMessage = m_message;
    ResetPos();
    m_nodeOffset = 0;
    m_nodeLength = 0;
    const int length = static_cast<int>(m_text.size());
    ReserveRecords(length / 64 + 8);
    m_usedRecords = 1;
    Rec(0) = ElementRecord{};

    std::u16string parseMessage;
    if (length == 0)
    {
        parseMessage = u"Empty document";
    }
    else
    {
        m_message.clear();
        const ElementIndex first = BuildRecords();
        parseMessage = m_message;
        ElementRecord& doc = Rec(0);
        doc.length = length;
        if (first == 0)
        {
            parseMessage = u"No root element";
        }
        else
        {
            doc.firstChild = first;
            if (Rec(first).nextSibling != 0)
                parseMessage = u"Root element has sibling";
        }
    }
    if (fileMessage.empty())
        m_message = parseMessage;
    else if (parseMessage.empty())
        m_message = fileMessage;
    else
        m_message = fileMessage + u", " + parseMessage;
}

namespace
{

struct OpenTag
{
    int start;
    int length;
    int flags;
    int nameStart;
    int nameLength;
    ElementIndex element;
};

} // namespace

void CXmlDocument::CloseUnended(ElementIndex element)
{
    ElementRecord& e = Rec(element);
    e.levelAndFlags |= kXmlUnended;
    Rec(0).levelAndFlags |= kXmlIllFormed;
    const int startTag = StartTagLength(e);
    SetTagLengths(e, startTag, 0);
    e.length = startTag;
    const ElementIndex parent = e.parent;
    if (e.levelAndFlags & kXmlErrorInside)
    {
        e.levelAndFlags &= ~kXmlErrorInside;
        Rec(parent).levelAndFlags |= kXmlErrorInside;
    }
    if (e.firstChild == 0)
        return;
    // The children follow it under its own parent, in order. An open element
    // is always its parent's last child, so they go at the end of the list.
    const ElementIndex firstLifted = e.firstChild;
    const ElementIndex lastLifted = Rec(firstLifted).previousSibling;
    e.firstChild = 0;
    for (ElementIndex c = firstLifted; c != 0; c = Rec(c).nextSibling)
        Rec(c).parent = parent;
    ElementRecord& lifted = Rec(firstLifted);
    lifted.levelAndFlags &= ~kXmlFirstChild;
    lifted.previousSibling = element;
    e.nextSibling = firstLifted;
    Rec(Rec(parent).firstChild).previousSibling = lastLifted;
}

ElementIndex CXmlDocument::BuildRecords()
{
    const char16_t* text = m_text.data();
    const int length = static_cast<int>(m_text.size());
    Tokenizer tokenizer(text, 0, length);
    std::vector<OpenTag> stack;
    stack.reserve(6);
    ElementIndex current = 0;
    ElementIndex first = 0;

    auto noteError = [&](const std::u16string& message)
    {
        Rec(0).levelAndFlags |= kXmlIllFormed;
        Rec(current).levelAndFlags |= kXmlErrorInside;
        if (m_message.empty())
            m_message = message;
    };
    auto nameOf = [&](int start, int len) { return std::u16string(text + start, len); };

    for (;;)
    {
        Token token = tokenizer.Next();
        if (token.kind == kEndOfText)
            break;
        if (token.kind == kStartTag && token.length > kMaxStartTagLength)
        {
            // The record cannot hold such a start tag's length.
            token.kind = kError;
            token.message = u"Incorrect tag at offset " + Number(token.start);
        }
        if (token.kind == kStartTag)
        {
            const ElementIndex element = NewRecord();
            ElementRecord& r = Rec(element);
            r.start = token.start;
            SetTagLengths(r, token.length, 0);
            r.length = token.length;
            SetLevel(r, static_cast<int>(stack.size()));
            LinkAfter(current, 0, element);
            if (first == 0)
                first = element;
            if (!token.empty)
            {
                if (stack.size() == stack.capacity())
                    stack.reserve(2 * stack.size() + 6);
                stack.push_back(
                    {token.start, token.length, 0, token.nameStart, token.nameLength, element});
                current = element;
            }
        }
        else if (token.kind == kError)
        {
            noteError(token.message);
        }
        else if (token.kind == kEndTag)
        {
            int match = -1;
            for (int i = static_cast<int>(stack.size()) - 1; i >= 0; --i)
            {
                const OpenTag& open = stack[i];
                if (open.nameLength == token.nameLength &&
                    std::equal(text + open.nameStart, text + open.nameStart + open.nameLength,
                               text + token.nameStart))
                {
                    match = i;
                    break;
                }
            }
            if (match < 0)
            {
                noteError(u"No start tag for end tag '" +
                          nameOf(token.nameStart, token.nameLength) + u"' at offset " +
                          Number(token.start));
                continue;
            }
            while (static_cast<int>(stack.size()) - 1 > match)
            {
                const OpenTag open = stack.back();
                stack.pop_back();
                if (m_message.empty())
                    m_message = u"End tag '" + nameOf(token.nameStart, token.nameLength) +
                                u"' at offset " + Number(token.start + 1) +
                                u" does not match start tag '" +
                                nameOf(open.nameStart, open.nameLength) + u"' at offset " +
                                Number(open.start);
                CloseUnended(open.element);
            }
            const OpenTag open = stack.back();
            stack.pop_back();
            ElementRecord& r = Rec(open.element);
            r.length = token.start + token.length - r.start;
            SetTagLengths(r, StartTagLength(r), token.length);
            current = r.parent;
        }
    }
    while (!stack.empty())
    {
        const OpenTag open = stack.back();
        stack.pop_back();
        if (m_message.empty())
            m_message = u"Element '" + nameOf(open.nameStart, open.nameLength) + u"' at offset " +
                        Number(open.start) + u" not ended";
        CloseUnended(open.element);
    }
    // Records come in document order and a parent always precedes its
    // children, so one forward pass sets every nesting level, also for
    // elements lifted out of unended parents.
    for (ElementIndex i = 1; i < m_usedRecords; ++i)
    {
        ElementRecord& r = Rec(i);
        SetLevel(r, r.parent == 0 ? 0 : Level(Rec(r.parent)) + 1);
    }
    return first;
}

bool CXmlDocument::Matches(ElementIndex element, const char16_t* name) const
{
    const std::u16string_view tag = TagName(element);
    return NameMatches(tag.data(), static_cast<int>(tag.size()), name);
}

bool CXmlDocument::FindNext(const char16_t* name)
{
    if (m_usedRecords < 1)
        return false;
    ElementIndex candidate =
        m_mainPos ? Record(m_mainPos).nextSibling : Record(m_parentPos).firstChild;
    for (; candidate != 0; candidate = Record(candidate).nextSibling)
    {
        if (Matches(candidate, name))
        {
            m_mainPos = candidate;
            m_parentPos = Record(candidate).parent;
            m_childPos = 0;
            m_nodeType = 1;
            return true;
        }
    }
    return false;
}

bool CXmlDocument::FindNextChild(const char16_t* name)
{
    if (m_mainPos == 0 && !FindNext(nullptr))
        return false;
    ElementIndex candidate =
        m_childPos ? Record(m_childPos).nextSibling : Record(m_mainPos).firstChild;
    for (; candidate != 0; candidate = Record(candidate).nextSibling)
    {
        if (Matches(candidate, name))
        {
            m_childPos = candidate;
            m_mainPos = Record(candidate).parent;
            m_parentPos = Record(m_mainPos).parent;
            return true;
        }
    }
    return false;
}

bool CXmlDocument::EnterElement()
{
    if (m_mainPos == 0)
        return false;
    m_parentPos = m_mainPos;
    m_mainPos = m_childPos;
    m_childPos = 0;
    m_nodeType = m_mainPos ? 1 : 0;
    return true;
}

bool CXmlDocument::LeaveElement()
{
    if (m_parentPos == 0)
        return false;
    m_childPos = m_mainPos;
    m_mainPos = m_parentPos;
    m_parentPos = Record(m_parentPos).parent;
    m_nodeType = 1;
    return true;
}

std::u16string CXmlDocument::ReadData(ElementIndex element) const
{
    if (element < 0 || element >= m_usedRecords)
        return {};
    const ElementRecord& r = Record(element);
    const int startTag = StartTagLength(r);
    if (r.firstChild != 0 || r.length == startTag)
        return {};
    const int from = r.start + startTag;
    const int to = EndTagStart(element);
    if (to <= from)
        return {};
    const char16_t* text = m_text.data();
    if (std::find(text + from, text + to, u'<') == text + to)
        return DecodeEntities(text + from, to - from);
    std::u16string out;
    Tokenizer tokenizer(text, from, to);
    for (;;)
    {
        const Token token = tokenizer.Next();
        if (token.kind == kEndOfText)
            break;
        if (token.kind == kText)
        {
            out += DecodeEntities(text + token.start, token.length);
        }
        else if (token.kind == kCData)
        {
            const int end = token.start + token.length - 3;
            const int begin = std::min(token.start + 9, end);
            out.append(text + begin, end - begin);
        }
    }
    return out;
}

int CXmlDocument::EndTagStart(ElementIndex element) const
{
    const ElementRecord& r = Record(element);
    const int end = r.start + r.length;
    const int endTag = EndTagLength(r);
    if (endTag < kMaxEndTagLength)
        return end - endTag;
    // An end tag too long for its field: find its "</" from the back.
    int i = end - 2;
    while (i > r.start && !(m_text[i] == u'<' && m_text[i + 1] == u'/'))
        --i;
    return i;
}

std::u16string CXmlDocument::GetText() const
{
    return ReadData(m_mainPos);
}

std::u16string CXmlDocument::GetChildText() const
{
    if (m_childPos == 0)
        return {};
    return ReadData(m_childPos);
}

bool CXmlDocument::FindAttribute(ElementIndex element, const char16_t* name, AttributeSpan& span,
                                 int* lastEnd) const
{
    if (element <= 0 || element >= m_usedRecords)
        return false;
    const ElementRecord& r = Record(element);
    const char16_t* t = m_text.data();
    const int end = r.start + StartTagLength(r);
    int i = r.start + 1 + static_cast<int>(TagName(element).size());
    if (lastEnd)
        *lastEnd = i;
    for (;;)
    {
        while (i < end && IsXmlSpace(t[i]))
            ++i;
        if (i >= end || t[i] == u'/' || t[i] == u'>' || t[i] == u'?')
            return false;
        AttributeSpan found;
        found.nameStart = i;
        while (i < end && t[i] != u'=' && !IsXmlSpace(t[i]) && t[i] != u'>' && t[i] != u'/' &&
               t[i] != u'?')
            ++i;
        found.nameEnd = i;
        int j = i;
        while (j < end && IsXmlSpace(t[j]))
            ++j;
        if (j < end && t[j] == u'=')
        {
            ++j;
            while (j < end && IsXmlSpace(t[j]))
                ++j;
            found.hasValue = true;
            found.valueStart = j;
            if (j < end && (t[j] == u'"' || t[j] == u'\''))
            {
                const char16_t quote = t[j];
                found.quoted = true;
                int k = j + 1;
                while (k < end && t[k] != quote)
                    ++k;
                found.valueEnd = (k < end) ? k + 1 : end;
            }
            else
            {
                int k = j;
                while (k < end && !IsXmlSpace(t[k]) && t[k] != u'>')
                    ++k;
                found.valueEnd = k;
            }
            i = found.valueEnd;
        }
        if (lastEnd)
            *lastEnd = i;
        if (name && found.nameEnd > found.nameStart &&
            NameMatches(t + found.nameStart, found.nameEnd - found.nameStart, name))
        {
            span = found;
            return true;
        }
    }
}

std::u16string CXmlDocument::ReadAttribute(ElementIndex element, const char16_t* name) const
{
    AttributeSpan span;
    if (!name || !FindAttribute(element, name, span, nullptr) || !span.hasValue)
        return {};
    int from = span.valueStart;
    int to = span.valueEnd;
    if (span.quoted)
    {
        ++from;
        if (to > from && m_text[to - 1] == m_text[span.valueStart])
            --to;
    }
    return DecodeEntities(m_text.data() + from, std::max(0, to - from));
}

std::u16string CXmlDocument::GetAttribute(const char16_t* name) const
{
    return ReadAttribute(m_mainPos, name);
}

std::u16string CXmlDocument::GetChildAttribute(const char16_t* name) const
{
    return ReadAttribute(m_childPos, name);
}

void CXmlDocument::ReplaceText(int offset, int oldLength, std::u16string_view replacement,
                               ElementIndex changed, bool insideStartTag)
{
    const int diff = static_cast<int>(replacement.size()) - oldLength;
    const std::size_t newLength = m_text.size() + diff;
    if (newLength > m_text.capacity())
        m_text.reserve(newLength + newLength / 2 + 128);
    m_text.replace(offset, oldLength, replacement);
    for (ElementIndex i = 1; i < m_usedRecords; ++i)
    {
        ElementRecord& r = Rec(i);
        if (r.start >= offset + oldLength && i != changed)
            r.start += diff;
    }
    if (insideStartTag && changed != 0)
    {
        ElementRecord& r = Rec(changed);
        SetTagLengths(r, StartTagLength(r) + diff, EndTagLength(r));
    }
    for (ElementIndex e = changed;; e = Rec(e).parent)
    {
        Rec(e).length += diff;
        if (e == 0)
            break;
    }
}

bool CXmlDocument::SetAttribute(const char16_t* name, std::u16string_view value)
{
    if (m_mainPos == 0 || !name || !*name)
        return false;
    const std::u16string quoted = u"\"" + EncodeEntities(value, true) + u"\"";
    AttributeSpan span;
    if (FindAttribute(m_mainPos, name, span, nullptr))
    {
        if (span.hasValue)
            ReplaceText(span.valueStart, span.valueEnd - span.valueStart, quoted, m_mainPos, true);
        else
            ReplaceText(span.nameEnd, 0, u"=" + quoted, m_mainPos, true);
        return true;
    }
    // Missing: after the last attribute, or the tag name, that is in front
    // of any whitespace before the closing "/>", ">" or "?".
    int insertAt = 0;
    FindAttribute(m_mainPos, nullptr, span, &insertAt);
    std::u16string inserted = u" ";
    inserted += name;
    inserted += u"=" + quoted;
    ReplaceText(insertAt, 0, inserted, m_mainPos, true);
    return true;
}

bool CXmlDocument::SetAttribute(const char16_t* name, int value)
{
    return SetAttribute(name, Number(value));
}

bool CXmlDocument::AddElement(ElementIndex parent, ElementIndex previous, const char16_t* name,
                              std::u16string_view value, ElementIndex& added)
{
    if (!name || !*name || m_usedRecords < 1)
        return false;
    const std::u16string tag(name);
    const int nameLength = static_cast<int>(tag.size());
    std::u16string element;
    int startTag;
    int endTag;
    if (value.empty())
    {
        element = u"<" + tag + u"/>";
        startTag = nameLength + 3;
        endTag = 0;
    }
    else
    {
        element = u"<" + tag + u">" + EncodeEntities(value, false) + u"</" + tag + u">";
        startTag = nameLength + 2;
        endTag = nameLength + 3;
    }
    const int elementLength = static_cast<int>(element.size());
    const char16_t* t = m_text.data();
    const int textLength = static_cast<int>(m_text.size());

    std::u16string inserted;
    int offset;
    int elementOffset; // within the inserted text
    bool insideStartTag = false;
    const ElementRecord& p = Record(parent);
    const int parentStartTag = StartTagLength(p);
    if (previous != 0)
    {
        const ElementRecord& prev = Record(previous);
        offset = prev.start + prev.length;
    }
    else if (parent == 0)
    {
        offset = textLength;
    }
    else if (EndTagLength(p) == 0 && p.length == parentStartTag && parentStartTag >= 2 &&
             t[p.start + parentStartTag - 2] == u'/')
    {
        // <p/> is opened: "/" gives way to ">", the new element and "</p", so
        // the old '>' closes the new end tag.
        const std::u16string parentName(TagName(parent));
        offset = p.start + parentStartTag - 2;
        inserted = u">\r\n" + element + u"\r\n</" + parentName;
        elementOffset = 3;
        ReplaceText(offset, 1, inserted, parent, false);
        ElementRecord& pr = Rec(parent);
        SetTagLengths(pr, parentStartTag - 1, static_cast<int>(parentName.size()) + 3);
        pr.levelAndFlags &= ~kXmlUnended;
        goto link;
    }
    else
    {
        offset = EndTagStart(parent);
        if (EndTagLength(p) > 0 && offset == p.start + parentStartTag)
            inserted = u"\r\n";
    }
    {
        // Only whitespace before the next tag: go in front of that tag.
        int j = offset;
        while (j < textLength && IsXmlSpace(t[j]))
            ++j;
        if (j >= textLength || t[j] == u'<')
            offset = j;
    }
    elementOffset = static_cast<int>(inserted.size());
    inserted += element + u"\r\n";
    ReplaceText(offset, 0, inserted, parent, insideStartTag);

link:
    added = NewRecord();
    ElementRecord& r = Rec(added);
    r.start = offset + elementOffset;
    r.length = elementLength;
    SetTagLengths(r, startTag, endTag);
    SetLevel(r, parent == 0 ? 0 : Level(Record(parent)) + 1);
    LinkAfter(parent, previous, added);
    return true;
}

bool CXmlDocument::AppendElement(const char16_t* name, std::u16string_view value)
{
    ElementIndex added = 0;
    if (!AddElement(m_parentPos, m_mainPos, name, value, added))
        return false;
    m_mainPos = added;
    m_childPos = 0;
    m_nodeType = 1;
    return true;
}

bool CXmlDocument::AppendElement(const char16_t* name, int value)
{
    return AppendElement(name, Number(value));
}

bool CXmlDocument::AppendChildElement(const char16_t* name, std::u16string_view value)
{
    if (m_mainPos == 0)
        return false;
    ElementIndex added = 0;
    if (!AddElement(m_mainPos, m_childPos, name, value, added))
        return false;
    m_childPos = added;
    return true;
}

bool CXmlDocument::AppendChildElement(const char16_t* name, int value)
{
    return AppendChildElement(name, Number(value));
}

} // namespace tavrel
