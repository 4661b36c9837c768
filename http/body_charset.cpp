#include "http/body_charset.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdint>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "base/text_ops.h"

namespace brimlow {
namespace {

constexpr int kHeadBytes = 1024;

// Windows' own code page 936 table, the one every Text is in.
constexpr const char* kGbkConverter = "windows-936-2000";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

struct LabelAlias {
  std::string_view label;
  const char* converter;
};

// Labels that browsers read differently from ICU's own alias table. Everything else is
// looked up by ICU under the label itself.
constexpr std::array kBrowserLabels = {
    LabelAlias{"gbk", kGbkConverter},           LabelAlias{"gb2312", kGbkConverter},
    LabelAlias{"x-gbk", kGbkConverter},         LabelAlias{"gb_2312-80", kGbkConverter},
    LabelAlias{"gb_2312", kGbkConverter},       LabelAlias{"chinese", kGbkConverter},
    LabelAlias{"csgb2312", kGbkConverter},      LabelAlias{"csiso58gb231280", kGbkConverter},
    LabelAlias{"iso-ir-58", kGbkConverter},     LabelAlias{"cp936", kGbkConverter},
    LabelAlias{"windows-936", kGbkConverter},   LabelAlias{"iso-8859-1", "windows-1252"},
    LabelAlias{"iso8859-1", "windows-1252"},    LabelAlias{"iso_8859-1", "windows-1252"},
    LabelAlias{"iso88591", "windows-1252"},     LabelAlias{"latin1", "windows-1252"},
    LabelAlias{"l1", "windows-1252"},           LabelAlias{"ascii", "windows-1252"},
    LabelAlias{"us-ascii", "windows-1252"},     LabelAlias{"cp1252", "windows-1252"},
    LabelAlias{"x-cp1252", "windows-1252"},     LabelAlias{"cp819", "windows-1252"},
    LabelAlias{"ibm819", "windows-1252"},       LabelAlias{"iso-ir-100", "windows-1252"},
    LabelAlias{"csisolatin1", "windows-1252"},  LabelAlias{"windows-1252", "windows-1252"},
    // A page cannot declare UTF-16 in its own meta tag; browsers read it as UTF-8.
    LabelAlias{"utf-16", "UTF-8"},              LabelAlias{"utf-16le", "UTF-8"},
    LabelAlias{"utf-16be", "UTF-8"},
};

Converter open_converter(const Text& label) {
  const Text lower = to_lower_ascii(label);
  const char* name = lower.c_str();
  for (const LabelAlias& alias : kBrowserLabels) {
    if (alias.label == lower) name = alias.converter;
  }
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

std::u16string to_units(UConverter* converter, const Bytes& bytes) {
  const auto* source = reinterpret_cast<const char*>(bytes.data());
  const auto length = static_cast<int32_t>(bytes.size());
  std::u16string units(bytes.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()),
                                 source, length, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    units.assign(static_cast<std::size_t>(needed) + 1, u'\0');
    status = U_ZERO_ERROR;
    needed = ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()), source,
                           length, &status);
  }
  if (U_FAILURE(status)) return {};
  units.resize(static_cast<std::size_t>(needed));
  // Text ends at the first NUL.
  units.resize(std::min(units.size(), units.find(u'\0')));
  return units;
}

Text units_to_gbk(const std::u16string& units) {
  UErrorCode status = U_ZERO_ERROR;
  Converter gbk(ucnv_open(kGbkConverter, &status));
  if (U_FAILURE(status) || units.empty()) return {};
  ucnv_setSubstChars(gbk.get(), "?", 1, &status);
  Text out(units.size() * 2 + 1, '\0');  // at most two bytes per unit
  status = U_ZERO_ERROR;
  const int32_t length = ucnv_fromUChars(gbk.get(), out.data(), static_cast<int32_t>(out.size()),
                                         units.data(), static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace

std::optional<Text> decode_charset(const Bytes& bytes, const Text& label) {
  if (label.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
  Converter converter = open_converter(label);
  if (!converter) return std::nullopt;
  return units_to_gbk(to_units(converter.get(), bytes));
}

void decode_body(const Bytes& body, Text& body_text, PatternMatcher& matcher,
                 const PumpEvents& pump) {
  if (!matcher.execute(kCharsetPattern, text_left(body_text, kHeadBytes))) return;
  const Text charset = matcher.submatch_text(1, 1);
  if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
    if (std::optional<Text> decoded = decode_charset(body, charset)) body_text = *decoded;
  }
  pump_if_set(pump);
}

}  // namespace brimlow
