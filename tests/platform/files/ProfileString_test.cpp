#include "support/Files.h"
#include "support/Sandbox.h"

#include "platform/ProfileString.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tavrel::test
{

namespace
{

class ProfileString : public ::testing::Test
{
protected:
    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(m_sandbox.Home() + "/" + name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) { return ReadFile(m_sandbox.Home() + "/" + name); }
    Sandbox m_sandbox;
};

TEST_F(ProfileString, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(GetPrivateProfileString("A", "b", "dflt  ", "none.ini"), "dflt");
    EXPECT_EQ(GetPrivateProfileInt("A", "b", 17, "none.ini"), 17);
    Write("set.ini", "[Main]\nkey=1\n");
    EXPECT_EQ(GetPrivateProfileString("Other", "key", "x", "set.ini"), "x");
    EXPECT_EQ(GetPrivateProfileString("Main", "nokey", "y", "set.ini"), "y");
}

TEST_F(ProfileString, NamesIgnoreCaseAndValuesAreTrimmed)
{
    Write("set.ini",
          "\xEF\xBB\xBF; comment\r\n[ Main ]\r\n  Path =  C:\\x y  \r\nq=\"quoted \"\r\n");
    EXPECT_EQ(GetPrivateProfileString("main", "PATH", "", "set.ini"), "C:\\x y");
    EXPECT_EQ(GetPrivateProfileString("MAIN", "q", "", "set.ini"), "quoted ");
}

TEST_F(ProfileString, IntegersAreReadAsThereAre)
{
    Write("n.ini", "[n]\na=12abc\nb=-5\nc=abc\nd=\ne= +7\nf=0x1F\n");
    EXPECT_EQ(GetPrivateProfileInt("n", "a", 99, "n.ini"), 12);
    EXPECT_EQ(GetPrivateProfileInt("n", "b", 99, "n.ini"), -5);
    EXPECT_EQ(GetPrivateProfileInt("n", "c", 99, "n.ini"), 0);
    EXPECT_EQ(GetPrivateProfileInt("n", "d", 99, "n.ini"), 99);
    EXPECT_EQ(GetPrivateProfileInt("n", "e", 99, "n.ini"), 7);
    EXPECT_EQ(GetPrivateProfileInt("n", "f", 99, "n.ini"), 31);
}

TEST_F(ProfileString, WriteCreatesAndReplacesInPlace)
{
    ASSERT_TRUE(WritePrivateProfileString("View", "Mode", "2", "u.ini"));
    EXPECT_EQ(Read("u.ini"), "[View]\nMode=2\n");
    ASSERT_TRUE(WritePrivateProfileString("view", "mode", "3", "u.ini"));
    ASSERT_TRUE(WritePrivateProfileString("View", "Folder", "/home", "u.ini"));
    ASSERT_TRUE(WritePrivateProfileString("Other", "k", "v", "u.ini"));
    EXPECT_EQ(Read("u.ini"), "[View]\nmode=3\nFolder=/home\n[Other]\nk=v\n");
    EXPECT_EQ(GetPrivateProfileInt("VIEW", "MODE", 0, "u.ini"), 3);
}

TEST_F(ProfileString, WriteKeepsCommentsAndOtherSections)
{
    Write("c.ini", "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "z", "9", "c.ini"));
    EXPECT_EQ(Read("c.ini"), "; keep me\r\n[A]\r\nx=1\r\nz=9\r\n\r\n[B]\r\ny=2\r\n");
}

TEST_F(ProfileString, PathWithAFolderIsUsedAsItStands)
{
    const std::string path = m_sandbox.Root() + "/elsewhere.ini";
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", path));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", path), "v");
    EXPECT_EQ(GetPrivateProfileString("S", "k", "none", "elsewhere.ini"), "none");
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", m_sandbox.Root() + "/no/such/x.ini"));
}

TEST_F(ProfileString, WhatWouldReadBackAsOtherEntriesIsRefused)
{
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "1", "r.ini"));
    const std::string before = Read("r.ini");
    // Each of these would come back as another key or section.
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "2\nother=3", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "2\r[Hijacked]", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S", "a\nb", "2", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "2", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S]x", "k", "2", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S\n[T", "k", "2", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S", " [T]x", "2", "r.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S", ";k", "2", "r.ini"));
    EXPECT_EQ(Read("r.ini"), before);
    EXPECT_EQ(GetPrivateProfileString("S", "other", "none", "r.ini"), "none");
    // An '=' or ']' inside a value reads back as it was.
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "a=b]", "r.ini"));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", "r.ini"), "a=b]");
}

} // namespace

} // namespace tavrel::test
