// Parser fuzz target: parse, walk every element, read its data and
// attributes, and make a change, on arbitrary UTF-8 bytes.
#include "platform/Utf.h"
#include "shared/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u16string text =
        tavrel::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    tavrel::CXmlDocument doc;
    doc.SetDocumentText(text);
    for (tavrel::ElementIndex i = 1; i < doc.UsedRecords(); ++i)
        (void)doc.TagName(i);
    int steps = 0;
    while (doc.FindNextChild() && ++steps < 64)
    {
        (void)doc.GetChildText();
        (void)doc.GetChildAttribute(u"a");
        if (doc.EnterElement())
        {
            (void)doc.GetText();
            doc.SetAttribute(u"a", u"v\"<");
            doc.AppendChildElement(u"n", 1);
            doc.LeaveElement();
        }
    }
    doc.ResetPos();
    doc.AppendElement(u"tail", u"&");
    (void)tavrel::Utf16ToUtf8(doc.GetDocumentText());
    return 0;
}
