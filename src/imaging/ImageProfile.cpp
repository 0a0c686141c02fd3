#include "imaging/ImageProfile.h"

#include "imaging/FlatFieldMap.h"
#include "imaging/RestorationPlugin.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Utf.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

namespace tavrel
{

namespace
{

// Leading blanks, an optional sign, then digits; anything else ends the
// number and text without digits gives 0. Saturates at the int32 range.
std::int32_t TextToInt(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() &&
           (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n'))
        ++i;
    bool negativeSign = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
    {
        negativeSign = text[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    {
        value = value * 10 + (text[i] - u'0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            value = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    }
    if (negativeSign)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    return std::int32_t(value);
}

std::uint8_t TextToByte(std::u16string_view text)
{
    return std::uint8_t(std::uint32_t(TextToInt(text)) & 0xFF);
}

// C decimal floating point with "." whatever the process locale says.
double TextToDouble(std::u16string_view text)
{
    std::string narrow = tavrel::Utf16ToUtf8(text);
    std::size_t i = 0;
    while (i < narrow.size() &&
           (narrow[i] == ' ' || narrow[i] == '\t' || narrow[i] == '\r' || narrow[i] == '\n'))
        ++i;
    if (i < narrow.size() && narrow[i] == '+')
        ++i;
    double value = 0.0;
    const auto result = std::from_chars(narrow.data() + i, narrow.data() + narrow.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

std::u16string FormatDouble(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%f", value);
    return tavrel::Utf8ToUtf16(buffer);
}

} // namespace

CImageProfile::CImageProfile(ProfileFlavour flavour) : m_flavour(flavour)
{
    block.awbRegion.left = 200;
    block.awbRegion.top = 200;
    block.reserved2 = 0;
    const RestorationPluginBinding binding = BindRestorationPlugin();
    pluginModule = binding.module;
    restorationEntry = binding.restore;
    callbackSetterEntry = binding.setCallBack;
}

CImageProfile::~CImageProfile()
{
    restorationEntry = nullptr;
    callbackSetterEntry = nullptr;
    ReleaseRestorationPlugin(pluginModule);
}

int CImageProfile::LoadCaptureText(const std::string& path)
{
    const tavrel::RegularFile file(path);
    if (!file.IsOpen())
        return 0;
    std::string bytes(std::size_t(file.Size()), '\0');
    if (file.ReadAt(0, bytes.data(), bytes.size()) != bytes.size())
        return 0;
    // The text ends at the first zero byte, as a converted C string would.
    const auto zero = bytes.find('\0');
    if (zero != std::string::npos)
        bytes.resize(zero);
    const std::u16string text = tavrel::Utf8ToUtf16(bytes);
    // Check on a scratch document first: rejected text changes nothing.
    CXmlDocument probe;
    if (!probe.SetDocumentText(std::u16string_view(text)))
        return 0;
    if (!document.SetDocumentText(std::u16string_view(text)))
        return 0;
    return 1;
}

int CImageProfile::LoadProfile(const std::string& path)
{
    if (m_flavour == ProfileFlavour::Capture)
    {
        if (LoadCaptureText(path) == 0)
            return 0;
    }
    else if (!document.LoadFromFile(path))
    {
        return 0;
    }
    profilePath = path;
    return ParseProfile();
}

void CImageProfile::ReadPictureModes()
{
    static const char16_t* const kChildren[8] = {u"color", u"ae", u"bright", u"contrast",
                                                 u"r",     u"g",  u"b",      u"saturation"};
    while (document.FindNext(u"picmode"))
    {
        const std::int32_t id = TextToInt(document.GetAttribute(u"id"));
        std::int32_t values[8];
        for (int i = 0; i < 8; ++i)
        {
            document.FindNextChild(kChildren[i]);
            values[i] = TextToInt(document.GetChildText());
        }
        if (id < 0 || id > 3)
            continue;
        PictureMode& m = pictureModes[id];
        m.color = values[0];
        m.ae = values[1];
        m.bright = values[2];
        m.contrast = values[3];
        m.r = values[4];
        m.g = values[5];
        m.b = values[6];
        m.saturation = values[7];
    }
}

// Every search runs forward from where the last one stopped, so the elements
// must stand in the writer's order; a required element that is missing is not
// detected and its read falls on whatever element is still current.
int CImageProfile::ParseProfile()
{
    CXmlDocument& d = document;
    d.FindNext(u"imgcfg");
    d.EnterElement();

    if (d.FindNext(u"reverse"))
        reverse = TextToInt(d.GetText());
    if (d.FindNext(u"rotate"))
        rotate = TextToInt(d.GetText());
    if (d.FindNext(u"gray"))
        gray = TextToInt(d.GetText());
    if (d.FindNext(u"negative"))
        negative = TextToInt(d.GetText());

    d.FindNext(u"AWB");
    block.AWB_En = TextToByte(d.GetAttribute(u"AWB_En"));

    d.FindNext(u"AE");
    block.AE_En = TextToByte(d.GetAttribute(u"AE_En"));
    d.FindNextChild(u"TargetY");
    block.TargetY = TextToByte(d.GetChildText());
    d.FindNextChild(u"AERegion_L");
    block.aeRegion.left = TextToInt(d.GetChildText());
    d.FindNextChild(u"AERegion_U");
    block.aeRegion.top = TextToInt(d.GetChildText());

    d.FindNext(u"AC");
    block.AC_En = TextToByte(d.GetAttribute(u"AC_En"));

    d.FindNext(u"CE");
    block.CE_Sel = TextToByte(d.GetAttribute(u"CE_Sel"));
    d.FindNextChild(u"gTable");
    {
        // Only 256 entries exist: numbers beyond them are ignored. An empty
        // list stores nothing.
        const std::u16string list = d.GetChildText();
        std::size_t entry = 0;
        std::size_t start = 0;
        while (!list.empty() && entry < sizeof(block.gTable))
        {
            const std::size_t comma = list.find(u',', start);
            const std::size_t end = comma == std::u16string::npos ? list.size() : comma;
            block.gTable[entry++] =
                TextToByte(std::u16string_view(list).substr(start, end - start));
            if (comma == std::u16string::npos)
                break;
            start = comma + 1;
        }
    }

    d.FindNext(u"Denoise");
    denoiseEnabled = TextToInt(d.GetAttribute(u"Denoise_En"));
    d.FindNextChild(u"scale");
    block.denoiseScale = TextToByte(d.GetChildText());

    d.FindNext(u"delta");
    d.FindNextChild(u"scale");
    block.deltaScale = TextToInt(d.GetChildText());

    d.FindNext(u"strength");
    d.FindNextChild(u"scale");
    block.strength = TextToDouble(d.GetChildText());

    d.FindNext(u"ColorBalance");
    d.FindNextChild(u"R_delta");
    block.R_delta = TextToInt(d.GetChildText());
    d.FindNextChild(u"G_delta");
    block.G_delta = TextToInt(d.GetChildText());
    d.FindNextChild(u"B_delta");
    block.B_delta = TextToInt(d.GetChildText());

    ReadPictureModes();

    d.FindNext(u"dpi");
    doubleResolution = TextToInt(d.GetText());
    if (d.FindNext(u"pictype"))
        pictureType = TextToInt(d.GetText());
    d.FindNext(u"picmodesel");
    pictureModeSelect = TextToInt(d.GetText());

    d.LeaveElement();
    return 1;
}

std::u16string CImageProfile::BuildProfileDocument()
{
    CXmlDocument d;
    d.SetDocumentText(u"<?xml version=\"1.0\" encoding=\"utf-8\"?><imgcfg></imgcfg>");
    d.FindNext(u"imgcfg");
    d.EnterElement();

    d.AppendElement(u"reverse", int(reverse));
    d.AppendElement(u"rotate", int(rotate));
    d.AppendElement(u"gray", int(gray));
    d.AppendElement(u"negative", int(negative));

    d.AppendElement(u"AWB");
    d.SetAttribute(u"AWB_En", int(block.AWB_En));
    d.AppendChildElement(u"AwbRegion_L", int(block.awbRegion.left));
    d.AppendChildElement(u"AwbRegion_U", int(block.awbRegion.top));

    d.AppendElement(u"AE");
    d.SetAttribute(u"AE_En", int(block.AE_En));
    d.AppendChildElement(u"TargetY", int(block.TargetY));
    d.AppendChildElement(u"AERegion_L", int(block.aeRegion.left));
    d.AppendChildElement(u"AERegion_U", int(block.aeRegion.top));

    d.AppendElement(u"AC");

    d.AppendElement(u"CE");
    d.SetAttribute(u"CE_Sel", int(block.CE_Sel));
    {
        // Entries 0 to 254 only: readers of these files expect 255 numbers.
        std::u16string list;
        for (int i = 0; i < 255; ++i)
        {
            list += tavrel::Utf8ToUtf16(std::to_string(int(block.gTable[i])));
            list += u',';
        }
        list.pop_back();
        d.AppendChildElement(u"gTable", list);
    }

    d.AppendElement(u"Denoise");
    d.SetAttribute(u"Denoise_En", int(denoiseEnabled));
    d.AppendChildElement(u"scale", int(block.denoiseScale));

    d.AppendElement(u"delta");
    d.AppendChildElement(u"scale", int(block.deltaScale));

    d.AppendElement(u"strength");
    d.AppendChildElement(u"scale", FormatDouble(block.strength));

    d.AppendElement(u"ColorBalance");
    d.AppendChildElement(u"R_delta", int(block.R_delta));
    d.AppendChildElement(u"G_delta", int(block.G_delta));
    d.AppendChildElement(u"B_delta", int(block.B_delta));

    for (int id = 0; id < 4; ++id)
    {
        const PictureMode& m = pictureModes[id];
        d.AppendElement(u"picmode");
        d.SetAttribute(u"id", id);
        d.AppendChildElement(u"color", int(m.color));
        d.AppendChildElement(u"ae", int(m.ae));
        d.AppendChildElement(u"bright", int(m.bright));
        d.AppendChildElement(u"contrast", int(m.contrast));
        d.AppendChildElement(u"r", int(m.r));
        d.AppendChildElement(u"g", int(m.g));
        d.AppendChildElement(u"b", int(m.b));
        d.AppendChildElement(u"saturation", int(m.saturation));
    }

    d.AppendElement(u"dpi", int(doubleResolution));
    d.AppendElement(u"pictype", int(pictureType));
    d.AppendElement(u"picmodesel", int(pictureModeSelect));

    d.LeaveElement();
    return d.GetDocumentText();
}

int CImageProfile::SaveProfileAs(const std::string& path)
{
    CXmlDocument fresh;
    if (!fresh.SetDocumentText(std::u16string_view(BuildProfileDocument())))
        return 0;
    // A write that fails is reported: the capture sequence must not hand a
    // picture over with a profile file that is not there. The document class
    // replaces the file whole.
    return fresh.SaveToFile(path) ? 1 : 0;
}

int CImageProfile::SaveProfile()
{
    if (profilePath.empty())
        return 0;
    return SaveProfileAs(profilePath);
}

int CImageProfile::SetColorBalance(int r, int g, int b)
{
    block.R_delta = r;
    block.G_delta = g;
    block.B_delta = b;
    return 1;
}

int CImageProfile::SetDeltaScale(int v)
{
    block.deltaScale = v;
    return 1;
}

int CImageProfile::SetStrengthPercent(int p)
{
    if (p > 0)
        block.strength = 1.0 + p * 0.01;
    else if (p < 0)
        block.strength = (p + 100) * 0.01;
    else
        block.strength = 1.0;
    return 1;
}

int CImageProfile::SetPictureType(int t)
{
    pictureType = t;
    return 1;
}

int CImageProfile::SetDoubleResolution(int v)
{
    doubleResolution = v;
    return 1;
}

int CImageProfile::SetDenoiseEnabled(int v)
{
    denoiseEnabled = v;
    return 1;
}

int CImageProfile::SetProgressCallback(ProgressFn fn)
{
    if (callbackSetterEntry != nullptr)
        callbackSetterEntry(fn);
    return 1;
}

int CImageProfile::Calibrate(const CDib& image, BlankFrameFault* fault)
{
    auto map = FlatFieldMap::FromBlankFrame(image, fault);
    if (!map)
        return 0;
    std::lock_guard lock(m_calibrationMutex);
    m_freshCalibration = std::make_shared<const FlatFieldMap>(std::move(*map));
    return 1;
}

int CImageProfile::SelectCalibrationFile(const std::string& name)
{
    const std::string path =
        name.find('/') == std::string::npos ? JoinPath(ProgramFolder(), name) : name;
    std::shared_ptr<const FlatFieldMap> fresh;
    {
        std::lock_guard lock(m_calibrationMutex);
        fresh = std::move(m_freshCalibration);
        m_freshCalibration.reset();
    }
    std::shared_ptr<const FlatFieldMap> inForce;
    if (fresh)
    {
        // Even when the file cannot be written, this session uses the map.
        fresh->Save(path);
        inForce = fresh;
    }
    else if (auto loaded = FlatFieldMap::Load(path))
    {
        inForce = std::make_shared<const FlatFieldMap>(std::move(*loaded));
    }
    std::lock_guard lock(m_calibrationMutex);
    m_calibration = inForce;
    return inForce ? 1 : 0;
}

int CImageProfile::ApplyCalibration(CDib& frame) const
{
    std::shared_ptr<const FlatFieldMap> map;
    {
        std::lock_guard lock(m_calibrationMutex);
        map = m_calibration;
    }
    return map && map->Apply(frame) ? 1 : 0;
}

bool CImageProfile::HasCalibration() const
{
    std::lock_guard lock(m_calibrationMutex);
    return m_calibration != nullptr;
}

int CImageProfile::ActiveModeIndex() const
{
    return pictureModeSelect >= 0 && pictureModeSelect <= 3 ? pictureModeSelect : 0;
}

const PictureMode& CImageProfile::ActiveMode() const
{
    return pictureModes[ActiveModeIndex()];
}

} // namespace tavrel
