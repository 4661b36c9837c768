#include "monitor/mail_account.h"

#include "monitor/credential.h"

namespace brimlow {

Text build_mail_password(const MailAccount& account, const std::function<void()>& pump_events) {
  return decipher_password(account.credential, account.key_source, account.xor_constant,
                           pump_events);
}

}  // namespace brimlow
