// The dialog's commands: what each control changes in the profile, the
// files and the sensor, seen as the user and the scanner would see it.

#include "EngineHost.h"

#include "imaging/cwimage/dib/Dib.h"

#include <array>

using namespace std::chrono_literals;

namespace tavrel::test
{

namespace
{

// The profile with the values of one picture mode replaced.
void SetPictureMode(const std::string& path, int id, const std::string& values)
{
    std::string text = ReadFile(path);
    const std::string open = "<picmode id=\"" + std::to_string(id) + "\">";
    const auto from = text.find(open);
    const auto to = text.find("</picmode>", from);
    ASSERT_NE(from, std::string::npos);
    text.replace(from + open.size(), to - from - open.size(), values);
    WriteFile(path, text);
}

std::string Mode(int bright, int contrast, int r, int g, int b, int saturation)
{
    return "<color>0</color><ae>0</ae><bright>" + std::to_string(bright) + "</bright><contrast>" +
           std::to_string(contrast) + "</contrast><r>" + std::to_string(r) + "</r><g>" +
           std::to_string(g) + "</g><b>" + std::to_string(b) + "</b><saturation>" +
           std::to_string(saturation) + "</saturation>";
}

// Whether `part` occurs in `text`, line breaks aside.
bool Has(std::string text, const std::string& part)
{
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text.find(part) != std::string::npos;
}

using Sliders = std::array<int, kSliderCount>;

} // namespace

TEST_F(EngineTest, ControlsChangeTheProfileAsTheDialogShowsThem)
{
    const std::string positive = m_folder + "/Positive.xml";
    SetPictureMode(positive, 1, Mode(20, -10, 5, -5, 7, 30));
    SetPictureMode(positive, 3, Mode(40, 0, 0, 0, 0, 0));
    Start start;
    start.files = [&](FileDialog) { return std::optional<std::string>(m_folder + "/raw"); };
    StartEngine(std::move(start));
    EXPECT_EQ(State().preset, Preset::Natural);
    EXPECT_FALSE(State().slidersEnabled);

    // A preset moves the sliders to its values and holds them there.
    Click(control::kVivid);
    EXPECT_EQ(State().preset, Preset::Vivid);
    EXPECT_EQ(State().sliders, (Sliders{120, 90, 130, 105, 95, 107}));
    bool moved = true;
    OnLoop([&] { moved = m_engine->SetSlider(Slider::Brightness, 10); });
    EXPECT_FALSE(moved);
    EXPECT_EQ(State().sliders[0], 120);

    // The custom preset loads its own values and frees the sliders.
    Click(control::kCustom);
    EXPECT_TRUE(State().slidersEnabled);
    EXPECT_EQ(State().sliders, (Sliders{140, 100, 100, 100, 100, 100}));
    OnLoop(
        [&]
        {
            m_engine->SetSlider(Slider::Brightness, 150);
            m_engine->SetSlider(Slider::CyanRed, 0);
            m_engine->SetSlider(Slider::Saturation, 260); // beyond the end
        });
    EXPECT_EQ(State().sliders, (Sliders{150, 100, 200, 0, 100, 100}));
    Click(control::kResolution36);
    Click(control::kDenoise);
    EXPECT_TRUE(State().doubleResolution);
    EXPECT_TRUE(State().denoise);

    // Format and depth: JPG has 24 bits only, TIFF offers 48 and takes it.
    OnLoop([&] { EXPECT_TRUE(m_engine->SetOutputFormat(1)); });
    EXPECT_EQ(State().bitDepthChoices, (std::vector<std::string>{"24Bit", "48Bit"}));
    EXPECT_EQ(State().bitDepthIndex, 1);
    OnLoop(
        [&]
        {
            EXPECT_TRUE(m_engine->SetBitDepth(0));
            EXPECT_TRUE(m_engine->SetOutputFormat(0));
            EXPECT_FALSE(m_engine->SetBitDepth(1));
        });
    EXPECT_EQ(State().bitDepthChoices, std::vector<std::string>{"24Bit"});
    EXPECT_EQ(State().bitDepthIndex, 0);

    // The test group's raw frame, named as the user typed it.
    Click(control::kSaveRawFrame);
    CDib raw;
    ASSERT_TRUE(raw.LoadFile(m_folder + "/raw.BMP"));
    EXPECT_EQ(raw.Width(), 640);

    // The preview keeps running on the profile; a switch then saves it with
    // everything the controls set, denoise included.
    const auto shown = m_engine->Frame();
    ASSERT_TRUE(WaitFor([&] { return m_engine->Frame() != shown; }));
    Click(control::kNegative);
    const std::string saved = ReadFile(positive);
    EXPECT_TRUE(Has(saved, "<picmodesel>3</picmodesel>")) << saved;
    EXPECT_TRUE(Has(saved, "<picmode id=\"3\"><color>0</color><ae>0</ae><bright>50</bright>"))
        << saved;
    EXPECT_TRUE(Has(saved, "<r>-100</r>"));
    EXPECT_TRUE(Has(saved, "<saturation>100</saturation>"));
    EXPECT_TRUE(Has(saved, "<dpi>1</dpi>"));
    EXPECT_TRUE(Has(saved, "Denoise_En=\"1\""));
    EXPECT_TRUE(Has(saved, "<delta><scale>50</scale>"));
    EXPECT_TRUE(Has(saved, "<R_delta>-100</R_delta>"));
    // The negative film's own profile is in force now.
    EXPECT_EQ(State().filmType, FilmType::Negative);
    EXPECT_EQ(State().preset, Preset::Natural);
    EXPECT_FALSE(State().denoise);
}

TEST_F(EngineTest, FilmSwitchesRememberTheTypeAndProgramTheSensor)
{
    WriteFile(m_folder + "/preview.ini", "[preview]\nformat=2\n");
    Start start;
    start.verify = true;
    StartEngine(std::move(start));
    EXPECT_EQ(State().filmType, FilmType::BlackWhite);
    // The first film type settles too: no capture before the sensor has.
    EXPECT_FALSE(m_buttonAtStart);
    // The start-up writer programs the negative list for black and white.
    ASSERT_TRUE(WaitFor([&] { return RegistersWritten(0).size() == 2; }));
    EXPECT_EQ(RegistersWritten(0), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                       {kRegFilmType, 1}, {kRegExposureGain, 0x60}}));
    // "/Verify": the calibration opens a second after the preview starts.
    ASSERT_TRUE(WaitFor([&] { return Seen(EngineEvent::OpenCalibration) == 1; }));

    const std::uint64_t before = WriteCount();
    // The capture button rests while the sensor settles: off as the change
    // returns (read in the same turn of the loop, before any settle ends).
    bool buttonAfterSwitch = true;
    OnLoop(
        [&]
        {
            m_engine->Command(control::kPositive);
            buttonAfterSwitch = m_engine->State().captureButtonEnabled;
        });
    EXPECT_FALSE(buttonAfterSwitch);
    EXPECT_TRUE(Has(ReadFile(m_folder + "/preview.ini"), "format=0"));
    EXPECT_EQ(RegistersWritten(before), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                            {kRegFilmType, 0}, {kRegExposureGain, 0x40}}));
    ASSERT_TRUE(WaitFor([&] { return State().captureButtonEnabled; }));

    // The type in force: only the buttons.
    const std::uint64_t settled = WriteCount();
    WriteFile(m_folder + "/preview.ini", "[preview]\nformat=0\n; untouched\n");
    Click(control::kPositive);
    EXPECT_EQ(WriteCount(), settled);
    EXPECT_TRUE(Has(ReadFile(m_folder + "/preview.ini"), "untouched"));
    // Photo sizes are not the film dialog's.
    EXPECT_EQ(Click(control::kSize4x6), 0);
}

TEST_F(EngineTest, PhotoSizesFollowTheLastChoiceAndProgramTheSensor)
{
    WriteFile(m_folder + "/Typefile.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><TypeConfig><Type>2</Type></TypeConfig>");
    WriteFile(m_folder + "/4x6.txt", "#3a00@03\n#3a01@44\n");
    WriteFile(m_folder + "/TypeNameCard.ini", "[TypeNameCard]\nnTypeNameCard=1\n");
    Start start;
    start.mode = CaptureMode::Photo;
    StartEngine(std::move(start));
    // The test size first, then the last size once its registers settled.
    ASSERT_TRUE(WaitFor([&] { return RegistersWritten(0).size() == 4; }));
    EXPECT_EQ(State().photoSize, PhotoSize::Size4x6);
    EXPECT_EQ(RegistersWritten(0),
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{kRegFilmType, 3},
                                                                    {kRegExposureGain, 0x40},
                                                                    {kRegFilmType, 3},
                                                                    {kRegExposureGain, 0x44}}));
    EXPECT_FALSE(State().nameCardEnabled);
    EXPECT_EQ(Click(control::kSizeNameCard), 0);
    EXPECT_EQ(State().photoSize, PhotoSize::Size4x6);

    // A slider change stays with its size's profile file.
    Click(control::kCustom);
    OnLoop([&] { m_engine->SetSlider(Slider::Contrast, 130); });
    Click(control::kSize5x7);
    EXPECT_EQ(State().photoSize, PhotoSize::Size5x7);
    EXPECT_TRUE(Has(ReadFile(m_folder + "/Typefile.xml"), "<Type>1</Type>"));
    EXPECT_TRUE(Has(ReadFile(m_folder + "/Config_4x6.xml"), "<contrast>30</contrast>"));
    EXPECT_EQ(State().preset, Preset::Natural); // 5x7's own
}

TEST_F(EngineTest, PhotoDialogWithoutTypefileStaysOnTheTestSize)
{
    std::filesystem::remove(m_folder + "/Typefile.xml");
    Start start;
    start.mode = CaptureMode::Photo;
    StartEngine(std::move(start));
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const auto boxes = RecordedMessageBoxes();
            return std::find(boxes.begin(), boxes.end(), "Load Typefile.xml Failed!") !=
                   boxes.end();
        }));
    EXPECT_EQ(State().photoSize, PhotoSize::Test);
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/Typefile.xml"));
}

} // namespace tavrel::test
