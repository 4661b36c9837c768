#include "monitor/mail_account.h"

#include "monitor/credential.h"
#include "monitor/mail_account_config.h"

namespace brimlow {

MailAccount built_in_mail_account() {
  return MailAccount{
      mail_config::kSmtpHost,       mail_config::kSmtpPort,      mail_config::kSmtpSender,
      mail_config::kSmtpCredential, mail_config::kSmtpKeySource, mail_config::kSmtpXor,
      mail_config::kSiteUrl,        mail_config::kContactUrl,
  };
}

Text build_mail_password(const MailAccount& account, const std::function<void()>& pump_events) {
  return decipher_password(account.credential, account.key_source, account.xor_constant,
                           pump_events);
}

}  // namespace brimlow
