#include "ChainTestPictures.h"
#include "imaging/ImageBuffer.h"
#include "imaging/ImageProfile.h"
#include "imaging/ProcessingChain.h"
#include "platform/MessageBox.h"
#include "support/Files.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/ImageCompare.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace tavrel::test
{

namespace
{

using chaintest::ModeValues;

constexpr ProfileFlavour kFlavours[] = {ProfileFlavour::Capture, ProfileFlavour::Manager};

// What the buffer's own operations give when called one after another.
void AdjustThroughBuffer(CDib& picture, const PictureMode& m)
{
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.CreateFromArray(picture.Pixels(), picture.Width(), picture.Height(), 24,
                                       picture.RowSize(), false));
    if (m.saturation != 0)
        buffer.Saturate(m.saturation, 2);
    if (m.bright != 0 || m.contrast != 0)
        buffer.Light(m.bright, m.contrast);
    if (m.r != 0 || m.g != 0 || m.b != 0)
        buffer.ShiftRGB(m.r, m.g, m.b);
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(picture.Row(y), buffer.GetBits(0) + std::size_t(y) * buffer.GetRowBytes(),
                    std::size_t(picture.RowSize()));
}

TEST(ProcessImage, BlockRegionsForATinyPictureArePassedAsComputed)
{
    CImageProfile profile(ProfileFlavour::Manager);
    CDib picture;
    FillPattern(picture, 1, 1);
    ASSERT_EQ(profile.ProcessImage(0, picture), 1);
    EXPECT_EQ(profile.block.width, 1);
    EXPECT_EQ(profile.block.height, 1);
    EXPECT_EQ(profile.block.awbRegion.left, 200);
    EXPECT_EQ(profile.block.awbRegion.right, -199);
    EXPECT_EQ(profile.block.awbRegion.top, 200);
    EXPECT_EQ(profile.block.awbRegion.bottom, -199);
    EXPECT_EQ(profile.block.aeRegion.right, 1);
    EXPECT_EQ(profile.block.aeRegion.bottom, 1);

    ASSERT_EQ(profile.ProcessImage(1, picture), 1);
    EXPECT_EQ(profile.block.awbRegion.left, 0);
    EXPECT_EQ(profile.block.awbRegion.right, 1);
    EXPECT_EQ(profile.block.awbRegion.top, 0);
    EXPECT_EQ(profile.block.awbRegion.bottom, 1);
}

TEST(ProcessImage, EmptyPictureIsRefusedWithTheMessage)
{
    for (ProfileFlavour flavour : kFlavours)
    {
        tavrel::ClearRecordedMessageBoxes();
        CImageProfile profile(flavour);
        CDib empty;
        EXPECT_EQ(profile.ProcessImage(0, empty), 0);
        const auto seen = tavrel::RecordedMessageBoxes();
        EXPECT_NE(std::find(seen.begin(), seen.end(), "Error, Image size was wrong!"), seen.end());
    }
}

TEST(ProcessImage, NeutralModeLeavesPixelsAloneAndReverseInverts)
{
    for (ProfileFlavour flavour : kFlavours)
    {
        CImageProfile profile(flavour);
        CDib picture;
        FillPattern(picture, 37, 11);
        const CDib original(picture);
        ASSERT_EQ(profile.ProcessImage(0, picture), 1);
        EXPECT_TRUE(DibsMatch(picture, original));

        profile.reverse = 1;
        ASSERT_EQ(profile.ProcessImage(1, picture), 1);
        for (int y = 0; y < 11; ++y)
            for (int i = 0; i < 3 * 37; ++i)
                ASSERT_EQ(picture.Row(y)[i], 255 - original.Row(y)[i]);
    }
}

TEST(ProcessImage, AdjustmentsMatchTheBufferOperationsAppliedInTurn)
{
    const PictureMode cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 35},      {0, 0, 12, -20, 0, 0, 0, 0}, {0, 0, 0, 0, 9, -7, 30, 0},
        {0, 0, -15, 25, -4, 6, 8, -40}, {0, 0, 20, 0, 0, 0, 5, 60},
    };
    for (const PictureMode& m : cases)
    {
        CImageProfile profile(ProfileFlavour::Capture);
        profile.pictureModes[2] = m;
        profile.pictureModeSelect = 2;
        CDib picture;
        FillPattern(picture, 129, 67, m.saturation);
        CDib expected(picture);
        AdjustThroughBuffer(expected, m);
        ASSERT_EQ(profile.ProcessImage(0, picture), 1);
        EXPECT_TRUE(DibsMatch(picture, expected))
            << m.saturation << " " << m.bright << " " << m.contrast << " " << m.r;
    }
}

TEST(ProcessImage, ModeSelectionOutsideTheTableUsesTheFirstMode)
{
    CImageProfile profile(ProfileFlavour::Manager);
    profile.pictureModes[0].bright = 30;
    profile.pictureModeSelect = 9;
    CDib picture;
    FillPattern(picture, 20, 20);
    CDib expected(picture);
    AdjustThroughBuffer(expected, profile.pictureModes[0]);
    ASSERT_EQ(profile.ProcessImage(0, picture), 1);
    EXPECT_TRUE(DibsMatch(picture, expected));
    EXPECT_EQ(profile.pictureModeSelect, 9);
}

TEST(ProcessImage, GreyIsColourInTheCaptureProgramAndEightBitInTheManager)
{
    for (ProfileFlavour flavour : kFlavours)
    {
        CImageProfile profile(flavour);
        profile.gray = 1;
        CDib picture;
        FillPattern(picture, 13, 7);
        const CDib original(picture);
        ASSERT_EQ(profile.ProcessImage(0, picture), 1);
        const bool capture = flavour == ProfileFlavour::Capture;
        ASSERT_EQ(picture.BitsPerPixel(), capture ? 24 : 8);
        ASSERT_EQ(picture.Width(), 13);
        for (int y = 0; y < 7; ++y)
        {
            for (int x = 0; x < 13; ++x)
            {
                const std::uint8_t* o = original.Row(y) + 3 * x;
                const int grey = int(0.299 * o[2] + 0.587 * o[1] + 0.114 * o[0]);
                if (capture)
                {
                    const std::uint8_t* p = picture.Row(y) + 3 * x;
                    ASSERT_EQ(p[0], grey);
                    ASSERT_EQ(p[1], grey);
                    ASSERT_EQ(p[2], grey);
                }
                else
                {
                    ASSERT_EQ(picture.Row(y)[x], grey);
                }
            }
        }
    }
}

TEST(ProcessImage, DoubleResolutionOnlyInTheCaptureProgramsFullMode)
{
    CImageProfile capture(ProfileFlavour::Capture);
    capture.doubleResolution = 1;
    capture.pictureModes[0].saturation = 10;
    CDib picture;
    FillPattern(picture, 21, 9);
    ASSERT_EQ(capture.ProcessImage(1, picture), 1);
    EXPECT_EQ(picture.Width(), 21);
    EXPECT_EQ(picture.Height(), 9);
    picture.SetResolution(150, 150);
    ASSERT_EQ(capture.ProcessImage(0, picture), 1);
    EXPECT_EQ(picture.Width(), 42);
    EXPECT_EQ(picture.Height(), 18);
    EXPECT_EQ(picture.BitsPerPixel(), 24);
    EXPECT_EQ(picture.XResolution(), 300);

    CImageProfile manager(ProfileFlavour::Manager);
    manager.doubleResolution = 1;
    ASSERT_EQ(manager.ProcessImage(0, picture), 1);
    EXPECT_EQ(picture.Width(), 42);
}

TEST(ProcessImage, GreyInputIsWidenedBeforeColourWork)
{
    CImageProfile profile(ProfileFlavour::Capture);
    profile.pictureModes[0].bright = 10;
    CDib grey;
    grey.Create(9, 4, 8, 300);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            grey.Row(y)[x] = std::uint8_t(20 * x + y);
    ASSERT_EQ(profile.ProcessImage(0, grey), 1);
    EXPECT_EQ(grey.BitsPerPixel(), 24);
    EXPECT_EQ(grey.Width(), 9);
}

TEST(DoublePictureSize, GreyPictureStaysGreyAndIsResampledAsGrey)
{
    CDib grey;
    grey.Create(10, 6, 8, 300);
    std::memset(grey.Pixels(), 77, grey.PixelBytes());
    ASSERT_EQ(DoublePictureSize(grey), 1);
    EXPECT_EQ(grey.BitsPerPixel(), 8);
    EXPECT_EQ(grey.Width(), 20);
    EXPECT_EQ(grey.Height(), 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(grey.Row(y)[x], 77);

    CDib empty;
    EXPECT_EQ(DoublePictureSize(empty), 0);
}

TEST(Preview, ShrinkFactorRules)
{
    EXPECT_EQ(PreviewShrinkFactor(1999, 400), 4);
    EXPECT_EQ(PreviewShrinkFactor(300, 400), 1);
    EXPECT_EQ(PreviewShrinkFactor(400, 400), 1);
    EXPECT_EQ(PreviewShrinkFactor(2592, 640), 4);
    EXPECT_EQ(PreviewShrinkFactor(1999, 0), 0);
}

// The preview sequence as written: copy, turn, crop, shrink, process.
std::unique_ptr<CDib> ReferencePreview(CImageProfile& profile, const CDib& frame,
                                       const FrameMargins& m, int targetWidth)
{
    CDib copy(frame);
    if (profile.rotate == 1)
        copy.Rotate(nullptr, 3, 0);
    CDib cropped;
    copy.Crop(&cropped, m.left, m.top, copy.Width() - m.right, copy.Height() - m.bottom);
    auto result = std::make_unique<CDib>();
    cropped.ShrinkByFactor(result.get(), std::max(cropped.Width() / targetWidth, 1));
    profile.ProcessImage(1, *result);
    if (profile.pictureType == 2)
        result->ConvertToGrey(nullptr, 0);
    return result;
}

TEST(Preview, FrameMatchesTheSequenceStepByStep)
{
    const struct
    {
        int width, height, rotate, target;
        FrameMargins margins;
    } cases[] = {
        {203, 151, 1, 40, {3, 5, 7, 2}},  {203, 151, 0, 40, {3, 5, 7, 2}},
        {200, 150, 1, 400, {0, 0, 0, 0}}, {199, 97, 1, 33, {10, 0, 0, 11}},
        {64, 48, 1, 16, {1, 1, 1, 1}},    {1000, 301, 1, 100, {0, 0, 0, 0}},
        {1000, 301, 0, 70, {2, 1, 0, 0}}, {2592, 1944, 1, 640, {16, 12, 16, 12}},
    };
    for (const auto& c : cases)
    {
        CImageProfile profile(ProfileFlavour::Capture);
        profile.rotate = c.rotate;
        profile.reverse = 1;
        profile.pictureModes[0].contrast = 15;
        CDib frame;
        FillPattern(frame, c.width, c.height);
        const CDib untouched(frame);
        auto expected = ReferencePreview(profile, frame, c.margins, c.target);
        auto actual = MakePreviewFrame(profile, frame, c.margins, c.target);
        ASSERT_NE(actual, nullptr);
        EXPECT_TRUE(DibsMatch(*actual, *expected))
            << c.width << "x" << c.height << " r" << c.rotate;
        EXPECT_TRUE(DibsMatch(frame, untouched));
    }
}

TEST(Preview, BlackAndWhiteFilmShowsEightBitAndNothingIsDrawnForNoTarget)
{
    CImageProfile profile(ProfileFlavour::Capture);
    profile.pictureType = 2;
    CDib frame;
    FillPattern(frame, 80, 60);
    auto shown = MakePreviewFrame(profile, frame, {}, 20);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->BitsPerPixel(), 8);
    EXPECT_EQ(shown->Width(), 20);
    EXPECT_EQ(shown->Height(), 15);

    EXPECT_EQ(MakePreviewFrame(profile, frame, {}, 0), nullptr);
    EXPECT_EQ(MakePreviewFrame(profile, frame, {50, 0, 40, 0}, 20), nullptr);
    CDib empty;
    EXPECT_EQ(MakePreviewFrame(profile, empty, {}, 20), nullptr);
}

TEST(StillPicture, TurnsCropsResamplesAndProcesses)
{
    CImageProfile profile(ProfileFlavour::Capture);
    profile.reverse = 1;
    CDib frame;
    FillPattern(frame, 61, 43);
    const FrameMargins margins{4, 3, 2, 1};

    CDib expected(frame);
    expected.Rotate(nullptr, 3, 0);
    CDib cropped;
    expected.Crop(&cropped, 4, 3, 61 - 2, 43 - 1);
    profile.ProcessImage(0, cropped);

    CDib picture;
    std::string trace;
    ASSERT_EQ(MakeStillPicture(profile, frame, margins, 0, 0, picture, &trace), 1);
    EXPECT_TRUE(DibsMatch(picture, cropped));
    EXPECT_NE(trace.find("Rotate:"), std::string::npos);
    EXPECT_NE(trace.find("Crop:"), std::string::npos);
    EXPECT_EQ(trace.find("Resample:"), std::string::npos);

    // Same size as the crop: no resampling.
    ASSERT_EQ(MakeStillPicture(profile, frame, margins, 55, 39, picture, &trace), 1);
    EXPECT_TRUE(DibsMatch(picture, cropped));

    ASSERT_EQ(MakeStillPicture(profile, frame, margins, 30, 20, picture, &trace), 1);
    EXPECT_EQ(picture.Width(), 30);
    EXPECT_EQ(picture.Height(), 20);
    EXPECT_NE(trace.find("Resample:"), std::string::npos);

    EXPECT_EQ(MakeStillPicture(profile, frame, {40, 0, 40, 0}, 0, 0, picture), 0);
}

TEST(RestoreToBitmap, WritesTheProcessedPictureAsBmp)
{
    tavrel::test::Sandbox sandbox;
    CImageProfile profile(ProfileFlavour::Capture);
    profile.reverse = 1;
    CDib picture;
    FillPattern(picture, 17, 5);
    const std::string path = sandbox.Root() + "/restored.bmp";
    ASSERT_EQ(RestoreToBitmap(profile, picture, nullptr, path), 1);
    CDib loaded;
    loaded.LoadFile(path);
    EXPECT_TRUE(DibsMatch(loaded, picture));
    EXPECT_EQ(loaded.Row(0)[0], 255 - 0);
}

TEST(ReceivedPicture, EachKindGetsItsOwnTreatment)
{
    CImageProfile profile(ProfileFlavour::Manager);
    profile.reverse = 1;
    profile.doubleResolution = 1;
    CDib original;
    FillPattern(original, 12, 8);

    CDib processed(original);
    ASSERT_EQ(ProcessReceivedPicture(profile, 1008, processed), 1);
    EXPECT_TRUE(DibsMatch(processed, original));

    CDib raw(original);
    ASSERT_EQ(ProcessReceivedPicture(profile, 1001, raw), 1);
    CDib expected(original);
    expected.Invert(nullptr, 0, 0, 12, 8);
    ASSERT_EQ(DoublePictureSize(expected), 1);
    EXPECT_TRUE(DibsMatch(raw, expected));

    // A file is stored as it is, only doubled on request.
    CDib file(original);
    ASSERT_EQ(ProcessReceivedPicture(profile, 1003, file), 1);
    expected.CopyFrom(original);
    ASSERT_EQ(DoublePictureSize(expected), 1);
    EXPECT_TRUE(DibsMatch(file, expected));

    CDib empty;
    EXPECT_EQ(ProcessReceivedPicture(profile, 1001, empty), 0);
}

TEST(ReceivedPicture, GreyStaysGreyThroughDoubling)
{
    CImageProfile profile(ProfileFlavour::Manager);
    profile.gray = 1;
    profile.doubleResolution = 1;
    CDib colour;
    FillPattern(colour, 10, 6);
    CDib grey;
    ASSERT_EQ(colour.ConvertToGrey(&grey, 0), 1);
    ASSERT_EQ(DoublePictureSize(grey), 1);

    ASSERT_EQ(ProcessReceivedPicture(profile, 1001, colour), 1);
    EXPECT_EQ(colour.BitsPerPixel(), 8);
    EXPECT_EQ(colour.Width(), 20);
    EXPECT_TRUE(DibsMatch(colour, grey));

    // A grey file likewise, without the grey step.
    profile.gray = 0;
    CDib file;
    FillPattern(colour, 7, 5);
    ASSERT_EQ(colour.ConvertToGrey(&file, 0), 1);
    ASSERT_EQ(ProcessReceivedPicture(profile, 1003, file), 1);
    EXPECT_EQ(file.BitsPerPixel(), 8);
    EXPECT_EQ(file.Width(), 14);
}

} // namespace

} // namespace tavrel::test
