#include "monitor/smtp_client.h"

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "base/text_ops.h"
#include "monitor/local_clock.h"
#include "monitor/smtp_encoding.h"
#include "monitor/smtp_message.h"

namespace brimlow {
namespace {

constexpr int kDefaultTimeoutMs = 2000;
// A reply may take this many reply time-outs in all, however steadily its bytes trickle
// in, and may grow to this size: a server that drips or streams without end fails the
// wait instead of holding the window thread (and memory) for ever.
constexpr int kReplyTimeOutsInAll = 5;
constexpr std::size_t kReplySizeLimit = 1 << 20;

// Spaces and control characters: what a reply line is trimmed of.
bool is_blank_or_control(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

std::string_view trim_blank_or_control(std::string_view text, bool leading, bool trailing) {
  while (leading && !text.empty() && is_blank_or_control(text.front())) text.remove_prefix(1);
  while (trailing && !text.empty() && is_blank_or_control(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view trim_spaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A reply is complete when the line ended by its last CR (or, without any CR, the data
// after the last LF) is at least four characters long with a space as the fourth; the
// code is the number it starts with. "250-..." lines announce more lines to come.
bool reply_is_complete(const Text& data, int& code) {
  const std::size_t last_cr = data.rfind('\r');
  const std::size_t line_end = last_cr == Text::npos ? data.size() : last_cr;
  const std::size_t previous_lf = line_end == 0 ? Text::npos : data.rfind('\n', line_end - 1);
  const std::size_t line_start = previous_lf == Text::npos ? 0 : previous_lf + 1;
  if (line_end < line_start + 4 || data[line_start + 3] != ' ') return false;
  code = static_cast<int>(text_to_int(std::string_view(data).substr(line_start, 3)));
  return true;
}

// Splits a complete reply into keyword and parameter pairs, one per line of more than
// four characters, and sets the last error text from the last of them.
void store_reply_lines(SmtpConnection& connection, const Text& data) {
  std::size_t position = 0;
  while (position < data.size()) {
    const std::size_t cr = data.find('\r', position);
    const std::size_t end = cr == Text::npos ? data.size() : cr;
    const std::string_view line = std::string_view(data).substr(position, end - position);
    position = end + 1;
    if (cr != Text::npos && position < data.size() && data[position] == '\n') ++position;
    if (line.size() <= 4) continue;

    std::string_view rest = trim_blank_or_control(line, false, true);
    rest = trim_blank_or_control(rest.substr(std::min<std::size_t>(4, rest.size())), true, false);
    const std::size_t space = rest.find(' ');
    if (space == std::string_view::npos) {
      connection.reply_keywords.emplace_back(rest);
      connection.reply_parameters.emplace_back();
    } else {
      connection.reply_keywords.emplace_back(trim_spaces(rest.substr(0, space)));
      connection.reply_parameters.emplace_back(trim_spaces(rest.substr(space + 1)));
    }
  }
  if (connection.reply_keywords.empty()) {
    connection.last_error = data;
    return;
  }
  connection.last_error = connection.reply_keywords.back();
  if (!connection.reply_parameters.back().empty()) {
    connection.last_error += ' ' + connection.reply_parameters.back();
  }
}

bool send_line(SmtpConnection& connection, std::string_view text) {
  if (connection.socket.send_all(text, connection.reply_timeout_ms)) return true;
  connection.last_error = "network error: the command could not be sent";
  return false;
}

// 0-based index of the first reply line whose keyword is `keyword` (ASCII case ignored).
int find_reply_keyword(const SmtpConnection& connection, std::string_view keyword) {
  for (std::size_t i = 0; i < connection.reply_keywords.size(); ++i) {
    if (equals_ignore_case_ascii(connection.reply_keywords[i], keyword)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// Whether `word` is one of the words of `text`, separated by spaces or control characters.
bool has_word(std::string_view text, std::string_view word) {
  std::size_t position = 0;
  while (position < text.size()) {
    while (position < text.size() && is_blank_or_control(text[position])) ++position;
    std::size_t end = position;
    while (end < text.size() && !is_blank_or_control(text[end])) ++end;
    if (end > position && equals_ignore_case_ascii(text.substr(position, end - position), word)) {
      return true;
    }
    position = end;
  }
  return false;
}

// Sends each step and expects 334 before the next one; after the last step any reply is
// read. Logged in exactly when the last code read is 235.
bool run_authentication(SmtpConnection& connection, std::initializer_list<Text> steps) {
  std::size_t index = 0;
  for (const Text& step : steps) {
    if (!send_line(connection, step)) return false;
    const bool last = ++index == steps.size();
    if (!smtp_read_reply(connection, last ? 0 : 334)) {
      return connection.last_reply_code == 235;
    }
  }
  return connection.last_reply_code == 235;
}

// EHLO and, when offered and possible, AUTH LOGIN or PLAIN. False only when the login
// (or sending EHLO) failed; `ehlo_accepted` tells whether HELO is still needed.
bool log_in(SmtpConnection& connection, const Text& host_name, const Text& user,
            const Text& password, bool& ehlo_accepted) {
  ehlo_accepted = false;
  if (user.empty() || password.empty()) return true;
  if (!send_line(connection, "EHLO " + host_name + "\r\n")) return false;
  if (!smtp_read_reply(connection, 250)) return true;
  ehlo_accepted = true;

  bool login = false;
  const int auth_line = find_reply_keyword(connection, "AUTH");
  if (auth_line < 0) {
    if (find_reply_keyword(connection, "AUTH=LOGIN") < 0) return true;
    login = true;
  } else {
    login = has_word(connection.reply_parameters[auth_line], "LOGIN");
    if (!login && !has_word(connection.reply_parameters[auth_line], "PLAIN")) return true;
  }

  if (login) {
    return run_authentication(connection,
                              {"AUTH LOGIN\r\n", base64_lines(user), base64_lines(password)});
  }
  Text plain;
  plain += '\0';
  plain += user;
  plain += '\0';
  plain += password;
  return run_authentication(connection, {"AUTH PLAIN\r\n", base64_lines(plain)});
}

}  // namespace

SmtpConnection::~SmtpConnection() { smtp_close(*this); }

bool smtp_read_reply(SmtpConnection& connection, int expected_code) {
  connection.last_reply_code = -1;
  connection.reply_keywords.clear();
  connection.reply_parameters.clear();
  connection.last_error.clear();

  Text data;
  int code = -1;
  const std::int64_t started = tick_count_ms();
  std::int64_t idle_since = started;
  for (;;) {
    const std::int64_t now = tick_count_ms();
    const std::int64_t silent = now - idle_since;
    if (silent > connection.reply_timeout_ms) {
      connection.last_error = "time-out: the server's reply did not come";
      return false;
    }
    if (now - started > std::int64_t{kReplyTimeOutsInAll} * connection.reply_timeout_ms ||
        data.size() > kReplySizeLimit) {
      connection.last_error = "time-out: the server's reply does not end";
      return false;
    }
    // Wait for data instead of sleeping: an answering server costs no idle time.
    const std::int64_t wait_ms = connection.reply_timeout_ms - silent + 1;
    const auto wait = connection.socket.wait_readable(
        static_cast<int>(std::min<std::int64_t>(wait_ms, std::numeric_limits<int>::max())));
    if (wait == TcpSocket::Wait::kFailed) {
      connection.last_error = "network error: the connection cannot be read";
      return false;
    }
    if (wait == TcpSocket::Wait::kTimedOut) continue;
    const long got = connection.socket.read_some(data);
    if (got == -2) continue;
    if (got < 0) {
      connection.last_error = "network error: the connection cannot be read";
      return false;
    }
    if (got == 0) {
      // Nothing more can arrive: the same failure a silent server meets at the time-out.
      connection.last_error = "time-out: the server closed the connection";
      return false;
    }
    idle_since = tick_count_ms();
    if (reply_is_complete(data, code)) break;
  }

  connection.last_reply_code = code;
  store_reply_lines(connection, data);
  return code == expected_code;
}

bool smtp_close(SmtpConnection& connection) {
  bool closed_cleanly = false;
  if (connection.connected) {
    send_line(connection, "QUIT\r\n");
    closed_cleanly = smtp_read_reply(connection, 221);
    connection.connected = false;
  }
  connection.socket.close();
  return closed_cleanly;
}

bool smtp_connect(SmtpConnection& connection, const Text& host, int port, const Text& user,
                  const Text& password, int timeout_ms) {
  if (connection.connected) smtp_close(connection);
  if (host.empty()) return false;
  connection.reply_timeout_ms = timeout_ms > 0 ? timeout_ms : kDefaultTimeoutMs;
  if (!connection.socket.create()) return false;
  if (!connection.socket.connect_to(host, port, connection.reply_timeout_ms)) {
    connection.socket.close();
    return false;
  }
  connection.connected = true;
  if (!smtp_read_reply(connection, 220)) {
    smtp_close(connection);
    return false;
  }

  const Text host_name = local_host_name();
  bool ehlo_accepted = false;
  if (!log_in(connection, host_name, user, password, ehlo_accepted)) {
    smtp_close(connection);
    return false;
  }
  if (ehlo_accepted) return true;
  if (!send_line(connection, "HELO " + host_name + "\r\n") ||
      !smtp_read_reply(connection, 250)) {
    smtp_close(connection);
    return false;
  }
  return true;
}

Text smtp_send_mail(SmtpConnection& connection, const Text& subject, const Text& body,
                    const Text& to, const Text& cc, const Text& bcc, const Text& from,
                    const Text& reply_to) {
  MailMessage message;
  message.subject = subject;
  message.body = body;
  if (!parse_mail_address_list(to, message.to) || !parse_mail_address_list(cc, message.cc) ||
      !parse_mail_address_list(bcc, message.bcc)) {
    return "malformed recipient address";
  }
  MailAddress entry;
  if (!parse_mail_address(from, entry)) return "malformed sender address";
  if (!entry.address.empty()) message.from = entry;
  entry = {};
  if (!parse_mail_address(reply_to.empty() ? from : reply_to, entry)) {
    return "malformed reply address";
  }
  if (!entry.address.empty()) message.reply_to = entry;

  if (!connection.connected) return "not connected to a mail server";
  if (message.to.empty() && message.cc.empty() && message.bcc.empty()) {
    return "the message has no recipient";
  }

  if (!send_line(connection, "MAIL FROM:<" + message.from.address + ">\r\n")) {
    return connection.last_error;
  }
  bool accepted = smtp_read_reply(connection, 250);
  for (const auto* list : {&message.to, &message.cc, &message.bcc}) {
    for (const MailAddress& recipient : *list) {
      if (!accepted) break;
      accepted = send_line(connection, "RCPT TO:<" + recipient.address + ">\r\n") &&
                 smtp_read_reply(connection, 250);
    }
  }
  accepted = accepted && send_line(connection, "DATA\r\n") && smtp_read_reply(connection, 354);
  if (accepted) {
    // Header, body and the closing dot go out as one write: the same bytes, and the
    // peer never waits for a tail the network stack holds back.
    const Text content = build_message_header(message, mail_date_now()) +
                         base64_lines(message.body) + "\r\n.\r\n";
    accepted = send_line(connection, content) && smtp_read_reply(connection, 250);
  }
  if (accepted) return {};

  // Leave the server ready for the next message, but report why this one failed.
  const int failed_code = connection.last_reply_code;
  const Text failure = connection.last_error;
  if (send_line(connection, "RSET\r\n")) smtp_read_reply(connection, 0);
  connection.last_reply_code = failed_code;
  connection.last_error = failure;
  return failure.empty() ? Text("the server did not accept the message") : failure;
}

}  // namespace brimlow
