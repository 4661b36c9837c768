#pragma once
// Cracking an address into what one exchange needs, the way the request routine has always
// read addresses: scheme http or https, host, port, and the object name, which is the path
// followed directly by the query and fragment, or "/" alone when the path is empty.

#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace brimlow {

struct UrlParts {
  bool secure = false;  // https
  Text host;            // as written, without brackets or user information
  int port = 0;         // the scheme's default when the address names none
  Text object_name;     // path + query + fragment, or "/"
};

// nullopt for an empty address, another scheme, a control character anywhere, an empty or
// malformed host, or a port outside 1..65535.
std::optional<UrlParts> crack_url(const Text& url);

// The object name as it goes on the request line: GBK characters become percent-encoded
// UTF-8 and blanks become %20; everything else, "#" included, goes as written.
std::string wire_object_name(const Text& object_name);

// Percent-encodes the bytes a URL never holds raw: controls, blanks and 8-bit bytes.
std::string percent_encode_raw_bytes(std::string_view bytes);

// "http://host:port" or "https://host:port" in ASCII (a non-ASCII host as UTF-8, for the
// transfer library's IDN step; an IPv6 host in brackets).
std::string origin_of(const UrlParts& parts);

// GBK text as UTF-8.
std::string utf8_from_gbk(const Text& text);

}  // namespace brimlow
