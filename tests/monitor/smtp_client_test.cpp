#include "monitor/smtp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "http/text_helpers.h"
#include "monitor/local_clock.h"
#include "monitor/smtp_encoding.h"
#include "tests/monitor/scripted_smtp_peer.h"
#include "tests/support/case_name.h"

namespace brimlow {
namespace {

// Case tables print as their names in test listings and failures.
template <typename Case>
  requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

using testing_support::ScriptedSmtpPeer;
using Lines = std::vector<std::string>;

constexpr int kShortTimeoutMs = 300;
const char* const kConnected = ScriptedSmtpPeer::kConnected;

// The base64 login line as the client sends it, without its CR LF.
std::string login_line(const std::string& text) {
  const Text encoded = base64_lines(text);
  return encoded.substr(0, encoded.size() - 2);
}

std::string ehlo() { return "EHLO " + local_host_name(); }
std::string helo() { return "HELO " + local_host_name(); }

struct ConnectCase {
  const char* name;
  std::vector<std::string> script;
  Text user;
  Text password;
  bool expected;
  Lines expected_lines;
};

class SmtpConnectTest : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(SmtpConnectTest, GreetsAndLogsInAsTheServerAllows) {
  const ConnectCase& c = GetParam();
  ScriptedSmtpPeer peer(c.script);
  SmtpConnection connection;
  EXPECT_EQ(smtp_connect(connection, "127.0.0.1", peer.port(), c.user, c.password,
                         kShortTimeoutMs),
            c.expected);
  EXPECT_EQ(connection.connected, c.expected);
  EXPECT_EQ(connection.socket.is_open(), c.expected);
  EXPECT_EQ(peer.wait_for_lines(c.expected_lines.size()), c.expected_lines);
}

const std::string kUser = "me@x.test";
const std::string kPassword = "s3cret";

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpConnectTest,
    ::testing::Values(
        ConnectCase{"auth login",
                    {"220 ready\r\n", "250-peer\r\n250-AUTH PLAIN LOGIN\r\n250 SIZE 100\r\n",
                     "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 welcome\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo(), "AUTH LOGIN", login_line(kUser),
                     login_line(kPassword)}},
        ConnectCase{"auth plain",
                    {"220 ready\r\n", "250-peer\r\n250-AUTH PLAIN\r\n250 OK\r\n", "334 \r\n",
                     "235 welcome\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo(), "AUTH PLAIN",
                     login_line(std::string("\0", 1) + kUser + std::string("\0", 1) + kPassword)}},
        ConnectCase{"auth equals login form",
                    {"220 ready\r\n", "250-peer\r\n250-AUTH=LOGIN\r\n250 OK\r\n", "334 a\r\n",
                     "334 b\r\n", "235 welcome\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo(), "AUTH LOGIN", login_line(kUser),
                     login_line(kPassword)}},
        ConnectCase{"auth words ignore case",
                    {"220 ready\r\n", "250-peer\r\n250-auth cram-md5 login\r\n250 OK\r\n",
                     "334 a\r\n", "334 b\r\n", "235 welcome\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo(), "AUTH LOGIN", login_line(kUser),
                     login_line(kPassword)}},
        ConnectCase{"no auth line",
                    {"220 ready\r\n", "250-peer\r\n250 SIZE 1000\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo()}},
        ConnectCase{"auth without login or plain",
                    {"220 ready\r\n", "250-peer\r\n250 AUTH CRAM-MD5 XOAUTH2\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo()}},
        ConnectCase{"ehlo refused then helo",
                    {"220 ready\r\n", "502 what\r\n", "250 hello\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo(), helo()}},
        ConnectCase{"empty password greets with helo",
                    {"220 ready\r\n", "250 hello\r\n"},
                    kUser, "", true,
                    {kConnected, helo()}},
        ConnectCase{"first 334 answered with 235",
                    {"220 ready\r\n", "250-peer\r\n250 AUTH LOGIN\r\n", "235 known\r\n"},
                    kUser, kPassword, true,
                    {kConnected, ehlo(), "AUTH LOGIN"}},
        ConnectCase{"login refused",
                    {"220 ready\r\n", "250-peer\r\n250 AUTH LOGIN\r\n", "334 a\r\n", "334 b\r\n",
                     "535 bad credentials\r\n", "221 bye\r\n"},
                    kUser, kPassword, false,
                    {kConnected, ehlo(), "AUTH LOGIN", login_line(kUser), login_line(kPassword),
                     "QUIT"}},
        ConnectCase{"user refused",
                    {"220 ready\r\n", "250-peer\r\n250 AUTH LOGIN\r\n", "334 a\r\n",
                     "501 no such user\r\n", "221 bye\r\n"},
                    kUser, kPassword, false,
                    {kConnected, ehlo(), "AUTH LOGIN", login_line(kUser), "QUIT"}},
        ConnectCase{"greeting refused",
                    {"554 go away\r\n", "221 bye\r\n"},
                    kUser, kPassword, false,
                    {kConnected, "QUIT"}},
        ConnectCase{"helo refused",
                    {"220 ready\r\n", "550 not you\r\n", "221 bye\r\n"},
                    "", "", false,
                    {kConnected, helo(), "QUIT"}},
        // A reply completes only with a line whose fourth character is a space.
        ConnectCase{"greeting never completes",
                    {"220-ready\r\n220\r\n", "221 bye\r\n"},
                    "", "", false,
                    {kConnected, "QUIT"}},
        ConnectCase{"lf only replies time out",
                    {"220 ready\n", "221 bye\n"},
                    "", "", false,
                    {kConnected, "QUIT"}},
        ConnectCase{"reply in two pieces",
                    {std::string("220-first\r\n") + ScriptedSmtpPeer::kPause + "220 second\r\n",
                     "250 hello\r\n"},
                    "", "", true,
                    {kConnected, helo()}}),
    testing_support::CaseName());

// A reply that never ends fails the wait in bounded time and memory, even though bytes
// keep arriving within every reply time-out.
TEST(SmtpConnectTest, EndlessRepliesFailInBoundedTime) {
  const std::string drip = std::string(1, ScriptedSmtpPeer::kDrip) + "220-";
  const std::string flood = std::string(1, ScriptedSmtpPeer::kFlood) + "220-endless\r\n";
  for (const std::string& reply : {drip, flood}) {
    ScriptedSmtpPeer peer({reply});
    SmtpConnection connection;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(smtp_connect(connection, "127.0.0.1", peer.port(), "", "", 100));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_FALSE(connection.socket.is_open());
    EXPECT_EQ(connection.last_reply_code, -1);
  }
}

TEST(SmtpConnectTest, ParsesEveryLineOfAMultiLineReply) {
  ScriptedSmtpPeer peer({"220 ready\r\n",
                         "250-peer.test greets you\r\n250-PIPELINING\r\n"
                         "250-SIZE   1000 \r\n250 8BITMIME\r\n"});
  SmtpConnection connection;
  ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", peer.port(), kUser, kPassword));
  EXPECT_EQ(connection.last_reply_code, 250);
  EXPECT_EQ(connection.reply_keywords, (TextArray{"peer.test", "PIPELINING", "SIZE", "8BITMIME"}));
  EXPECT_EQ(connection.reply_parameters, (TextArray{"greets you", "", "1000", ""}));
  EXPECT_EQ(connection.last_error, "8BITMIME");
}

struct ReplyCase {
  const char* name;
  std::string reply;
  int code;
  TextArray keywords;
  TextArray parameters;
  Text last_error;
};

class SmtpReadReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SmtpReadReplyTest, SplitsTheReplyIntoCodeKeywordsAndParameters) {
  const ReplyCase& c = GetParam();
  ScriptedSmtpPeer peer({"220 ready\r\n", "250 hello\r\n", c.reply});
  SmtpConnection connection;
  ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", peer.port(), "", "", kShortTimeoutMs));
  ASSERT_TRUE(connection.socket.send_all("NOOP\r\n", kShortTimeoutMs));
  EXPECT_TRUE(smtp_read_reply(connection, c.code));
  EXPECT_EQ(connection.last_reply_code, c.code);
  EXPECT_EQ(connection.reply_keywords, c.keywords);
  EXPECT_EQ(connection.reply_parameters, c.parameters);
  EXPECT_EQ(connection.last_error, c.last_error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpReadReplyTest,
    ::testing::Values(
        ReplyCase{"single line", "250 OK\r\n", 250, {"OK"}, {""}, "OK"},
        ReplyCase{"enhanced code", "221 2.0.0 Bye now\r\n", 221, {"2.0.0"}, {"Bye now"},
                  "2.0.0 Bye now"},
        ReplyCase{"blanks trimmed", "250-a   b \t\r\n250  c  d \r\n", 250, {"a", "c"},
                  {"b", "d"}, "c d"},
        // No line longer than four characters: the raw reply is the error text.
        ReplyCase{"bare code and space", "550 \r\n", 550, {}, {}, "550 \r\n"},
        // Without any CR the data itself is the last line.
        ReplyCase{"no line end at all", "250 no line end", 250, {"no"}, {"line end"},
                  "no line end"},
        ReplyCase{"code not a number", "abc x\r\n", 0, {"x"}, {""}, "x"}),
    testing_support::CaseName());

TEST(SmtpConnectTest, RefusesEmptyHostAndDeadPort) {
  SmtpConnection connection;
  EXPECT_FALSE(smtp_connect(connection, "", 25));
  int dead_port = 0;
  {
    ScriptedSmtpPeer peer({});
    dead_port = peer.port();
  }  // nothing listens there any more
  EXPECT_FALSE(smtp_connect(connection, "127.0.0.1", dead_port, "", "", kShortTimeoutMs));
  EXPECT_FALSE(connection.connected);
  EXPECT_FALSE(connection.socket.is_open());
  EXPECT_FALSE(smtp_connect(connection, "no-such-host.invalid", 25, "", "", kShortTimeoutMs));
}

// A relay that never completes the TCP handshake costs the reply time-out, not the
// system's minutes of SYN retries. A listener whose accept queue is full drops new SYNs.
TEST(SmtpConnectTest, GivesUpConnectingAtTheTimeOut) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::vector<TcpSocket> fillers(3);
  for (TcpSocket& filler : fillers) {
    filler.create();
    filler.connect_to("127.0.0.1", ntohs(address.sin_port), 100);
  }
  const auto started = std::chrono::steady_clock::now();
  TcpSocket probe;
  ASSERT_TRUE(probe.create());
  EXPECT_FALSE(probe.connect_to("127.0.0.1", ntohs(address.sin_port), kShortTimeoutMs));
  SmtpConnection connection;
  EXPECT_FALSE(smtp_connect(connection, "127.0.0.1", ntohs(address.sin_port), "", "",
                            kShortTimeoutMs));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_FALSE(connection.socket.is_open());
  ::close(listener);
}

TEST(SmtpConnectTest, EndsTheOpenConnectionWithQuitBeforeConnectingAgain) {
  ScriptedSmtpPeer peer({"220 a\r\n", "250 hello\r\n", "221 bye\r\n", "220 b\r\n",
                         "250 hello\r\n", "221 bye\r\n"});
  {
    SmtpConnection connection;
    ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", peer.port()));
    ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", peer.port()));
    EXPECT_EQ(peer.lines(), (Lines{kConnected, helo(), "QUIT", kConnected, helo()}));
  }  // the process-wide connection ends with QUIT too
  EXPECT_EQ(peer.wait_for_lines(6),
            (Lines{kConnected, helo(), "QUIT", kConnected, helo(), "QUIT"}));
}

TEST(SmtpCloseTest, ReportsTheQuitReply) {
  ScriptedSmtpPeer peer({"220 a\r\n", "250 hello\r\n", "221 bye\r\n", "220 b\r\n",
                         "250 hello\r\n", "500 no\r\n"});
  SmtpConnection connection;
  EXPECT_FALSE(smtp_close(connection));  // nothing open: nothing sent
  ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", peer.port()));
  EXPECT_TRUE(smtp_close(connection));
  EXPECT_FALSE(connection.connected);
  EXPECT_FALSE(connection.socket.is_open());
  ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", peer.port()));
  EXPECT_FALSE(smtp_close(connection));
  EXPECT_FALSE(connection.socket.is_open());
}

// Connected with HELO and no login; the script goes on with `after_greeting`.
class SmtpSendTest : public ::testing::Test {
 protected:
  void start(std::vector<std::string> after_greeting, int timeout_ms = kShortTimeoutMs) {
    std::vector<std::string> script = {"220 ready\r\n", "250 hello\r\n"};
    script.insert(script.end(), after_greeting.begin(), after_greeting.end());
    peer_.emplace(std::move(script));
    ASSERT_TRUE(smtp_connect(connection_, "127.0.0.1", peer_->port(), "", "", timeout_ms));
  }
  // The lines after the greeting.
  Lines sent(std::size_t count) {
    Lines all = peer_->wait_for_lines(count + 2);
    return Lines(all.begin() + std::min<std::size_t>(2, all.size()), all.end());
  }

  std::optional<ScriptedSmtpPeer> peer_;
  SmtpConnection connection_;
};

TEST_F(SmtpSendTest, SendsEnvelopeHeaderAndBase64Body) {
  start({"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
         "250 queued\r\n"});
  const Text body = gbk(u"<p>网站无法访问</p>\r\n") + Text(200, 'x');
  const Text subject = gbk(u"站点无法访问 - Brimlow提醒您");
  EXPECT_EQ(smtp_send_mail(connection_, subject, body, "a@x.test;Ann <b@x.test>", "me@x.test",
                           "hidden@x.test", "me@x.test"),
            "");
  const Lines lines = sent(7);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6),
            (Lines{"MAIL FROM:<me@x.test>", "RCPT TO:<a@x.test>", "RCPT TO:<b@x.test>",
                   "RCPT TO:<me@x.test>", "RCPT TO:<hidden@x.test>", "DATA"}));
  const std::string& data = lines[6];
  const std::string head =
      "From: me@x.test\r\nTo: a@x.test,Ann <b@x.test>\r\nCc: me@x.test\r\n"
      "Subject: " + encode_header_text(subject) + "\r\nDate: ";
  ASSERT_EQ(data.rfind(head, 0), 0u) << data;
  const std::size_t date_end = data.find("\r\n", head.size());
  const std::string date = data.substr(head.size(), date_end - head.size());
  EXPECT_EQ(date.size(), 31u) << date;  // "Fri, 11 Dec 2026 15:42:07 +0800"
  const std::string rest =
      "\r\nReply-To: me@x.test\r\nMIME-Version: 1.0\r\n"
      "Content-type: text/plain; charset=\"gb2312\"\r\nContent-Transfer-Encoding: base64\r\n"
      "\r\n" + base64_lines(body) + "\r\n.\r\n";
  EXPECT_EQ(data.substr(date_end), rest);
  EXPECT_EQ(data.find("Bcc"), std::string::npos);
}

TEST_F(SmtpSendTest, RefusedRecipientSendsRsetAndKeepsTheRefusal) {
  start({"250 ok\r\n", "550 5.1.1 No such user\r\n", "250 reset\r\n"});
  EXPECT_EQ(smtp_send_mail(connection_, "s", "b", gbk(u"邮箱") + ",b@x.test", "", "",
                           "me@x.test"),
            "5.1.1 No such user");
  EXPECT_EQ(sent(3), (Lines{"MAIL FROM:<me@x.test>", "RCPT TO:<" + gbk(u"邮箱") + ">", "RSET"}));
  EXPECT_EQ(connection_.last_reply_code, 550);
  EXPECT_EQ(connection_.last_error, "5.1.1 No such user");
  EXPECT_TRUE(connection_.connected);
}

TEST_F(SmtpSendTest, ReplyThatNeverCompletesTimesOutAndResets) {
  start({"250-partial\r\n", "250 reset\r\n"});
  const Text result = smtp_send_mail(connection_, "s", "b", "a@x.test", "", "", "me@x.test");
  EXPECT_NE(result, "");
  EXPECT_EQ(connection_.last_reply_code, -1);
  EXPECT_EQ(sent(2), (Lines{"MAIL FROM:<me@x.test>", "RSET"}));
  EXPECT_TRUE(connection_.connected);
}

TEST_F(SmtpSendTest, RefusedMessageDataSendsRset) {
  start({"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "554 rejected as spam\r\n", "250 reset\r\n"});
  EXPECT_EQ(smtp_send_mail(connection_, "s", "plain", "a@x.test", "", "", "me@x.test"),
            "rejected as spam");
  const Lines lines = sent(5);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], "RSET");
  EXPECT_NE(lines[3].find("charset=\"us-ascii\""), std::string::npos);
}

struct RefusedCase {
  const char* name;
  Text to;
  Text cc;
  Text from;
  Text reply_to;
};

class SmtpSendNothingTest : public SmtpSendTest,
                            public ::testing::WithParamInterface<RefusedCase> {};

// Malformed addresses and an empty recipient list send nothing at all, and the connection
// is left as it was: the next message goes through.
TEST_P(SmtpSendNothingTest, SendsNothingAndKeepsTheConnection) {
  const RefusedCase& c = GetParam();
  start({"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n"});
  EXPECT_NE(smtp_send_mail(connection_, "s", "b", c.to, c.cc, "", c.from, c.reply_to), "");
  EXPECT_TRUE(connection_.connected);
  EXPECT_EQ(smtp_send_mail(connection_, "s", "b", "ok@x.test", "", "", "me@x.test"), "");
  const Lines lines = sent(4);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "MAIL FROM:<me@x.test>");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpSendNothingTest,
    ::testing::Values(RefusedCase{"open bracket without close", "Ann <a@x.test", "", "me@x.test", ""},
                      RefusedCase{"second recipient malformed", "a@x.test,<b", "", "me@x.test", ""},
                      RefusedCase{"malformed cc", "a@x.test", "x>y<", "me@x.test", ""},
                      RefusedCase{"malformed sender", "a@x.test", "", "<me@x.test", ""},
                      RefusedCase{"malformed reply to", "a@x.test", "", "me@x.test", "<r"},
                      RefusedCase{"command smuggled in address",
                                  "a@x.test>\r\nRCPT TO:<evil@x.test", "", "me@x.test", ""},
                      RefusedCase{"header smuggled in name", "Ann\nBcc: evil@x.test <a@x.test>",
                                  "", "me@x.test", ""},
                      RefusedCase{"no recipient", " ; , ", "", "me@x.test", ""}),
    testing_support::CaseName());

TEST(SmtpSendMailTest, NeedsAnOpenConnection) {
  SmtpConnection connection;
  EXPECT_NE(smtp_send_mail(connection, "s", "b", "a@x.test", "", "", "me@x.test"), "");
  EXPECT_FALSE(connection.connected);
}

// A server that drops the connection is noticed at once, not after the reply time-out,
// and the next connect still sends its QUIT into the old connection first.
TEST_F(SmtpSendTest, DroppedConnectionFailsWithoutWaitingOutTheTimeOut) {
  start({ScriptedSmtpPeer::kHangUp, "220 again\r\n", "250 hello\r\n"}, 10000);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_NE(smtp_send_mail(connection_, "s", "b", "a@x.test", "", "", "me@x.test"), "");
  EXPECT_TRUE(connection_.connected);  // sending never changes the state
  EXPECT_TRUE(smtp_connect(connection_, "127.0.0.1", peer_->port(), "", "", 10000));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(sent(3), (Lines{"MAIL FROM:<me@x.test>", kConnected, helo()}));
}

}  // namespace
}  // namespace brimlow
