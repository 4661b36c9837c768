#pragma once
// Small pure routines the HTTP client and the mail credential build on: the only
// conversions between GBK text and UTF-16LE, and a few text and array cuts.

#include <string_view>

#include "base/text.h"

namespace brimlow {

// GBK -> UTF-16LE bytes, with two zero bytes as terminator unless `drop_terminator`.
// The empty text gives no bytes at all. Invalid GBK input becomes U+FFFD.
Bytes to_utf16(const Text& text, bool drop_terminator = false);

// UTF-16LE bytes -> GBK, stopping at the first zero unit; an odd last byte is ignored.
// Characters with no GBK form (and unpaired surrogates) become "?".
Text from_utf16(const Bytes& utf16);
// The same from UTF-16 code units, for callers that already hold them.
Text from_utf16(std::u16string_view units);

// A GBK text from a UTF-16 literal, for the program's own fixed texts: gbk(u"网址").
Text gbk(std::u16string_view utf16);

// The first p - 1 bytes of `text`, where p is the first match of `marker` at or after
// `start`; the empty text when there is none.
Text text_before(const Text& text, const Text& marker, int start = 1, bool ignore_case = false);

// The bytes between the first `left` at or after `start` and the next `right` after it.
// "#引号" in either marker stands for a double quote. The empty text when either is missing.
Text text_between(const Text& text, const Text& left, const Text& right, int start = 1,
                  bool ignore_case = false);

// The distinct members of `text` in first-seen order, joined by `separator`. Members are
// the text split at the separator, or its characters when `split_on_separator` is false.
Text dedupe_text(const Text& text, const Text& separator, bool split_on_separator);

// Fills `out` with the text's characters (a lead byte with its trail byte, CR LF as one);
// returns the member count.
int split_chars(const Text& text, TextArray& out);

// 1-based index of the first member equal (byte for byte) to `text`, or -1.
int array_find(const TextArray& array, const Text& text);

}  // namespace brimlow
