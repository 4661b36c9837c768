#include "monitor/alert_mail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "monitor/credential.h"
#include "monitor/smtp_encoding.h"
#include "tests/monitor/scripted_smtp_peer.h"
#include "tests/support/fake_runtime.h"

namespace brimlow {
namespace {

using testing_support::FakeRuntime;
using testing_support::ScriptedSmtpPeer;

MailAccount test_account(int port) {
  MailAccount account;
  account.host = "127.0.0.1";
  account.port = port;
  account.sender = "ops@brimlow.test";
  account.key_source = "brimlow.test";
  account.xor_constant = 77;
  account.credential = make_stored_credential("s3cret!", account.key_source, account.xor_constant);
  account.site_url = "http://site.test/";
  account.contact_url = "http://site.test/contact";
  return account;
}

TEST(AlertBodyTest, TheStatusLineSitsBetweenHeadAndTailAsItIs) {
  const MailAccount account = test_account(25);
  const Text url = "http://x.test/?a=<b>&c";
  const Text status = "500 Internal Server Error";
  const Text body = alert_body(account, url, status);

  // Inserted without escaping, between the highlight box's opening and closing tags.
  const Text inserted = url + gbk(u" - 错误码：") + status;
  const int at = text_find(body, inserted);
  ASSERT_GT(at, 1);
  EXPECT_EQ(body[at - 2], '>');
  EXPECT_EQ(text_middle(body, at + static_cast<int>(inserted.size()), 4), "</p>");
  // The card is identical around whatever is inserted.
  const Text other = alert_body(account, "u", "s");
  EXPECT_EQ(text_left(body, at - 1), text_left(other, at - 1));
  EXPECT_EQ(text_right(body, 200), text_right(other, 200));

  // CR LF line ends only.
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '\n') {
      ASSERT_TRUE(i > 0 && body[i - 1] == '\r') << "bare LF at " << i;
    }
  }
  EXPECT_NE(text_find(body, gbk(u"不您的网站出现无法访问的情况，具体网址：")), -1);
  EXPECT_NE(text_find(body, gbk(u"若此邮件不是您请求的，请忽略并删除！")), -1);
  EXPECT_NE(text_find(body, "href=\"http://site.test/contact\""), -1);
  EXPECT_NE(text_find(body, "href=\"http://site.test/\""), -1);
}

TEST(AlertBodyTest, AnEmptyStatusAddsNothing) {
  const Text body = alert_body(test_account(25), "http://x.test/", "");
  EXPECT_NE(text_find(body, "http://x.test/" + gbk(u" - 错误码：") + "</p>"), -1);
}

TEST(AlertBodyTest, TheOperatorsLinksGoInByteForByte) {
  // A link with double-byte characters (an internationalised host written as GBK) must
  // reach the card as the same bytes, not as one character per byte.
  MailAccount account = test_account(25);
  account.site_url = "http://" + gbk(u"岚舍") + ".test/";
  account.contact_url = "http://" + gbk(u"岚舍") + ".test/" + gbk(u"联系");
  const Text body = alert_body(account, "u", "s");
  EXPECT_NE(text_find(body, "href=\"" + account.site_url + "\""), -1);
  EXPECT_NE(text_find(body, "href=\"" + account.contact_url + "\""), -1);
}

TEST(AlertSubjectTest, IsTheGbkSubject) {
  EXPECT_EQ(alert_subject(), gbk(u"站点无法访问 - Brimlow提醒您"));
}

std::vector<std::string> one_alert_script() {
  return {"220 relay ready\r\n",
          "250-relay\r\n250 AUTH LOGIN PLAIN\r\n",
          "334 VXNlcm5hbWU6\r\n",
          "334 UGFzc3dvcmQ6\r\n",
          "235 accepted\r\n",
          "250 sender ok\r\n",
          "250 rcpt ok\r\n",
          "250 rcpt ok\r\n",
          "250 rcpt ok\r\n",
          "354 go on\r\n",
          "250 queued\r\n"};
}

TEST(AlertMailerTest, LogsInAndSendsToTheTypedMailboxWithCopiesToTheAccount) {
  ScriptedSmtpPeer peer(one_alert_script(), /*repeat_script=*/true);
  const MailAccount account = test_account(peer.port());
  FakeRuntime runtime;
  runtime.set_control_text(Control::编辑框_邮箱, "me@home.test");
  SmtpConnection connection;
  AlertMailer mailer(runtime, connection, account);

  mailer.send_alert("http://down.test/", "500 Internal Server Error");
  std::vector<std::string> lines = peer.wait_for_lines(11);
  ASSERT_GE(lines.size(), 11u);
  EXPECT_EQ(lines[0], ScriptedSmtpPeer::kConnected);
  EXPECT_EQ(lines[1].rfind("EHLO ", 0), 0u);
  EXPECT_EQ(lines[2], "AUTH LOGIN");
  EXPECT_EQ(lines[3], base64_encode(account.sender));
  EXPECT_EQ(lines[4], base64_encode("s3cret!"));
  EXPECT_EQ(lines[5], "MAIL FROM:<ops@brimlow.test>");
  EXPECT_EQ(lines[6], "RCPT TO:<me@home.test>");
  EXPECT_EQ(lines[7], "RCPT TO:<ops@brimlow.test>");  // Cc
  EXPECT_EQ(lines[8], "RCPT TO:<ops@brimlow.test>");  // Bcc
  EXPECT_EQ(lines[9], "DATA");
  const std::string& data = lines[10];  // every byte up to the final dot
  EXPECT_NE(data.find("From: ops@brimlow.test\r\n"), std::string::npos) << data;
  EXPECT_NE(data.find("To: me@home.test\r\n"), std::string::npos) << data;
  EXPECT_NE(data.find("Cc: ops@brimlow.test\r\n"), std::string::npos) << data;
  EXPECT_EQ(data.find("Bcc"), std::string::npos) << data;
  // The body travels as base64 lines of the card.
  const Text expected_body =
      base64_lines(alert_body(account, "http://down.test/", "500 Internal Server Error"));
  EXPECT_NE(data.find(expected_body), std::string::npos);

  // The connection stays open; the next alert ends it with QUIT before connecting again.
  mailer.send_alert("http://down.test/", "500 Internal Server Error");
  lines = peer.wait_for_lines(13);
  ASSERT_GE(lines.size(), 13u);
  EXPECT_EQ(lines[11], "QUIT");
  EXPECT_EQ(lines[12], ScriptedSmtpPeer::kConnected);
}

TEST(AlertMailerTest, ARefusedMailboxResetsAndSendsNoData) {
  // The placeholder "邮箱" is refused as a recipient: the client resets, nothing goes out.
  ScriptedSmtpPeer peer({"220 relay ready\r\n", "250-relay\r\n250 AUTH LOGIN\r\n",
                         "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 accepted\r\n",
                         "250 sender ok\r\n", "550 no such mailbox\r\n", "250 reset\r\n"});
  FakeRuntime runtime;  // 编辑框_邮箱 still shows its placeholder
  SmtpConnection connection;
  AlertMailer mailer(runtime, connection, test_account(peer.port()));
  mailer.send_alert("http://down.test/", "x");
  const std::vector<std::string> lines = peer.wait_for_lines(8);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[6], "RCPT TO:<" + gbk(u"邮箱") + ">");
  EXPECT_EQ(lines[7], "RSET");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "DATA"), 0);
}

TEST(AlertMailerTest, AnUnreachableRelayIsSilent) {
  // A port nobody listens on: the login fails and nothing else happens.
  int port = 0;
  { ScriptedSmtpPeer closed({}); port = closed.port(); }
  FakeRuntime runtime;
  SmtpConnection connection;
  AlertMailer mailer(runtime, connection, test_account(port));
  mailer.send_alert("http://down.test/", "x");
  EXPECT_FALSE(connection.connected);
  EXPECT_TRUE(runtime.messages().empty());
}

}  // namespace
}  // namespace brimlow
