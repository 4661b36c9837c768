// What goes on the wire: request line, Host, Content-Length, the header block in order,
// and the body, byte for byte, as a raw peer received them.
#include <gtest/gtest.h>

#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "http/web_request.h"
#include "tests/http/local_http_server.h"
#include "tests/http/web_request_test_support.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

using testing_support::call_web_request;
using testing_support::http_response;
using testing_support::LocalHttpServer;
using testing_support::ServerConnection;

const Text kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
const Text kAccept = "Accept: text/html, application/xhtml+xml, */*\r\n";
const Text kEncoding = "Accept-Encoding: gbk, GB2312\r\n";
const Text kLanguage = "Accept-Language: zh-cn\r\n";
const Text kDefaults = kUserAgent + kAccept + kEncoding + kLanguage;
const Text kForm = "Content-Type: application/x-www-form-urlencoded\r\n";
const Text kCache = "Cache-Control: no-cache\r\n";
const Text kHost = "Host: {host}\r\n";

struct WireCase {
  const char* name;
  std::string path;  // after "http://127.0.0.1:<port>"
  int method_index;
  Text body;
  Text extra_headers;
  Text cookies_in;
  Text expected;  // "{host}" stands for 127.0.0.1:<port>
};

class WebRequestWireTest : public ::testing::TestWithParam<WireCase> {};

TEST_P(WebRequestWireTest, SendsExactlyTheseBytes) {
  const WireCase& c = GetParam();
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) connection.send(http_response("HTTP/1.1 200 OK", "ok"));
  });
  Text cookies_in = c.cookies_in;
  WebRequestArgs args;
  args.url = server.url(c.path);
  args.method_index = c.method_index;
  args.request_body = c.body;
  args.extra_headers = c.extra_headers;
  args.cookies_in = &cookies_in;
  args.timeout_seconds = 5;
  const auto outcome = call_web_request(args);

  EXPECT_EQ(outcome.status, "200 OK");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const Text host = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(requests[0], text_replace(c.expected, "{host}", host));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebRequestWireTest,
    ::testing::Values(
        WireCase{"monitor call", "/", 0, "", "", "",
                 "GET / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"form post", "/", 1, "a=1", "", "",
                 "POST / HTTP/1.1\r\n" + kHost + "Content-Length: 3\r\n" + kDefaults + kForm +
                     kCache + "\r\na=1"},
        WireCase{"lower-case content-type fixed", "/", 1, "<x/>", "content-type: text/xml", "",
                 "POST / HTTP/1.1\r\n" + kHost + "Content-Length: 4\r\nContent-Type: text/xml\r\n" +
                     kDefaults + kCache + "\r\n<x/>"},
        WireCase{"upper-case content-type kept and form added", "/", 1, "", "CONTENT-TYPE: text/xml",
                 "",
                 "POST / HTTP/1.1\r\n" + kHost + "Content-Length: 0\r\nCONTENT-TYPE: text/xml\r\n" +
                     kDefaults + kForm + kCache + "\r\n"},
        WireCase{"head leaves content-type alone", "/", 2, "", "content-type: x", "",
                 "HEAD / HTTP/1.1\r\n" + kHost + "content-type: x\r\n" + kDefaults + kCache +
                     "\r\n"},
        WireCase{"head with a body", "/", 2, "hb", "", "",
                 "HEAD / HTTP/1.1\r\n" + kHost + "Content-Length: 2\r\n" + kDefaults + kCache +
                     "\r\nhb"},
        WireCase{"get with a body", "/", 0, "abc", "", "",
                 "GET / HTTP/1.1\r\n" + kHost + "Content-Length: 3\r\n" + kDefaults + kCache +
                     "\r\nabc"},
        WireCase{"index past the table sends GET", "/", 8, "", "", "",
                 "GET / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"negative index sends GET", "/", -1, "", "", "",
                 "GET / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"put", "/", 3, "x", "", "",
                 "PUT / HTTP/1.1\r\n" + kHost + "Content-Length: 1\r\n" + kDefaults + kCache +
                     "\r\nx"},
        WireCase{"options", "/", 4, "", "", "",
                 "OPTIONS / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"delete", "/", 5, "", "", "",
                 "DELETE / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"trace", "/", 6, "", "", "",
                 "TRACE / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"connect", "/", 7, "", "", "",
                 "CONNECT / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"empty post states length zero", "/", 1, "", "", "",
                 "POST / HTTP/1.1\r\n" + kHost + "Content-Length: 0\r\n" + kDefaults + kForm +
                     kCache + "\r\n"},
        WireCase{"query and fragment sent", "/p?x=1#f", 0, "", "", "",
                 "GET /p?x=1#f HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"query without a path dropped", "?x=1", 0, "", "", "",
                 "GET / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"no path at all", "", 0, "", "", "",
                 "GET / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"dot segments kept", "/a/../b", 0, "", "", "",
                 "GET /a/../b HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"gbk path percent-encoded as utf-8", "/\xD6\xD0 a", 0, "", "", "",
                 "GET /%E4%B8%AD%20a HTTP/1.1\r\n" + kHost + kDefaults + kCache + "\r\n"},
        WireCase{"extra header first", "/", 0, "", "X-A: 1", "",
                 "GET / HTTP/1.1\r\n" + kHost + "X-A: 1\r\n" + kDefaults + kCache + "\r\n"},
        // The block then holds an empty line; it must not end the header section early.
        WireCase{"extra header ending in CR LF", "/", 0, "", "X-A: 1\r\n", "",
                 "GET / HTTP/1.1\r\n" + kHost + "X-A: 1\r\n" + kDefaults + kCache + "\r\n"},
        WireCase{"lower-case accept replaces the default", "/", 0, "", "accept: */*", "",
                 "GET / HTTP/1.1\r\n" + kHost + "accept: */*\r\n" + kUserAgent + kEncoding +
                     kLanguage + kCache + "\r\n"},
        WireCase{"user-agent without blank keeps the default", "/", 0, "", "User-Agent:x", "",
                 "GET / HTTP/1.1\r\n" + kHost + "User-Agent:x\r\n" + kDefaults + kCache + "\r\n"},
        WireCase{"empty header value sent", "/", 0, "", "X-Empty:", "",
                 "GET / HTTP/1.1\r\n" + kHost + "X-Empty:\r\n" + kDefaults + kCache + "\r\n"},
        WireCase{"cookie line last", "/", 0, "", "", "a=1; b=2",
                 "GET / HTTP/1.1\r\n" + kHost + kDefaults + kCache + "Cookie: a=1; b=2\r\n\r\n"},
        WireCase{"caller's cookie line wins", "/", 0, "", "cookie: z=1", "a=1",
                 "GET / HTTP/1.1\r\n" + kHost + "cookie: z=1\r\n" + kDefaults + kCache + "\r\n"},
        WireCase{"caller's content-length replaced", "/", 1, "ab", "Content-Length: 99", "",
                 "POST / HTTP/1.1\r\n" + kHost + "Content-Length: 2\r\n" + kDefaults + kForm +
                     kCache + "\r\nab"}),
    testing_support::CaseName());

TEST(WebRequestWire, BasicCredentialsOnlyWithUserAndPassword) {
  LocalHttpServer server([](ServerConnection& connection) {
    while (connection.read_request()) {
      if (!connection.send(http_response("HTTP/1.1 200 OK", "ok"))) return;
    }
  });
  WebRequestArgs args;
  args.url = server.url("/");
  args.timeout_seconds = 5;
  args.server_user = "u";
  args.server_password = "p";
  call_web_request(args);
  args.server_password.clear();
  call_web_request(args);
  args.server_user.clear();
  args.server_password = "p";
  call_web_request(args);

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  const Text host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  EXPECT_EQ(requests[0], "GET / HTTP/1.1\r\n" + host + "Authorization: Basic dTpw\r\n" +
                             kDefaults + kCache + "\r\n");
  EXPECT_EQ(text_find(requests[1], "Authorization"), -1);
  EXPECT_EQ(text_find(requests[2], "Authorization"), -1);
}

TEST(WebRequestWire, PlainRequestThroughAProxyNamesTheWholeAddress) {
  LocalHttpServer proxy([](ServerConnection& connection) {
    if (connection.read_request()) connection.send(http_response("HTTP/1.1 200 OK", "via"));
  });
  WebRequestArgs args;
  args.url = "http://example.invalid:8080/p?q=1";
  args.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  args.proxy_user = "pu";
  args.proxy_password = "pp";
  args.timeout_seconds = 5;
  const auto outcome = call_web_request(args);

  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "via");
  const auto requests = proxy.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], "GET http://example.invalid:8080/p?q=1 HTTP/1.1\r\n"
                         "Host: example.invalid:8080\r\n"
                         "Proxy-Authorization: Basic cHU6cHA=\r\n" +
                             kDefaults + kCache + "\r\n");
}

// Past a size curl would ask "Expect: 100-continue" and wait for leave; the body must go
// at once, unchanged, after the same header lines as a small one.
TEST(WebRequestWire, LargeBodyGoesWithoutAnExpectation) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) connection.send(http_response("HTTP/1.1 200 OK", "ok"));
  });
  Text body(3u << 20, 'q');
  body[1000] = '\xD6';
  WebRequestArgs args;
  args.url = server.url();
  args.method_index = 3;
  args.request_body = body;
  args.timeout_seconds = 5;
  const auto outcome = call_web_request(args);

  EXPECT_EQ(outcome.status, "200 OK");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const Text host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  EXPECT_TRUE(requests[0] == "PUT / HTTP/1.1\r\n" + host + "Content-Length: 3145728\r\n" +
                                 kDefaults + kCache + "\r\n" + body)
      << requests[0].substr(0, 400);
}

TEST(WebRequestWire, SecureRequestThroughAProxyAsksForATunnel) {
  LocalHttpServer proxy([](ServerConnection& connection) {
    if (connection.read_request()) connection.send("HTTP/1.1 403 Forbidden\r\n\r\n");
  });
  WebRequestArgs args;
  args.url = "https://example.invalid/p";
  args.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  args.proxy_user = "pu";
  args.proxy_password = "pp";
  args.timeout_seconds = 5;
  Text status;
  args.status_out = &status;
  web_request(args);

  EXPECT_EQ(status, gbk(u"711 \u53D1\u9001\u8BF7\u6C42\u5931\u8D25!"));  // 发送请求失败
  const auto requests = proxy.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
            "CONNECT example.invalid:443 HTTP/1.1");
  EXPECT_NE(text_find(requests[0], "Proxy-Authorization: Basic cHU6cHA=\r\n"), -1);
}

}  // namespace
}  // namespace brimlow
