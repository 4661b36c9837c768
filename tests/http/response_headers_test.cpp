#include "http/response_headers.h"

#include <gtest/gtest.h>

#include "base/text_ops.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

constexpr const char* kUntouched = "<untouched>";

struct HeaderCase {
  const char* name;
  Text raw;
  Text cookies_in;
  bool auto_merge;
  Text status;
  Text cookies_out;
  Text location;    // kUntouched when no Location line may be taken
  Text cookies_in_after;
};

class ParseResponseHeadersTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ParseResponseHeadersTest, FillsTheCallersVariables) {
  const HeaderCase& c = GetParam();
  Text status = "previous";
  Text cookies_out;
  Text location = kUntouched;
  Text cookies_in = c.cookies_in;
  int pumps = 0;
  parse_response_headers(c.raw, c.auto_merge, {&status, &cookies_out, &location, &cookies_in},
                         [&] { ++pumps; });
  EXPECT_EQ(status, c.status);
  EXPECT_EQ(cookies_out, c.cookies_out);
  EXPECT_EQ(location, c.location);
  EXPECT_EQ(cookies_in, c.cookies_in_after);
  EXPECT_EQ(pumps, static_cast<int>(split_text(c.raw, "\r\n").size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseResponseHeadersTest,
    ::testing::Values(
        HeaderCase{"plain", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", "", true, "200 OK", "",
                   kUntouched, ""},
        HeaderCase{"http 1.0", "HTTP/1.0 200 OK\r\n\r\n", "", true, "200 OK", "", kUntouched, ""},
        HeaderCase{"no reason phrase", "HTTP/1.1 200\r\n\r\n", "", true, "200", "", kUntouched,
                   ""},
        HeaderCase{"shorter than ten bytes", "HTTP/1.1\r\n", "", true, "", "", kUntouched, ""},
        HeaderCase{"line break right at byte ten", "HTTP/1.1 \r\nX: y\r\n\r\n", "", true, "", "",
                   kUntouched, ""},
        HeaderCase{"longer prefix shifts the cut", "HTTP/1.10 200 OK\r\n\r\n", "", true, " 200 OK",
                   "", kUntouched, ""},
        HeaderCase{"location", "HTTP/1.1 302 Found\r\nLocation: /next\r\n\r\n", "", true,
                   "302 Found", "", "/next", ""},
        HeaderCase{"location lower case", "HTTP/1.1 302 Found\r\nlocation: /a\r\n\r\n", "", true,
                   "302 Found", "", "/a", ""},
        HeaderCase{"location without blank", "HTTP/1.1 302 Found\r\nLocation:/a\r\n\r\n", "",
                   true, "302 Found", "", kUntouched, ""},
        HeaderCase{"later location wins, untrimmed",
                   "HTTP/1.1 302 Found\r\nLocation: /a\r\nLocation:  /b \r\n\r\n", "", true,
                   "302 Found", "", " /b ", ""},
        HeaderCase{"two cookies",
                   "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "",
                   true, "200 OK", "a=1; b=2", kUntouched, ""},
        HeaderCase{"lower-case set-cookie ignored",
                   "HTTP/1.1 200 OK\r\nset-cookie: a=1\r\n\r\n", "", true, "200 OK", "",
                   kUntouched, ""},
        HeaderCase{"cookie trimmed", "HTTP/1.1 200 OK\r\nSet-Cookie:  a=1 ;x\r\n\r\n", "", true,
                   "200 OK", "a=1", kUntouched, ""},
        HeaderCase{"merge new beats old",
                   "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2\r\n\r\n", "c=3; a=0",
                   true, "200 OK", "a=1; b=2; c=3", kUntouched, "a=1; b=2; c=3"},
        HeaderCase{"deleted cookie goes",
                   "HTTP/1.1 200 OK\r\nSet-Cookie: a=deleted; path=/\r\n\r\n", "a=0; c=3", true,
                   "200 OK", "c=3", kUntouched, "c=3"},
        HeaderCase{"blanks removed by merge", "HTTP/1.1 200 OK\r\n\r\n", "x=hello world", true,
                   "200 OK", "x=helloworld", kUntouched, "x=helloworld"},
        HeaderCase{"first old pair of a name wins", "HTTP/1.1 200 OK\r\n\r\n", "a=1; a=2", true,
                   "200 OK", "a=1", kUntouched, "a=1"},
        HeaderCase{"merge off keeps blanks and order",
                   "HTTP/1.1 200 OK\r\nSet-Cookie: b=x y\r\nSet-Cookie: a=1\r\n\r\n", "c=3", false,
                   "200 OK", "b=x y; a=1", kUntouched, "c=3"},
        HeaderCase{"empty cookies_in is not merged",
                   "HTTP/1.1 200 OK\r\nSet-Cookie: b=x y\r\n\r\n", "", true, "200 OK", "b=x y",
                   kUntouched, ""}),
    testing_support::CaseName());

TEST(ParseResponseHeaders, AppendsToWhatCookiesOutHeldAndSkipsOmittedOutputs) {
  Text cookies_out = "z=9; ";
  parse_response_headers("HTTP/1.1 302 Found\r\nSet-Cookie: a=1\r\nLocation: /x\r\n\r\n", true,
                         {nullptr, &cookies_out, nullptr, nullptr}, {});
  EXPECT_EQ(cookies_out, "z=9; a=1");
}

struct MergeCase {
  const char* name;
  Text old_cookies, new_cookies;
  Text merged, new_after;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, MergesAndRewritesBoth) {
  const MergeCase& c = GetParam();
  Text old_cookies = c.old_cookies;
  Text new_cookies = c.new_cookies;
  EXPECT_EQ(merge_cookies(old_cookies, new_cookies), c.merged);
  EXPECT_EQ(old_cookies, c.merged);
  EXPECT_EQ(new_cookies, c.new_after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeCookiesTest,
    ::testing::Values(
        MergeCase{"both empty", "", "", "", ""},
        MergeCase{"old only", "a=1;b=2", "", "a=1; b=2", ""},
        MergeCase{"new beats old", "a=0; c=3", "a=1; b=2", "a=1; b=2; c=3", "a=1;b=2"},
        // The full-width blank (A1 A1) counts as a blank too.
        MergeCase{"full-width blank removed", "a=1\xA1\xA1", "", "a=1", ""},
        MergeCase{"exact duplicates dropped", "", "a=1; a=1", "a=1", "a=1;a=1"},
        MergeCase{"new pairs of one name all kept", "", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
        MergeCase{"short pair compared whole", "", "deleted", "deleted", "deleted"},
        MergeCase{"deleted new drops old of that name", "a=0", "a=deleted", "", "a=deleted"},
        MergeCase{"empty members kept between separators", "a=1;;b=2", "", "a=1; ; b=2", ""}),
    testing_support::CaseName());

TEST(CookieName, IsThePartBeforeTheFirstEqualsTrimmed) {
  EXPECT_EQ(cookie_name(" a =1=2"), "a");
  EXPECT_EQ(cookie_name("flag"), "flag");
  EXPECT_EQ(cookie_name("=v"), "");
  EXPECT_TRUE(has_cookie_name({"x=1", " a =2"}, "a"));
  EXPECT_FALSE(has_cookie_name({"x=1", "A=2"}, "a"));
  EXPECT_FALSE(has_cookie_name({}, ""));
}

}  // namespace
}  // namespace brimlow
