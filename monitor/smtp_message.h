#pragma once
// The message under composition: its addresses as typed, and the header it goes out with.

#include <vector>

#include "base/text.h"

namespace brimlow {

struct MailAddress {
  Text display_name;  // may be empty
  Text address;
};

// One address: "address" or "display name <address>", both trimmed of white space.
// False (malformed) when a "<" has no ">" after it, or when either part holds a CR, LF or
// NUL byte, which could otherwise smuggle SMTP commands or header lines.
bool parse_mail_address(const Text& piece, MailAddress& out);

// A list cut at every "," and ";"; pieces whose address comes out empty are skipped.
// False when any piece is malformed; `out` then holds the pieces parsed before it.
bool parse_mail_address_list(const Text& list, std::vector<MailAddress>& out);

// The address alone, or the encoded display name, a space and the address in brackets.
Text format_mail_address(const MailAddress& entry);

struct MailMessage {
  Text subject;
  Text body;
  MailAddress from;
  MailAddress reply_to;
  std::vector<MailAddress> to;
  std::vector<MailAddress> cc;
  std::vector<MailAddress> bcc;
};

// The whole header, ending with the empty line. `date` is the Date field's value. Bcc
// recipients never appear in it.
Text build_message_header(const MailMessage& message, const Text& date);

}  // namespace brimlow
