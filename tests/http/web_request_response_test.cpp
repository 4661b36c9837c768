// How responses come back: status texts, the final response's raw headers, bodies,
// cookies and Location, and which redirects are followed.
#include <gtest/gtest.h>

#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "http/web_request.h"
#include "tests/http/local_http_server.h"
#include "tests/http/web_request_test_support.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

using testing_support::bytes_as_text;
using testing_support::call_web_request;
using testing_support::http_response;
using testing_support::kUnwritten;
using testing_support::LocalHttpServer;
using testing_support::Outcome;
using testing_support::ServerConnection;

struct ResponseCase {
  const char* name;
  std::string response;  // sent as is, then the connection closes
  int method_index;
  Text status;
  Text body;
  Text headers;
};

class WebRequestResponseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(WebRequestResponseTest, ReportsTheFinalResponse) {
  const ResponseCase& c = GetParam();
  LocalHttpServer server([&](ServerConnection& connection) {
    if (connection.read_request()) connection.send(c.response);
  });
  WebRequestArgs args;
  args.url = server.url();
  args.method_index = c.method_index;
  args.timeout_seconds = 5;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, c.status);
  EXPECT_EQ(outcome.body, c.body);
  EXPECT_EQ(bytes_as_text(outcome.body_bytes), c.body);
  EXPECT_EQ(outcome.headers, c.headers);
  EXPECT_EQ(outcome.location, kUnwritten);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebRequestResponseTest,
    ::testing::Values(
        ResponseCase{"ok", http_response("HTTP/1.1 200 OK", "hello"), 0, "200 OK", "hello",
                     "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"},
        ResponseCase{"http 1.0 until close", "HTTP/1.0 200 OK\r\nServer: x\r\n\r\nbody", 0,
                     "200 OK", "body", "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n"},
        ResponseCase{"lower-case reason kept", http_response("HTTP/1.1 200 ok", ""), 0, "200 ok",
                     "", "HTTP/1.1 200 ok\r\nContent-Length: 0\r\n\r\n"},
        ResponseCase{"not found", http_response("HTTP/1.1 404 Not Found", "nf"), 0,
                     "404 Not Found", "nf", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n"},
        ResponseCase{"interim 100 skipped",
                     "HTTP/1.1 100 Continue\r\nX-I: 1\r\n\r\n" + http_response("HTTP/1.1 200 OK", "x"),
                     1, "200 OK", "x", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n"},
        ResponseCase{"chunked body joined",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "3\r\nabc\r\n2\r\nde\r\n0\r\nX-Trailer: t\r\n\r\n",
                     0, "200 OK", "abcde", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"},
        ResponseCase{"bare line feeds become CR LF", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", 0,
                     "200 OK", "ok", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n"},
        ResponseCase{"head does not wait for the announced body",
                     "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", 2, "200 OK", "",
                     "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"}),
    testing_support::CaseName());

// The peer keeps the connection open after the header: a client that waited for the
// announced 100 bytes would sit out the whole time-out.
TEST(WebRequestResponse, HeadDoesNotWaitForTheAnnouncedBody) {
  for (const Text body : {"", "with a body"}) {
    LocalHttpServer server([](ServerConnection& connection) {
      if (!connection.read_request()) return;
      connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
      connection.hold();
    });
    WebRequestArgs args;
    args.url = server.url();
    args.method_index = 2;
    args.request_body = body;
    args.timeout_seconds = 10;
    const Outcome outcome = call_web_request(args);
    EXPECT_EQ(outcome.status, "200 OK") << body;
    EXPECT_EQ(outcome.headers, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n") << body;
    EXPECT_TRUE(outcome.body_bytes.empty()) << body;
    EXPECT_LT(outcome.seconds, 5.0) << body;
  }
}

TEST(WebRequestResponse, BodyTextEndsAtTheFirstNulWhileTheBytesKeepEverything) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) {
      connection.send(http_response("HTTP/1.1 200 OK", std::string("a\0b", 3)));
    }
  });
  WebRequestArgs args;
  args.url = server.url();
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.body, "a");
  EXPECT_EQ(outcome.body_bytes, (Bytes{'a', 0, 'b'}));
}

TEST(WebRequestResponse, DeclaredCharsetIsDecodedToGbk) {
  const std::string page = "<meta charset=utf-8>\xE4\xB8\xAD";
  LocalHttpServer server([&](ServerConnection& connection) {
    if (connection.read_request()) connection.send(http_response("HTTP/1.1 200 OK", page));
  });
  WebRequestArgs args;
  args.url = server.url();
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.body, "<meta charset=utf-8>\xD6\xD0");
  EXPECT_EQ(bytes_as_text(outcome.body_bytes), page);  // the raw bytes stay as received
}

TEST(WebRequestResponse, CookiesAndLocationReachTheCaller) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) {
      connection.send(http_response("HTTP/1.1 200 OK", "",
                                    "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
                                    "Location: /elsewhere\r\n"));
    }
  });
  Text cookies_in = "c=3; a=0";
  WebRequestArgs args;
  args.url = server.url();
  args.cookies_in = &cookies_in;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.location, "/elsewhere");
  EXPECT_EQ(outcome.cookies_out, "a=1; b=2; c=3");
  EXPECT_EQ(cookies_in, "a=1; b=2; c=3");
}

TEST(WebRequestResponse, CookiesAreNotMergedWhenTheCallerSaysSo) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) {
      connection.send(http_response("HTTP/1.1 200 OK", "", "Set-Cookie: a=x y\r\n"));
    }
  });
  Text cookies_in = "c=3";
  WebRequestArgs args;
  args.url = server.url();
  args.cookies_in = &cookies_in;
  args.auto_merge_cookies = false;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.cookies_out, "a=x y");
  EXPECT_EQ(cookies_in, "c=3");
}

// "好" in UTF-8 is three bytes: read two by two as GBK, its last byte would take the ";" or
// the CR after it along, hiding the cookie's end or gluing the next line to this one.
TEST(WebRequestResponse, HeaderValueOfOddMultiByteLengthKeepsSeparatorsWhole) {
  const std::string odd = "\xE5\xA5\xBD";
  LocalHttpServer server([&](ServerConnection& connection) {
    std::string request;
    while (connection.read_request(&request)) {
      const std::string answer =
          request.rfind("GET /a ", 0) == 0
              ? http_response("HTTP/1.1 302 Found", "",
                              "Set-Cookie: n=" + odd + "; path=/\r\nX-Msg: " + odd +
                                  "\r\nLocation: /b\r\n")
              : http_response("HTTP/1.1 200 OK", "final");
      if (!connection.send(answer)) return;
    }
  });
  WebRequestArgs args;
  args.url = server.url("/a");
  const Outcome followed = call_web_request(args);
  EXPECT_EQ(followed.status, "200 OK");
  EXPECT_EQ(followed.body, "final");

  args.no_redirect = true;
  const Outcome held = call_web_request(args);
  EXPECT_EQ(held.status, "302 Found");
  EXPECT_EQ(held.location, "/b");
  EXPECT_EQ(held.cookies_out, "n=\xE5\xA5?");
  EXPECT_EQ(held.headers,
            "HTTP/1.1 302 Found\r\nContent-Length: 0\r\nSet-Cookie: n=\xE5\xA5?; path=/\r\n"
            "X-Msg: \xE5\xA5?\r\nLocation: /b\r\n\r\n");
}

// A peer that redirects "/r<n>" to "/r<n-1>" and answers "/r0" (or anything else) with 200.
std::string redirecting_answer(const std::string& request, const std::string& status_line) {
  const std::string target = request.substr(request.find(' ') + 1,
                                            request.find(' ', request.find(' ') + 1) -
                                                request.find(' ') - 1);
  if (target.rfind("/r", 0) == 0 && target != "/r0") {
    const int hops = std::stoi(target.substr(2));
    return http_response(status_line, "moved",
                         "Location: /r" + std::to_string(hops - 1) + "\r\n");
  }
  return http_response("HTTP/1.1 200 OK", "final " + target);
}

LocalHttpServer::Responder redirector(std::string status_line) {
  return [status_line](ServerConnection& connection) {
    std::string request;
    while (connection.read_request(&request)) {
      if (!connection.send(redirecting_answer(request, status_line))) return;
    }
  };
}

TEST(WebRequestRedirect, FollowedToTheFinalResponse) {
  LocalHttpServer server(redirector("HTTP/1.1 301 Moved Permanently"));
  WebRequestArgs args;
  args.url = server.url("/r2");
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "final /r0");
  EXPECT_EQ(outcome.headers, "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n");
  EXPECT_EQ(outcome.location, kUnwritten);
  EXPECT_EQ(server.requests().size(), 3u);
}

TEST(WebRequestRedirect, NotFollowedWithNoRedirect) {
  LocalHttpServer server(redirector("HTTP/1.1 301 Moved Permanently"));
  WebRequestArgs args;
  args.url = server.url("/r2");
  args.no_redirect = true;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "301 Moved Permanently");
  EXPECT_EQ(outcome.location, "/r1");
  EXPECT_EQ(outcome.body, "moved");
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(WebRequestRedirect, AtMostTenAreFollowed) {
  LocalHttpServer server(redirector("HTTP/1.1 302 Found"));
  WebRequestArgs args;
  args.url = server.url("/r50");
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "302 Found");
  EXPECT_EQ(outcome.location, "/r39");
  EXPECT_EQ(server.requests().size(), 11u);
}

struct MethodChangeCase {
  const char* name;
  std::string status_line;
  int method_index;
  std::string second_request_line;
  bool body_kept;
};

class WebRequestRedirectMethodTest : public ::testing::TestWithParam<MethodChangeCase> {};

TEST_P(WebRequestRedirectMethodTest, ChangesTheMethodAsBrowsersDo) {
  const MethodChangeCase& c = GetParam();
  LocalHttpServer server(redirector(c.status_line));
  WebRequestArgs args;
  args.url = server.url("/r1");
  args.method_index = c.method_index;
  args.request_body = "data";
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), c.second_request_line);
  EXPECT_EQ(requests[1].size() >= 4 && requests[1].substr(requests[1].size() - 4) == "data",
            c.body_kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WebRequestRedirectMethodTest,
    ::testing::Values(
        MethodChangeCase{"post after 302 becomes get", "HTTP/1.1 302 Found", 1,
                         "GET /r0 HTTP/1.1", false},
        MethodChangeCase{"post after 307 stays post", "HTTP/1.1 307 Temporary Redirect", 1,
                         "POST /r0 HTTP/1.1", true},
        MethodChangeCase{"put after 303 becomes get", "HTTP/1.1 303 See Other", 3,
                         "GET /r0 HTTP/1.1", false},
        MethodChangeCase{"put after 301 stays put", "HTTP/1.1 301 Moved Permanently", 3,
                         "PUT /r0 HTTP/1.1", true}),
    testing_support::CaseName());

TEST(WebRequestRedirect, CredentialsStayWithTheirPeer) {
  LocalHttpServer target([](ServerConnection& connection) {
    if (connection.read_request()) connection.send(http_response("HTTP/1.1 200 OK", "t"));
  });
  LocalHttpServer origin([&](ServerConnection& connection) {
    if (connection.read_request()) {
      connection.send(http_response("HTTP/1.1 302 Found", "",
                                    "Location: " + target.url("/x") + "\r\n"));
    }
  });
  WebRequestArgs args;
  args.url = origin.url();
  args.server_user = "u";
  args.server_password = "p";
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.body, "t");
  ASSERT_EQ(origin.requests().size(), 1u);
  ASSERT_EQ(target.requests().size(), 1u);
  EXPECT_NE(text_find(origin.requests()[0], "Authorization: Basic"), -1);
  EXPECT_EQ(text_find(target.requests()[0], "Authorization"), -1);
}

}  // namespace
}  // namespace brimlow
