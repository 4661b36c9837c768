// The client against a real SMTP server: Debian's aiosmtpd, started by the test on a free
// port, with the captured message read back by Python's email package.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "http/text_helpers.h"
#include "monitor/smtp_client.h"
#include "monitor/smtp_encoding.h"
#include "tests/monitor/capture_smtp_server.h"

namespace brimlow {
namespace {

namespace fs = std::filesystem;

using testing_support::CaptureSmtpServer;

constexpr const char* kPython = CaptureSmtpServer::kPython;
const std::string kUser = "me@x.test";
const std::string kPassword = "pa55 word";

Text from_hex(const std::string& hex) {
  Text out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// The fields smtp_parse_message.py reports for one stored message.
std::map<std::string, Text> parse_message(const fs::path& file) {
  const std::string command = std::string(kPython) + " '" + SMTP_PARSE_MESSAGE + "' '" +
                              file.string() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::map<std::string, Text> fields;
  if (!pipe) return fields;
  char line[65536];
  while (fgets(line, sizeof line, pipe.get()) != nullptr) {
    std::string text = line;
    const std::size_t tab = text.find('\t');
    if (tab == std::string::npos) continue;
    std::string hex = text.substr(tab + 1);
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) hex.pop_back();
    fields[text.substr(0, tab)] = from_hex(hex);
  }
  return fields;
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SmtpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/brimlow-smtp-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory_ = pattern;
  }
  void TearDown() override {
    server_.reset();
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }
  int start_server(const std::vector<std::string>& extra_arguments = {}) {
    server_ = std::make_unique<CaptureSmtpServer>(directory_, kUser, kPassword, extra_arguments);
    return server_->port();
  }

  fs::path directory_;
  std::unique_ptr<CaptureSmtpServer> server_;
};

TEST_F(SmtpServerTest, DeliversTheMessageAsTheEmailPackageReadsIt) {
  const int port = start_server();
  ASSERT_GT(port, 0) << "aiosmtpd did not start (is python3-aiosmtpd installed?)";
  SmtpConnection connection;
  ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", port, kUser, kPassword));

  const Text subject = gbk(u"站点无法访问 - Brimlow提醒您");
  Text body = gbk(u"<div>\r\n<p>您的网站出现无法访问的情况，具体网址：</p>\r\n");
  for (int i = 0; i < 20; ++i) body += gbk(u"http://www.example.org/ - 错误码：超时\r\n");
  const Text to = "a@x.test;" + gbk(u"张三") + " <b@x.test>";
  ASSERT_EQ(smtp_send_mail(connection, subject, body, to, kUser, "hidden@x.test", kUser), "");

  const fs::path message = directory_ / "1.eml";
  ASSERT_TRUE(fs::exists(message));
  EXPECT_EQ(read_file(directory_ / "1.envelope"),
            "me@x.test\na@x.test\nb@x.test\nme@x.test\nhidden@x.test\n");
  std::map<std::string, Text> fields = parse_message(message);
  EXPECT_EQ(fields["subject"], subject);
  EXPECT_EQ(fields["body"], body);
  EXPECT_EQ(fields["from"], kUser);
  EXPECT_EQ(fields["to"], "a@x.test," + encode_header_text(gbk(u"张三")) + " <b@x.test>");
  EXPECT_EQ(fields["to-names"], "|" + gbk(u"张三"));
  EXPECT_EQ(fields["to-addresses"], "a@x.test|b@x.test");
  EXPECT_EQ(fields["cc"], kUser);
  EXPECT_EQ(fields["reply-to"], kUser);
  EXPECT_EQ(fields["mime-version"], "1.0");
  EXPECT_EQ(fields["content-type"], "text/plain; charset=\"gb2312\"");
  EXPECT_EQ(fields["content-transfer-encoding"], "base64");
  EXPECT_EQ(fields["has-bcc"], "0");
  EXPECT_EQ(fields["date-ok"], "1");

  // The connection stays usable for the next message.
  EXPECT_EQ(smtp_send_mail(connection, "second", "ascii body", kUser, "", "", kUser), "");
  ASSERT_TRUE(fs::exists(directory_ / "2.eml"));
  fields = parse_message(directory_ / "2.eml");
  EXPECT_EQ(fields["body"], "ascii body");
  EXPECT_EQ(fields["content-type"], "text/plain; charset=\"us-ascii\"");
  EXPECT_TRUE(smtp_close(connection));
}

TEST_F(SmtpServerTest, LogsInWithPlainWhenLoginIsNotOffered) {
  const int port = start_server({"--exclude-mechanism", "LOGIN"});
  ASSERT_GT(port, 0);
  SmtpConnection connection;
  ASSERT_TRUE(smtp_connect(connection, "127.0.0.1", port, kUser, kPassword));
  EXPECT_EQ(smtp_send_mail(connection, "s", "b", "a@x.test", "", "", kUser), "");
  EXPECT_TRUE(fs::exists(directory_ / "1.eml"));
}

TEST_F(SmtpServerTest, WrongPasswordFailsTheConnect) {
  const int port = start_server();
  ASSERT_GT(port, 0);
  SmtpConnection connection;
  EXPECT_FALSE(smtp_connect(connection, "127.0.0.1", port, kUser, "wrong"));
  EXPECT_FALSE(connection.connected);
  EXPECT_TRUE(smtp_connect(connection, "127.0.0.1", port, kUser, kPassword));
}

}  // namespace
}  // namespace brimlow
