#include "base/text_ops.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace brimlow {
namespace {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Length of the character that starts at `pos`: 2 for a lead byte with a byte after it.
std::size_t char_length(std::string_view text, std::size_t pos) {
  return (is_lead_byte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

bool matches_at(std::string_view text, std::size_t pos, std::string_view needle, bool ignore_case) {
  if (text.size() - pos < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    const char a = text[pos + i];
    const char b = needle[i];
    if (a == b) continue;
    if (!ignore_case || ascii_lower(a) != ascii_lower(b)) return false;
  }
  return true;
}

bool is_white_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_blank_at(std::string_view text, std::size_t pos, std::size_t* length) {
  if (text[pos] == ' ') {
    *length = 1;
    return true;
  }
  if (pos + 1 < text.size() && static_cast<unsigned char>(text[pos]) == 0xA1 &&
      static_cast<unsigned char>(text[pos + 1]) == 0xA1) {
    *length = 2;
    return true;
  }
  return false;
}

// Full-width digits become ASCII digits; other characters are copied whole.
Text fold_full_width_digits(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t len = char_length(text, pos);
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (len == 2 && lead == 0xA3) {
      const auto trail = static_cast<unsigned char>(text[pos + 1]);
      if (trail >= 0xB0 && trail <= 0xB9) {
        out.push_back(static_cast<char>('0' + (trail - 0xB0)));
        pos += 2;
        continue;
      }
    }
    out.append(text.substr(pos, len));
    pos += len;
  }
  return out;
}

// The longest prefix after white space that reads as [sign] digits [. digits] [e [sign] digits].
std::string_view numeric_prefix(std::string_view text, bool allow_fraction) {
  std::size_t pos = 0;
  while (pos < text.size() && is_white_space(text[pos])) ++pos;
  const std::size_t begin = pos;
  auto digits = [&] {
    const std::size_t from = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    return pos - from;
  };
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  std::size_t mantissa_digits = digits();
  if (allow_fraction && pos < text.size() && text[pos] == '.') {
    ++pos;
    mantissa_digits += digits();
  }
  if (mantissa_digits == 0) return {};
  if (allow_fraction && pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    const std::size_t before_exponent = pos;
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (digits() == 0) pos = before_exponent;
  }
  return text.substr(begin, pos - begin);
}

}  // namespace

int text_find(std::string_view text, std::string_view needle, int start, bool ignore_case) {
  if (needle.empty()) return -1;
  if (start < 1) start = 1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (from >= text.size()) return -1;
  // Walk character starts from the beginning, so a start inside a character moves on to the
  // next character instead of matching a trail byte.
  for (std::size_t pos = 0; pos < text.size(); pos += char_length(text, pos)) {
    if (pos < from) continue;
    if (matches_at(text, pos, needle, ignore_case)) return static_cast<int>(pos + 1);
  }
  return -1;
}

Text text_replace(std::string_view text, std::string_view find, std::string_view replacement,
                  int start, int count, bool match_case) {
  const long s0 = start - 1L < 0 ? 0 : start - 1L;
  if (text.empty() || find.empty() || static_cast<std::size_t>(s0) >= text.size() || count == 0) {
    return Text(text);
  }
  Text out(text.substr(0, static_cast<std::size_t>(s0)));
  std::size_t pos = static_cast<std::size_t>(s0);
  int made = 0;
  while (text.size() - pos >= find.size()) {
    if (count > 0 && made == count) break;
    if (matches_at(text, pos, find, !match_case)) {
      out.append(replacement);
      pos += find.size();
      ++made;
      continue;
    }
    const std::size_t len = char_length(text, pos);
    out.append(text.substr(pos, len));
    pos += len;
  }
  out.append(text.substr(pos));
  return out;
}

TextArray split_text(std::string_view text, std::string_view separator) {
  TextArray members;
  if (text.empty()) return members;
  if (separator.empty()) {
    members.emplace_back(text);
    return members;
  }
  std::size_t member_start = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (matches_at(text, pos, separator, false)) {
      members.emplace_back(text.substr(member_start, pos - member_start));
      pos += separator.size();
      member_start = pos;
    } else {
      pos += char_length(text, pos);
    }
  }
  if (member_start < text.size()) members.emplace_back(text.substr(member_start));
  return members;
}

Text text_left(std::string_view text, int count) {
  if (count <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text text_right(std::string_view text, int count) {
  if (count <= 0) return {};
  const auto n = std::min(text.size(), static_cast<std::size_t>(count));
  return Text(text.substr(text.size() - n));
}

Text text_middle(std::string_view text, int start, int count) {
  if (count <= 0) return {};
  if (start < 1) start = 1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (from >= text.size()) return {};
  return Text(text.substr(from, static_cast<std::size_t>(count)));
}

Text trim_leading_blanks(std::string_view text) {
  std::size_t pos = 0;
  std::size_t len = 0;
  while (pos < text.size() && is_blank_at(text, pos, &len)) pos += len;
  return Text(text.substr(pos));
}

Text trim_trailing_blanks(std::string_view text) {
  // Scan forward so a trailing A1 A1 is only taken when it is a whole character.
  std::size_t keep = 0;
  std::size_t len = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (is_blank_at(text, pos, &len)) {
      pos += len;
      continue;
    }
    pos += char_length(text, pos);
    keep = pos;
  }
  return Text(text.substr(0, keep));
}

Text trim_blanks(std::string_view text) { return trim_trailing_blanks(trim_leading_blanks(text)); }

Text remove_all_blanks(std::string_view text) {
  Text out;
  std::size_t len = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (is_blank_at(text, pos, &len)) {
      pos += len;
      continue;
    }
    len = char_length(text, pos);
    out.append(text.substr(pos, len));
    pos += len;
  }
  return out;
}

Text to_upper_ascii(std::string_view text) {
  Text out(text);
  for (char& c : out) c = ascii_upper(c);
  return out;
}

Text to_lower_ascii(std::string_view text) {
  Text out(text);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

bool equals_ignore_case_ascii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && matches_at(a, 0, b, true);
}

Text int_to_text(std::int64_t value) { return std::to_string(value); }

std::int64_t text_to_int(std::string_view text) {
  const Text folded = fold_full_width_digits(text);
  std::string_view digits = numeric_prefix(folded, false);
  if (digits.empty()) return 0;
  const bool negative = digits.front() == '-';
  if (digits.front() == '+' || digits.front() == '-') digits.remove_prefix(1);
  std::int64_t value = 0;
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  for (char c : digits) {
    const int d = c - '0';
    if (value > (kMax - d) / 10) return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
    value = value * 10 + d;
  }
  return negative ? -value : value;
}

double text_to_number(std::string_view text) {
  const Text folded = fold_full_width_digits(text);
  std::string_view number = numeric_prefix(folded, true);
  if (number.empty()) return 0.0;
  if (number.front() == '+') number.remove_prefix(1);  // from_chars takes '-' only
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large gives infinity, too small gives zero, each with its sign.
    const bool negative = number.front() == '-';
    const bool tiny = number.find_first_of("eE") != std::string_view::npos &&
                      number[number.find_first_of("eE") + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    if (negative) value = -value;
  }
  return value;
}

std::int64_t truncate_to_int64(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (value < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::trunc(value));
}

}  // namespace brimlow
