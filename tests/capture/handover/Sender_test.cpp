#include "capture/HandoverSender.h"
#include "platform/MessageBox.h"
#include "platform/SharedSection.h"
#include "platform/TempFiles.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tavrel
{
namespace
{

TEST(HandoverSender, WithoutManagerNothingIsLeftBehind)
{
    test::Sandbox sandbox;
    ClearRecordedMessageBoxes();
    {
        std::vector<std::string> log;
        CHandoverSender sender([&](const std::string& line) { log.push_back(line); });
        EXPECT_FALSE(sender.FindManager());
        EXPECT_EQ(sender.ManagerWindow(), 0u);
        EXPECT_TRUE(log.empty());
    }
    const auto boxes = RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Not Find Pelidor Window!");
    EXPECT_FALSE(SharedSection::Open(kPictureSectionName));
}

TEST(HandoverSender, AbandonedCaptureRemovesItsReservation)
{
    test::Sandbox sandbox;
    std::string reservation;
    {
        CHandoverSender sender;
        ASSERT_TRUE(sender.PrepareNames());
        const std::string picture = sender.PicturePath();
        ASSERT_GT(picture.size(), 4u);
        EXPECT_EQ(picture.substr(picture.size() - 8), ".tmp.bmp");
        reservation = picture.substr(0, picture.size() - 4);
        EXPECT_TRUE(fs::exists(reservation)); // the unique name's empty file
        EXPECT_FALSE(fs::exists(picture));    // only a name
        EXPECT_EQ(fs::path(picture).parent_path().string() + "/", GetTempPath());
    }
    EXPECT_FALSE(fs::exists(reservation));
}

} // namespace
} // namespace tavrel
