#include "manager/UserSettings.h"

#include "platform/Utf.h"
#include "shared/XmlDocument.h"

namespace tavrel
{

namespace
{

// _wtoi: optional blanks and sign, then digits; no digits gives 0.
int ToInt(const std::u16string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
    {
        value = value * 10 + (text[i++] - u'0');
        if (value > 2147483648LL)
            value = 2147483648LL;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        value = 2147483647LL;
    return static_cast<int>(value);
}

} // namespace

int CUserSettings::Read(const char16_t* element, const char16_t* attribute,
                        std::u16string& value) const
{
    CXmlDocument document;
    if (!document.LoadFromFile(m_path))
        return 0;
    document.FindNextChild(element);
    value = document.GetChildAttribute(attribute);
    return 1;
}

int CUserSettings::Write(const char16_t* element, const char16_t* attribute,
                         const std::u16string& value) const
{
    CXmlDocument document;
    if (!document.LoadFromFile(m_path))
        return 0;
    document.ResetPos();
    if (!document.FindNextChild(element) || !document.EnterElement())
        return 0;
    if (!document.SetAttribute(attribute, value))
        return 0;
    return document.SaveToFile(m_path) ? 1 : 0;
}

int CUserSettings::GetDefaultViewMode(int& mode) const
{
    std::u16string value;
    if (!Read(u"fileview", u"defaultviewmdoe", value))
        return 0;
    mode = ToInt(value);
    return 1;
}

int CUserSettings::SetDefaultViewMode(int mode) const
{
    return Write(u"fileview", u"defaultviewmdoe", Utf8ToUtf16(std::to_string(mode)));
}

int CUserSettings::GetSelectedItem(std::string& item) const
{
    std::u16string value;
    if (!Read(u"folderview", u"selItem", value))
        return 0;
    item = Utf16ToUtf8(value);
    return 1;
}

int CUserSettings::GetSelection(std::string& selection) const
{
    std::u16string value;
    if (!Read(u"folderview", u"sel", value))
        return 0;
    selection = Utf16ToUtf8(value);
    return 1;
}

int CUserSettings::SetSelectedItem(const std::string& item) const
{
    return Write(u"folderview", u"selItem", Utf8ToUtf16(item));
}

} // namespace tavrel
