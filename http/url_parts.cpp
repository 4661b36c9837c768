#include "http/url_parts.h"

#include <algorithm>

#include "base/text_ops.h"
#include "http/text_helpers.h"

namespace brimlow {
namespace {

constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;

bool has_control_character(const Text& text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

bool is_host_character(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
         byte >= 0x80;
}

bool is_ipv6_character(unsigned char byte) {
  return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'f') ||
         (byte >= 'A' && byte <= 'F') || byte == ':' || byte == '.';
}

std::optional<int> parse_port(const Text& digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

// Splits "host", "host:port", "[v6]" or "[v6]:port" (user information already gone).
bool split_host_port(const Text& authority, UrlParts& parts) {
  Text host;
  Text port_text;
  bool has_port = false;
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    if (close == Text::npos) return false;
    host = authority.substr(1, close - 1);
    const Text rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      has_port = true;
      port_text = rest.substr(1);
    }
    if (host.empty()) return false;
    for (char c : host) {
      if (!is_ipv6_character(static_cast<unsigned char>(c))) return false;
    }
  } else {
    const std::size_t colon = authority.rfind(':');
    host = authority.substr(0, colon);
    if (colon != Text::npos) {
      has_port = true;
      port_text = authority.substr(colon + 1);
    }
    if (host.empty()) return false;
    for (char c : host) {
      if (!is_host_character(static_cast<unsigned char>(c))) return false;
    }
  }
  parts.host = host;
  if (has_port) {
    const std::optional<int> port = parse_port(port_text);
    if (!port) return false;
    parts.port = *port;
  } else {
    parts.port = parts.secure ? kHttpsPort : kHttpPort;
  }
  return true;
}

void append_utf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

std::optional<UrlParts> crack_url(const Text& url) {
  if (url.empty() || has_control_character(url)) return std::nullopt;
  const int scheme_end = text_find(url, "://");
  if (scheme_end < 0) return std::nullopt;
  const Text scheme = text_left(url, scheme_end - 1);
  UrlParts parts;
  if (equals_ignore_case_ascii(scheme, "https")) {
    parts.secure = true;
  } else if (!equals_ignore_case_ascii(scheme, "http")) {
    return std::nullopt;
  }

  const Text rest = url.substr(static_cast<std::size_t>(scheme_end) + 2);
  const std::size_t authority_end = rest.find_first_of("/?#");
  Text authority = rest.substr(0, authority_end);
  const std::size_t at = authority.rfind('@');
  if (at != Text::npos) authority = authority.substr(at + 1);
  if (!split_host_port(authority, parts)) return std::nullopt;

  // Only a path carries the query and fragment along; without one the object is "/".
  if (authority_end == Text::npos || rest[authority_end] != '/') {
    parts.object_name = Text(1, '/');  // (a literal here trips a GCC 12 false warning)
  } else {
    parts.object_name = rest.substr(authority_end);
  }
  return parts;
}

std::string utf8_from_gbk(const Text& text) {
  const Bytes units = to_utf16(text, true);
  std::string out;
  out.reserve(text.size() * 3 / 2);
  for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
    char32_t unit = static_cast<char32_t>(units[i] | (units[i + 1] << 8));
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < units.size()) {
      const auto low = static_cast<char32_t>(units[i + 2] | (units[i + 3] << 8));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    append_utf8(out, unit);
  }
  return out;
}

std::string wire_object_name(const Text& object_name) {
  const bool ascii = std::all_of(object_name.begin(), object_name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return percent_encode_raw_bytes(ascii ? object_name : utf8_from_gbk(object_name));
}

std::string percent_encode_raw_bytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string origin_of(const UrlParts& parts) {
  std::string origin = parts.secure ? "https://" : "http://";
  const bool ipv6 = parts.host.find(':') != Text::npos;
  if (ipv6) origin += '[';
  origin += utf8_from_gbk(parts.host);
  if (ipv6) origin += ']';
  origin += ':';
  origin += std::to_string(parts.port);
  return origin;
}

}  // namespace brimlow
