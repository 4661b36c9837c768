#include "http/text_helpers.h"

#include "base/text_ops.h"
#include "http/icu_converter.h"

namespace brimlow {
namespace {

IcuConverter open_gbk_converter() {
  IcuConverter converter = open_icu_converter(kGbkConverterName);
  if (!converter) return nullptr;
  // Characters without a GBK form come out as "?", not as ICU's default 0x1A.
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  return converter;
}

std::u16string gbk_to_units(const Text& text) {
  IcuConverter converter = open_gbk_converter();
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

Text replace_quote_marker(const Text& marker) {
  return text_replace(marker, "#\xD2\xFD\xBA\xC5", "\"", 1, -1, true);  // "#引号"
}

}  // namespace

Text from_utf16(std::u16string_view units) {
  units = units.substr(0, units.find(u'\0'));
  IcuConverter converter = open_gbk_converter();
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
  return from_utf16(std::u16string_view(units));
}

Text gbk(std::u16string_view utf16) { return from_utf16(utf16); }

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
