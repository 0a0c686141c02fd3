#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/Utf.h"
#include "support/Files.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tavrel::test
{

namespace
{

void WriteAll(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string Table(int count, int first = 0, int step = 1)
{
    std::string t;
    for (int i = 0; i < count; ++i)
    {
        if (i > 0)
            t += ',';
        t += std::to_string(first + i * step);
    }
    return t;
}

// A profile file in the writer's order with the given gTable list and the
// chosen optional parts.
std::string ProfileText(const std::string& table, bool withPictype = true,
                        const std::string& picmodes = {})
{
    std::string t =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<imgcfg>\n"
        "<reverse>1</reverse><rotate>0</rotate><gray>1</gray><negative>0</negative>\n"
        "<AWB AWB_En=\"300\"><AwbRegion_L>11</AwbRegion_L><AwbRegion_U>12</AwbRegion_U></AWB>\n"
        "<AE AE_En=\"1\"><TargetY>300</TargetY><AERegion_L>-5</AERegion_L>"
        "<AERegion_U>77</AERegion_U></AE>\n"
        "<AC AC_En=\"1\"/>\n"
        "<CE CE_Sel=\"2\"><gTable>" +
        table +
        "</gTable></CE>\n"
        "<Denoise Denoise_En=\"1\"><scale>3</scale></Denoise>\n"
        "<delta><scale>-4</scale></delta>\n"
        "<strength><scale>1.250000</scale></strength>\n"
        "<ColorBalance><R_delta>5</R_delta><G_delta>-6</G_delta><B_delta>7</B_delta>"
        "</ColorBalance>\n";
    if (picmodes.empty())
    {
        for (int id = 0; id < 4; ++id)
        {
            t += "<picmode id=\"" + std::to_string(id) + "\"><color>" + std::to_string(id + 1) +
                 "</color><ae>2</ae><bright>" + std::to_string(10 * id) +
                 "</bright><contrast>4</contrast><r>5</r><g>6</g><b>7</b><saturation>8"
                 "</saturation></picmode>\n";
        }
    }
    else
    {
        t += picmodes;
    }
    t += "<dpi>1</dpi>\n";
    if (withPictype)
        t += "<pictype>2</pictype>\n";
    t += "<picmodesel>3</picmodesel>\n</imgcfg>\n";
    return t;
}

class ProfileTest : public ::testing::Test
{
protected:
    std::string PathOf(const std::string& name) const { return sandbox.Root() + "/" + name; }

    tavrel::test::Sandbox sandbox;
};

TEST_F(ProfileTest, ConstructionGivesTheDocumentedDefaults)
{
    for (ProfileFlavour flavour : {ProfileFlavour::Capture, ProfileFlavour::Manager})
    {
        CImageProfile p(flavour);
        EXPECT_EQ(p.pictureModeSelect, 0);
        EXPECT_EQ(p.gray, 0);
        EXPECT_EQ(p.doubleResolution, 0);
        EXPECT_EQ(p.reverse, 0);
        EXPECT_EQ(p.rotate, 1);
        EXPECT_EQ(p.negative, 1);
        EXPECT_EQ(p.block.awbRegion.left, 200);
        EXPECT_EQ(p.block.awbRegion.top, 200);
        EXPECT_EQ(p.block.reserved2, 0);
        EXPECT_TRUE(p.profilePath.empty());
        EXPECT_EQ(p.Flavour(), flavour);
    }
}

TEST_F(ProfileTest, ReadsEveryFieldWithByteTruncation)
{
    const std::string path = PathOf("full.xml");
    WriteAll(path, ProfileText(Table(255, 0, 1) + ",256,-1"));
    for (ProfileFlavour flavour : {ProfileFlavour::Capture, ProfileFlavour::Manager})
    {
        CImageProfile p(flavour);
        ASSERT_EQ(p.LoadProfile(path), 1);
        EXPECT_EQ(p.profilePath, path);
        EXPECT_EQ(p.reverse, 1);
        EXPECT_EQ(p.rotate, 0);
        EXPECT_EQ(p.gray, 1);
        EXPECT_EQ(p.negative, 0);
        EXPECT_EQ(p.block.AWB_En, 44); // 300 keeps its low byte
        EXPECT_EQ(p.block.awbRegion.left, 200) << "AwbRegion_L is never read";
        EXPECT_EQ(p.block.AE_En, 1);
        EXPECT_EQ(p.block.TargetY, 44);
        EXPECT_EQ(p.block.aeRegion.left, -5);
        EXPECT_EQ(p.block.aeRegion.top, 77);
        EXPECT_EQ(p.block.AC_En, 1);
        EXPECT_EQ(p.block.CE_Sel, 2);
        EXPECT_EQ(p.block.gTable[0], 0);
        EXPECT_EQ(p.block.gTable[254], 254);
        EXPECT_EQ(p.block.gTable[255], 0) << "256 is stored as 0";
        EXPECT_EQ(p.denoiseEnabled, 1);
        EXPECT_EQ(p.block.denoiseScale, 3);
        EXPECT_EQ(p.block.deltaScale, -4);
        EXPECT_DOUBLE_EQ(p.block.strength, 1.25);
        EXPECT_EQ(p.block.R_delta, 5);
        EXPECT_EQ(p.block.G_delta, -6);
        EXPECT_EQ(p.block.B_delta, 7);
        for (int id = 0; id < 4; ++id)
        {
            EXPECT_EQ(p.pictureModes[id].color, id + 1);
            EXPECT_EQ(p.pictureModes[id].ae, 2);
            EXPECT_EQ(p.pictureModes[id].bright, 10 * id);
            EXPECT_EQ(p.pictureModes[id].contrast, 4);
            EXPECT_EQ(p.pictureModes[id].r, 5);
            EXPECT_EQ(p.pictureModes[id].g, 6);
            EXPECT_EQ(p.pictureModes[id].b, 7);
            EXPECT_EQ(p.pictureModes[id].saturation, 8);
        }
        EXPECT_EQ(p.doubleResolution, 1);
        EXPECT_EQ(p.pictureType, 2);
        EXPECT_EQ(p.pictureModeSelect, 3);
    }
}

TEST_F(ProfileTest, GammaTableListsOfOtherLengths)
{
    CImageProfile p(ProfileFlavour::Manager);
    for (int i = 0; i < 256; ++i)
        p.block.gTable[i] = std::uint8_t(200);

    // -1 is stored as 255; a short list leaves the rest as it was.
    const std::string shortPath = PathOf("short.xml");
    WriteAll(shortPath, ProfileText("-1,9,8"));
    ASSERT_EQ(p.LoadProfile(shortPath), 1);
    EXPECT_EQ(p.block.gTable[0], 255);
    EXPECT_EQ(p.block.gTable[1], 9);
    EXPECT_EQ(p.block.gTable[2], 8);
    EXPECT_EQ(p.block.gTable[3], 200);
    EXPECT_EQ(p.block.gTable[255], 200);

    // Numbers beyond the 256 entries are ignored and never reach the fields
    // that follow the table.
    p.block.denoiseSwitch = 0x5A;
    const std::string longPath = PathOf("long.xml");
    WriteAll(longPath, ProfileText(Table(300, 1, 0)));
    ASSERT_EQ(p.LoadProfile(longPath), 1);
    EXPECT_EQ(p.block.gTable[0], 1);
    EXPECT_EQ(p.block.gTable[255], 1);
    EXPECT_EQ(p.block.denoiseSwitch, 0x5A);
    EXPECT_EQ(p.block.denoiseScale, 3);

    // An empty list stores nothing.
    const std::string emptyPath = PathOf("empty.xml");
    WriteAll(emptyPath, ProfileText(""));
    ASSERT_EQ(p.LoadProfile(emptyPath), 1);
    EXPECT_EQ(p.block.gTable[0], 1);
}

TEST_F(ProfileTest, OptionalElementsAndUnknownModesKeepPreviousValues)
{
    CImageProfile p(ProfileFlavour::Capture);
    p.pictureType = 10;
    p.pictureModes[1].bright = 91;
    p.pictureModes[2].bright = 92;
    const std::string modes =
        "<picmode id=\"0\"><color>1</color><ae>0</ae><bright>50</bright><contrast>0</contrast>"
        "<r>0</r><g>0</g><b>0</b><saturation>0</saturation></picmode>\n"
        "<picmode id=\"7\"><color>1</color><ae>0</ae><bright>70</bright><contrast>0</contrast>"
        "<r>0</r><g>0</g><b>0</b><saturation>0</saturation></picmode>\n"
        "<picmode id=\"3\"><color>1</color><ae>0</ae><bright>53</bright><contrast>0</contrast>"
        "<r>0</r><g>0</g><b>0</b><saturation>0</saturation></picmode>\n";
    const std::string path = PathOf("partial.xml");
    WriteAll(path, ProfileText("1", false, modes));
    ASSERT_EQ(p.LoadProfile(path), 1);
    EXPECT_EQ(p.pictureType, 10);
    EXPECT_EQ(p.pictureModes[0].bright, 50);
    EXPECT_EQ(p.pictureModes[1].bright, 91);
    EXPECT_EQ(p.pictureModes[2].bright, 92);
    EXPECT_EQ(p.pictureModes[3].bright, 53);

    // A file without the leading switches leaves them as they were.
    CImageProfile q(ProfileFlavour::Manager);
    q.reverse = 1;
    const std::string bare = PathOf("bare.xml");
    WriteAll(bare, "<?xml version=\"1.0\" encoding=\"utf-8\"?><imgcfg><dpi>1</dpi></imgcfg>");
    ASSERT_EQ(q.LoadProfile(bare), 1);
    EXPECT_EQ(q.reverse, 1);
    EXPECT_EQ(q.rotate, 1);
    EXPECT_EQ(q.negative, 1);
    EXPECT_EQ(q.doubleResolution, 1);
}

TEST_F(ProfileTest, FailedLoadsKeepValuesAndPath)
{
    const std::string good = PathOf("good.xml");
    WriteAll(good, ProfileText("5"));
    for (ProfileFlavour flavour : {ProfileFlavour::Capture, ProfileFlavour::Manager})
    {
        CImageProfile p(flavour);
        ASSERT_EQ(p.LoadProfile(good), 1);
        EXPECT_EQ(p.LoadProfile(PathOf("missing.xml")), 0);
        EXPECT_EQ(p.profilePath, good);
        EXPECT_EQ(p.reverse, 1);
        EXPECT_EQ(p.block.gTable[0], 5);

        const std::string bad = PathOf("bad.xml");
        WriteAll(bad, "<imgcfg><reverse>0</reverse></gray>");
        EXPECT_EQ(p.LoadProfile(bad), 0);
        EXPECT_EQ(p.profilePath, good);
        EXPECT_EQ(p.reverse, 1);
    }
}

TEST_F(ProfileTest, WriterOrderTableLengthAndStrengthFormat)
{
    CImageProfile p(ProfileFlavour::Capture);
    for (int i = 0; i < 256; ++i)
        p.block.gTable[i] = std::uint8_t(i);
    p.SetStrengthPercent(50);
    const std::string text = tavrel::Utf16ToUtf8(p.BuildProfileDocument());

    const char* order[] = {"<reverse", "<rotate", "<gray",     "<negative",
                           "<AWB",     "<AE",     "<AC",       "<CE",
                           "<Denoise", "<delta",  "<strength", "<ColorBalance",
                           "<picmode", "<dpi",    "<pictype",  "<picmodesel"};
    std::size_t at = text.find("<imgcfg");
    ASSERT_NE(at, std::string::npos);
    for (const char* tag : order)
    {
        const std::size_t next = text.find(tag, at + 1);
        ASSERT_NE(next, std::string::npos) << tag;
        EXPECT_GT(next, at) << tag;
        at = next;
    }
    EXPECT_NE(text.find(">1.500000<"), std::string::npos);
    EXPECT_EQ(text.find("AC_En"), std::string::npos);
    // 255 numbers: entry 255 is not written.
    const std::size_t open = text.find("<gTable>");
    const std::size_t close = text.find("</gTable>");
    ASSERT_NE(open, std::string::npos);
    const std::string list = text.substr(open + 8, close - open - 8);
    EXPECT_EQ(list, Table(255));
    int picmodes = 0;
    for (std::size_t i = text.find("<picmode "); i != std::string::npos;
         i = text.find("<picmode ", i + 1))
        ++picmodes;
    EXPECT_EQ(picmodes, 4);
}

TEST_F(ProfileTest, StrengthPercentMapsOntoZeroToTwo)
{
    CImageProfile p(ProfileFlavour::Capture);
    const struct
    {
        int percent;
        double strength;
        const char* text;
    } cases[] = {{-100, 0.0, "0.000000"},
                 {0, 1.0, "1.000000"},
                 {50, 1.5, "1.500000"},
                 {-25, 0.75, "0.750000"},
                 {100, 2.0, "2.000000"}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(p.SetStrengthPercent(c.percent), 1);
        EXPECT_DOUBLE_EQ(p.block.strength, c.strength) << c.percent;
        const std::string text = tavrel::Utf16ToUtf8(p.BuildProfileDocument());
        EXPECT_NE(text.find(std::string("<scale>") + c.text + "</scale>"), std::string::npos)
            << c.percent;
    }
}

TEST_F(ProfileTest, SavedProfileReadsBackExceptTheUnwrittenFields)
{
    CImageProfile a(ProfileFlavour::Capture);
    a.reverse = 1;
    a.rotate = 0;
    a.gray = 1;
    a.negative = 0;
    a.block.AWB_En = 1;
    a.block.awbRegion = {1, 2, 3, 4};
    a.block.AE_En = 1;
    a.block.TargetY = 99;
    a.block.aeRegion.left = 13;
    a.block.aeRegion.top = 14;
    a.block.AC_En = 1;
    a.block.CE_Sel = 3;
    for (int i = 0; i < 256; ++i)
        a.block.gTable[i] = std::uint8_t(255 - i);
    a.denoiseEnabled = 1;
    a.block.denoiseScale = 6;
    a.SetDeltaScale(-8);
    a.SetStrengthPercent(-40);
    a.SetColorBalance(-1, 2, -3);
    for (int id = 0; id < 4; ++id)
        a.pictureModes[id] = {id, id + 1, -id, 2 * id, 3, -4, 5, 100 + id};
    a.SetDoubleResolution(1);
    a.SetPictureType(1);
    a.pictureModeSelect = 2;
    const std::string path = PathOf("saved.xml");
    ASSERT_EQ(a.SaveProfileAs(path), 1);
    EXPECT_TRUE(a.profilePath.empty()) << "SaveProfileAs keeps the path";

    CImageProfile b(ProfileFlavour::Capture);
    b.block.gTable[255] = 42;
    b.block.awbRegion = {7, 7, 7, 7};
    ASSERT_EQ(b.LoadProfile(path), 1);
    EXPECT_EQ(b.reverse, 1);
    EXPECT_EQ(b.rotate, 0);
    EXPECT_EQ(b.gray, 1);
    EXPECT_EQ(b.negative, 0);
    EXPECT_EQ(b.block.AWB_En, 1);
    EXPECT_EQ(b.block.awbRegion.left, 7);
    EXPECT_EQ(b.block.awbRegion.top, 7);
    EXPECT_EQ(b.block.AE_En, 1);
    EXPECT_EQ(b.block.TargetY, 99);
    EXPECT_EQ(b.block.aeRegion.left, 13);
    EXPECT_EQ(b.block.aeRegion.top, 14);
    EXPECT_EQ(b.block.AC_En, 0);
    EXPECT_EQ(b.block.CE_Sel, 3);
    for (int i = 0; i < 255; ++i)
        ASSERT_EQ(b.block.gTable[i], 255 - i) << i;
    EXPECT_EQ(b.block.gTable[255], 42);
    EXPECT_EQ(b.denoiseEnabled, 1);
    EXPECT_EQ(b.block.denoiseScale, 6);
    EXPECT_EQ(b.block.deltaScale, -8);
    EXPECT_DOUBLE_EQ(b.block.strength, 0.6);
    EXPECT_EQ(b.block.R_delta, -1);
    EXPECT_EQ(b.block.G_delta, 2);
    EXPECT_EQ(b.block.B_delta, -3);
    for (int id = 0; id < 4; ++id)
    {
        const PictureMode& m = b.pictureModes[id];
        EXPECT_EQ(m.color, id);
        EXPECT_EQ(m.ae, id + 1);
        EXPECT_EQ(m.bright, -id);
        EXPECT_EQ(m.contrast, 2 * id);
        EXPECT_EQ(m.r, 3);
        EXPECT_EQ(m.g, -4);
        EXPECT_EQ(m.b, 5);
        EXPECT_EQ(m.saturation, 100 + id);
    }
    EXPECT_EQ(b.GetDoubleResolution(), 1);
    EXPECT_EQ(b.GetPictureType(), 1);
    EXPECT_EQ(b.pictureModeSelect, 2);

    // SaveProfile writes back to the loaded path.
    b.SetDenoiseEnabled(0);
    ASSERT_EQ(b.SaveProfile(), 1);
    CImageProfile c(ProfileFlavour::Manager);
    ASSERT_EQ(c.LoadProfile(path), 1);
    EXPECT_EQ(c.GetDenoiseEnabled(), 0);
}

TEST_F(ProfileTest, SavingWithoutPathOrIntoAMissingFolderFails)
{
    CImageProfile p(ProfileFlavour::Capture);
    EXPECT_EQ(p.SaveProfile(), 0);
    const std::string path = PathOf("no/such/folder/p.xml");
    EXPECT_EQ(p.SaveProfileAs(path), 0);
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(ProfileTest, SavingReplacesTheFileWithoutLeftovers)
{
    CImageProfile p(ProfileFlavour::Capture);
    const std::string path = PathOf("replace.xml");
    WriteAll(path, std::string(100000, 'x'));
    p.reverse = 1;
    ASSERT_EQ(p.SaveProfileAs(path), 1);
    const std::string text = tavrel::test::ReadFile(path);
    EXPECT_EQ(text.find("xxx"), std::string::npos);
    EXPECT_NE(text.find("imgcfg"), std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(PathOf("")))
        EXPECT_EQ(entry.path().filename().string().find("replace.xml."), std::string::npos)
            << entry.path();
}

TEST_F(ProfileTest, ActiveModeStaysInsideTheTable)
{
    CImageProfile p(ProfileFlavour::Manager);
    p.pictureModes[0].bright = 10;
    p.pictureModes[3].bright = 13;
    p.pictureModeSelect = 3;
    EXPECT_EQ(p.ActiveMode().bright, 13);
    for (int bad : {-1, 4, 1000})
    {
        p.pictureModeSelect = bad;
        EXPECT_EQ(p.ActiveModeIndex(), 0);
        EXPECT_EQ(p.ActiveMode().bright, 10);
    }
}

TEST_F(ProfileTest, CalibrationLeavesTheProfileFileAlone)
{
    CImageProfile p(ProfileFlavour::Capture);
    p.reverse = 1;
    const std::u16string before = p.BuildProfileDocument();
    EXPECT_EQ(p.SelectCalibrationFile("Positive.ver"), 0) << "no reference yet";
    CDib picture;
    picture.Create(64, 48, 24, 300);
    std::memset(picture.Pixels(), 200, picture.PixelBytes());
    EXPECT_EQ(p.Calibrate(picture), 1);
    EXPECT_EQ(p.BuildProfileDocument(), before);
}

} // namespace

} // namespace tavrel::test
