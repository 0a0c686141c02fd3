#include "shared/PictureDescriptor.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavrel
{
namespace
{

TEST(PictureDescriptor, GoldenBytes)
{
    PictureDescriptor d;
    d.width = 0x01020304;
    d.height = 1944;
    d.bitsPerPixel = 24;
    d.picturePath = u"/t/A\u00e9.bmp";
    d.profilePath = u"/t/B_cfg.xml";
    d.outputFormat = 1;
    d.bitDepthIndex = -2;
    const auto bytes = BuildPictureDescriptor(d);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(bytes->size(), 1068u);

    const std::uint8_t head[16] = {1, 0, 0, 0, 4, 3, 2, 1, 0x98, 0x07, 0, 0, 24, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes->data(), head, 16), 0);
    const std::uint8_t picture[20] = {'/', 0, 't', 0, '/', 0, 'A', 0, 0xE9, 0,
                                      '.', 0, 'b', 0, 'm', 0, 'p', 0, 0,    0};
    EXPECT_EQ(std::memcmp(bytes->data() + 16, picture, 20), 0);
    const std::uint8_t profile[4] = {'/', 0, 't', 0};
    EXPECT_EQ(std::memcmp(bytes->data() + 536, profile, 4), 0);
    const std::uint8_t tail[12] = {0, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(bytes->data() + 1056, tail, 12), 0);
    // Everything between the paths' ends and the next field is the zero fill.
    for (std::size_t i = 16 + 18; i < 536; ++i)
        ASSERT_EQ((*bytes)[i], 0) << i;
    for (std::size_t i = 536 + 24; i < 1056; ++i)
        ASSERT_EQ((*bytes)[i], 0) << i;
}

TEST(PictureDescriptor, ReadsWhatWasBuilt)
{
    PictureDescriptor d;
    d.width = 7;
    d.height = 9;
    d.bitsPerPixel = 24;
    d.picturePath = u"/tmp/x/\u4e2d\u6587.tmp.bmp";
    d.profilePath = u"/tmp/x/1.tmp_cfg.xml";
    d.outputFormat = kOutputTiff;
    d.bitDepthIndex = kBitDepth48;
    const auto bytes = BuildPictureDescriptor(d);
    ASSERT_TRUE(bytes);
    const auto back = ReadPictureDescriptor(bytes->data(), bytes->size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->signature, 1);
    EXPECT_EQ(back->width, 7);
    EXPECT_EQ(back->height, 9);
    EXPECT_EQ(back->picturePath, d.picturePath);
    EXPECT_EQ(back->profilePath, d.profilePath);
    EXPECT_EQ(back->outputFormat, kOutputTiff);
    EXPECT_EQ(back->bitDepthIndex, kBitDepth48);
}

TEST(PictureDescriptor, PathLimits)
{
    PictureDescriptor d;
    d.picturePath.assign(259, u'a');
    d.profilePath = u"p";
    const auto full = BuildPictureDescriptor(d);
    ASSERT_TRUE(full);
    EXPECT_EQ((*full)[16 + 2 * 258], 'a');
    EXPECT_EQ((*full)[16 + 2 * 259], 0);
    EXPECT_EQ(ReadPictureDescriptor(full->data(), full->size())->picturePath.size(), 259u);

    d.picturePath.assign(260, u'a');
    EXPECT_FALSE(BuildPictureDescriptor(d));
    d.picturePath = u"a";
    d.profilePath.assign(300, u'b');
    EXPECT_FALSE(BuildPictureDescriptor(d));
    d.profilePath = std::u16string(u"a\0b", 3);
    EXPECT_FALSE(BuildPictureDescriptor(d));
}

TEST(PictureDescriptor, RefusesMalformedRecords)
{
    PictureDescriptor d;
    d.picturePath = u"a";
    d.profilePath = u"b";
    auto bytes = *BuildPictureDescriptor(d);
    EXPECT_FALSE(ReadPictureDescriptor(bytes.data(), 1067));
    EXPECT_FALSE(ReadPictureDescriptor(nullptr, 1068));
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    EXPECT_FALSE(ReadPictureDescriptor(longer.data(), longer.size()));

    // A path field without its terminator is not read beyond the field.
    for (std::size_t i = 536; i < 1056; ++i)
        bytes[i] = 'x';
    EXPECT_FALSE(ReadPictureDescriptor(bytes.data(), bytes.size()));
}

TEST(PictureDescriptor, SectionStride)
{
    EXPECT_EQ(SectionStride(1, 24), 4u);
    EXPECT_EQ(SectionStride(2, 24), 8u);
    EXPECT_EQ(SectionStride(4, 24), 12u);
    EXPECT_EQ(SectionStride(2592, 24), 7776u);
    EXPECT_EQ(SectionStride(3, 8), 4u);
    EXPECT_EQ(SectionStride(0, 24), 0u);
    EXPECT_EQ(SectionStride(-5, 24), 0u);
}

} // namespace
} // namespace tavrel
