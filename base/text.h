#pragma once
// The three value types every layer shares.
//
//   Text      GBK (code page 936) bytes that never hold a NUL. Lengths count bytes,
//             positions are 1-based byte positions; a double-byte character counts 2.
//             The empty text and an absent text are the same value.
//   Bytes     a counted byte buffer; may hold NUL bytes.
//   TextArray a list of Text. Stored 0-based; routines that the design counts from 1
//             say so in their names or comments.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brimlow {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using TextArray = std::vector<Text>;

// The bytes before the first NUL (all of them when there is none), no code-page conversion.
Text text_from_bytes(const Bytes& bytes);
Text text_from_bytes(std::string_view bytes);

// The text's bytes without a terminator.
Bytes bytes_from_text(std::string_view text);

// True for a byte that starts a double-byte character (0x80 and above).
inline bool is_lead_byte(unsigned char byte) { return byte >= 0x80; }

}  // namespace brimlow
