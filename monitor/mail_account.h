#pragma once
// The operator's mail account, fixed when the program is built (CMake cache variables
// BRIMLOW_SMTP_* and BRIMLOW_*_URL), and the building of its password before each login.

#include <cstdint>
#include <functional>

#include "base/text.h"

namespace brimlow {

struct MailAccount {
  Text host;        // relay host name or dotted IPv4 address
  int port;         // relay port
  Text sender;      // login user, and From, Cc, Bcc and Reply-To of every alert
  Text credential;  // enciphered password: hex digits, then the nine-digit check
  Text key_source;  // the key in reading order; the key proper is its reverse
  std::int64_t xor_constant;  // combined with each enciphered byte
  Text site_url;     // the alert's links to the operator's site
  Text contact_url;  // the alert's "contact the author" link
};

// The account this build was configured with (library mail_account_builtin).
MailAccount built_in_mail_account();

// Deciphers the account's password in the calling order the stored form was made for:
// reverse the key source, decipher, reverse the result. Empty when the check fails (the
// mail then goes out without a login). `pump_events`, when given, runs between bytes.
// The caller drops the password right after the login.
Text build_mail_password(const MailAccount& account,
                         const std::function<void()>& pump_events = {});

}  // namespace brimlow
