#include "monitor/credential.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <memory>
#include <string>

#include "http/text_helpers.h"
#include "monitor/mail_account.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

// Case tables print as their names in test listings and failures.
template <typename Case>
  requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct ReverseCase {
  const char* name;
  Text text;
  bool wide;
  Text expected;
};

class TextReverseTest : public ::testing::TestWithParam<ReverseCase> {};

TEST_P(TextReverseTest, Reverses) {
  const ReverseCase& c = GetParam();
  EXPECT_EQ(text_reverse(c.text, c.wide), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextReverseTest,
    ::testing::Values(ReverseCase{"ascii", "abc", false, "cba"},
                      ReverseCase{"empty", "", false, ""},
                      // 中 = D6 D0: byte-wise reversal swaps a double-byte character's bytes.
                      ReverseCase{"double-byte swapped", "a\xD6\xD0", false, "\xD0\xD6" "a"},
                      ReverseCase{"wide ascii", "abc", true, "cba"},
                      ReverseCase{"wide empty", "", true, ""},
                      // Wide mode keeps each character whole: 中文x -> x文中.
                      ReverseCase{"wide keeps characters", gbk(u"中文x"), true, gbk(u"x文中")}),
    testing_support::CaseName());

struct HexIntCase {
  const char* name;
  Text text;
  std::int64_t expected;
};

class HexToInt64Test : public ::testing::TestWithParam<HexIntCase> {};

TEST_P(HexToInt64Test, ReadsTheLastSixteenDigits) {
  EXPECT_EQ(hex_to_int64(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexToInt64Test,
    ::testing::Values(HexIntCase{"lower", "ff", 255}, HexIntCase{"upper", "FF", 255},
                      HexIntCase{"prefix skipped", "0x1A", 26}, HexIntCase{"no digits", "zz", 0},
                      HexIntCase{"empty", "", 0}, HexIntCase{"one digit", "7", 7},
                      HexIntCase{"other bytes skipped", "1-2 3", 0x123},
                      HexIntCase{"high word", "100000000", 0x100000000LL},
                      HexIntCase{"all sixteen", "7FFFFFFFFFFFFFFF", INT64_MAX},
                      HexIntCase{"sign bit", "FFFFFFFFFFFFFFFF", -1},
                      // Only the last sixteen digits count.
                      HexIntCase{"seventeen digits", "1000000000000000F", 0xF}),
    testing_support::CaseName());

struct HexBytesCase {
  const char* name;
  Text text;
  Bytes expected;
};

class HexToBytesTest : public ::testing::TestWithParam<HexBytesCase> {};

TEST_P(HexToBytesTest, DecodesPairs) {
  EXPECT_EQ(hex_to_bytes(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexToBytesTest,
    ::testing::Values(HexBytesCase{"pairs", "41ff00", {0x41, 0xFF, 0x00}},
                      HexBytesCase{"odd length", "414", {0x41, 0x04}},
                      HexBytesCase{"empty", "", {}},
                      // A pair with one bad character is worth its other digit.
                      HexBytesCase{"bad character", "4g", {0x04}},
                      HexBytesCase{"no digits", "zz", {0x00}}),
    testing_support::CaseName());

TEST(HexToBytesTest, PumpsEventsAfterEachByte) {
  int pumped = 0;
  hex_to_bytes("414243", [&] { ++pumped; });
  EXPECT_EQ(pumped, 3);
}

TEST(Md5HexTest, GivesTheStandardDigestInTheAskedForm) {
  EXPECT_EQ(md5_hex({}), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5_hex(bytes_of("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5_hex(bytes_of("abc"), true), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(md5_hex(bytes_of("abc"), false, true), "3cd24fb0d6963f7d");
  EXPECT_EQ(md5_hex(bytes_of("abc"), true, true), "3CD24FB0D6963F7D");
}

struct HashCase {
  const char* name;
  std::uint32_t algorithm;
  int size;
  Text expected;  // of "abc"
};

class HashHexTest : public ::testing::TestWithParam<HashCase> {};

TEST_P(HashHexTest, DigestsOrRefuses) {
  const HashCase& c = GetParam();
  EXPECT_EQ(hash_hex(bytes_of("abc"), c.algorithm, c.size), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HashHexTest,
    ::testing::Values(
        HashCase{"md5", kHashMd5, 16, "900150983CD24FB0D6963F7D28E17F72"},
        HashCase{"sha1", kHashSha1, 20, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        HashCase{"sha256", kHashSha256, 32,
                 "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        HashCase{"sha384", kHashSha384, 48,
                 "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED"
                 "8086072BA1E7CC2358BAECA134C825A7"},
        HashCase{"sha512", kHashSha512, 64,
                 "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
                 "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"},
        HashCase{"unknown algorithm", 0x8005, 16, ""},
        HashCase{"size too small", kHashMd5, 8, ""},
        HashCase{"size too large", kHashSha1, 32, ""},
        HashCase{"size zero", kHashMd5, 0, ""}),
    testing_support::CaseName());

// MD2 and MD4 live in libcrypto's legacy provider, if at all; where they are offered they
// must be the real digests (the empty text otherwise).
TEST(HashHexTest, LegacyDigestsAreRightWhereAvailable) {
  const Text md4 = hash_hex(bytes_of("abc"), kHashMd4, 16);
  if (!md4.empty()) {
    EXPECT_EQ(md4, "A448017AAF21D8525FC10AE87AA6729D");
  }
  const Text md2 = hash_hex(bytes_of("abc"), kHashMd2, 16);
  if (!md2.empty()) {
    EXPECT_EQ(md2, "DA853B0D3F88D99B30283A69E6DED6BB");
  }
  if (md4.empty() && md2.empty()) GTEST_SKIP() << "no legacy digests in this libcrypto";
}

TEST(DecipherTextTest, RoundTripsThroughTheStoredForm) {
  const Text passwords[] = {"demo-password", "p", "\xC3\xDC\xC2\xEB longer than thirteen bytes"};
  for (const Text& password : passwords) {
    const Text stored = make_stored_credential(password, "brimlow.local", 0x1234A5);
    EXPECT_EQ(stored.size(), password.size() * 2 + 9);
    EXPECT_EQ(decipher_password(stored, "brimlow.local", 0x1234A5), password);
  }
}

TEST(DecipherTextTest, WrongKeyOrConstantGivesNoPassword) {
  const Text stored = make_stored_credential("secret", "brimlow.local", 90);
  EXPECT_EQ(decipher_password(stored, "brimlow.other", 90), "");
  // The key must be reversed before use: the key source as it stands does not match.
  EXPECT_EQ(decipher_text(stored, "brimlow.local", 90), "");
  EXPECT_NE(decipher_password(stored, "brimlow.local", 91), "secret");
}

TEST(DecipherTextTest, ChecksTheMiddleOfTheKeysDigest) {
  // md5("key") = 3c6e0b8a9c15224a8228b9a98ca1531d: digits 3..11 upper-cased.
  EXPECT_EQ(decipher_text("00" "6E0B8A9C1", "key", 0x41), "A");
  EXPECT_EQ(decipher_text("00" "6e0b8a9c1", "key", 0x41), "");  // the check is upper case
  // A stored text of nine characters has no body.
  EXPECT_EQ(decipher_text("6E0B8A9C1", "key", 0x41), "");
  EXPECT_EQ(decipher_text("", "key", 0x41), "");
  // Only the low 8 bits of the constant's exclusive-or reach the output byte.
  EXPECT_EQ(decipher_text("00" "6E0B8A9C1", "key", 0x7FFFFF41), "A");
  // A NUL byte ends the text.
  EXPECT_EQ(decipher_text("4100" "42" "6E0B8A9C1", "key", 0), "A");
}

TEST(MailAccountTest, BuiltInAccountDeciphersToAPassword) {
  const MailAccount account = built_in_mail_account();
  EXPECT_FALSE(account.host.empty());
  EXPECT_FALSE(account.sender.empty());
  EXPECT_FALSE(build_mail_password(account).empty());
  int pumped = 0;
  build_mail_password(account, [&] { ++pumped; });
  EXPECT_EQ(pumped, static_cast<int>(account.credential.size() - 9) / 2);
}

// The developer tool prints what the program deciphers back.
TEST(MakeCredentialToolTest, OutputDeciphersToThePassword) {
  const std::string command = std::string("echo 'tool pass-word' | '") + MAKE_CREDENTIAL_PATH +
                              "' mail.example.org 0x3C";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  char line[256] = {};
  ASSERT_NE(fgets(line, sizeof line, pipe.get()), nullptr);
  Text stored = line;
  while (!stored.empty() && (stored.back() == '\n' || stored.back() == '\r')) stored.pop_back();
  EXPECT_EQ(decipher_password(stored, "mail.example.org", 0x3C), "tool pass-word");
  EXPECT_NE(decipher_password(stored, "mail.example.org", 0x3D), "tool pass-word");
}

}  // namespace
}  // namespace brimlow
