#include "shared/UiLanguage.h"

#include "platform/Utf.h"
#include "shared/XmlDocument.h"

namespace tavrel
{

std::string FindUiLanguageLibrary(const std::string& entry, const std::string& file)
{
    CXmlDocument doc;
    if (!doc.LoadFromFile(file) && doc.UsedRecords() <= 1)
        return {};
    // The search only runs forward: the selected language's element must
    // follow the inner "language" element.
    if (!doc.FindNext(u"language") || !doc.EnterElement() || !doc.FindNext(u"language"))
        return {};
    const std::u16string language = doc.GetText();
    if (language.empty())
        return {};
    if (!doc.FindNext(language.c_str()) || !doc.EnterElement())
        return {};
    const std::u16string name = Utf8ToUtf16(entry);
    if (!doc.FindNext(name.c_str()))
        return {};
    return Utf16ToUtf8(doc.GetText());
}

} // namespace tavrel
