#include "capture/SensorProfile.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tavrel::test
{

namespace fs = std::filesystem;

namespace
{

class SensorProfileTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    tavrel::test::Sandbox m_sandbox;
    fs::path m_dir = m_sandbox.Home();
};

const char* const kFull = R"(<?xml version="1.0" encoding="utf-8"?>
<sensor>
<type>7</type>
<capture stillmode="0" stillwidth="1600" stillheight="1200"/>
<preview width="800" height="600" framerate="15"/>
<crop left="1" top="2" right="3" bottom="4"/>
<resize width="1000" height="750"/>
<prevcrop left="5" top="6" right="7" bottom="8"/>
<stillwaittime>250</stillwaittime>
<dpitext dpi18="1800dpi" dpi36="3600dpi"/>
</sensor>)";

} // namespace

TEST_F(SensorProfileTest, DialogAndGraphReadTheirElements)
{
    const std::string path = Write("sensor.xml", kFull);
    SensorSettings s;
    ASSERT_TRUE(ReadSensorSettings(path, s));
    EXPECT_EQ(s.sensorType, 7);
    EXPECT_EQ(s.stillMode, 0);
    EXPECT_EQ(s.captureCrop.left, 1);
    EXPECT_EQ(s.captureCrop.bottom, 4);
    EXPECT_EQ(s.outputWidth, 1000);
    EXPECT_EQ(s.outputHeight, 750);
    EXPECT_EQ(s.previewCrop.top, 6);
    EXPECT_EQ(s.previewCrop.right, 7);
    EXPECT_EQ(s.stillWaitTimeMs, 250);
    EXPECT_EQ(s.dpi18Label, "1800dpi");
    EXPECT_EQ(s.dpi36Label, "3600dpi");

    GraphSettings g;
    ASSERT_TRUE(ReadGraphSettings(path, g));
    EXPECT_EQ(g.stillMode, 0);
    EXPECT_EQ(g.stillWidth, 1600);
    EXPECT_EQ(g.stillHeight, 1200);
    EXPECT_EQ(g.previewWidth, 800);
    EXPECT_EQ(g.previewHeight, 600);
    EXPECT_EQ(g.frameRate, 15);
}

TEST_F(SensorProfileTest, MissingFileKeepsEachSidesDefaults)
{
    SensorSettings s;
    GraphSettings g;
    EXPECT_FALSE(ReadSensorSettings((m_dir / "none.xml").string(), s));
    EXPECT_FALSE(ReadGraphSettings((m_dir / "none.xml").string(), g));
    EXPECT_EQ(s.stillMode, 1);
    EXPECT_EQ(s.stillWaitTimeMs, 500);
    EXPECT_EQ(s.dpi18Label, "1800 dpi");
    EXPECT_EQ(g.stillMode, 0);
    EXPECT_EQ(g.stillWidth, 2592);
    EXPECT_EQ(g.previewHeight, 480);
    EXPECT_EQ(g.frameRate, 30);
}

TEST_F(SensorProfileTest, ResizeBeforeCropIsNotFoundButLaterElementsAre)
{
    const std::string path = Write("sensor.xml", R"(<sensor>
<resize width="900" height="700"/>
<crop left="10" top="11" right="12" bottom="13"/>
<prevcrop left="1" top="1" right="1" bottom="1"/>
<stillwaittime>99</stillwaittime>
</sensor>)");
    SensorSettings s;
    ASSERT_TRUE(ReadSensorSettings(path, s));
    EXPECT_EQ(s.captureCrop.left, 10);
    EXPECT_EQ(s.outputWidth, 0);
    EXPECT_EQ(s.outputHeight, 0);
    EXPECT_EQ(s.previewCrop.left, 1);
    EXPECT_EQ(s.stillWaitTimeMs, 99);
}

TEST_F(SensorProfileTest, PhotoSizeReadsOnlyGeometryAndKeepsWhatIsMissing)
{
    const std::string path = Write("sensor_4x6.xml", R"(<sensor>
<type>3</type><capture stillmode="0"/>
<crop left="20" top="21" right="22" bottom="23"/>
<stillwaittime>x12</stillwaittime>
</sensor>)");
    SensorSettings s;
    s.outputWidth = 640;
    s.previewCrop.left = 9;
    ASSERT_TRUE(ReadPhotoSizeGeometry(path, s));
    EXPECT_EQ(s.stillMode, 1); // not read here
    EXPECT_EQ(s.sensorType, 0);
    EXPECT_EQ(s.captureCrop.bottom, 23);
    EXPECT_EQ(s.outputWidth, 640);
    EXPECT_EQ(s.previewCrop.left, 9);
    EXPECT_EQ(s.stillWaitTimeMs, 0); // non-numeric text reads as 0
}

TEST_F(SensorProfileTest, TypefileRoundTripAndDefaults)
{
    const std::string path = (m_dir / "Typefile.xml").string();
    EXPECT_EQ(ReadTypefile(path), -1);
    ASSERT_TRUE(WriteTypefile(path, 3));
    EXPECT_EQ(ReadTypefile(path), 3);
    ASSERT_TRUE(WriteTypefile(path, 2));
    EXPECT_EQ(ReadTypefile(path), 2);
    Write("Typefile.xml", "<?xml version=\"1.0\"?><TypeConfig></TypeConfig>");
    EXPECT_EQ(ReadTypefile(path), 1);
}

TEST_F(SensorProfileTest, IniReadersAndPreviewFormatWriter)
{
    const std::string card = Write("TypeNameCard.ini", "[TypeNameCard]\r\nnTypeNameCard=1\r\n");
    EXPECT_EQ(ReadTypeNameCard(card), 1);
    EXPECT_EQ(ReadTypeNameCard((m_dir / "missing.ini").string()), 0);
    const std::string preview = (m_dir / "preview.ini").string();
    EXPECT_EQ(ReadPreviewFormat(preview), 0);
    ASSERT_TRUE(WritePreviewFormat(2, preview));
    EXPECT_EQ(ReadPreviewFormat(preview), 2);
}

TEST(DecimalValue, ReadsAsWtoi)
{
    EXPECT_EQ(DecimalValue(u"  42px"), 42);
    EXPECT_EQ(DecimalValue(u"-7"), -7);
    EXPECT_EQ(DecimalValue(u"abc"), 0);
    EXPECT_EQ(DecimalValue(u""), 0);
}

} // namespace tavrel::test
