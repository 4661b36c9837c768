#include "base/text_ops.h"

#include <gtest/gtest.h>

#include "tests/support/case_name.h"

#include <limits>

namespace brimlow {
namespace {

// GBK bytes used below: 中 = D6 D0, 文 = CE C4, full-width space = A1 A1, ０ = A3 B0.
const Text kZhong = "\xD6\xD0";
const Text kWen = "\xCE\xC4";

struct FindCase {
  const char* name;
  Text text;
  Text needle;
  int start;
  bool ignore_case;
  int expected;
};

class TextFindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(TextFindTest, FindsCharacterWise) {
  const FindCase& c = GetParam();
  EXPECT_EQ(text_find(c.text, c.needle, c.start, c.ignore_case), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFindTest,
    ::testing::Values(
        FindCase{"plain", "abcabc", "c", 1, false, 3},
        FindCase{"from start", "abcabc", "c", 4, false, 6},
        FindCase{"start below one", "abc", "a", -5, false, 1},
        FindCase{"start beyond end", "abc", "a", 4, false, -1},
        FindCase{"missing", "abc", "x", 1, false, -1},
        FindCase{"empty needle", "abc", "", 1, false, -1},
        FindCase{"case kept", "ABC", "b", 1, false, -1},
        FindCase{"ignore case", "ABC", "b", 1, true, 2},
        // 0xB5 0x41 is one character: the search for "A" must not match its trail byte.
        FindCase{"no trail byte match", "\xB5" "A" "xA", "A", 1, false, 4},
        FindCase{"trail byte and ignore case", "\xB5" "a" "A", "A", 1, true, 3},
        // Ignore case leaves bytes above 0x7F exact: D6 D0 must not match D6 F0.
        FindCase{"double-byte exact under ignore case", "\xD6\xF0", kZhong, 1, true, -1},
        FindCase{"double-byte found", "a" + kWen + kZhong, kZhong, 1, false, 4},
        // A start on a trail byte moves on to the next character.
        FindCase{"start inside a character", "\xB5" "AA", "A", 2, false, 3}),
    testing_support::CaseName());

struct ReplaceCase {
  const char* name;
  Text text, find, replacement;
  int start, count;
  bool match_case;
  Text expected;
};

class TextReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(TextReplaceTest, ReplacesLeftToRight) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(text_replace(c.text, c.find, c.replacement, c.start, c.count, c.match_case),
            c.expected)
      << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextReplaceTest,
    ::testing::Values(
        ReplaceCase{"all", "a,b,c", ",", ";", 1, -1, false, "a;b;c"},
        ReplaceCase{"first only", "a,b,c", ",", "", 1, 1, false, "ab,c"},
        ReplaceCase{"count zero", "a,b,c", ",", "", 1, 0, false, "a,b,c"},
        ReplaceCase{"from start", "a,b,c", ",", "", 4, 1, false, "a,bc"},
        ReplaceCase{"start below one", "a,b", ",", "", -3, -1, false, "ab"},
        ReplaceCase{"start at end", "a,b", ",", "", 4, -1, false, "a,b"},
        ReplaceCase{"empty find", "abc", "", "x", 1, -1, false, "abc"},
        ReplaceCase{"empty text", "", "a", "x", 1, -1, false, ""},
        ReplaceCase{"default ignores case", "aAa", "a", "b", 1, -1, false, "bbb"},
        ReplaceCase{"match case", "aAa", "a", "b", 1, -1, true, "bAb"},
        ReplaceCase{"no overlap", "aaaa", "aa", "b", 1, -1, true, "bb"},
        ReplaceCase{"growing replacement", "ab", "a", "aa", 1, -1, true, "aab"},
        ReplaceCase{"not in trail byte", "\xB5" "A" "A", "A", "x", 1, -1, true, "\xB5" "Ax"},
        ReplaceCase{"tail shorter than find", "abcab", "abc", "", 2, -1, true, "abcab"}),
    testing_support::CaseName());

struct SplitCase {
  const char* name;
  Text text;
  Text separator;
  TextArray expected;
};

class SplitTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, FollowsMemberRules) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(split_text(c.text, c.separator), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    ::testing::Values(
        SplitCase{"empty text", "", ",", {}},
        SplitCase{"no separator", "abc", ",", {"abc"}},
        SplitCase{"plain", "a,b,c", ",", {"a", "b", "c"}},
        SplitCase{"adjacent", "a,,b", ",", {"a", "", "b"}},
        SplitCase{"leading", ",a", ",", {"", "a"}},
        SplitCase{"trailing adds nothing", "a,b,", ",", {"a", "b"}},
        SplitCase{"lone separator", ",", ",", {""}},
        SplitCase{"two separators", ",,", ",", {"", ""}},
        SplitCase{"multi-byte separator", "a; b; c", "; ", {"a", "b", "c"}},
        // 0x81 0x2C is one character, its trail byte is no comma.
        SplitCase{"comma inside a character", "\x81,a,b", ",", {"\x81,a", "b"}},
        SplitCase{"line breaks stay inside", "a,\r\nb", ",", {"a", "\r\nb"}}),
    testing_support::CaseName());

TEST(TextPartsTest, ClampToTheText) {
  EXPECT_EQ(text_left("abc", 2), "ab");
  EXPECT_EQ(text_left("abc", 10), "abc");
  EXPECT_EQ(text_left("abc", 0), "");
  EXPECT_EQ(text_left("abc", -1), "");
  EXPECT_EQ(text_right("abc", 2), "bc");
  EXPECT_EQ(text_right("abc", 10), "abc");
  EXPECT_EQ(text_right("abc", -2), "");
  EXPECT_EQ(text_middle("abcdef", 2, 3), "bcd");
  EXPECT_EQ(text_middle("abcdef", 5, 10), "ef");
  EXPECT_EQ(text_middle("abcdef", 0, 2), "ab");
  EXPECT_EQ(text_middle("abcdef", 7, 2), "");
  EXPECT_EQ(text_middle("abcdef", 2, 0), "");
  // Byte counts may cut a double-byte character in half.
  EXPECT_EQ(text_left(kZhong + kWen, 3), kZhong + "\xCE");
}

TEST(TextBlanksTest, OnlySpaceAndFullWidthSpace) {
  const Text full_space = "\xA1\xA1";
  EXPECT_EQ(trim_blanks("  " + full_space + "a b" + full_space + " "), "a b");
  EXPECT_EQ(trim_blanks("\ta\t"), "\ta\t");
  EXPECT_EQ(trim_leading_blanks(" a "), "a ");
  EXPECT_EQ(trim_trailing_blanks(" a "), " a");
  EXPECT_EQ(remove_all_blanks(" a" + full_space + "b c "), "abc");
  // B0 A1 followed by A1 41: the A1 A1 in the middle is not a character, so nothing goes.
  EXPECT_EQ(remove_all_blanks("\xB0\xA1\xA1" "A"), "\xB0\xA1\xA1" "A");
  EXPECT_EQ(trim_trailing_blanks("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
}

TEST(TextCaseTest, AsciiLettersOnly) {
  EXPECT_EQ(to_upper_ascii("abZ1" + kZhong), "ABZ1" + kZhong);
  EXPECT_EQ(to_lower_ascii("ABz1" + kZhong), "abz1" + kZhong);
  EXPECT_TRUE(equals_ignore_case_ascii("Content-Type", "content-type"));
  EXPECT_FALSE(equals_ignore_case_ascii("Content-Type", "content-typ"));
}

struct NumberCase {
  const char* name;
  Text text;
  std::int64_t as_int;
  double as_number;
};

class TextToNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TextToNumberTest, ReadsTheLeadingNumber) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(text_to_int(c.text), c.as_int) << c.name;
  EXPECT_DOUBLE_EQ(text_to_number(c.text), c.as_number) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToNumberTest,
    ::testing::Values(
        NumberCase{"plain", "42", 42, 42},
        NumberCase{"leading zeros", "007", 7, 7},
        NumberCase{"white space and sign", " \t-12abc", -12, -12},
        NumberCase{"plus", "+5", 5, 5},
        NumberCase{"no digits", "abc", 0, 0},
        NumberCase{"empty", "", 0, 0},
        NumberCase{"lone sign", "-", 0, 0},
        NumberCase{"fraction", "3.75s", 3, 3.75},
        NumberCase{"exponent", "2e3", 2, 2000},
        NumberCase{"dangling exponent", "2e", 2, 2},
        NumberCase{"full-width digits", "\xA3\xB1\xA3\xB2", 12, 12},
        NumberCase{"mixed widths", "1\xA3\xB0" "0", 100, 100},
        NumberCase{"full-width after text", "x\xA3\xB1", 0, 0},
        NumberCase{"other double-byte stops", "1" + kZhong + "2", 1, 1},
        NumberCase{"saturates", "99999999999999999999", std::numeric_limits<std::int64_t>::max(),
                   1e20},
        NumberCase{"no hex", "0x10", 0, 0},
        NumberCase{"no words", "inf", 0, 0}),
    testing_support::CaseName());

TEST(IntToTextTest, Decimal) {
  EXPECT_EQ(int_to_text(0), "0");
  EXPECT_EQ(int_to_text(-15), "-15");
  EXPECT_EQ(int_to_text(2147483648LL), "2147483648");
}

TEST(TruncateTest, TowardZeroAndSaturating) {
  EXPECT_EQ(truncate_to_int64(2.9), 2);
  EXPECT_EQ(truncate_to_int64(-2.9), -2);
  EXPECT_EQ(truncate_to_int64(1e30), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(truncate_to_int64(-1e30), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(truncate_to_int64(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(TextBytesTest, CutAtTheFirstNul) {
  EXPECT_EQ(text_from_bytes(Bytes{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(text_from_bytes(Bytes{'a', 'b'}), "ab");
  EXPECT_EQ(text_from_bytes(std::string_view("x\0y", 3)), "x");
  EXPECT_EQ(bytes_from_text("ab"), (Bytes{'a', 'b'}));
}

}  // namespace
}  // namespace brimlow
