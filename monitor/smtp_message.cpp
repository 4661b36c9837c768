#include "monitor/smtp_message.h"

#include <algorithm>

#include "monitor/smtp_encoding.h"

namespace brimlow {
namespace {

bool is_white_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

Text trim_white_space(std::string_view text) {
  while (!text.empty() && is_white_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_white_space(text.back())) text.remove_suffix(1);
  return Text(text);
}

bool holds_line_break_or_nul(const Text& text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != Text::npos;
}

Text join_entries(const std::vector<MailAddress>& entries) {
  Text out;
  for (const MailAddress& entry : entries) {
    if (!out.empty()) out += ',';
    out += format_mail_address(entry);
  }
  return out;
}

bool all_ascii(const Text& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

bool parse_mail_address(const Text& piece, MailAddress& out) {
  // Checked on the raw piece: trimming would hide a line break at either end.
  if (holds_line_break_or_nul(piece)) return false;
  const std::size_t open = piece.find('<');
  if (open == Text::npos) {
    out = {Text(), trim_white_space(piece)};
    return true;
  }
  const std::size_t close = piece.find('>');
  if (close == Text::npos || close < open) return false;
  out = {trim_white_space(std::string_view(piece).substr(0, open)),
         trim_white_space(std::string_view(piece).substr(open + 1, close - open - 1))};
  return true;
}

bool parse_mail_address_list(const Text& list, std::vector<MailAddress>& out) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(",;", start);
    if (end == Text::npos) end = list.size();
    MailAddress entry;
    if (!parse_mail_address(list.substr(start, end - start), entry)) return false;
    if (!entry.address.empty()) out.push_back(std::move(entry));
    start = end + 1;
  }
  return true;
}

Text format_mail_address(const MailAddress& entry) {
  if (entry.display_name.empty()) return entry.address;
  return encode_header_text(entry.display_name) + " <" + entry.address + ">";
}

Text build_message_header(const MailMessage& message, const Text& date) {
  const Text from = format_mail_address(message.from);
  const Text to = join_entries(message.to);
  const Text cc = join_entries(message.cc);
  const Text subject = encode_header_text(message.subject);
  Text out = "From: " + from + "\r\nTo: " + to + "\r\n";
  if (!cc.empty()) out += "Cc: " + cc + "\r\n";
  out += "Subject: " + subject + "\r\nDate: " + date + "\r\n";
  if (!message.reply_to.address.empty()) {
    out += "Reply-To: " + format_mail_address(message.reply_to) + "\r\n";
  }
  out += "MIME-Version: 1.0\r\nContent-type: text/plain; charset=\"";
  out += all_ascii(message.body) ? "us-ascii" : "gb2312";
  out += "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  return out;
}

}  // namespace brimlow
