#include "shared/XmlDocument.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

namespace
{

// After a change the index must describe the new text exactly as a fresh
// parse of it would.
void ExpectIndexMatchesReparse(const CXmlDocument& doc)
{
    CXmlDocument fresh;
    fresh.SetDocumentText(doc.GetDocumentText());
    ASSERT_EQ(fresh.UsedRecords(), doc.UsedRecords());
    EXPECT_EQ(fresh.Record(0).length, doc.Record(0).length);
    // Records made by appending come last in the changed index; compare by start.
    for (int i = 1; i < fresh.UsedRecords(); ++i)
    {
        const ElementRecord& f = fresh.Record(i);
        bool found = false;
        for (int j = 1; j < doc.UsedRecords(); ++j)
        {
            const ElementRecord& d = doc.Record(j);
            if (d.start != f.start)
                continue;
            found = true;
            EXPECT_EQ(d.length, f.length) << "element at " << f.start;
            EXPECT_EQ(d.tagLengths, f.tagLengths) << "element at " << f.start;
            EXPECT_EQ(d.levelAndFlags & 0xFFFF, f.levelAndFlags & 0xFFFF);
            EXPECT_EQ(doc.TagName(d.parent), fresh.TagName(f.parent));
        }
        EXPECT_TRUE(found) << "no record at " << f.start;
    }
}

TEST(XmlSetAttribute, InsertsAfterTheLastAttribute)
{
    struct Case
    {
        const char16_t* before;
        const char16_t* after;
    } cases[] = {
        {u"<e/>", u"<e v=\"1\"/>"},       {u"<e >", u"<e v=\"1\" >"},
        {u"<e></e>", u"<e v=\"1\"></e>"}, {u"<e a=\"x\"  />", u"<e a=\"x\" v=\"1\"  />"},
        {u"<e a=b>", u"<e a=b v=\"1\">"}, {u"<e flag>", u"<e flag v=\"1\">"},
    };
    for (const Case& c : cases)
    {
        CXmlDocument doc;
        doc.SetDocumentText(c.before);
        ASSERT_TRUE(doc.FindNext(u"e"));
        ASSERT_TRUE(doc.SetAttribute(u"v", 1));
        EXPECT_EQ(doc.GetDocumentText(), c.after);
        EXPECT_EQ(doc.GetAttribute(u"v"), u"1");
        ExpectIndexMatchesReparse(doc);
    }
}

TEST(XmlSetAttribute, ReplacesValuesAndShiftsTheIndex)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(u"<r><e v='old' w=bare /><f k=\"1\">t</f></r>"));
    ASSERT_TRUE(doc.FindNext(u"r"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindNext(u"e"));
    ASSERT_TRUE(doc.SetAttribute(u"v", u"a\"b<"));
    ASSERT_TRUE(doc.SetAttribute(u"w", u"longer value"));
    EXPECT_EQ(doc.GetDocumentText(),
              u"<r><e v=\"a&quot;b&lt;\" w=\"longer value\" /><f k=\"1\">t</f></r>");
    EXPECT_EQ(doc.GetAttribute(u"v"), u"a\"b<");
    ExpectIndexMatchesReparse(doc);
    // Positions survive the change; the sibling's data moved with it.
    ASSERT_TRUE(doc.FindNext(u"f"));
    EXPECT_EQ(doc.GetText(), u"t");
    ASSERT_TRUE(doc.SetAttribute(u"k", u""));
    EXPECT_EQ(doc.GetAttribute(u"k"), u"");
    ExpectIndexMatchesReparse(doc);

    CXmlDocument quote;
    quote.SetDocumentText(u"<e/>");
    ASSERT_TRUE(quote.FindNext());
    ASSERT_TRUE(quote.SetAttribute(u"v", u"a\"b"));
    EXPECT_EQ(quote.GetDocumentText(), u"<e v=\"a&quot;b\"/>");
}

TEST(XmlSetAttribute, NeedsAMainElement)
{
    CXmlDocument doc;
    doc.SetDocumentText(u"<e/>");
    EXPECT_FALSE(doc.SetAttribute(u"v", 1));
    EXPECT_EQ(doc.GetDocumentText(), u"<e/>");
}

TEST(XmlSetAttribute, ManyChangesKeepTheTextConsistent)
{
    CXmlDocument doc;
    doc.SetDocumentText(u"<r><e/><f/></r>");
    ASSERT_TRUE(doc.FindNextChild(u"e"));
    ASSERT_TRUE(doc.EnterElement());
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(doc.SetAttribute(u"n", i));
    EXPECT_EQ(doc.GetAttribute(u"n"), u"299");
    EXPECT_GE(doc.GetDocumentText().capacity(), doc.GetDocumentText().size());
    ExpectIndexMatchesReparse(doc);
}

TEST(XmlAppend, BuildsADocumentFromNothing)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.AppendElement(u"root"));
    ASSERT_TRUE(doc.AppendChildElement(u"a", 1));
    ASSERT_TRUE(doc.AppendChildElement(u"b"));
    EXPECT_EQ(doc.GetDocumentText(), u"<root>\r\n<a>1</a>\r\n<b/>\r\n</root>\r\n");
    EXPECT_EQ(doc.GetChildText(), u"");
    EXPECT_EQ(doc.TagName(doc.ChildPos()), u"b");
    ExpectIndexMatchesReparse(doc);
    CXmlDocument again;
    EXPECT_TRUE(again.SetDocumentText(doc.GetDocumentText()));
}

TEST(XmlAppend, InsertsAfterThePreviousElementOrBeforeTheEndTag)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(u"<r>\r\n  <a/>\r\n  <c/>\r\n</r>"));
    ASSERT_TRUE(doc.FindNextChild(u"a"));
    // After a: the whitespace before <c/> is passed over.
    ASSERT_TRUE(doc.AppendChildElement(u"b", u"x<y"));
    EXPECT_EQ(doc.GetDocumentText(), u"<r>\r\n  <a/>\r\n  <b>x&lt;y</b>\r\n<c/>\r\n</r>");
    EXPECT_EQ(doc.GetChildText(), u"x<y");
    ExpectIndexMatchesReparse(doc);
    // The sibling order follows: a, b, c.
    doc.ResetPos();
    ASSERT_TRUE(doc.FindNextChild());
    ASSERT_TRUE(doc.FindNextChild());
    EXPECT_EQ(doc.TagName(doc.ChildPos()), u"b");
    ASSERT_TRUE(doc.FindNextChild());
    EXPECT_EQ(doc.TagName(doc.ChildPos()), u"c");

    // AppendElement under the parent after the main element.
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendElement(u"d", 7));
    EXPECT_EQ(doc.GetDocumentText(),
              u"<r>\r\n  <a/>\r\n  <b>x&lt;y</b>\r\n<c/>\r\n<d>7</d>\r\n</r>");
    EXPECT_EQ(doc.GetText(), u"7");
    EXPECT_EQ(doc.ChildPos(), 0);
    ExpectIndexMatchesReparse(doc);
}

TEST(XmlAppend, OpensEmptyParentsAndFillsEmptyContent)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(u"<r><p/><q></q></r>"));
    ASSERT_TRUE(doc.FindNextChild(u"p"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendChildElement(u"x", u"1"));
    EXPECT_EQ(doc.GetDocumentText(), u"<r><p>\r\n<x>1</x>\r\n</p><q></q></r>");
    ExpectIndexMatchesReparse(doc);
    ASSERT_TRUE(doc.LeaveElement());
    ASSERT_TRUE(doc.FindNextChild(u"q"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendChildElement(u"y"));
    EXPECT_EQ(doc.GetDocumentText(), u"<r><p>\r\n<x>1</x>\r\n</p><q>\r\n<y/>\r\n</q></r>");
    ExpectIndexMatchesReparse(doc);
    EXPECT_TRUE(doc.IsDocumentValid());
}

TEST(XmlAppend, AppendChildNeedsAMainElement)
{
    CXmlDocument doc;
    doc.SetDocumentText(u"<r/>");
    EXPECT_FALSE(doc.AppendChildElement(u"x"));
    EXPECT_EQ(doc.GetDocumentText(), u"<r/>");
}

} // namespace

} // namespace tavrel::test
