// The main dialog as a user meets it: every control of the design by its
// number, the test group cut off and still reachable, the adjustments and
// output choices reaching the engine, the live preview and what it says
// when the scanner goes and comes back, and a close in the middle of a capture.

#include "DialogFixture.h"

#include "capture/app/DialogIds.h"
#include "capture/app/PreviewFrame.h"
#include "capture/app/ProgressPopup.h"
#include "capture/app/VantrelStrings.h"
#include "platform/Desktop.h"
#include "platform/qt/Controls.h"
#include "shared/InstanceGuard.h"
#include "support/Wait.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <signal.h>

namespace tavrel::test
{

namespace
{

namespace c = control;
using namespace std::chrono_literals;

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

TEST_F(DialogTest, EveryControlHasItsNumberAndTheTestGroupIsCutOff)
{
    WriteSetting("sensor.xml",
                 [&]
                 {
                     std::string text = File("sensor.xml");
                     const std::string from = "dpi18=\"1800 dpi\" dpi36=\"3600 dpi\"";
                     text.replace(text.find(from), from.size(),
                                  "dpi18=\"1200 dpi\" dpi36=\"2400 dpi\"");
                     return text;
                 }());
    CCaptureDlg& dialog = Open(0);
    EXPECT_EQ(Desktop::FindWindow("Tavrel Camera", std::string("照片预览")), dialog.Handle());
    EXPECT_EQ(Desktop::GetProp(dialog.Handle(), kVantrelInstanceName), 1u);

    const int visible[] = {c::kPreviewFrame,    c::kCapture,         c::kResolution18,
                           c::kResolution36,    c::kPositive,        c::kNegative,
                           c::kBlackWhite,      c::kBrightness,      c::kContrast,
                           c::kSaturation,      c::kCyanRed,         c::kMagentaGreen,
                           c::kYellowBlue,      c::kNatural,         c::kVivid,
                           c::kNostalgic,       c::kCustom,          c::kFormat,
                           c::kBitDepth,        c::kFormatLabel,     c::kBitDepthLabel,
                           c::kAdjustGroup,     c::kBrightnessValue, c::kContrastValue,
                           c::kSaturationValue, c::kCyanRedValue,    c::kMagentaGreenValue,
                           c::kYellowBlueValue};
    const int cutOff[] = {c::kTestPicture,       c::kSaveRawFrame, c::kDenoise,
                          c::kRestoreFromDevice, c::kConfigSensor, c::kRestoreFromFile,
                          c::kTestProgress,      c::kVerify,       c::kShowPic,
                          c::kStartCalibration};
    const QRect client = dialog.rect();
    for (int id : visible)
    {
        QWidget* w = Control(id);
        ASSERT_NE(w, nullptr) << id;
        EXPECT_TRUE(client.contains(QRect(w->mapTo(&dialog, QPoint(0, 0)), w->size()))) << id;
    }
    // The dialog ends where the test group begins, with all it holds below.
    const QWidget* group = Control(c::kTestGroup);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->mapTo(&dialog, QPoint(0, 0)).y(), dialog.height());
    for (int id : cutOff)
    {
        ASSERT_NE(Control(id), nullptr) << id;
        EXPECT_GE(Control(id)->mapTo(&dialog, QPoint(0, 0)).y(), dialog.height()) << id;
    }
    EXPECT_EQ(Control(c::kSize5x7), nullptr); // the photo dialog's

    EXPECT_EQ(Control<QAbstractButton>(c::kCapture)->text(), "拍摄");
    EXPECT_EQ(Control<QAbstractButton>(c::kBlackWhite)->text(), "黑白");
    EXPECT_EQ(Control<QGroupBox>(c::kTestGroup)->title(), "Test Funtion");
    EXPECT_EQ(Control<QAbstractButton>(c::kResolution18)->text(), "1200 dpi");
    EXPECT_EQ(Control<QAbstractButton>(c::kResolution36)->text(), "2400 dpi");
    for (int id : {c::kBrightness, c::kContrast, c::kSaturation, c::kCyanRed, c::kMagentaGreen,
                   c::kYellowBlue})
        EXPECT_EQ(Control<QSlider>(id)->maximum(), 200) << id;
    EXPECT_EQ(Items(Control<QComboBox>(c::kFormat)), QStringList({"JPG", "TIFF"}));

    // Cut off, the test group still answers commands: Verify takes a
    // calibration frame (the preview pauses and comes back).
    Click(c::kVerify);

    // About from the window menu, as WM_SYSCOMMAND 0x10.
    const HWND hwnd = dialog.Handle();
    FromOtherThread([&] { Desktop::PostMessage(hwnd, 0x0112, c::kAboutCommand, 0); });
    HWND about = 0;
    ASSERT_TRUE(SpinUntil(
        [&] { return (about = Desktop::FindWindow("#32770", std::string("关于 Vantrel"))) != 0; }));
    FromOtherThread([&] { Desktop::SendMessage(about, WM_COMMAND, IDOK, 0); });
    EXPECT_TRUE(SpinUntil([&] { return !Desktop::IsWindow(about); }));
}

TEST_F(DialogTest, AdjustmentsReachTheProfileAndShowTheirValues)
{
    Open(0);
    QSlider* brightness = Control<QSlider>(c::kBrightness);
    EXPECT_FALSE(brightness->isEnabled()); // a preset holds the sliders

    // Each slider of the custom preset: its value beside it, in the
    // custom picture mode of the profile.
    Click(c::kCustom);
    ASSERT_TRUE(brightness->isEnabled());
    const std::pair<int, int> sliders[] = {
        {c::kBrightness, c::kBrightnessValue},     {c::kContrast, c::kContrastValue},
        {c::kSaturation, c::kSaturationValue},     {c::kCyanRed, c::kCyanRedValue},
        {c::kMagentaGreen, c::kMagentaGreenValue}, {c::kYellowBlue, c::kYellowBlueValue}};
    int value = 0;
    for (const auto& [id, edit] : sliders)
    {
        value += 10;
        Control<QSlider>(id)->setValue(100 + value);
        Flush();
        EXPECT_EQ(Control<QLineEdit>(edit)->text(), QString::number(value)) << id;
    }
    QTest::keyClick(Control<QSlider>(c::kYellowBlue), Qt::Key_PageDown); // -10 by keyboard
    Flush();
    EXPECT_EQ(Control<QLineEdit>(c::kYellowBlueValue)->text(), "50");
    EXPECT_EQ(State().sliders[std::size_t(Slider::CyanRed)], 140);

    // A preset moves the sliders to its values and holds them; the custom
    // values come back with the custom preset.
    Click(c::kVivid);
    EXPECT_TRUE(Control<QAbstractButton>(c::kVivid)->isChecked());
    EXPECT_FALSE(Control(c::kCyanRed)->isEnabled());
    EXPECT_EQ(State().preset, Preset::Vivid);
    EXPECT_EQ(Control<QSlider>(c::kCyanRed)->value(),
              State().sliders[std::size_t(Slider::CyanRed)]);
    Click(c::kCustom);
    EXPECT_EQ(Control<QSlider>(c::kCyanRed)->value(), 140);
    EXPECT_EQ(brightness->value(), 110);

    Click(c::kResolution36);
    EXPECT_TRUE(State().doubleResolution);
    EXPECT_FALSE(Control<QAbstractButton>(c::kResolution18)->isChecked());
    Click(c::kDenoise);
    EXPECT_TRUE(State().denoise);
    EXPECT_TRUE(Control<QCheckBox>(c::kDenoise)->isChecked());

    CloseDialog();
    const std::string saved = File("Positive.xml");
    const std::string custom = saved.substr(saved.find("<picmode id=\"3\">"));
    for (const char* part : {"<bright>10</bright>", "<contrast>20</contrast>",
                             "<saturation>30</saturation>", "<r>40</r>", "<g>50</g>", "<b>50</b>"})
        EXPECT_NE(custom.find(part), std::string::npos) << part << "\n" << saved;
    EXPECT_NE(saved.find("<picmodesel>3</picmodesel>"), std::string::npos);
    EXPECT_NE(saved.find("<dpi>1</dpi>"), std::string::npos);
    EXPECT_NE(saved.find("Denoise_En=\"1\""), std::string::npos);
}

TEST_F(DialogTest, FormatBoxesFollowCan48BitAndRefillTheBitDepths)
{
    WriteSetting("Can48Bit.ini", "[Can48Bit]\nCan48Bit=0\n");
    Open(0);
    for (int id : {c::kFormat, c::kBitDepth, c::kFormatLabel, c::kBitDepthLabel})
        EXPECT_TRUE(Control(id)->isHidden()) << id;
    CloseDialog();

    WriteSetting("Can48Bit.ini", "[Can48Bit]\nCan48Bit=1\n");
    Open(0);
    QComboBox* format = Control<QComboBox>(c::kFormat);
    QComboBox* depth = Control<QComboBox>(c::kBitDepth);
    for (int id : {c::kFormat, c::kBitDepth, c::kFormatLabel, c::kBitDepthLabel})
        EXPECT_FALSE(Control(id)->isHidden()) << id;
    EXPECT_EQ(Items(depth), QStringList({"24Bit"}));

    QTest::keyClick(format, Qt::Key_Down); // TIFF offers 48 bits and takes them
    Flush();
    EXPECT_EQ(State().outputFormat, 1);
    EXPECT_EQ(Items(depth), QStringList({"24Bit", "48Bit"}));
    EXPECT_EQ(depth->currentText(), "48Bit");
    EXPECT_EQ(State().bitDepthIndex, 1);
    QTest::keyClick(depth, Qt::Key_Up);
    Flush();
    EXPECT_EQ(State().bitDepthIndex, 0);
    QTest::keyClick(format, Qt::Key_Up);
    Flush();
    EXPECT_EQ(Items(depth), QStringList({"24Bit"}));
    EXPECT_EQ(State().outputFormat, 0);
}

TEST_F(DialogTest, PreviewShowsTheCameraAndSaysWhenTheScannerGoesAndComesBack)
{
    CCaptureDlg& dialog = Open(0);
    CPreviewFrame* preview = dialog.Controls().preview;
    ASSERT_NE(preview->Picture(), nullptr);
    EXPECT_TRUE(preview->Message().isEmpty());
    // Drawn at the frame's width, so the picture needs no stretching.
    EXPECT_LE(preview->Picture()->Width(), preview->contentsRect().width() * 2);
    EXPECT_TRUE(SpinUntil([&] { return preview->PaintCount() > 0; }));

    ASSERT_EQ(Sim("unplug"), 0);
    ASSERT_TRUE(SpinUntil(
        [&]
        {
            return preview->Message() == LoadString(IDS_STREAM_STALLED) ||
                   preview->Message() == LoadString(IDS_STREAM_LOST);
        }));
    // A capture asked for meanwhile gets no still; once it is given up and
    // the scanner is back, the preview says no picture was taken.
    ASSERT_TRUE(SpinUntil([&] { return Control(c::kCapture)->isEnabled(); }));
    QTest::mouseClick(Control<QAbstractButton>(c::kCapture), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return State().lastHandover == HandoverResult::NoPicture; }, 30s));
    ASSERT_EQ(Sim("plug"), 0);
    const CDib* before = preview->Picture();
    ASSERT_TRUE(SpinUntil([&] { return preview->Message() == LoadString(IDS_NO_PICTURE); }, 30s))
        << preview->Message().toStdString();
    EXPECT_TRUE(SpinUntil([&] { return preview->Picture() != before; }));
    // The next press takes the words away.
    QTest::mouseClick(Control<QAbstractButton>(c::kCapture), Qt::LeftButton);
    EXPECT_TRUE(SpinUntil([&] { return preview->Message().isEmpty(); }));
}

TEST_F(DialogTest, ProgressPopupLoopsUnderTheCaptureButtonAndFollowsTheDialog)
{
    CCaptureDlg& dialog = Open(0);
    CProgressPopup* popup = dialog.ProgressPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->isVisible());
    popup->Show();
    const QWidget* button = Control(c::kCapture);
    const auto under = [&]
    {
        const QPoint b = button->mapToGlobal(QPoint(0, button->height()));
        return popup->geometry().top() == b.y() + 1 &&
               popup->geometry().right() ==
                   button->mapToGlobal(QPoint(button->width() - 1, 0)).x() &&
               std::abs(popup->geometry().left() - b.x()) <= 4;
    };
    dialog.move(dialog.pos() + QPoint(40, 30));
    EXPECT_TRUE(SpinUntil(under));
    // From 60 on by 5 a tick, round to 0 after 95; a busy machine may let
    // several ticks pass between two looks.
    ASSERT_TRUE(SpinUntil([&] { return popup->Position() != 60; }));
    EXPECT_EQ(popup->Position() % 5, 0) << popup->Position();
    EXPECT_TRUE(SpinUntil([&] { return popup->Position() < 60; }, 30s));
    popup->Hide();
    EXPECT_FALSE(popup->Running());
}

TEST_F(DialogTest, ClosingDuringACaptureStoresThePictureAndEndsClean)
{
    StartManager();
    CCaptureDlg& dialog = Open(0);
    const HWND hwnd = dialog.Handle();
    // The manager is held (stopped), so the capture is still under way when
    // the close comes.
    ASSERT_EQ(::kill(m_manager->Pid(), SIGSTOP), 0);
    const std::shared_ptr<void> release(nullptr,
                                        [this](void*) { ::kill(m_manager->Pid(), SIGCONT); });
    Click(c::kCapture);
    EXPECT_FALSE(Control(c::kCapture)->isEnabled());
    ASSERT_TRUE(SpinUntil([&] { return State().imageInProcess; }));
    dialog.close();
    EXPECT_FALSE(dialog.Ended());
    ASSERT_EQ(::kill(m_manager->Pid(), SIGCONT), 0);
    ASSERT_TRUE(SpinUntil([&] { return dialog.Ended(); }, 60s));
    EXPECT_EQ(StoredCount(), 1);
    EXPECT_EQ(Desktop::GetProp(hwnd, kVantrelInstanceName), 0u);
    EXPECT_FALSE(State().graphReady);
}

} // namespace

} // namespace tavrel::test
