#pragma once
// The request side of an exchange that does not touch the network: the method table and
// the header block every request carries (the caller's lines first, then the defaults a
// browser of the old days sent, each only when the caller has not given its own).

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"

namespace brimlow {

// "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT" for 0..7;
// "GET" for any other index.
Text method_name(int method_index);

// The header block, lines ending in CR LF, in the order they go on the wire.
Text build_header_block(const Text& extra_headers, int method_index, const Text& cookies_in);

// The block as single header lines for the transfer library, without line ends and without
// empty lines. A "Content-Length" line of the caller's goes: the body's real length is
// stated by the exchange itself. nullopt when a line has no "Name:" form or holds a bare
// CR or LF, so no text can end the header section early or smuggle a line in.
std::optional<std::vector<std::string>> header_lines(const Text& header_block);

}  // namespace brimlow
