// The film and photo dialogs swap profile, sensor registers and geometry
// with each choice and remember it; the lens calibration dialog runs its
// sequence through the three film types, and refuses film in the holder.

#include "DialogFixture.h"

#include "capture/app/DialogIds.h"
#include "capture/app/LensCalibrationDlg.h"
#include "capture/app/VantrelStrings.h"
#include "platform/Desktop.h"
#include "platform/MessageBox.h"
#include "shared/camera/SimulatedScanner.h"
#include "support/Files.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

#include <algorithm>
#include <filesystem>

namespace tavrel::test
{

namespace
{

namespace c = control;
using namespace std::chrono_literals;

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

bool Checked(QAbstractButton* button)
{
    return button && button->isChecked();
}

TEST_F(DialogTest, FilmSwitchesSwapProfileAndRegistersAndAreRemembered)
{
    WriteSetting("preview.ini", "[preview]\nformat=7\n"); // unknown: positive
    Open(0);
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kPositive)));
    EXPECT_EQ(State().filmType, FilmType::Positive);

    // A custom preset on positive film, then negative film: positive's
    // profile is saved, negative's loaded, its registers written.
    Click(c::kCustom);
    Click(c::kNegative);
    EXPECT_TRUE(Has(File("Positive.xml"), "<picmodesel>3</picmodesel>"));
    EXPECT_TRUE(Has(File("preview.ini"), "format=1"));
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kNegative)));
    EXPECT_FALSE(Checked(Control<QAbstractButton>(c::kPositive)));
    EXPECT_FALSE(Checked(Control<QAbstractButton>(c::kCustom))); // negative's own preset

    // The sensor gets the black-and-white film's list; choosing the type in
    // force writes nothing at all.
    std::uint64_t before = WriteCount();
    Click(c::kBlackWhite);
    EXPECT_EQ(Registers(before), ListOf("fupian.txt"));
    before = WriteCount();
    const auto ini = std::filesystem::last_write_time(m_folder + "/preview.ini");
    Click(c::kBlackWhite);
    EXPECT_EQ(WriteCount(), before);
    EXPECT_EQ(std::filesystem::last_write_time(m_folder + "/preview.ini"), ini);
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kBlackWhite)));

    // The next start begins on black and white, with positive's preset kept.
    CloseDialog();
    Open(0);
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kBlackWhite)));
    before = WriteCount();
    Click(c::kPositive);
    EXPECT_EQ(Registers(before), ListOf("zhengpian.txt"));
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kCustom)));
    EXPECT_TRUE(Control(c::kBrightness)->isEnabled());
}

TEST_F(DialogTest, PhotoDialogStartsOnTheRememberedSizeAndEachChoiceRewritesIt)
{
    WriteSetting(
        "Typefile.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><TypeConfig><Type>3</Type></TypeConfig>");
    WriteSetting("TypeNameCard.ini", "[TypeNameCard]\nnTypeNameCard=1\n");
    Open(1);
    // The test size first; the remembered one once its registers have had their time.
    ASSERT_TRUE(SpinUntil([&] { return Checked(Control<QAbstractButton>(c::kSize3x5)); }));
    EXPECT_EQ(State().photoSize, PhotoSize::Size3x5);
    EXPECT_FALSE(Control(c::kSizeNameCard)->isEnabled());
    EXPECT_EQ(Control(c::kPositive), nullptr); // the film dialog's

    Click(c::kResolution36);
    const std::uint64_t before = WriteCount();
    Click(c::kSize4x6);
    EXPECT_TRUE(Has(File("Config_3x5.xml"), "<dpi>1</dpi>")); // saved before the switch
    EXPECT_TRUE(Has(File("Typefile.xml"), "<Type>2</Type>"));
    EXPECT_EQ(Registers(before), ListOf("4x6.txt"));
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kSize4x6)));
    EXPECT_FALSE(Checked(Control<QAbstractButton>(c::kSize3x5)));
    CloseDialog();

    // Without "Typefile.xml" the test size stays, none of the four checked.
    std::filesystem::remove(m_folder + "/Typefile.xml");
    ClearRecordedMessageBoxes();
    Open(1);
    ASSERT_TRUE(SpinUntil(
        [&]
        {
            const auto boxes = RecordedMessageBoxes();
            return std::find(boxes.begin(), boxes.end(), "Load Typefile.xml Failed!") !=
                   boxes.end();
        }));
    EXPECT_EQ(State().photoSize, PhotoSize::Test);
    for (int id = c::kSize5x7; id <= c::kSizeNameCard; ++id)
        EXPECT_FALSE(Checked(Control<QAbstractButton>(id))) << id;
}

TEST_F(DialogTest, CalibrationRunsThroughTheThreeFilmTypesAndEndsOnNegative)
{
    qputenv("TAVREL_CALIBRATION_STEP_MS", "0");
    std::string error;
    ASSERT_TRUE(SimScanner::SetFilm(HolderFilm::Positive, &error)) << error;
    CCaptureDlg& dialog = Open(0, true); // "/Verify": the dialog opens by itself
    ASSERT_TRUE(SpinUntil([&] { return dialog.Calibration() != nullptr; }, 30s));
    CLensCalibrationDlg* calibration = dialog.Calibration();
    HWND window = 0;
    ASSERT_TRUE(SpinUntil(
        [&] { return (window = Desktop::FindWindow("#32770", std::string("镜头校正"))) != 0; }));
    auto* start = qobject_cast<QAbstractButton*>(FindControl(calibration, c::kCalibrationStart));
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->text(), "开始校正");

    QSignalSpy finished(calibration, &QDialog::finished);
    auto* status = qobject_cast<QLabel*>(FindControl(calibration, c::kCalibrationStatus));
    ASSERT_NE(status, nullptr);

    // Film left in the holder: the dialog says so and stays, ready to start
    // again; no reference is made of the film.
    FromOtherThread([&] { Desktop::SendMessage(window, WM_COMMAND, c::kCalibrationStart, 0); });
    EXPECT_FALSE(start->isEnabled());
    ASSERT_TRUE(SpinUntil([&] { return start->isEnabled(); }, 60s));
    EXPECT_EQ(status->text(), LoadString(IDS_CALIBRATION_NOT_EMPTY));
    auto* progress = qobject_cast<QProgressBar*>(FindControl(calibration, c::kCalibrationProgress));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/Positive.ver"));

    // The holder taken out (the camera sends it from its second frame on).
    ASSERT_TRUE(SimScanner::SetFilm(HolderFilm::None, &error)) << error;
    const std::uint64_t frames = dialog.Engine().CameraFrames();
    ASSERT_TRUE(SpinUntil([&] { return dialog.Engine().CameraFrames() >= frames + 2; }));
    FromOtherThread([&] { Desktop::SendMessage(window, WM_COMMAND, c::kCalibrationStart, 0); });
    ASSERT_TRUE(SpinUntil([&] { return !finished.isEmpty(); }, 60s))
        << status->text().toStdString();
    qunsetenv("TAVREL_CALIBRATION_STEP_MS");
    EXPECT_EQ(finished.first().first().toInt(), int(QDialog::Accepted));
    EXPECT_EQ(State().filmType, FilmType::Negative);
    EXPECT_TRUE(Checked(Control<QAbstractButton>(c::kNegative)));
    for (const char* reference : {"Positive.ver", "Negative.ver", "BlackWhite.ver"})
        EXPECT_TRUE(std::filesystem::exists(m_folder + "/" + reference)) << reference;
    // Each film type was switched to and got its reference.
    EXPECT_TRUE(Has(File("preview.ini"), "format=1"));
}

} // namespace

} // namespace tavrel::test
