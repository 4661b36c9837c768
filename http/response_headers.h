#pragma once
// What a response's raw header text tells the caller besides the body: the status text,
// the cookie pairs the server set and the redirect target; and the merge that lets a
// caller carry one cookie text from request to request.

#include "base/text.h"
#include "http/pump_events.h"

namespace brimlow {

// The caller's variables that parse_response_headers writes. A nullptr output is one the
// caller omitted; `cookies_in` nullptr is an empty cookie text.
struct ResponseHeaderOutputs {
  Text* status_out = nullptr;
  Text* cookies_out = nullptr;
  Text* location_out = nullptr;
  Text* cookies_in = nullptr;  // rewritten only when cookies are merged
};

// Cuts the status text at byte 10 of the status line, appends the "Set-Cookie" pairs to
// `cookies_out` (joined by "; "), takes the last "Location: " line into `location_out`,
// runs the pump once per line, and merges `cookies_in` when asked and non-empty.
void parse_response_headers(const Text& raw_headers, bool auto_merge_cookies,
                            const ResponseHeaderOutputs& out, const PumpEvents& pump);

// Merges two cookie texts: new pairs beat old pairs of the same name, "=deleted" pairs go,
// blanks go (inside values too), exact duplicates go. Both arguments are rewritten: the
// new one without blanks, the old one to the merged text, which is also returned.
Text merge_cookies(Text& old_cookies, Text& new_cookies);

// The part of a pair before its first "=", or the whole pair, trimmed of blanks.
Text cookie_name(const Text& pair);

// True when some member's cookie_name equals `name` byte for byte.
bool has_cookie_name(const TextArray& pairs, const Text& name);

}  // namespace brimlow
