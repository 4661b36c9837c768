#include "http/text_helpers.h"

#include <unicode/ucnv.h>

#include <memory>

#include "base/text_ops.h"

namespace brimlow {
namespace {

// ICU opens Windows' own code page 936 table under this name: 0x80 is the euro sign and
// the user-defined areas round-trip, as MultiByteToWideChar does.
constexpr const char* kGbkConverter = "windows-936-2000";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter open_gbk_converter() {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(kGbkConverter, &status));
  if (U_FAILURE(status)) return nullptr;
  // Characters without a GBK form come out as "?", not as ICU's default 0x1A.
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  return converter;
}

std::u16string gbk_to_units(const Text& text) {
  Converter converter = open_gbk_converter();
  if (!converter || text.empty()) return {};
  std::u16string units(text.size() + 1, u'\0');  // GBK never yields more units than bytes
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()),
                    text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return {};
  units.resize(static_cast<std::size_t>(length));
  return units;
}

Text units_to_gbk(std::u16string_view units) {
  Converter converter = open_gbk_converter();
  if (!converter || units.empty()) return {};
  // Every unit gives at most two bytes ("?" for a lone surrogate).
  Text out(units.size() * 2 + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                      units.data(), static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return text_from_bytes(out);
}

Text replace_quote_marker(const Text& marker) {
  return text_replace(marker, "#\xD2\xFD\xBA\xC5", "\"", 1, -1, true);  // "#引号"
}

}  // namespace

Bytes to_utf16(const Text& text, bool drop_terminator) {
  if (text.empty()) return {};
  const std::u16string units = gbk_to_units(text);
  Bytes bytes;
  bytes.reserve(units.size() * 2 + 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  if (!drop_terminator) {
    bytes.push_back(0);
    bytes.push_back(0);
  }
  return bytes;
}

Text from_utf16(const Bytes& utf16) {
  std::u16string units;
  units.reserve(utf16.size() / 2);
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const auto unit = static_cast<char16_t>(utf16[i] | (utf16[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units_to_gbk(units);
}

Text gbk(std::u16string_view utf16) {
  Bytes bytes;
  bytes.reserve(utf16.size() * 2);
  for (char16_t unit : utf16) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return from_utf16(bytes);
}

Text text_before(const Text& text, const Text& marker, int start, bool ignore_case) {
  const int found = text_find(text, marker, start < 1 ? 1 : start, ignore_case);
  if (found < 0) return {};
  return text_left(text, found - 1);
}

Text text_between(const Text& text, const Text& left, const Text& right, int start,
                  bool ignore_case) {
  const Text left_marker = replace_quote_marker(left);
  const Text right_marker = replace_quote_marker(right);
  const int p = text_find(text, left_marker, start < 1 ? 1 : start, ignore_case);
  if (p < 0) return {};
  const int s = p + static_cast<int>(left_marker.size());
  const int q = text_find(text, right_marker, s, ignore_case);
  if (q < 0) return {};
  return text_middle(text, s, q - s);
}

Text dedupe_text(const Text& text, const Text& separator, bool split_on_separator) {
  TextArray members;
  if (split_on_separator) {
    members = split_text(text, separator);
  } else {
    split_chars(text, members);
  }
  if (members.empty()) return {};
  TextArray kept;
  Text out;
  for (const Text& member : members) {
    if (array_find(kept, member) != -1) continue;
    kept.push_back(member);
    out += member;
    out += separator;
  }
  out.resize(out.size() - separator.size());
  return out;
}

int split_chars(const Text& text, TextArray& out) {
  out.clear();
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t length = 1;
    if (pos + 1 < text.size()) {
      const auto byte = static_cast<unsigned char>(text[pos]);
      if (byte >= 0x81 || (text[pos] == '\r' && text[pos + 1] == '\n')) length = 2;
    }
    out.push_back(text.substr(pos, length));
    pos += length;
  }
  return static_cast<int>(out.size());
}

int array_find(const TextArray& array, const Text& text) {
  for (std::size_t i = 0; i < array.size(); ++i) {
    if (array[i] == text) return static_cast<int>(i + 1);
  }
  return -1;
}

}  // namespace brimlow
