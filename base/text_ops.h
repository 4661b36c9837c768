#pragma once
// The text operations shared by every layer. All work on GBK bytes: a character is one
// byte below 0x80, or a byte of 0x80 or above together with the byte after it. Searches
// step character by character, so a match never starts on the second byte of a
// double-byte character. "Ignore case" always means the ASCII letters only.

#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace brimlow {

// 1-based position of the first occurrence of `needle` at or after `start`, or -1.
// A start below 1 counts as 1; a start beyond the end, or an empty needle, finds nothing.
int text_find(std::string_view text, std::string_view needle, int start = 1,
              bool ignore_case = false);

// Replaces, from byte position `start` on, the first `count` occurrences (count < 0: all)
// left to right without overlap. The bytes before `start` are copied unchanged.
// `match_case` false (the default) lets ASCII letters match regardless of case.
Text text_replace(std::string_view text, std::string_view find, std::string_view replacement,
                  int start = 1, int count = -1, bool match_case = false);

// Splits at `separator`: an empty text gives no members; adjacent separators give an empty
// member and a leading one an empty first member; a separator at the very end adds no
// member. An empty separator leaves the whole text as the one member.
TextArray split_text(std::string_view text, std::string_view separator);

// Byte counts, clamped to the text; a count of 0 or less gives the empty text. They may cut
// a double-byte character in half. `text_middle` starts at 1-based `start` (below 1: 1).
Text text_left(std::string_view text, int count);
Text text_right(std::string_view text, int count);
Text text_middle(std::string_view text, int start, int count);

// Blanks are the ASCII space and the full-width space (A1 A1) only.
Text trim_leading_blanks(std::string_view text);
Text trim_trailing_blanks(std::string_view text);
Text trim_blanks(std::string_view text);
Text remove_all_blanks(std::string_view text);

// ASCII letters only; every other byte, double-byte characters included, stays.
Text to_upper_ascii(std::string_view text);
Text to_lower_ascii(std::string_view text);
bool equals_ignore_case_ascii(std::string_view a, std::string_view b);

// Decimal, with a minus sign for negatives.
Text int_to_text(std::int64_t value);

// Full-width digits (A3 B0 .. A3 B9) read as ASCII digits; then leading white space, an
// optional sign and decimal digits; stops at the first other character; no digits give 0.
// Values beyond the 64-bit range saturate.
std::int64_t text_to_int(std::string_view text);

// The same with a decimal fraction and an exponent.
double text_to_number(std::string_view text);

// A double handed on as an integer is truncated toward zero (saturating at the range ends,
// NaN gives 0).
std::int64_t truncate_to_int64(double value);

}  // namespace brimlow
