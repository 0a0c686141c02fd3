#include "capture/CaptureVariants.h"

#include "capture/CaptureGraph.h"
#include "capture/ThreadOwner.h"
#include "platform/MessageBox.h"

namespace tavrel
{

namespace
{

using namespace std::chrono_literals;

// Not a design number: the photo dialog's wait after the test size.
constexpr unsigned kTestSizeTimerId = 9101;
constexpr auto kTestSizeSettle = 1500ms;

struct FilmFiles
{
    const char* profile;
    const char* registers;
};

FilmFiles FilesOf(FilmType type)
{
    switch (type)
    {
    case FilmType::Negative:
        return {"Negative.xml", "fupian.txt"};
    case FilmType::BlackWhite:
        return {"Blackwhite.xml", "fupian.txt"};
    default:
        return {"Positive.xml", "zhengpian.txt"};
    }
}

struct SizeFiles
{
    const char* profile;
    const char* registers;
};

SizeFiles FilesOf(PhotoSize size)
{
    switch (size)
    {
    case PhotoSize::Size5x7:
        return {"Config_5x7.xml", "5x7.txt"};
    case PhotoSize::Size4x6:
        return {"Config_4x6.xml", "4x6.txt"};
    case PhotoSize::Size3x5:
        return {"Config_3x5.xml", "3x5.txt"};
    case PhotoSize::NameCard:
        return {"Config_namecard.xml", "Namecard.txt"};
    default:
        return {"Config_test.xml", "test.txt"};
    }
}

} // namespace

CaptureVariants::CaptureVariants(Context context) : m_c(std::move(context)) {}

CaptureVariants::~CaptureVariants()
{
    m_c.loop.KillTimer(kTestSizeTimerId);
}

std::string CaptureVariants::In(const std::string& name) const
{
    return JoinPath(m_c.folder, name);
}

void CaptureVariants::LoadSensorSettings()
{
    std::lock_guard lock(m_mutex);
    ReadSensorSettings(In("sensor.xml"), m_sensor);
}

SensorSettings CaptureVariants::Sensor() const
{
    std::lock_guard lock(m_mutex);
    return m_sensor;
}

void CaptureVariants::InitFilm()
{
    const int last = ReadPreviewFormat(In("preview.ini"));
    m_c.profile.SetPictureType(int(FilmType::None));
    SelectFilmType(last == 1   ? FilmType::Negative
                   : last == 2 ? FilmType::BlackWhite
                               : FilmType::Positive);
}

void CaptureVariants::WriteStartupRegisters(std::stop_token stop)
{
    if (!m_c.device.Control().Present() || !ThreadOwner::Wait(stop, 1000ms))
        return;
    m_c.device.Control().WriteRegisterFile(
        In(m_filmType == FilmType::Positive ? "zhengpian.txt" : "fupian.txt"), m_c.window());
    m_c.changed();
}

void CaptureVariants::SelectFilmType(FilmType type)
{
    if (type != FilmType::Positive && type != FilmType::Negative && type != FilmType::BlackWhite)
        return;
    m_filmType = type;
    m_c.changed();
    if (m_c.profile.PictureType() == int(type))
        return;
    const FilmFiles files = FilesOf(type);
    WritePreviewFormat(int(type), In("preview.ini"));
    m_c.profile.SwitchTo(In(files.profile));
    m_c.profile.SetPictureType(int(type));
    m_c.profile.RefreshFromProfile();
    m_c.profile.SelectCalibrationFile(ReferenceName(type));
    m_c.sequence.StartSettle();
    m_c.device.Control().WriteRegisterFile(In(files.registers), m_c.window());
    m_c.changed();
}

void CaptureVariants::InitPhoto()
{
    m_nameCardEnabled = ReadTypeNameCard(In("TypeNameCard.ini")) == 0;
    SelectPhotoSize(PhotoSize::Test);
    // The test size's registers get their time before the next list; a
    // timer rather than a sleep keeps the dialog answering meanwhile.
    m_c.loop.SetTimer(kTestSizeTimerId, kTestSizeSettle,
                      [this]
                      {
                          m_c.loop.KillTimer(kTestSizeTimerId);
                          SelectLastPhotoSize();
                      });
}

void CaptureVariants::SelectLastPhotoSize()
{
    const int last = ReadTypefile(In("Typefile.xml"));
    if (last < 0)
    {
        AfxMessageBox("Load Typefile.xml Failed!");
        return;
    }
    SelectPhotoSize(last == 2   ? PhotoSize::Size4x6
                    : last == 3 ? PhotoSize::Size3x5
                    : last == 4 ? PhotoSize::NameCard
                                : PhotoSize::Size5x7);
}

bool CaptureVariants::SelectPhotoSize(PhotoSize size)
{
    const int index = int(size);
    if (index < int(PhotoSize::Size5x7) || index > int(PhotoSize::Test) ||
        (size == PhotoSize::NameCard && !m_nameCardEnabled))
        return false;
    if (size != PhotoSize::Test)
        m_c.loop.KillTimer(kTestSizeTimerId); // the user's choice stands
    m_photoSize = size;
    m_c.changed();
    if (size != PhotoSize::Test)
        WriteTypefile(In("Typefile.xml"), index);
    {
        std::lock_guard lock(m_mutex);
        ReadPhotoSizeGeometry(In(SensorProfileName(index)), m_sensor);
    }
    const SizeFiles files = FilesOf(size);
    m_c.profile.SwitchTo(In(files.profile));
    m_c.profile.RefreshFromProfile();
    m_c.sequence.StartSettle();
    m_c.device.Control().WriteRegisterFile(In(files.registers), m_c.window());
    m_c.changed();
    return true;
}

std::string CaptureVariants::ReferenceName(FilmType type)
{
    switch (type)
    {
    case FilmType::Positive:
        return "Positive.ver";
    case FilmType::Negative:
        return "Negative.ver";
    case FilmType::BlackWhite:
        return "BlackWhite.ver";
    default:
        return {};
    }
}

void CaptureVariants::Fill(CaptureState& state) const
{
    state.filmType = m_filmType;
    state.photoSize = m_photoSize;
    state.nameCardEnabled = m_nameCardEnabled;
    std::lock_guard lock(m_mutex);
    state.resolutionLabels[0] = m_sensor.dpi18Label;
    state.resolutionLabels[1] = m_sensor.dpi36Label;
}

} // namespace tavrel
