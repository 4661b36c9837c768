#include "http/body_charset.h"

#include <algorithm>
#include <cstdint>
#include <array>
#include <string>
#include <string_view>

#include "base/text_ops.h"
#include "http/icu_converter.h"
#include "http/text_helpers.h"

namespace brimlow {
namespace {

constexpr int kHeadBytes = 1024;

struct LabelAlias {
  std::string_view label;
  const char* converter;
};

// Labels that browsers read differently from ICU's own alias table. Everything else is
// looked up by ICU under the label itself.
constexpr std::array kBrowserLabels = {
    LabelAlias{"gbk", kGbkConverterName},           LabelAlias{"gb2312", kGbkConverterName},
    LabelAlias{"x-gbk", kGbkConverterName},         LabelAlias{"gb_2312-80", kGbkConverterName},
    LabelAlias{"gb_2312", kGbkConverterName},       LabelAlias{"chinese", kGbkConverterName},
    LabelAlias{"csgb2312", kGbkConverterName},      LabelAlias{"csiso58gb231280", kGbkConverterName},
    LabelAlias{"iso-ir-58", kGbkConverterName},     LabelAlias{"cp936", kGbkConverterName},
    LabelAlias{"windows-936", kGbkConverterName},   LabelAlias{"iso-8859-1", "windows-1252"},
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

IcuConverter open_converter(const Text& label) {
  const Text lower = to_lower_ascii(label);
  const char* name = lower.c_str();
  for (const LabelAlias& alias : kBrowserLabels) {
    if (alias.label == lower) name = alias.converter;
  }
  return open_icu_converter(name);
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

}  // namespace

std::optional<Text> decode_charset(const Bytes& bytes, const Text& label) {
  if (label.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
  IcuConverter converter = open_converter(label);
  if (!converter) return std::nullopt;
  return from_utf16(to_units(converter.get(), bytes));
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
