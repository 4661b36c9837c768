#pragma once
// The mail account's password is stored enciphered, with a check value derived from a key;
// these routines build it back at run time, and make the stored form for the tool.
// Also general helpers: text reversal, digests through libcrypto, hex decoders.

#include <cstdint>
#include <functional>

#include "base/text.h"

namespace brimlow {

// Byte-wise (wide false): the bytes in reverse order, so a double-byte character comes out
// with its two bytes swapped. Wide: the UTF-16 code units in reverse order, back in GBK.
Text text_reverse(const Text& text, bool wide = false);

// `stored` is hex digits (two per byte) followed by a nine-digit check: digits 3..11 of
// the lower-case MD5 of `key`, upper-cased. When the check matches, every decoded byte is
// combined with `combining_constant` by exclusive-or (low 8 bits kept) and the result
// returned as Text (a NUL byte ends it). The empty text when the check does not match.
// `pump_events`, when given, runs after each decoded byte.
Text decipher_text(const Text& stored, const Text& key, std::int64_t combining_constant,
                   const std::function<void()>& pump_events = {});

// The inverse of the password calling order: the stored text for `password` under the
// key source text (stored in reading order, reversed at run time) and the constant.
// Upper-case hex, two digits per password byte, then the check.
Text make_stored_credential(const Text& password, const Text& key_source,
                            std::int64_t combining_constant);

// The calling order used before each login: key := reverse(key source), deciphered with
// the stored text, reversed again. The empty text when the check fails.
Text decipher_password(const Text& stored, const Text& key_source,
                       std::int64_t combining_constant,
                       const std::function<void()>& pump_events = {});

// Algorithm identifiers as the cryptography service numbers them.
enum HashAlgorithm : std::uint32_t {
  kHashMd2 = 0x8001,
  kHashMd4 = 0x8002,
  kHashMd5 = 0x8003,
  kHashSha1 = 0x8004,
  kHashSha256 = 0x800C,
  kHashSha384 = 0x800D,
  kHashSha512 = 0x800E,
};

// The digest of `data` as 2 * size upper-case hex digits. The empty text for an unknown
// or unavailable algorithm, a size that is not the algorithm's digest size, or any
// failure of the digest library.
Text hash_hex(const Bytes& data, std::uint32_t algorithm, int size);

// MD5 as 32 hex digits, lower case unless `upper_case`; with `middle16` only digits 9..24.
// The empty text if the digest cannot be computed.
Text md5_hex(const Bytes& data, bool upper_case = false, bool middle16 = false);

// Two characters at a time (one at the end of an odd length), each pair read with
// hex_to_int64 and kept as its low 8 bits. `pump_events`, when given, runs after each byte.
Bytes hex_to_bytes(const Text& hex, const std::function<void()>& pump_events = {});

// The value of the last 16 hex digits of `text` (either case); other bytes are skipped.
// No hex digit gives 0. Sixteen digits fill all 64 bits, so the value may be negative.
std::int64_t hex_to_int64(const Text& text);

}  // namespace brimlow
