#include "shared/XmlDocument.h"
#include "support/Files.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <cerrno>
#include <sys/stat.h>

namespace tavrel::test
{

namespace
{

namespace fs = std::filesystem;

class XmlFile : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path) { return tavrel::test::ReadFile(path); }
    static std::u16string Error(int e)
    {
        const std::string s = std::strerror(e);
        return std::u16string(s.begin(), s.end());
    }
    tavrel::test::Sandbox m_sandbox;
    fs::path m_dir = m_sandbox.Home();
};

TEST_F(XmlFile, LoadReportsTheConversionAndKeepsTheByteOrderMark)
{
    const std::string path = Write("bom.xml", "\xEF\xBB\xBF<r a=\"\xE4\xB8\xAD\"/>");
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(path));
    EXPECT_EQ(doc.GetParseMessage(), u"15 bytes to 11 wide chars");
    EXPECT_EQ(doc.GetDocumentText()[0], u'\uFEFF');
    ASSERT_TRUE(doc.FindNext(u"r"));
    EXPECT_EQ(doc.GetAttribute(u"a"), u"\u4e2d");
}

TEST_F(XmlFile, LoadCombinesFileAndParseMessages)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadFromFile(Write("text.xml", "no tags")));
    EXPECT_EQ(doc.GetParseMessage(), u"7 bytes to 7 wide chars, No root element");
    EXPECT_FALSE(doc.LoadFromFile(Write("empty.xml", "")));
    EXPECT_EQ(doc.GetParseMessage(), u"0 bytes to 0 wide chars, Empty document");
    // Malformed UTF-8 becomes U+FFFD, never a failure.
    ASSERT_TRUE(doc.LoadFromFile(Write("bad.xml", "<r>\xC3</r>")));
    EXPECT_EQ(doc.GetParseMessage(), u"8 bytes to 8 wide chars");
    ASSERT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetText(), u"\uFFFD");
}

TEST_F(XmlFile, MissingFileKeepsThePreviousDocument)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(Write("a.xml", "<r><c>1</c></r>")));
    ASSERT_TRUE(doc.FindNext(u"r"));
    EXPECT_FALSE(doc.LoadFromFile((m_dir / "missing.xml").string()));
    EXPECT_EQ(doc.GetParseMessage(), Error(ENOENT));
    EXPECT_EQ(doc.GetDocumentText(), u"<r><c>1</c></r>");
    ASSERT_TRUE(doc.FindNextChild(u"c"));
    EXPECT_EQ(doc.GetChildText(), u"1");
    // A folder opens but cannot be read.
    EXPECT_FALSE(doc.LoadFromFile(m_dir.string()));
    EXPECT_EQ(doc.GetParseMessage(), Error(EISDIR));
    EXPECT_EQ(doc.GetDocumentText(), u"<r><c>1</c></r>");
}

TEST_F(XmlFile, SaveWritesUtf8ToTheRememberedPath)
{
    const std::string path = Write("s.xml", "<r/>");
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(path));
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.SetAttribute(u"n", u"\u4e2d\U0001F600"));
    ASSERT_TRUE(doc.SaveToFile());
    EXPECT_EQ(doc.GetParseMessage(), u"12 wide chars to 16 bytes");
    EXPECT_EQ(Read(path), "<r n=\"\xE4\xB8\xAD\xF0\x9F\x98\x80\"/>");
    // No stray temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    const std::string other = (m_dir / "other.xml").string();
    ASSERT_TRUE(doc.SaveToFile(other));
    EXPECT_EQ(Read(other), Read(path));
}

TEST_F(XmlFile, WriteFailuresAndEmptyTexts)
{
    std::u16string message;
    EXPECT_TRUE(WriteUtf8File((m_dir / "e.xml").string(), u"", message));
    EXPECT_EQ(message, u"0 wide chars to 0 bytes");
    EXPECT_EQ(Read((m_dir / "e.xml").string()), "");
    EXPECT_FALSE(WriteUtf8File((m_dir / "no" / "such.xml").string(), u"<r/>", message));
    EXPECT_EQ(message, Error(ENOENT));

    std::u16string text = u"kept";
    EXPECT_FALSE(ReadUtf8File((m_dir / "none").string(), text, message));
    EXPECT_EQ(text, u"kept");
    EXPECT_EQ(message, Error(ENOENT));
}

} // namespace

} // namespace tavrel::test
