#include "http/response_headers.h"

#include "base/text_ops.h"
#include "http/text_helpers.h"

namespace brimlow {
namespace {

// The status line is cut after a nine-byte "HTTP/1.x " prefix, whatever it really holds.
constexpr int kStatusStart = 10;

Text status_text(const Text& raw_headers) {
  const int end = text_find(raw_headers, "\r\n", kStatusStart);
  if (end <= kStatusStart) return {};
  return text_middle(raw_headers, kStatusStart, end - kStatusStart);
}

Text cookie_value(const Text& line) {
  if (text_find(line, ";") > 0) return text_between(line, "Set-Cookie:", ";");
  return text_replace(line, "Set-Cookie:", "");  // any letter case
}

bool ends_with_deleted(const Text& pair) {
  static const Text kDeleted = "=deleted";
  return text_right(pair, static_cast<int>(kDeleted.size())) == kDeleted;
}

}  // namespace

void parse_response_headers(const Text& raw_headers, bool auto_merge_cookies,
                            const ResponseHeaderOutputs& out, const PumpEvents& pump) {
  if (out.status_out) *out.status_out = status_text(raw_headers);

  Text cookies = out.cookies_out ? *out.cookies_out : Text();
  for (const Text& line : split_text(raw_headers, "\r\n")) {
    if (text_before(line, ": ") == "Set-Cookie") {
      cookies += trim_blanks(cookie_value(line));
      cookies += "; ";
    }
    if (out.location_out && equals_ignore_case_ascii(text_left(line, 10), "Location: ")) {
      *out.location_out = text_middle(line, 11, static_cast<int>(line.size()));
    }
    pump_if_set(pump);
  }
  cookies = cookies.size() > 2 ? cookies.substr(0, cookies.size() - 2) : Text();

  Text* cookies_in = out.cookies_in;
  if (auto_merge_cookies && cookies_in && !cookies_in->empty()) {
    cookies = merge_cookies(*cookies_in, cookies);
  }
  if (out.cookies_out) *out.cookies_out = cookies;
}

Text merge_cookies(Text& old_cookies, Text& new_cookies) {
  old_cookies = remove_all_blanks(old_cookies);
  new_cookies = remove_all_blanks(new_cookies);

  TextArray merged = split_text(new_cookies, ";");
  for (const Text& pair : split_text(old_cookies, ";")) {
    if (!has_cookie_name(merged, cookie_name(pair))) merged.push_back(pair);
  }

  Text joined;
  for (const Text& pair : merged) {
    if (ends_with_deleted(pair)) continue;
    joined += pair;
    joined += "; ";
  }
  joined = text_left(joined, static_cast<int>(joined.size()) - 2);
  joined = dedupe_text(joined, "; ", true);
  old_cookies = joined;
  return joined;
}

Text cookie_name(const Text& pair) {
  const int equals = text_find(pair, "=");
  return trim_blanks(equals > 0 ? text_left(pair, equals - 1) : pair);
}

bool has_cookie_name(const TextArray& pairs, const Text& name) {
  for (const Text& pair : pairs) {
    if (cookie_name(pair) == name) return true;
  }
  return false;
}

}  // namespace brimlow
