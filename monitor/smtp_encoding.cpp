#include "monitor/smtp_encoding.h"

#include <algorithm>

namespace brimlow {
namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineLength = 76;
constexpr std::size_t kWordSourceLimit = 45;  // 60 base64 characters, 75 with the frame

bool needs_encoding(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || byte == '\r' || byte == '\n';
  });
}

// Where to cut `text` near its middle: half of the bytes rounded down, one byte earlier
// when that would fall between the two bytes of a double-byte character.
std::size_t cut_position(std::string_view text) {
  const std::size_t half = text.size() / 2;
  std::size_t position = 0;
  while (position < half) {
    position += static_cast<unsigned char>(text[position]) >= 0x80 ? 2 : 1;
  }
  return position == half ? half : half - 1;
}

void append_words(std::string_view text, Text& out) {
  if (text.size() <= kWordSourceLimit) {
    if (!out.empty()) out += "\r\n ";
    out += "=?gb2312?B?";
    out += base64_encode(text);
    out += "?=";
    return;
  }
  const std::size_t cut = cut_position(text);
  append_words(text.substr(0, cut), out);
  append_words(text.substr(cut), out);
}

}  // namespace

Text base64_encode(std::string_view bytes) {
  Text out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(value >> 18) & 63];
    out += kAlphabet[(value >> 12) & 63];
    out += kAlphabet[(value >> 6) & 63];
    out += kAlphabet[value & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(value >> 18) & 63];
    out += kAlphabet[(value >> 12) & 63];
    out += rest == 2 ? kAlphabet[(value >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

Text base64_lines(std::string_view bytes) {
  const Text flat = base64_encode(bytes);
  Text out;
  out.reserve(flat.size() + (flat.size() / kLineLength + 1) * 2);
  for (std::size_t start = 0; start < flat.size(); start += kLineLength) {
    out.append(flat, start, kLineLength);
    out += "\r\n";
  }
  if (out.empty()) out = "\r\n";
  return out;
}

Text encode_header_text(const Text& text) {
  if (!needs_encoding(text)) return text;
  Text out;
  append_words(text, out);
  return out;
}

}  // namespace brimlow
