#pragma once
// The markup class of every settings file: the whole document as one UTF-16
// text plus an index of element records; values are cut out on demand and
// changes are made in the text, shifting the index behind them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel
{

using ElementIndex = std::int32_t; // segment << 16 | slot; 0 = the document record

struct ElementRecord
{
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::uint32_t tagLengths = 0;    // start-tag length (mask 0x2FFFFF) | end-tag length << 22
    std::uint32_t levelAndFlags = 0; // level in the low 16 bits, flags above
    ElementIndex parent = 0;
    ElementIndex firstChild = 0;
    ElementIndex nextSibling = 0;
    ElementIndex previousSibling = 0;
};
static_assert(sizeof(ElementRecord) == 32);

constexpr std::uint32_t kXmlFirstChild = 0x80000;
constexpr std::uint32_t kXmlUnended = 0x100000;
constexpr std::uint32_t kXmlErrorInside = 0x200000;
constexpr std::uint32_t kXmlIllFormed = 0x800000;

class CXmlDocument
{
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Paths are UTF-8 (the file system's encoding).
    bool LoadFromFile(const std::string& path);
    bool SaveToFile(const std::string* path = nullptr); // null: the remembered path
    bool SaveToFile(const std::string& path) { return SaveToFile(&path); }
    bool SetDocumentText(const char16_t* text); // null = empty
    bool SetDocumentText(std::u16string_view text);
    bool IsDocumentValid() const;
    const std::u16string& GetParseMessage() const { return m_message; }
    const std::u16string& GetDocumentText() const { return m_text; }

    // Navigation; a null or empty name matches any element.
    bool FindNext(const char16_t* name = nullptr);
    bool FindNextChild(const char16_t* name = nullptr);
    bool EnterElement();
    bool LeaveElement();
    void ResetPos(); // all three positions to 0

    std::u16string GetText() const;
    std::u16string GetChildText() const;
    std::u16string GetAttribute(const char16_t* name) const;
    std::u16string GetChildAttribute(const char16_t* name) const;

    bool SetAttribute(const char16_t* name, std::u16string_view value);
    bool SetAttribute(const char16_t* name, int value);
    bool AppendElement(const char16_t* name, std::u16string_view value = {});
    bool AppendElement(const char16_t* name, int value);
    bool AppendChildElement(const char16_t* name, std::u16string_view value = {});
    bool AppendChildElement(const char16_t* name, int value);

    // Index access (tools and tests).
    int UsedRecords() const { return m_usedRecords; }
    int AllocatedRecords() const { return m_allocatedRecords; }
    const ElementRecord& Record(ElementIndex index) const;
    ElementIndex ParentPos() const { return m_parentPos; }
    ElementIndex MainPos() const { return m_mainPos; }
    ElementIndex ChildPos() const { return m_childPos; }
    // The tag name of an element as written in the text.
    std::u16string_view TagName(ElementIndex index) const;

private:
    struct AttributeSpan;

    ElementRecord& Rec(ElementIndex index);
    void Parse();
    void ReserveRecords(int count);
    ElementIndex NewRecord();
    void LinkAfter(ElementIndex parent, ElementIndex previous, ElementIndex element);
    ElementIndex BuildRecords();
    void CloseUnended(ElementIndex element);
    bool Matches(ElementIndex element, const char16_t* name) const;
    std::u16string ReadData(ElementIndex element) const;
    std::u16string ReadAttribute(ElementIndex element, const char16_t* name) const;
    bool FindAttribute(ElementIndex element, const char16_t* name, AttributeSpan& span,
                       int* lastEnd) const;
    void ReplaceText(int offset, int oldLength, std::u16string_view replacement,
                     ElementIndex changed, bool insideStartTag);
    bool AddElement(ElementIndex parent, ElementIndex previous, const char16_t* name,
                    std::u16string_view value, ElementIndex& added);
    int EndTagStart(ElementIndex element) const;

    std::string m_filePath;
    std::u16string m_text;
    std::u16string m_message;
    ElementIndex m_parentPos = 0;
    ElementIndex m_mainPos = 0;
    ElementIndex m_childPos = 0;
    int m_usedRecords = 0;
    int m_nodeType = 0;
    int m_nodeOffset = 0;
    int m_nodeLength = 0;
    int m_documentOptions = 0;
    std::vector<ElementRecord*>
        m_segments; // each of kXmlSegmentSize records, the last may be shorter
    int m_allocatedRecords = 0;
};

constexpr int kXmlSegmentSize = 65536;

// Free functions of the file and text layer.
bool ReadUtf8File(const std::string& path, std::u16string& text, std::u16string& message);
bool WriteUtf8File(const std::string& path, std::u16string_view text, std::u16string& message);
std::u16string EncodeEntities(std::u16string_view text, bool attributeMode = false);
std::u16string DecodeEntities(const char16_t* text, int length);

} // namespace tavrel
