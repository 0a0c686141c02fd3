#include "shared/UiLanguage.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tavrel::test
{

namespace
{

class UiLanguageFile : public ::testing::Test
{
protected:
    std::string Write(const std::string& text)
    {
        const std::string path = m_dir + "/UIlanguage.xml";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    tavrel::test::Sandbox m_sandbox;
    std::string m_dir = m_sandbox.Home();
};

TEST_F(UiLanguageFile, FindsTheEntryOfTheSelectedLanguage)
{
    const std::string path = Write(
        "<language>\r\n<language>English</language>\r\n<Chinese><Tavrel>zh.qm</Tavrel></Chinese>"
        "<English><Tavrel>Pelidor_en.qm</Tavrel><Solvane>Vantrel_en.qm</Solvane></English>"
        "</language>");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Tavrel", path), "Pelidor_en.qm");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Solvane", path), "Vantrel_en.qm");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Other", path), "");
}

TEST_F(UiLanguageFile, MissingPiecesGiveTheBuiltInTexts)
{
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Tavrel", m_dir + "/none.xml"), "");
    // The language element before the inner "language" is not found.
    EXPECT_EQ(tavrel::FindUiLanguageLibrary(
                  "Tavrel", Write("<language><English><Tavrel>x.qm</Tavrel></English>"
                                  "<language>English</language></language>")),
              "");
    // A library for the manager only.
    const std::string path = Write("<language><language>E</language><E><Tavrel>m.qm</Tavrel></E>"
                                   "</language>");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Tavrel", path), "m.qm");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Solvane", path), "");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Tavrel", Write("<language><language/></language>")),
              "");
}

TEST_F(UiLanguageFile, ShippedFileSelectsTheBuiltInTexts)
{
    const char* share = std::getenv("TAVREL_SOURCE_DIR");
    ASSERT_NE(share, nullptr);
    const std::string path = std::string(share) + "/resources/data/UIlanguage.xml";
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Tavrel", path), "");
    EXPECT_EQ(tavrel::FindUiLanguageLibrary("Solvane", path), "");
}

} // namespace

} // namespace tavrel::test
