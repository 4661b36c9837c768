#include "http/request_headers.h"

#include <array>

#include "base/text_ops.h"

namespace brimlow {
namespace {

constexpr std::array<const char*, 8> kMethodTable = {
    "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kFormMethodIndex = 1;

bool absent_ignoring_case(const Text& block, const char* name) {
  return text_find(block, name, 1, true) < 0;
}

bool is_token_character(char c) {
  return c > 0x20 && c < 0x7F && c != ':';
}

}  // namespace

Text method_name(int method_index) {
  if (method_index < 0 || method_index >= static_cast<int>(kMethodTable.size())) return "GET";
  return kMethodTable[static_cast<std::size_t>(method_index)];
}

Text build_header_block(const Text& extra_headers, int method_index, const Text& cookies_in) {
  Text block = extra_headers.empty() ? Text() : extra_headers + "\r\n";
  if (absent_ignoring_case(block, "User-Agent: ")) {
    block += "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
  }
  if (absent_ignoring_case(block, "Accept: ")) {
    block += "Accept: text/html, application/xhtml+xml, */*\r\n";
  }
  if (absent_ignoring_case(block, "Accept-Encoding: ")) block += "Accept-Encoding: gbk, GB2312\r\n";
  if (absent_ignoring_case(block, "Accept-Language: ")) block += "Accept-Language: zh-cn\r\n";
  if (method_index == kFormMethodIndex) {
    if (text_find(block, "content-type:") > 0) {
      block = text_replace(block, "content-type", "Content-Type", 1, -1, true);
    }
    if (text_find(block, "Content-Type:") < 0) {
      block += "Content-Type: application/x-www-form-urlencoded\r\n";
    }
  }
  if (absent_ignoring_case(block, "Cache-Control: ")) block += "Cache-Control: no-cache\r\n";
  if (absent_ignoring_case(block, "Cookie: ") && !cookies_in.empty()) {
    block += "Cookie: " + cookies_in + "\r\n";
  }
  return block;
}

std::optional<std::vector<std::string>> header_lines(const Text& header_block) {
  std::vector<std::string> lines;
  for (const Text& line : split_text(header_block, "\r\n")) {
    if (line.empty()) continue;
    if (line.find_first_of("\r\n") != Text::npos) return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == Text::npos || colon == 0) return std::nullopt;
    const Text name = line.substr(0, colon);
    for (char c : name) {
      if (!is_token_character(c)) return std::nullopt;
    }
    if (equals_ignore_case_ascii(name, "Content-Length")) continue;
    // The transfer library reads "Name:" with nothing after it as "drop this header";
    // "Name;" is how it is told to send the header with an empty value.
    if (trim_blanks(line.substr(colon + 1)).empty()) {
      lines.push_back(name + ";");
    } else {
      lines.push_back(line);
    }
  }
  return lines;
}

}  // namespace brimlow
