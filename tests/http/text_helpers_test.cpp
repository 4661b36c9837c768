#include "http/text_helpers.h"

#include <gtest/gtest.h>

#include "tests/support/case_name.h"

namespace brimlow {
namespace {

const Text kZhong = "\xD6\xD0";  // 中

struct ToUtf16Case {
  const char* name;
  Text text;
  bool drop_terminator;
  Bytes expected;
};

class ToUtf16Test : public ::testing::TestWithParam<ToUtf16Case> {};

TEST_P(ToUtf16Test, ConvertsCodePage936) {
  const ToUtf16Case& c = GetParam();
  EXPECT_EQ(to_utf16(c.text, c.drop_terminator), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToUtf16Test,
    ::testing::Values(
        ToUtf16Case{"ascii", "ab", false, {0x61, 0, 0x62, 0, 0, 0}},
        ToUtf16Case{"ascii without terminator", "ab", true, {0x61, 0, 0x62, 0}},
        ToUtf16Case{"empty", "", false, {}},
        ToUtf16Case{"empty without terminator", "", true, {}},
        ToUtf16Case{"double-byte", kZhong, false, {0x2D, 0x4E, 0, 0}},
        // Windows' table: 0x80 is the euro sign.
        ToUtf16Case{"euro", "\x80", true, {0xAC, 0x20}},
        // A user-defined area code maps into the private use area.
        ToUtf16Case{"user-defined area", "\xAA\xA1", true, {0x00, 0xE0}},
        // An invalid trail byte and a lone lead byte at the end become the substitute.
        ToUtf16Case{"lone lead byte", "a\xD6", true, {0x61, 0, 0xFD, 0xFF}},
        ToUtf16Case{"0xFF to private use as on Windows", "\xFF", true, {0xF5, 0xF8}}),
    testing_support::CaseName());

struct FromUtf16Case {
  const char* name;
  Bytes utf16;
  Text expected;
};

class FromUtf16Test : public ::testing::TestWithParam<FromUtf16Case> {};

TEST_P(FromUtf16Test, ConvertsToCodePage936) {
  const FromUtf16Case& c = GetParam();
  EXPECT_EQ(from_utf16(c.utf16), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FromUtf16Test,
    ::testing::Values(
        FromUtf16Case{"stops at zero unit", {0x61, 0, 0x62, 0, 0, 0, 0x63, 0}, "ab"},
        FromUtf16Case{"no terminator", {0x61, 0, 0x62, 0}, "ab"},
        FromUtf16Case{"single byte", {0x61}, ""},
        FromUtf16Case{"odd byte count", {0x61, 0, 0x62}, "a"},
        FromUtf16Case{"empty", {}, ""},
        FromUtf16Case{"double-byte", {0x2D, 0x4E}, kZhong},
        FromUtf16Case{"euro", {0xAC, 0x20}, "\x80"},
        // U+0E01 (Thai) has no GBK form.
        FromUtf16Case{"unmappable", {0x61, 0, 0x01, 0x0E, 0x62, 0}, "a?b"},
        FromUtf16Case{"lone surrogate", {0x00, 0xD8, 0x61, 0}, "?a"}),
    testing_support::CaseName());

TEST(Utf16RoundTripTest, UserDefinedAreaAndGbkExtensions) {
  // User-defined area, a GBK extension character and plain GB2312 all survive the round trip.
  for (const Text& text : {Text("\xAA\xA1\xFE\xFE"), Text("\x81\x40"), Text("\xB0\xA1" "abc")}) {
    EXPECT_EQ(from_utf16(to_utf16(text)), text);
  }
}

TEST(GbkLiteralTest, MatchesTheTableBytes) {
  EXPECT_EQ(gbk(u"网址"), "\xCD\xF8\xD6\xB7");
  EXPECT_EQ(gbk(u""), "");
}

TEST(TextBeforeTest, Cases) {
  EXPECT_EQ(text_before("Set-Cookie: a=1", ": "), "Set-Cookie");
  EXPECT_EQ(text_before("abc", "x"), "");
  EXPECT_EQ(text_before("a:b:c", ":", 3), "a:b");
  EXPECT_EQ(text_before("a:b:c", ":", 0), "a");
  EXPECT_EQ(text_before("aXb", "x"), "");
  EXPECT_EQ(text_before("aXb", "x", 1, true), "a");
}

TEST(TextBetweenTest, Cases) {
  EXPECT_EQ(text_between("Set-Cookie: a=1; p", "Set-Cookie:", ";"), " a=1");
  EXPECT_EQ(text_between("x=\"q\"", "x=#" + gbk(u"引号"), "#" + gbk(u"引号")), "q");
  EXPECT_EQ(text_between("a[b", "[", "]"), "");
  EXPECT_EQ(text_between("ab", "[", "]"), "");
  EXPECT_EQ(text_between("[]", "[", "]"), "");
  EXPECT_EQ(text_between("[a][b]", "[", "]", 2), "b");
  EXPECT_EQ(text_between("<A>x</a>", "<a>", "</A>", 1, true), "x");
  EXPECT_EQ(text_between("<A>x</a>", "<a>", "</A>"), "");
}

TEST(DedupeTextTest, Cases) {
  EXPECT_EQ(dedupe_text("a; b; a; c", "; ", true), "a; b; c");
  EXPECT_EQ(dedupe_text("", "; ", true), "");
  EXPECT_EQ(dedupe_text("a; ; ; b; ", "; ", true), "a; ; b");
  EXPECT_EQ(dedupe_text("aab", ",", false), "a,b");
  EXPECT_EQ(dedupe_text(kZhong + kZhong + "a", ",", false), kZhong + ",a");
}

TEST(SplitCharsTest, Cases) {
  TextArray out{"old"};
  EXPECT_EQ(split_chars("a\r\nb", out), 3);
  EXPECT_EQ(out, (TextArray{"a", "\r\n", "b"}));
  EXPECT_EQ(split_chars("\r", out), 1);
  EXPECT_EQ(out, (TextArray{"\r"}));
  EXPECT_EQ(split_chars(kZhong + "a", out), 2);
  EXPECT_EQ(out, (TextArray{kZhong, "a"}));
  EXPECT_EQ(split_chars("a\xD6", out), 2);
  EXPECT_EQ(out, (TextArray{"a", "\xD6"}));
  // 0x80 is not a lead byte here: it stands alone.
  EXPECT_EQ(split_chars("\x80" "a", out), 2);
  EXPECT_EQ(split_chars("", out), 0);
  EXPECT_TRUE(out.empty());
}

TEST(ArrayFindTest, Cases) {
  EXPECT_EQ(array_find({"a", "b", "b"}, "b"), 2);
  EXPECT_EQ(array_find({}, "b"), -1);
  EXPECT_EQ(array_find({"a", "b"}, "B"), -1);
}

}  // namespace
}  // namespace brimlow
