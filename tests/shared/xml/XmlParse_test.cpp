#include "shared/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrel::test
{

namespace
{

std::u16string Dump(const CXmlDocument& doc)
{
    // level start length startTag endTag flags, one element per line
    std::u16string out;
    for (int i = 1; i < doc.UsedRecords(); ++i)
    {
        const ElementRecord& r = doc.Record(i);
        std::string line = std::to_string(r.levelAndFlags & 0xFFFF) + " " +
                           std::to_string(r.start) + " " + std::to_string(r.length) + " " +
                           std::to_string(r.tagLengths & 0x2FFFFF) + " " +
                           std::to_string(r.tagLengths >> 22) + " " +
                           std::to_string(r.levelAndFlags & 0xFFFF0000u) + " ";
        out += std::u16string(line.begin(), line.end());
        out += doc.TagName(i);
        out += u"\n";
    }
    return out;
}

TEST(XmlParse, WellFormedDocumentBuildsLinkedIndex)
{
    CXmlDocument doc;
    ASSERT_TRUE(
        doc.SetDocumentText(u"<?xml version=\"1.0\"?>\r\n<r><a x=\"1\"/><b>t</b><c></c></r>"));
    EXPECT_EQ(doc.GetParseMessage(), u"");
    EXPECT_EQ(doc.UsedRecords(), 5);
    const ElementRecord& root = doc.Record(doc.Record(0).firstChild);
    EXPECT_EQ(doc.TagName(doc.Record(0).firstChild), u"r");
    EXPECT_EQ(root.start, 23);
    EXPECT_EQ(root.levelAndFlags & 0xFFFF, 0u);
    EXPECT_EQ(doc.Record(0).length, static_cast<int>(doc.GetDocumentText().size()));
    // First child's previous sibling is the last child; the flag marks it.
    const ElementIndex a = root.firstChild;
    EXPECT_TRUE(doc.Record(a).levelAndFlags & kXmlFirstChild);
    EXPECT_EQ(doc.TagName(doc.Record(a).previousSibling), u"c");
    const ElementIndex b = doc.Record(a).nextSibling;
    EXPECT_FALSE(doc.Record(b).levelAndFlags & kXmlFirstChild);
    EXPECT_EQ(doc.Record(b).levelAndFlags & 0xFFFF, 1u);
    EXPECT_EQ(doc.Record(b).tagLengths & 0x2FFFFF, 3u);
    EXPECT_EQ(doc.Record(b).tagLengths >> 22, 4u);
    EXPECT_EQ(doc.Record(b).length, 8);
    // An empty element: no end tag, length is the start tag.
    EXPECT_EQ(doc.Record(a).length, 10);
    EXPECT_EQ(doc.Record(a).tagLengths >> 22, 0u);
}

TEST(XmlParse, MismatchedEndTagClosesInnerAsUnended)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(u"<a><b></a>"));
    EXPECT_EQ(doc.GetParseMessage(),
              u"End tag 'a' at offset 7 does not match start tag 'b' at offset 3");
    EXPECT_EQ(Dump(doc), u"0 0 10 3 4 524288 a\n"
                         u"1 3 3 3 0 1572864 b\n"); // 0x80000 | 0x100000
    EXPECT_TRUE(doc.Record(0).levelAndFlags & kXmlIllFormed);
}

TEST(XmlParse, UnendedElementsLiftTheirChildren)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(u"<a><b>"));
    EXPECT_EQ(doc.GetParseMessage(), u"Root element has sibling");
    // b became a's sibling, at level 0.
    EXPECT_EQ(Dump(doc), u"0 0 3 3 0 1572864 a\n"
                         u"0 3 3 3 0 1048576 b\n");
    const ElementIndex a = doc.Record(0).firstChild;
    EXPECT_EQ(doc.Record(a).firstChild, 0);
    EXPECT_EQ(doc.Record(a).previousSibling, 2);
    EXPECT_EQ(doc.Record(2).previousSibling, a);

    EXPECT_FALSE(doc.SetDocumentText(u"<r><a><b><c/></r>"));
    // b and c (lifted out of b, then out of a) end up under r in order.
    EXPECT_EQ(Dump(doc), u"0 0 17 3 4 524288 r\n"
                         u"1 3 3 3 0 1572864 a\n"
                         u"1 6 3 3 0 1048576 b\n"
                         u"1 9 4 4 0 0 c\n");
    EXPECT_EQ(doc.GetParseMessage(),
              u"End tag 'r' at offset 14 does not match start tag 'b' at offset 6");
}

TEST(XmlParse, ErrorFlagMovesToParentOfUnendedElement)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(u"<r><a><1></r>"));
    EXPECT_EQ(doc.GetParseMessage(), u"Incorrect tag name character at offset 6");
    const ElementIndex r = doc.Record(0).firstChild;
    EXPECT_TRUE(doc.Record(r).levelAndFlags & kXmlErrorInside);
    EXPECT_FALSE(doc.Record(2).levelAndFlags & kXmlErrorInside);
    EXPECT_TRUE(doc.Record(2).levelAndFlags & kXmlUnended);
}

TEST(XmlParse, DocumentLevelMessages)
{
    CXmlDocument doc;
    EXPECT_EQ(doc.GetParseMessage(), u"Empty document");
    EXPECT_EQ(doc.UsedRecords(), 1);
    EXPECT_FALSE(doc.IsDocumentValid());

    EXPECT_FALSE(doc.SetDocumentText(u"</x><a/>"));
    EXPECT_EQ(doc.GetParseMessage(), u"No start tag for end tag 'x' at offset 0");
    EXPECT_EQ(doc.TagName(doc.Record(0).firstChild), u"a");

    EXPECT_FALSE(doc.SetDocumentText(u"<a/><b/>"));
    EXPECT_EQ(doc.GetParseMessage(), u"Root element has sibling");
    EXPECT_EQ(doc.UsedRecords(), 3);

    EXPECT_FALSE(doc.SetDocumentText(u"just text"));
    EXPECT_EQ(doc.GetParseMessage(), u"No root element");
    EXPECT_FALSE(doc.SetDocumentText(nullptr));
    EXPECT_EQ(doc.GetParseMessage(), u"Empty document");

    EXPECT_FALSE(doc.SetDocumentText(u"<a>text"));
    EXPECT_EQ(doc.GetParseMessage(), u"Element 'a' at offset 0 not ended");
    // The empty child is lifted out of the unended root.
    EXPECT_FALSE(doc.SetDocumentText(u"<a><b/>"));
    EXPECT_EQ(doc.GetParseMessage(), u"Root element has sibling");
}

TEST(XmlParse, TokenizerMessages)
{
    struct Case
    {
        const char16_t* text;
        const char16_t* message;
    } cases[] = {
        {u"<r><!x></r>", u"Incorrect ! tag at offset 3"},
        {u"<r><!-x></r>", u"Incorrect comment tag at offset 3"},
        {u"<r><![x></r>", u"Incorrect tag at offset 3"},
        {u"<r><.></r>", u"Incorrect tag name character at offset 3"},
        {u"<r/><!-- open", u"Comment at offset 4 unterminated"},
        {u"<r/><![CDATA[ x", u"CDATA Section at offset 4 unterminated"},
        {u"<r/><?pi", u"Processing instruction at offset 4 unterminated"},
        {u"<r/><!DOCTYPE r [<!ENTITY x \"y\">", u"Doctype at offset 4 unterminated"},
        {u"<r/><!ELEMENT", u"Doctype at offset 4 unterminated"},
        {u"<r><a b=\"1></r>", u"Element tag at offset 3 unterminated"},
        {u"<r></r", u"Element end tag at offset 3 unterminated"},
    };
    for (const Case& c : cases)
    {
        CXmlDocument doc;
        EXPECT_FALSE(doc.SetDocumentText(c.text));
        EXPECT_EQ(doc.GetParseMessage(), c.message);
    }
}

TEST(XmlParse, MarkupThatIsSkipped)
{
    CXmlDocument doc;
    EXPECT_TRUE(doc.SetDocumentText(u"<!DOCTYPE r [<!ELEMENT r ANY><!ATTLIST r a CDATA \">\">]>"
                                    u"<r><!-- <x> --><![CDATA[<y>]]><?p <z>?></r>"));
    EXPECT_EQ(doc.UsedRecords(), 2);
    // A quoted '>' does not end the tag; an unquoted value keeps its slash.
    EXPECT_TRUE(doc.SetDocumentText(u"<r><a b=\"x>y\" c='\"'/><d b=c/></d></r>"));
    EXPECT_EQ(doc.UsedRecords(), 4);
    EXPECT_EQ(doc.Record(2).tagLengths >> 22, 0u);
    EXPECT_EQ(doc.Record(3).tagLengths >> 22, 4u);
    EXPECT_EQ(doc.Record(3).tagLengths & 0x2FFFFF, 8u);
    EXPECT_TRUE(doc.SetDocumentText(u"<r><a /><b x='1'/></r>"));
    EXPECT_EQ(doc.Record(2).length, 5);
    EXPECT_EQ(doc.Record(3).length, 10);
}

TEST(XmlParse, TerminatorsMustStandTogether)
{
    CXmlDocument doc;
    EXPECT_TRUE(doc.SetDocumentText(u"<r><!-- - -- -> --></r>"));
    EXPECT_FALSE(doc.SetDocumentText(u"<r/><!-->"));
    EXPECT_EQ(doc.GetParseMessage(), u"Comment at offset 4 unterminated");
    EXPECT_FALSE(doc.SetDocumentText(u"<r/><?>"));
    EXPECT_EQ(doc.GetParseMessage(), u"Processing instruction at offset 4 unterminated");
}

TEST(XmlParse, RecordsGrowAcrossSegments)
{
    // Enough elements for a second segment, in a short text, so that growth
    // rather than the initial reserve has to provide them.
    std::u16string text = u"<r>";
    const int count = 70000;
    for (int i = 0; i < count; ++i)
        text += u"<e/>";
    text += u"</r>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(text));
    EXPECT_EQ(doc.UsedRecords(), count + 2);
    EXPECT_GE(doc.AllocatedRecords(), doc.UsedRecords());
    // Handles past the first segment name records there, in order.
    const ElementIndex last = 70001;
    EXPECT_EQ(doc.Record(last).start, 3 + 4 * (count - 1));
    EXPECT_EQ(doc.Record(doc.Record(2).previousSibling).start, doc.Record(last).start);
    int seen = 0;
    ASSERT_TRUE(doc.FindNext(u"r"));
    while (doc.FindNextChild(u"e"))
        ++seen;
    EXPECT_EQ(seen, count);
    // A new parse reuses the storage.
    ASSERT_TRUE(doc.SetDocumentText(u"<r/>"));
    EXPECT_EQ(doc.UsedRecords(), 2);
}

} // namespace

} // namespace tavrel::test
