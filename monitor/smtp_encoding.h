#pragma once
// The encodings of the outgoing mail: base64 (RFC 4648) for the login lines and the body,
// and RFC 2047 encoded words for header texts.

#include <string_view>

#include "base/text.h"

namespace brimlow {

// Standard base64 of the bytes, one unbroken line.
Text base64_encode(std::string_view bytes);

// Standard base64 with CR LF after every 76 output characters; CR LF always ends the
// output, so even no input gives one CR LF.
Text base64_lines(std::string_view bytes);

// A header text as it goes on the wire. Printable ASCII is kept as it is. Any byte of 0x80
// or above (or a CR or LF, which would otherwise start a header line of its own) turns the
// text into "=?gb2312?B?...?=" words of at most 45 source bytes (73 characters) each,
// halved repeatedly without splitting a double-byte character, joined by "\r\n " folds.
Text encode_header_text(const Text& text);

}  // namespace brimlow
