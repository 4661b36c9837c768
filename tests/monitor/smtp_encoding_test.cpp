#include "monitor/smtp_encoding.h"

#include <gtest/gtest.h>

#include <ostream>

#include "http/text_helpers.h"
#include "monitor/smtp_message.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

// Case tables print as their names in test listings and failures.
template <typename Case>
  requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

// Test-side decoder, so the encoder is checked against an independent reading.
Text base64_decode(const Text& text) {
  const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  Text out;
  unsigned value = 0;
  int bits = 0;
  for (char c : text) {
    const std::size_t digit = alphabet.find(c);
    if (digit == std::string::npos) continue;  // padding and line breaks
    value = (value << 6) | static_cast<unsigned>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

struct Base64Case {
  const char* name;
  Text input;
  Text expected;
};

class Base64LinesTest : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64LinesTest, EncodesWithLineEnds) {
  EXPECT_EQ(base64_lines(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64LinesTest,
    ::testing::Values(Base64Case{"empty", "", "\r\n"},
                      Base64Case{"one byte", "a", "YQ==\r\n"},
                      Base64Case{"two bytes", "ab", "YWI=\r\n"},
                      Base64Case{"three bytes", "abc", "YWJj\r\n"},
                      Base64Case{"high bytes", "\xFF\xFE\xFD", "//79\r\n"},
                      // 57 bytes make exactly one 76-character line: one line end only.
                      Base64Case{"exactly one line", Text(57, '\0'), Text(76, 'A') + "\r\n"},
                      Base64Case{"line and a bit", Text(58, '\0'),
                                 Text(76, 'A') + "\r\nAA==\r\n"}),
    testing_support::CaseName());

TEST(Base64LinesTest, BreaksEverySeventySixCharacters) {
  Text input;
  for (int i = 0; i < 1000; ++i) input += static_cast<char>(i * 7);
  const Text encoded = base64_lines(input);
  std::size_t start = 0;
  while (start < encoded.size()) {
    const std::size_t end = encoded.find("\r\n", start);
    ASSERT_NE(end, Text::npos);
    const std::size_t length = end - start;
    if (end + 2 < encoded.size()) {
      EXPECT_EQ(length, 76u);
    }
    EXPECT_LE(length, 76u);
    start = end + 2;
  }
  EXPECT_EQ(base64_decode(encoded), input);
}

TEST(EncodeHeaderTextTest, LeavesAsciiAlone) {
  EXPECT_EQ(encode_header_text("Site down - Brimlow"), "Site down - Brimlow");
  EXPECT_EQ(encode_header_text(""), "");
}

TEST(EncodeHeaderTextTest, ShortTextIsOneWord) {
  const Text subject = gbk(u"站点无法访问 - Brimlow提醒您");
  ASSERT_LE(subject.size(), 45u);
  EXPECT_EQ(encode_header_text(subject), "=?gb2312?B?" + base64_encode(subject) + "?=");
  EXPECT_EQ(base64_decode(base64_encode(subject)), subject);
}

TEST(EncodeHeaderTextTest, LineBreaksNeverReachTheHeaderRaw) {
  const Text encoded = encode_header_text("x\r\nBcc: victim@example.org");
  EXPECT_EQ(encoded.find("\r\nBcc"), Text::npos);
  EXPECT_EQ(encoded.rfind("=?gb2312?B?", 0), 0u);
}

// Splits folded words apart and checks each one.
struct FoldCase {
  const char* name;
  Text text;
};

class EncodeHeaderFoldTest : public ::testing::TestWithParam<FoldCase> {};

TEST_P(EncodeHeaderFoldTest, FoldsWithoutSplittingCharacters) {
  const Text& text = GetParam().text;
  const Text encoded = encode_header_text(text);
  Text joined;
  std::size_t start = 0;
  int words = 0;
  for (;;) {
    const std::size_t fold = encoded.find("\r\n ", start);
    const Text word = encoded.substr(start, fold == Text::npos ? Text::npos : fold - start);
    ++words;
    ASSERT_EQ(word.rfind("=?gb2312?B?", 0), 0u) << word;
    ASSERT_EQ(word.substr(word.size() - 2), "?=") << word;
    EXPECT_LE(word.size(), 75u);
    const Text part = base64_decode(word.substr(11, word.size() - 13));
    EXPECT_LE(part.size(), 45u);
    // Every part is whole characters: a lead byte is never its last byte.
    std::size_t i = 0;
    while (i < part.size()) i += static_cast<unsigned char>(part[i]) >= 0x80 ? 2 : 1;
    EXPECT_EQ(i, part.size()) << "a double-byte character was split in word " << words;
    joined += part;
    if (fold == Text::npos) break;
    start = fold + 3;
  }
  EXPECT_EQ(joined, text);
  EXPECT_GT(words, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeHeaderFoldTest,
    ::testing::Values(
        FoldCase{"all double-byte", gbk(u"监控提醒：您的网站出现无法访问的情况，请尽快检查服务器状态")},
        // An odd ASCII prefix shifts the half point into the middle of a character.
        FoldCase{"shifted by ascii", "a" + gbk(u"监控提醒：您的网站出现无法访问的情况请检查服务器")},
        FoldCase{"mixed", gbk(u"Brimlow 提醒: http://www.example.org/some/long/path 无法访问 ") +
                              gbk(u"请尽快处理，谢谢！")},
        FoldCase{"very long", Text(40, 'x') + gbk(std::u16string(120, u'网'))}),
    testing_support::CaseName());

struct AddressCase {
  const char* name;
  Text piece;
  bool ok;
  Text display_name;
  Text address;
};

class ParseMailAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(ParseMailAddressTest, Parses) {
  const AddressCase& c = GetParam();
  MailAddress out;
  ASSERT_EQ(parse_mail_address(c.piece, out), c.ok);
  if (!c.ok) return;
  EXPECT_EQ(out.display_name, c.display_name);
  EXPECT_EQ(out.address, c.address);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseMailAddressTest,
    ::testing::Values(
        AddressCase{"bare", " a@b.test ", true, "", "a@b.test"},
        AddressCase{"named", " Ann  < a@b.test > ", true, "Ann", "a@b.test"},
        AddressCase{"brackets only", "<a@b.test>", true, "", "a@b.test"},
        AddressCase{"empty", "", true, "", ""},
        AddressCase{"placeholder kept", gbk(u"邮箱"), true, "", gbk(u"邮箱")},
        AddressCase{"open without close", "Ann <a@b.test", false, "", ""},
        AddressCase{"close before open", "a>b <c", false, "", ""},
        AddressCase{"line feed", "a@b.test\nRCPT TO:<x@y>", false, "", ""},
        AddressCase{"carriage return at end", "a@b.test\r", false, "", ""},
        AddressCase{"line break in name", "Ann\r\nBcc: x <a@b.test>", false, "", ""},
        AddressCase{"nul", Text("a@b\0c", 5), false, "", ""}),
    testing_support::CaseName());

TEST(ParseMailAddressListTest, CutsAtCommasAndSemicolonsSkippingEmptyPieces) {
  std::vector<MailAddress> out;
  ASSERT_TRUE(parse_mail_address_list("a@x.test;;b@x.test, Ann <c@x.test>,", out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].address, "a@x.test");
  EXPECT_EQ(out[1].address, "b@x.test");
  EXPECT_EQ(out[2].display_name, "Ann");
  EXPECT_EQ(out[2].address, "c@x.test");
  std::vector<MailAddress> bad;
  EXPECT_FALSE(parse_mail_address_list("a@x.test,<b@x.test", bad));
}

TEST(BuildMessageHeaderTest, WritesTheFieldsInOrder) {
  MailMessage message;
  message.subject = gbk(u"提醒");
  message.body = gbk(u"正文");
  message.from = {"", "me@x.test"};
  message.reply_to = {"", "me@x.test"};
  message.to = {{"", "a@x.test"}, {gbk(u"张三"), "b@x.test"}};
  message.cc = {{"", "me@x.test"}};
  message.bcc = {{"", "hidden@x.test"}};
  const Text header = build_message_header(message, "Fri, 11 Dec 2026 15:42:07 +0800");
  EXPECT_EQ(header,
            "From: me@x.test\r\n"
            "To: a@x.test," + encode_header_text(gbk(u"张三")) + " <b@x.test>\r\n"
            "Cc: me@x.test\r\n"
            "Subject: " + encode_header_text(gbk(u"提醒")) + "\r\n"
            "Date: Fri, 11 Dec 2026 15:42:07 +0800\r\n"
            "Reply-To: me@x.test\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-type: text/plain; charset=\"gb2312\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "\r\n");
}

TEST(BuildMessageHeaderTest, LeavesOutEmptyCcAndReplyToAndDeclaresAsciiBodies) {
  MailMessage message;
  message.subject = "Hi";
  message.body = "plain body";
  message.from = {"Me", "me@x.test"};
  const Text header = build_message_header(message, "D");
  EXPECT_EQ(header,
            "From: Me <me@x.test>\r\n"
            "To: \r\n"
            "Subject: Hi\r\n"
            "Date: D\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-type: text/plain; charset=\"us-ascii\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "\r\n");
}

}  // namespace
}  // namespace brimlow
