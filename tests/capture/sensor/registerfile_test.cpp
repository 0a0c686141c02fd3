#include "capture/RegisterFile.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

using Kind = RegisterWrite::Kind;

TEST(RegisterText, RegisterAndPropertyLinesInFileOrder)
{
    const RegisterList list = ParseRegisterText("#3012@0A\n10@8107\n#0200 @ 1ff\n");
    ASSERT_EQ(list.writes.size(), 3u);
    EXPECT_EQ(list.writes[0].kind, Kind::SensorRegister);
    EXPECT_EQ(list.writes[0].target, 0x3012u);
    EXPECT_EQ(list.writes[0].value, 0x0Au);
    EXPECT_EQ(list.writes[1].kind, Kind::Property);
    EXPECT_EQ(list.writes[1].target, 0x8107u); // property number is the right part
    EXPECT_EQ(list.writes[1].value, 0x10u);
    EXPECT_EQ(list.writes[2].target, 0x0200u);
    EXPECT_EQ(list.writes[2].value, 0x1FFu); // the writer sends the low byte
    EXPECT_FALSE(list.endedByEmptyLine);
}

TEST(RegisterText, EmptyThirdLineEndsTheList)
{
    const RegisterList list = ParseRegisterText("#1@2\n#3@4\n\n#5@6\n");
    EXPECT_EQ(list.writes.size(), 2u);
    EXPECT_TRUE(list.endedByEmptyLine);
}

TEST(RegisterText, LinesWithAnEmptyPartOrNoSeparatorEndTheList)
{
    EXPECT_EQ(ParseRegisterText("#1@2\n#3@\n#5@6").writes.size(), 1u);
    EXPECT_EQ(ParseRegisterText("#1@2\n  @7\n#5@6").writes.size(), 1u);
    EXPECT_EQ(ParseRegisterText("#1@2\n3012\n#5@6").writes.size(), 1u);
    EXPECT_TRUE(ParseRegisterText("").writes.empty());
}

TEST(RegisterText, WindowsLineEndsAndSurroundingBlanks)
{
    const RegisterList list = ParseRegisterText("\r\n  \t#3012@0A\r\n 20 @ 8108 \r\n\r\n");
    ASSERT_EQ(list.writes.size(), 2u);
    EXPECT_EQ(list.writes[1].target, 0x8108u);
    EXPECT_EQ(list.writes[1].value, 0x20u);
}

TEST(RegisterText, HexParsingStopsAtTheFirstNonHexCharacter)
{
    EXPECT_EQ(ParseHex32("3012zz"), 0x3012u);
    EXPECT_EQ(ParseHex32("0x1F"), 0x1Fu);
    EXPECT_EQ(ParseHex32("g1"), 0u);
    EXPECT_EQ(ParseHex32("123456789"), 0xFFFFFFFFu); // overflow saturates as wcstoul
    EXPECT_EQ(ParseHex32("-1"), 0xFFFFFFFFu);
    const RegisterList list = ParseRegisterText("#30x2@0A;comment\n");
    ASSERT_EQ(list.writes.size(), 1u);
    EXPECT_EQ(list.writes[0].target, 0x30u);
    EXPECT_EQ(list.writes[0].value, 0x0Au);
}

} // namespace tavrel::test
