#pragma once
// The charset step of a request: a page that declares a charset other than "gbk" or
// "gb2312" in a meta tag near its start is decoded in that charset into GBK text.

#include <optional>

#include "base/text.h"
#include "http/pattern_matcher.h"
#include "http/pump_events.h"

namespace brimlow {

// The meta-tag pattern; its first group is the charset label.
inline constexpr const char* kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

// Decodes `bytes` in the charset a page label names, as browsers read labels ("gb2312",
// "x-gbk" and "gb_2312-80" mean the Windows 936 table, "iso-8859-1" and "latin1" mean
// windows-1252), into GBK text up to the first NUL. Bytes invalid in that charset become
// the converter's substitute. nullopt for a label no converter knows.
std::optional<Text> decode_charset(const Bytes& bytes, const Text& label);

// Looks for the charset declaration in the first 1024 bytes of `body_text` with `matcher`
// and, when it names a charset other than "gbk" and "gb2312" (byte for byte), replaces
// `body_text` with `body` decoded in it. An unknown charset leaves `body_text` as it was.
// Runs the pump at the end, unless the search itself failed.
void decode_body(const Bytes& body, Text& body_text, PatternMatcher& matcher,
                 const PumpEvents& pump);

}  // namespace brimlow
