#include "http/body_charset.h"

#include <gtest/gtest.h>

#include "tests/support/case_name.h"

namespace brimlow {
namespace {

// GBK and UTF-8 forms of the same two characters 中文.
const Text kGbkText = "\xD6\xD0\xCE\xC4";
const Text kUtf8Text = "\xE4\xB8\xAD\xE6\x96\x87";

struct DecodeCase {
  const char* name;
  Text body;
  Text expected;
};

class DecodeBodyTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeBodyTest, TranscodesDeclaredCharsets) {
  const DecodeCase& c = GetParam();
  const Bytes bytes(c.body.begin(), c.body.end());
  Text body_text = c.body;
  PatternMatcher matcher;
  int pumps = 0;
  decode_body(bytes, body_text, matcher, [&] { ++pumps; });
  EXPECT_EQ(body_text, c.expected);
  EXPECT_EQ(pumps, 1);
}

const Text kUtf8Meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeBodyTest,
    ::testing::Values(
        DecodeCase{"utf-8 http-equiv", kUtf8Meta + kUtf8Text, kUtf8Meta + kGbkText},
        DecodeCase{"upper-case label", "<META charset=UTF-8>" + kUtf8Text,
                   "<META charset=UTF-8>" + kGbkText},
        // Left alone, so even bytes that are no valid GBK stay as they came.
        DecodeCase{"gb2312 untouched", "<meta charset=\"gb2312\">\x81\x20" + kUtf8Text,
                   "<meta charset=\"gb2312\">\x81\x20" + kUtf8Text},
        DecodeCase{"gbk untouched", "<META CHARSET=gbk>\x81\x20", "<META CHARSET=gbk>\x81\x20"},
        // "GBK" is not byte-equal to "gbk": decoded from GBK to GBK, so the text stays,
        // while the invalid pair comes back as the converter's substitute.
        DecodeCase{"GBK transcoded", "<META CHARSET=GBK>" + kGbkText + "\x81\x20",
                   "<META CHARSET=GBK>" + kGbkText + "? "},
        DecodeCase{"x-gbk is the Windows table", "<meta charset=x-gbk>\x80",
                   "<meta charset=x-gbk>\x80"},
        // Latin-1 is read as windows-1252: 0x80 is the euro sign, 0x93 a curly quote.
        DecodeCase{"latin1 is windows-1252", "<meta charset=iso-8859-1>\xE9\x80\x93",
                   "<meta charset=iso-8859-1>\xA8\xA6\x80\xA1\xB0"},
        DecodeCase{"meta past byte 1024", Text(1020, ' ') + "<meta charset=utf-8>" + kUtf8Text,
                   Text(1020, ' ') + "<meta charset=utf-8>" + kUtf8Text},
        DecodeCase{"line feed inside the tag", "<meta\ncharset=utf-8>" + kUtf8Text,
                   "<meta\ncharset=utf-8>" + kUtf8Text},
        DecodeCase{"unknown charset", "<meta charset=klingon-7>" + kUtf8Text,
                   "<meta charset=klingon-7>" + kUtf8Text},
        DecodeCase{"no meta tag", kUtf8Text, kUtf8Text},
        // The decoded text ends at the first NUL, as every Text does.
        DecodeCase{"decoded text stops at NUL", Text("<meta charset=utf-8>a\0b", 23),
                   "<meta charset=utf-8>a"}),
    testing_support::CaseName());

TEST(DecodeBody, DecodesTheWholeBodyNotJustTheTextBeforeANul) {
  const Text body = "<meta charset=utf-16>" + kUtf8Text;  // read as UTF-8, as browsers do
  Bytes bytes(body.begin(), body.end());
  Text body_text = "<meta charset=utf-16>";  // as if a NUL had cut the text short
  PatternMatcher matcher;
  decode_body(bytes, body_text, matcher, {});
  EXPECT_EQ(body_text, "<meta charset=utf-16>" + kGbkText);
}

TEST(DecodeCharset, UnknownLabelsGiveNothing) {
  EXPECT_FALSE(decode_charset(Bytes{'a'}, "").has_value());
  EXPECT_FALSE(decode_charset(Bytes{'a'}, "no-such-charset").has_value());
  EXPECT_EQ(decode_charset(Bytes{'a'}, "utf-8"), Text("a"));
}

}  // namespace
}  // namespace brimlow
