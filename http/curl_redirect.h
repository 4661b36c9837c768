#pragma once
// Resolving a redirect target against the address it came from, with libcurl's URL parser.

#include <optional>
#include <string>

#include "base/text.h"

namespace brimlow {

struct RedirectTarget {
  std::string url;     // absolute
  bool secure = false;
  std::string origin;  // scheme://host:port, for comparing peers
};

// The absolute target of a Location value (relative values resolve against `base_url`).
// Bytes the URL syntax does not allow raw (8-bit bytes, blanks) are percent-encoded first.
// nullopt for an empty or unparsable value, or a scheme other than http and https.
std::optional<RedirectTarget> resolve_redirect(const std::string& base_url, const Text& location);

// scheme://host:port of an absolute URL, the port always written; empty when unparsable.
std::string url_origin(const std::string& url);

}  // namespace brimlow
