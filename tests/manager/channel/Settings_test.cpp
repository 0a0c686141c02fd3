#include "ChannelHelpers.h"
#include "browser/UserFolders.h"
#include "manager/UserSettings.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tavrel
{
namespace
{

class Settings : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
    std::string path = sandbox.Root() + "/UserInfo.xml";
    void Write(const std::string& text) { std::ofstream(path) << text; }
};

TEST_F(Settings, ShippedDefaults)
{
    std::filesystem::copy_file(test::ShippedFile("UserInfo.xml"), path);
    CUserSettings settings(path);
    int mode = -1;
    EXPECT_EQ(settings.GetDefaultViewMode(mode), 1);
    EXPECT_EQ(mode, 0);
    std::string item = "x";
    EXPECT_EQ(settings.GetSelectedItem(item), 1);
    EXPECT_EQ(item, "");
}

TEST_F(Settings, WritesAreReadBackFromTheFile)
{
    Write("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><fileview defaultviewmdoe=\"0\"/>"
          "<folderview selItem=\"a\" sel=\"s1\"/></root>\n");
    CUserSettings settings(path);
    EXPECT_EQ(settings.SetDefaultViewMode(1), 1);
    EXPECT_EQ(settings.SetSelectedItem("桌面\\Pictures"), 1);
    EXPECT_NE(test::ReadFile(path).find("defaultviewmdoe=\"1\""), std::string::npos);
    CUserSettings other(path); // a second reader sees the file, not a cache
    int mode = 0;
    EXPECT_EQ(other.GetDefaultViewMode(mode), 1);
    EXPECT_EQ(mode, 1);
    std::string item;
    EXPECT_EQ(other.GetSelectedItem(item), 1);
    EXPECT_EQ(item, "桌面\\Pictures");
    std::string sel;
    EXPECT_EQ(other.GetSelection(sel), 1);
    EXPECT_EQ(sel, "s1");
}

TEST_F(Settings, MissingAttributeIsAddedAndValuesConvertLikeWtoi)
{
    Write("<root><fileview/><folderview/></root>");
    CUserSettings settings(path);
    int mode = 5;
    EXPECT_EQ(settings.GetDefaultViewMode(mode), 1);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(settings.SetDefaultViewMode(2), 1);
    EXPECT_EQ(settings.GetDefaultViewMode(mode), 1);
    EXPECT_EQ(mode, 2);
    Write("<root><fileview defaultviewmdoe=\" 12abc\"/></root>");
    EXPECT_EQ(settings.GetDefaultViewMode(mode), 1);
    EXPECT_EQ(mode, 12);
    // No folderview element: the write does nothing.
    EXPECT_EQ(settings.SetSelectedItem("x"), 0);
    EXPECT_EQ(test::ReadFile(path), "<root><fileview defaultviewmdoe=\" 12abc\"/></root>");
}

TEST_F(Settings, MissingFileLeavesOutputsAndCreatesNothing)
{
    CUserSettings settings(path);
    int mode = 7;
    std::string item = "keep";
    EXPECT_EQ(settings.GetDefaultViewMode(mode), 0);
    EXPECT_EQ(settings.GetSelectedItem(item), 0);
    EXPECT_EQ(settings.SetDefaultViewMode(1), 0);
    EXPECT_EQ(settings.SetSelectedItem("a"), 0);
    EXPECT_EQ(mode, 7);
    EXPECT_EQ(item, "keep");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(UserFolders, ReadsXdgUserDirs)
{
    test::Sandbox sandbox;
    const std::string file = sandbox.Root() + "/user-dirs.dirs";
    std::ofstream(file) << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                           "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_DOCUMENTS_DIR=\"/data/docs\"\n";
    EXPECT_EQ(ReadUserDir(file, "PICTURES", "/home/u"), "/home/u/Bilder");
    EXPECT_EQ(ReadUserDir(file, "DOCUMENTS", "/home/u"), "/data/docs");
    EXPECT_EQ(ReadUserDir(file, "MUSIC", "/home/u"), "");
    EXPECT_EQ(ReadUserDir(sandbox.Root() + "/none", "PICTURES", "/home/u"), "");
}

} // namespace
} // namespace tavrel
