#include "ChainTestPictures.h"
#include "RecordingPlugin.h"
#include "imaging/ImageProfile.h"
#include "imaging/RestorationPlugin.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/ImageCompare.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace tavrel::test
{

namespace
{

const RecordedRestorationCall* Record(const CImageProfile& profile)
{
    auto fn = reinterpret_cast<RecordedCallFn>(dlsym(profile.pluginModule, "RecordedCall"));
    return fn != nullptr ? fn() : nullptr;
}

int g_progressCalls = 0;
int CountProgress(std::int32_t, std::int32_t)
{
    ++g_progressCalls;
    return 1;
}

bool SawMissingPluginMessage()
{
    const auto seen = tavrel::RecordedMessageBoxes();
    return std::find(seen.begin(), seen.end(), "Can't found Negative_Restoration.dll") !=
           seen.end();
}

class PluginTest : public ::testing::Test
{
protected:
    void UsePluginDir(const std::string& dir) { setenv("TAVREL_PLUGIN_DIR", dir.c_str(), 1); }
    void SetUp() override
    {
        UsePluginDir(TAVREL_TEST_PLUGIN_DIR "/full");
        tavrel::ClearRecordedMessageBoxes();
    }
    void TearDown() override { unsetenv("TAVREL_PLUGIN_DIR"); }

    tavrel::test::Sandbox sandbox;
};

TEST_F(PluginTest, ProgramsFolderThenTheSuitesLibraryFolderThenThePlainNameUnlessAFolderIsNamed)
{
    EXPECT_EQ(RestorationPluginCandidates(),
              std::vector<std::string>{TAVREL_TEST_PLUGIN_DIR "/full/Negative_Restoration.so"});
    unsetenv("TAVREL_PLUGIN_DIR");
    const auto names = RestorationPluginCandidates();
    const std::string exe = tavrel::ExecutableFolder();
    EXPECT_EQ(names, (std::vector<std::string>{exe + "/Negative_Restoration.so",
                                               exe + "/../lib/tavrel/Negative_Restoration.so",
                                               "Negative_Restoration.so"}));
    // The build tree is laid out as an installed suite: the shipped plug-in
    // is found from here without help.
    CImageProfile profile(ProfileFlavour::Manager);
    EXPECT_TRUE(profile.PluginLoaded());
    EXPECT_FALSE(SawMissingPluginMessage());
}

TEST_F(PluginTest, ManagerFullModeHandsBlockAndPixelsOverAndSeesTheChangeInPlace)
{
    CImageProfile profile(ProfileFlavour::Manager);
    ASSERT_TRUE(profile.PluginLoaded());
    ASSERT_NE(profile.restorationEntry, nullptr);
    EXPECT_FALSE(SawMissingPluginMessage());
    profile.denoiseEnabled = 1;
    profile.negative = 0x101;
    profile.pictureModes[0].color = 0x203;

    CDib picture;
    FillPattern(picture, 501, 403);
    const std::uint8_t* pixels = picture.Pixels();
    const RecordedRestorationCall* call = Record(profile);
    ASSERT_NE(call, nullptr);
    const int callsBefore = call->calls;
    ASSERT_EQ(profile.ProcessImage(0, picture), 1);

    EXPECT_EQ(call->calls, callsBefore + 1);
    EXPECT_EQ(call->blockAddress, &profile.block);
    EXPECT_EQ(call->pixels, pixels);
    EXPECT_EQ(call->block.height, 403);
    EXPECT_EQ(call->block.width, 501);
    EXPECT_EQ(call->block.awbRegion.left, 200);
    EXPECT_EQ(call->block.awbRegion.right, 301);
    EXPECT_EQ(call->block.awbRegion.top, 200);
    EXPECT_EQ(call->block.awbRegion.bottom, 203);
    EXPECT_EQ(call->block.aeRegion.left, 0);
    EXPECT_EQ(call->block.aeRegion.right, 501);
    EXPECT_EQ(call->block.aeRegion.top, 0);
    EXPECT_EQ(call->block.aeRegion.bottom, 403);
    EXPECT_EQ(call->block.negative, 1);
    EXPECT_EQ(call->block.CE_Sel, 3);
    EXPECT_EQ(call->block.denoiseSwitch, 1);

    EXPECT_EQ(picture.Pixels(), pixels);
    EXPECT_EQ(0, std::memcmp(picture.Row(0), kPluginFirstPixel, 3));
    EXPECT_EQ(0, std::memcmp(picture.Row(402) + 3 * 500, kPluginLastPixel, 3));
}

TEST_F(PluginTest, WhichRunsCallThePluginAndWithWhichDenoiseSwitch)
{
    CDib picture;
    FillPattern(picture, 8, 8);
    {
        // The manager: full mode with denoising only.
        CImageProfile manager(ProfileFlavour::Manager);
        ASSERT_NE(Record(manager), nullptr);
        const int before = Record(manager)->calls;
        manager.denoiseEnabled = 1;
        manager.ProcessImage(1, picture);
        manager.denoiseEnabled = 2;
        manager.block.AWB_En = 1;
        manager.ProcessImage(0, picture);
        EXPECT_EQ(Record(manager)->calls, before);
        manager.denoiseEnabled = 1;
        manager.ProcessImage(0, picture);
        EXPECT_EQ(Record(manager)->calls, before + 1);
    }
    // The capture program: the remove-noise box in full mode, the profile's
    // restoration switches in both modes; the box's choice is kept.
    CImageProfile capture(ProfileFlavour::Capture);
    const RecordedRestorationCall* call = Record(capture);
    ASSERT_NE(call, nullptr);
    struct Case
    {
        int mode, denoise, awb, ae;
        bool called;
        int denoiseSwitch;
    };
    const Case cases[] = {{0, 0, 0, 0, false, 0}, {1, 1, 0, 0, false, 0}, {0, 1, 0, 0, true, 1},
                          {1, 1, 1, 0, true, 0},  {1, 0, 0, 1, true, 0},  {0, 1, 0, 1, true, 1},
                          {0, 0, 1, 1, true, 0}};
    for (const Case& c : cases)
    {
        capture.denoiseEnabled = c.denoise;
        capture.block.AWB_En = std::uint8_t(c.awb);
        capture.block.AE_En = std::uint8_t(c.ae);
        const int before = call->calls;
        ASSERT_EQ(capture.ProcessImage(c.mode, picture), 1);
        EXPECT_EQ(call->calls, before + (c.called ? 1 : 0))
            << "mode " << c.mode << " denoise " << c.denoise << " awb " << c.awb << " ae " << c.ae;
        if (c.called)
        {
            EXPECT_EQ(call->block.denoiseSwitch, c.denoiseSwitch);
        }
        EXPECT_EQ(capture.denoiseEnabled, c.denoise);
    }
}

TEST_F(PluginTest, ProgressCallbackReachesThePlugin)
{
    CImageProfile profile(ProfileFlavour::Manager);
    g_progressCalls = 0;
    EXPECT_EQ(profile.SetProgressCallback(CountProgress), 1);
    profile.denoiseEnabled = 1;
    CDib picture;
    FillPattern(picture, 4, 4);
    const int before = Record(profile)->progressCalls;
    profile.ProcessImage(0, picture);
    EXPECT_EQ(g_progressCalls, 1);
    EXPECT_EQ(Record(profile)->progressCalls, before + 1);
    profile.SetProgressCallback(nullptr);
}

TEST_F(PluginTest, MissingExportSkipsItsStep)
{
    UsePluginDir(TAVREL_TEST_PLUGIN_DIR "/callback-only");
    CImageProfile profile(ProfileFlavour::Manager);
    ASSERT_TRUE(profile.PluginLoaded());
    EXPECT_EQ(profile.restorationEntry, nullptr);
    EXPECT_NE(profile.callbackSetterEntry, nullptr);
    profile.denoiseEnabled = 1;
    CDib picture;
    FillPattern(picture, 6, 5);
    CDib before(picture);
    EXPECT_EQ(profile.ProcessImage(0, picture), 1);
    EXPECT_TRUE(DibsMatch(picture, before));
    EXPECT_EQ(Record(profile)->calls, 0);
}

TEST_F(PluginTest, MissingLibraryIsReportedAndTheProfileStaysUsable)
{
    UsePluginDir(sandbox.Root());
    CImageProfile profile(ProfileFlavour::Manager);
    EXPECT_FALSE(profile.PluginLoaded());
    EXPECT_EQ(profile.restorationEntry, nullptr);
    EXPECT_EQ(profile.callbackSetterEntry, nullptr);
    EXPECT_TRUE(SawMissingPluginMessage());
    EXPECT_EQ(profile.SetProgressCallback(CountProgress), 1);
    profile.denoiseEnabled = 1;
    profile.reverse = 1;
    CDib picture;
    FillPattern(picture, 3, 2);
    const std::uint8_t first = picture.Row(0)[0];
    EXPECT_EQ(profile.ProcessImage(0, picture), 1);
    EXPECT_EQ(picture.Row(0)[0], 255 - first);
}

} // namespace

} // namespace tavrel::test
