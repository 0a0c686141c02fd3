#include "ChannelHelpers.h"
#include "manager/ChannelTempFiles.h"
#include "manager/PictureStorage.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tavrel
{
namespace
{

TEST(StoredFileName, LocalTimeStamp)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 4;
    t.tm_hour = 5;
    t.tm_min = 6;
    t.tm_sec = 7;
    t.tm_isdst = -1;
    EXPECT_EQ(StoredFileStem(std::mktime(&t)), "2026-03-04-05-06-07");
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    t.tm_mon = 11;
    t.tm_mday = 31;
    EXPECT_EQ(StoredFileStem(std::mktime(&t)), "2026-12-31-23-59-59");
}

class StorageFiles : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
    std::string folder = sandbox.Root() + "/pictures";
    void SetUp() override { fs::create_directories(folder); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(StorageFiles, SameSecondGetsSuffixOnlyWhenTaken)
{
    CDib a;
    test::FillPattern(a, 16, 8, 0);
    std::string first;
    std::string second;
    std::string third;
    ASSERT_TRUE(WritePictureFile(a, kOutputJpeg, 0, folder, "2026-01-01-00-00-00", &first));
    EXPECT_EQ(first, folder + "/2026-01-01-00-00-00.jpg");
    const std::string before = test::ReadFile(first);
    CDib b;
    test::FillPattern(b, 16, 8, 99);
    ASSERT_TRUE(WritePictureFile(b, kOutputJpeg, 0, folder, "2026-01-01-00-00-00", &second));
    EXPECT_EQ(second, folder + "/2026-01-01-00-00-00_2.jpg");
    ASSERT_TRUE(WritePictureFile(b, kOutputTiff, 0, folder, "2026-01-01-00-00-00", &third));
    // A TIFF of the same second does not collide with the JPEG.
    EXPECT_EQ(third, folder + "/2026-01-01-00-00-00.tiff");
    EXPECT_EQ(test::ReadFile(first), before);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"2026-01-01-00-00-00.jpg", "2026-01-01-00-00-00.tiff",
                                        "2026-01-01-00-00-00_2.jpg"}));
}

TEST_F(StorageFiles, FailedWriteLeavesNothing)
{
    CDib a;
    test::FillPattern(a, 4, 4);
    std::string path = "unchanged";
    EXPECT_FALSE(WritePictureFile(a, kOutputJpeg, 0, folder + "/missing", "x", &path));
    EXPECT_EQ(path, "unchanged");
    CDib empty;
    EXPECT_FALSE(WritePictureFile(empty, kOutputTiff, 1, folder, "x", &path));
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(fs::exists(folder + "/missing"));
}

TEST_F(StorageFiles, ChannelTempFilesOnly)
{
    const std::string temp = GetTempPath();
    ASSERT_FALSE(temp.empty());
    const std::string reservation = GetTempFileName(temp);
    const std::string profile = reservation + "_cfg.xml";
    std::ofstream(profile) << "x";
    const std::string user = folder + "/holiday.jpg";
    std::ofstream(user) << "x";
    const std::string lookalike = folder + "/1A2B.tmp_cfg.xml";
    std::ofstream(lookalike) << "x";
    const std::string other = temp + "notes.txt";
    std::ofstream(other) << "x";
    fs::create_directories(temp + "sub");
    const std::string nested = temp + "sub/1A2B.tmp_cfg.xml";
    std::ofstream(nested) << "x";

    EXPECT_TRUE(IsChannelTempFile(reservation + ".bmp", temp));
    EXPECT_TRUE(IsChannelTempFile(profile, temp));
    EXPECT_FALSE(IsChannelTempFile(temp + "sub/../../1A2B.tmp_cfg.xml", temp));
    EXPECT_FALSE(IsChannelTempFile("1A2B.tmp_cfg.xml", temp));

    EXPECT_FALSE(DeleteChannelTempFile(user));
    EXPECT_FALSE(DeleteChannelTempFile(lookalike));
    EXPECT_FALSE(DeleteChannelTempFile(other));
    EXPECT_FALSE(DeleteChannelTempFile(nested));
    EXPECT_FALSE(DeleteChannelTempFile(reservation)); // the sender's own reservation
    EXPECT_TRUE(DeleteChannelTempFile(profile));
    EXPECT_FALSE(fs::exists(profile));
    EXPECT_TRUE(fs::exists(user));
    EXPECT_TRUE(fs::exists(lookalike));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(nested));
    EXPECT_TRUE(fs::exists(reservation));
}

} // namespace
} // namespace tavrel
