#include "capture/SensorProfile.h"

#include "platform/ProfileString.h"
#include "platform/Utf.h"
#include "shared/XmlDocument.h"

#include <climits>

namespace tavrel
{

namespace
{

// A missing attribute keeps the field: reading it as 0 would turn a profile
// that simply leaves an attribute out into a zero still size or margin.
void ReadInt(const CXmlDocument& xml, const char16_t* name, int& field)
{
    const std::u16string text = xml.GetAttribute(name);
    if (!text.empty())
        field = DecimalValue(text);
}

void ReadMargins(const CXmlDocument& xml, CropMargins& m)
{
    ReadInt(xml, u"left", m.left);
    ReadInt(xml, u"top", m.top);
    ReadInt(xml, u"right", m.right);
    ReadInt(xml, u"bottom", m.bottom);
}

bool EnterSensor(CXmlDocument& xml, const std::string& path)
{
    return xml.LoadFromFile(path) && xml.FindNext(u"sensor") && xml.EnterElement();
}

void ReadGeometry(CXmlDocument& xml, SensorSettings& s)
{
    if (xml.FindNext(u"crop"))
        ReadMargins(xml, s.captureCrop);
    if (xml.FindNext(u"resize"))
    {
        ReadInt(xml, u"width", s.outputWidth);
        ReadInt(xml, u"height", s.outputHeight);
    }
    if (xml.FindNext(u"prevcrop"))
        ReadMargins(xml, s.previewCrop);
    if (xml.FindNext(u"stillwaittime"))
        s.stillWaitTimeMs = DecimalValue(xml.GetText());
    if (xml.FindNext(u"dpitext"))
    {
        const std::u16string dpi18 = xml.GetAttribute(u"dpi18");
        const std::u16string dpi36 = xml.GetAttribute(u"dpi36");
        if (!dpi18.empty())
            s.dpi18Label = tavrel::Utf16ToUtf8(dpi18);
        if (!dpi36.empty())
            s.dpi36Label = tavrel::Utf16ToUtf8(dpi36);
    }
}

} // namespace

int DecimalValue(const std::u16string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    {
        value = value * 10 + (text[i] - u'0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

bool ReadSensorSettings(const std::string& path, SensorSettings& s)
{
    CXmlDocument xml;
    if (!EnterSensor(xml, path))
        return false;
    if (xml.FindNext(u"type"))
        s.sensorType = DecimalValue(xml.GetText());
    if (xml.FindNext(u"capture"))
        ReadInt(xml, u"stillmode", s.stillMode);
    ReadGeometry(xml, s);
    return true;
}

bool ReadGraphSettings(const std::string& path, GraphSettings& g)
{
    CXmlDocument xml;
    if (!EnterSensor(xml, path))
        return false;
    if (xml.FindNext(u"capture"))
    {
        ReadInt(xml, u"stillmode", g.stillMode);
        ReadInt(xml, u"stillwidth", g.stillWidth);
        ReadInt(xml, u"stillheight", g.stillHeight);
    }
    if (xml.FindNext(u"preview"))
    {
        ReadInt(xml, u"width", g.previewWidth);
        ReadInt(xml, u"height", g.previewHeight);
        ReadInt(xml, u"framerate", g.frameRate);
    }
    return true;
}

bool ReadPhotoSizeGeometry(const std::string& path, SensorSettings& s)
{
    CXmlDocument xml;
    if (!EnterSensor(xml, path))
        return false;
    ReadGeometry(xml, s);
    return true;
}

std::string SensorProfileName(int sizeIndex)
{
    static const char* const names[] = {"sensor.xml",     "sensor_5x7.xml",      "sensor_4x6.xml",
                                        "sensor_3x5.xml", "sensor_namecard.xml", "sensor_test.xml"};
    return sizeIndex >= 0 && sizeIndex <= 5 ? names[sizeIndex] : std::string();
}

bool WriteTypefile(const std::string& path, int sizeIndex)
{
    CXmlDocument xml;
    if (!xml.SetDocumentText(
            u"<?xml version=\"1.0\" encoding=\"utf-8\"?><TypeConfig></TypeConfig>"))
        return false;
    if (!xml.FindNext(u"TypeConfig") || !xml.AppendChildElement(u"Type", sizeIndex))
        return false;
    return xml.SaveToFile(path);
}

int ReadTypefile(const std::string& path)
{
    CXmlDocument xml;
    if (!xml.LoadFromFile(path))
        return -1;
    int type = 1;
    if (xml.FindNext(u"TypeConfig") && xml.EnterElement() && xml.FindNext(u"Type"))
        type = DecimalValue(xml.GetText());
    return type;
}

int ReadTypeNameCard(const std::string& path)
{
    return tavrel::GetPrivateProfileInt("TypeNameCard", "nTypeNameCard", 0, path);
}

int ReadPreviewFormat(const std::string& path)
{
    return tavrel::GetPrivateProfileInt("preview", "format", 0, path);
}

bool WritePreviewFormat(int filmType, const std::string& path)
{
    return tavrel::WritePrivateProfileString("preview", "format", std::to_string(filmType), path);
}

} // namespace tavrel
