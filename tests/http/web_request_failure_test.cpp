// Failures and bounds: the numbered failure texts, which outputs a failed call leaves alone,
// and the time and memory limits that keep a bad peer from holding the monitor.
#include <gtest/gtest.h>

#include "base/text_ops.h"
#include "http/failure_texts.h"
#include "http/web_request.h"
#include "tests/http/local_http_server.h"
#include "tests/http/web_request_test_support.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

using testing_support::bytes_as_text;
using testing_support::call_web_request;
using testing_support::closed_port;
using testing_support::http_response;
using testing_support::kUnwritten;
using testing_support::LocalHttpServer;
using testing_support::Outcome;
using testing_support::ServerConnection;

// Only the status was written, and the result is empty.
// A call expected to fail: cookies_out starts as the marker, so a write to it shows.
Outcome call_failing_request(const WebRequestArgs& args) {
  return call_web_request(args, kUnwritten);
}

void expect_failure_only(const Outcome& outcome, RequestFailure failure) {
  EXPECT_EQ(outcome.status, failure_text(failure));
  EXPECT_EQ(outcome.body, "");
  EXPECT_EQ(outcome.headers, kUnwritten);
  EXPECT_EQ(outcome.location, kUnwritten);
  EXPECT_EQ(outcome.body_bytes, (Bytes{'<', '>'}));
  EXPECT_EQ(outcome.cookies_out, kUnwritten);
}

TEST(FailureTexts, AreTheGbkTextsByteForByte) {
  // "701 解析URL地址失败!" and "713 读取数据失败!" in GBK.
  EXPECT_EQ(failure_text(RequestFailure::kBadUrl),
            "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!");
  EXPECT_EQ(failure_text(RequestFailure::kRead), "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!");
}

struct BadUrlCase {
  const char* name;
  Text url;
};

class WebRequestBadUrlTest : public ::testing::TestWithParam<BadUrlCase> {};

TEST_P(WebRequestBadUrlTest, IsRejectedBeforeAnyConnection) {
  WebRequestArgs args;
  args.url = GetParam().url;
  expect_failure_only(call_failing_request(args), RequestFailure::kBadUrl);
}

INSTANTIATE_TEST_SUITE_P(Cases, WebRequestBadUrlTest,
                         ::testing::Values(BadUrlCase{"empty", ""},
                                           BadUrlCase{"other scheme", "ftp://127.0.0.1/"},
                                           BadUrlCase{"no scheme", "127.0.0.1/"},
                                           BadUrlCase{"no host", "http:///x"},
                                           BadUrlCase{"nothing after scheme", "https://"},
                                           BadUrlCase{"blank in host", "http://a b/"},
                                           BadUrlCase{"port zero", "http://h:0/"},
                                           BadUrlCase{"port too large", "http://h:65536/"},
                                           BadUrlCase{"empty port", "http://h:/"},
                                           BadUrlCase{"line feed", "http://h/a\nb"},
                                           BadUrlCase{"unclosed bracket", "http://[::1/"}),
                         testing_support::CaseName());

TEST(WebRequestFailure, MalformedHeaderLinesAreRefused) {
  for (const Text extra : {"NoColonHere", "X-A: 1\nInjected: 1", "X-A: 1\rB", ": v"}) {
    WebRequestArgs args;
    args.url = "http://127.0.0.1:1/";
    args.extra_headers = extra;
    expect_failure_only(call_failing_request(args), RequestFailure::kHeaders);
  }
}

TEST(WebRequestFailure, ClosedPortIsASendFailure) {
  WebRequestArgs args;
  args.url = "http://127.0.0.1:" + std::to_string(closed_port()) + "/";
  args.timeout_seconds = 1;
  expect_failure_only(call_failing_request(args), RequestFailure::kSend);
}

// The peer takes the connection but never reads: once the socket buffers are full the
// upload stands still, and the send phase times out.
TEST(WebRequestFailure, StalledUploadIsASendFailure) {
  LocalHttpServer server([](ServerConnection& connection) { connection.pause_ms(60000); });
  WebRequestArgs args;
  args.url = server.url();
  args.method_index = 1;
  args.request_body = Text(64u << 20, 'b');
  args.timeout_seconds = 1;
  const Outcome outcome = call_failing_request(args);
  expect_failure_only(outcome, RequestFailure::kSend);
  EXPECT_LT(outcome.seconds, 4.5);
}

TEST(WebRequestFailure, PeerThatNeverAnswersEndsAfterThePhaseTimeout) {
  LocalHttpServer server([](ServerConnection& connection) { connection.hold(); });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 1;
  const Outcome outcome = call_failing_request(args);
  expect_failure_only(outcome, RequestFailure::kNoResponse);
  EXPECT_GT(outcome.seconds, 0.9);
  EXPECT_LT(outcome.seconds, 3.5);
  // The window kept running all the while.
  EXPECT_GE(outcome.pumps, 10);
  EXPECT_LT(outcome.longest_pump_gap.count(), 250);
}

TEST(WebRequestFailure, ConnectionClosedBeforeTheHeaderEndsIsNoResponse) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) connection.send("HTTP/1.1 200 OK\r\nX-Half: y");
  });
  WebRequestArgs args;
  args.url = server.url();
  expect_failure_only(call_failing_request(args), RequestFailure::kNoResponse);
}

TEST(WebRequestFailure, HugeHeaderIsNoResponse) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (!connection.read_request()) return;
    connection.send("HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'a') + "\r\n\r\n");
  });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 5;
  expect_failure_only(call_failing_request(args), RequestFailure::kNoResponse);
}

// A body read that fails is reported only until the status line replaces it; the bytes
// read so far are delivered.
TEST(WebRequestFailure, PeerClosingMidBodyGivesTheStatusAndThePartialBody) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (connection.read_request()) {
      connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
    }
  });
  WebRequestArgs args;
  args.url = server.url();
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "0123456789");
  EXPECT_EQ(bytes_as_text(outcome.body_bytes), "0123456789");
  EXPECT_EQ(outcome.headers, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
}

TEST(WebRequestFailure, BodyThatFallsSilentEndsAfterThePhaseTimeout) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (!connection.read_request()) return;
    connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc");
    connection.hold();
  });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 1;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(bytes_as_text(outcome.body_bytes), "abc");
  EXPECT_LT(outcome.seconds, 3.5);
}

// The receive bound is the longest silence, not the time a header line takes: pieces of
// the status line that come well within the time-out keep the request alive.
TEST(WebRequestFailure, HeaderArrivingInPiecesIsNotSilence) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (!connection.read_request()) return;
    for (const char* piece : {"HTT", "P/1.1 2", "00 O", "K\r\nX-Slow: a", "bc"}) {
      if (!connection.send(piece) || !connection.pause_ms(400)) return;
    }
    connection.send("\r\nContent-Length: 2\r\n\r\nok");
  });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 1;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body, "ok");
  EXPECT_EQ(outcome.headers, "HTTP/1.1 200 OK\r\nX-Slow: abc\r\nContent-Length: 2\r\n\r\n");
}

// Each piece comes within the phase time-out, so only the whole-request deadline (four
// time-outs) can end these.
TEST(WebRequestBounds, HeaderDrippedForeverEndsAtTheDeadline) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (!connection.read_request() || !connection.send("HTTP/1.1 200 OK\r\n")) return;
    for (int i = 0; connection.pause_ms(600); ++i) {
      if (!connection.send("X-Drip-" + std::to_string(i) + ": 1\r\n")) return;
    }
  });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 1;
  const Outcome outcome = call_failing_request(args);
  expect_failure_only(outcome, RequestFailure::kNoResponse);
  EXPECT_GT(outcome.seconds, 3.5);
  EXPECT_LT(outcome.seconds, 8.0);
}

TEST(WebRequestBounds, BodyDrippedForeverEndsAtTheDeadlineAndFailsTheCheck) {
  LocalHttpServer server([](ServerConnection& connection) {
    if (!connection.read_request() ||
        !connection.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nSet-Cookie: s=1\r\n\r\n")) {
      return;
    }
    while (connection.pause_ms(600) && connection.send("x")) {
    }
  });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 1;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, failure_text(RequestFailure::kRead));
  EXPECT_EQ(outcome.headers,
            "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nSet-Cookie: s=1\r\n\r\n");
  EXPECT_EQ(outcome.cookies_out, "s=1");
  EXPECT_FALSE(outcome.body_bytes.empty());
  EXPECT_LT(outcome.body_bytes.size(), 20u);
  EXPECT_GT(outcome.seconds, 3.5);
  EXPECT_LT(outcome.seconds, 8.0);
}

TEST(WebRequestBounds, EndlessBodyStopsAtTheMemoryCap) {
  constexpr std::size_t kCap = 64u << 20;
  LocalHttpServer server([](ServerConnection& connection) {
    if (!connection.read_request() || !connection.send("HTTP/1.0 200 OK\r\n\r\n")) return;
    const std::string block(1 << 20, 'z');
    while (connection.send(block)) {
    }
  });
  WebRequestArgs args;
  args.url = server.url();
  args.timeout_seconds = 10;
  const Outcome outcome = call_web_request(args);
  EXPECT_EQ(outcome.status, "200 OK");
  EXPECT_EQ(outcome.body_bytes.size(), kCap);
  EXPECT_EQ(outcome.body.size(), kCap);
}

}  // namespace
}  // namespace brimlow
