#include "shared/XmlDocument.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

namespace
{

TEST(XmlNavigate, FindEnterLeaveMoveOverSiblingsAndChildren)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(u"<root><a>1</a><ab>2</ab><a>3<x/></a><b k=\"v\"/></root>"));
    EXPECT_FALSE(doc.LeaveElement());
    ASSERT_TRUE(doc.FindNext(u"root"));
    EXPECT_FALSE(doc.FindNext(u"root")); // no sibling; nothing changes
    const ElementIndex root = doc.MainPos();
    EXPECT_EQ(doc.ParentPos(), 0);

    ASSERT_TRUE(doc.FindNextChild(u"a"));
    EXPECT_EQ(doc.GetChildText(), u"1");
    // "a" does not match "<ab>".
    ASSERT_TRUE(doc.FindNextChild(u"a"));
    EXPECT_EQ(doc.GetChildText(), u""); // has a child element
    const ElementIndex secondA = doc.ChildPos();
    EXPECT_FALSE(doc.FindNextChild(u"a"));
    EXPECT_EQ(doc.ChildPos(), secondA);
    EXPECT_EQ(doc.MainPos(), root);

    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.ParentPos(), root);
    EXPECT_EQ(doc.MainPos(), secondA);
    EXPECT_EQ(doc.ChildPos(), 0);
    ASSERT_TRUE(doc.FindNextChild(u"x"));
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.MainPos(), root);
    EXPECT_EQ(doc.ChildPos(), secondA);
    EXPECT_EQ(doc.ParentPos(), 0);
    ASSERT_TRUE(doc.FindNextChild(u"b"));
    EXPECT_EQ(doc.GetChildAttribute(u"k"), u"v");

    // Entering with no child makes the main position empty; FindNext then
    // starts at the first child.
    doc.ResetPos();
    ASSERT_TRUE(doc.FindNext());
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.MainPos(), 0);
    ASSERT_TRUE(doc.FindNext(u"ab"));
    EXPECT_EQ(doc.GetText(), u"2");
    ASSERT_TRUE(doc.FindNext(nullptr));
    EXPECT_EQ(doc.TagName(doc.MainPos()), u"a");
    ASSERT_TRUE(doc.FindNext(u""));
    EXPECT_EQ(doc.TagName(doc.MainPos()), u"b");
}

TEST(XmlNavigate, FindNextChildWithoutMainFindsTheRootFirst)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(u"<r><c>t</c></r>"));
    ASSERT_TRUE(doc.FindNextChild(u"c"));
    EXPECT_EQ(doc.TagName(doc.MainPos()), u"r");
    EXPECT_EQ(doc.GetChildText(), u"t");
    doc.ResetPos();
    EXPECT_FALSE(doc.FindNextChild(u"missing"));
    EXPECT_EQ(doc.TagName(doc.MainPos()), u"r"); // the first step stays
    EXPECT_EQ(doc.ChildPos(), 0);

    CXmlDocument empty;
    EXPECT_FALSE(empty.FindNext());
    EXPECT_FALSE(empty.FindNextChild());
    EXPECT_FALSE(empty.EnterElement());
}

TEST(XmlNavigate, SearchedNamesMayCarryASuffix)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(u"<r><a>1</a></r>"));
    for (const char16_t* name : {u"a b", u"a[2]", u"a=", u"a/", u"a]"})
    {
        doc.ResetPos();
        ASSERT_TRUE(doc.FindNext(u"r"));
        EXPECT_TRUE(doc.FindNextChild(name)) << std::u16string(name).size();
    }
    for (const char16_t* name : {u"ab", u"a.b", u"A", u"r"})
    {
        doc.ResetPos();
        ASSERT_TRUE(doc.FindNext(u"r"));
        EXPECT_FALSE(doc.FindNextChild(name));
    }
}

TEST(XmlContent, TextIsDecodedAndMarkupDropped)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(
        u"<r><t> a &amp; b </t><m>x<!-- c --> <![CDATA[<raw>&amp;]]><?p?>y&lt;</m>"
        u"<e></e><s/><w>  </w></r>"));
    ASSERT_TRUE(doc.FindNext(u"r"));
    EXPECT_EQ(doc.GetText(), u""); // has children
    ASSERT_TRUE(doc.FindNextChild(u"t"));
    EXPECT_EQ(doc.GetChildText(), u" a & b ");
    ASSERT_TRUE(doc.FindNextChild(u"m"));
    EXPECT_EQ(doc.GetChildText(), u"x<raw>&amp;y<");
    ASSERT_TRUE(doc.FindNextChild(u"e"));
    EXPECT_EQ(doc.GetChildText(), u"");
    ASSERT_TRUE(doc.FindNextChild(u"s"));
    EXPECT_EQ(doc.GetChildText(), u"");
    ASSERT_TRUE(doc.FindNextChild(u"w"));
    EXPECT_EQ(doc.GetChildText(), u"  ");
    doc.ResetPos();
    EXPECT_EQ(doc.GetText(), u""); // the document record has the root as child
    EXPECT_EQ(doc.GetChildText(), u"");

    ASSERT_FALSE(doc.SetDocumentText(u"<a><b>t"));
    ASSERT_TRUE(doc.FindNext(u"b"));
    EXPECT_EQ(doc.GetText(), u""); // unended: only its start tag
}

TEST(XmlContent, AttributesAreScannedAndDecoded)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(
        u"<r a=\"1\" b='two' c=three d = \"x&quot;y\" e f=\"g>h\" a=\"dup\" x:y=\"ns\"/>"));
    ASSERT_TRUE(doc.FindNext(u"r"));
    EXPECT_EQ(doc.GetAttribute(u"a"), u"1");
    EXPECT_EQ(doc.GetAttribute(u"b"), u"two");
    EXPECT_EQ(doc.GetAttribute(u"c"), u"three");
    EXPECT_EQ(doc.GetAttribute(u"d"), u"x\"y");
    EXPECT_EQ(doc.GetAttribute(u"e"), u"");
    EXPECT_EQ(doc.GetAttribute(u"f"), u"g>h");
    EXPECT_EQ(doc.GetAttribute(u"x:y"), u"ns");
    EXPECT_EQ(doc.GetAttribute(u"missing"), u"");
    EXPECT_EQ(doc.GetAttribute(u"r"), u"");
    EXPECT_EQ(doc.GetChildAttribute(u"a"), u""); // no child position
    doc.ResetPos();
    EXPECT_EQ(doc.GetAttribute(u"a"), u"");
}

TEST(XmlContent, NamesHoldingNulStopAtTheSearchedNamesEnd)
{
    // A NUL inside a tag or attribute name must not read past the searched name.
    CXmlDocument doc;
    const char16_t text[] = u"<r a\0b=\"1\"><a\0x/></r>";
    ASSERT_TRUE(doc.SetDocumentText(std::u16string_view(text, sizeof text / 2 - 1)));
    ASSERT_TRUE(doc.FindNext(u"r"));
    EXPECT_EQ(doc.GetAttribute(u"a"), u"");
    EXPECT_FALSE(doc.FindNextChild(u"a"));
}

TEST(XmlEntities, DecodingFollowsTheReferenceRules)
{
    auto decode = [](std::u16string_view s)
    { return DecodeEntities(s.data(), static_cast<int>(s.size())); };
    EXPECT_EQ(decode(u"&lt;&amp;&gt;&apos;&quot;"), u"<&>'\"");
    EXPECT_EQ(decode(u"&#0;"), u"&#0;");
    EXPECT_EQ(decode(u"&#1234567;"), u"&#1234567;");
    EXPECT_EQ(decode(u"&#x110000;"), u"&#x110000;"); // past U+10FFFF
    EXPECT_EQ(decode(u"&#123456;"), u"\U0001E240");
    EXPECT_EQ(decode(u"&#65;&#x41;"), u"AA");
    EXPECT_EQ(decode(u"&#X41;"), u"&#X41;");
    EXPECT_EQ(decode(u"&X41;"), u"&X41;");
    EXPECT_EQ(decode(u"&amp"), u"&amp");
    EXPECT_EQ(decode(u"a&"), u"a&");
    EXPECT_EQ(decode(u"&#65"), u"&#65");
    EXPECT_EQ(decode(u"&#65x;"), u"A"); // the number stops at the first non-digit
    EXPECT_EQ(decode(u"&#-65;"), u"&#-65;");
    EXPECT_EQ(decode(u"&#x1F600;"), u"\U0001F600");
    EXPECT_EQ(decode(u"&bogus;"), u"&bogus;");
    EXPECT_EQ(DecodeEntities(nullptr, 3), u"");
    // Only the given length is read.
    EXPECT_EQ(DecodeEntities(u"&lt;", 3), u"&lt");
}

TEST(XmlEntities, EncodingEscapesMarkupCharacters)
{
    EXPECT_EQ(EncodeEntities(u"<a & b>'\""), u"&lt;a &amp; b&gt;'\"");
    EXPECT_EQ(EncodeEntities(u"<a & b>'\"", true), u"&lt;a &amp; b&gt;&apos;&quot;");
    EXPECT_EQ(EncodeEntities(u"plain \u4e2d"), u"plain \u4e2d");
}

} // namespace

} // namespace tavrel::test
