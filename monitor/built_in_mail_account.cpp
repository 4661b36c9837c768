// The account this build was configured with. Compiled once per account library (see
// brimlow_mail_account in monitor/CMakeLists.txt), each against its own generated header.

#include "monitor/mail_account.h"
#include "monitor/mail_account_config.h"

namespace brimlow {

MailAccount built_in_mail_account() {
  return MailAccount{
      mail_config::kSmtpHost,       mail_config::kSmtpPort,      mail_config::kSmtpSender,
      mail_config::kSmtpCredential, mail_config::kSmtpKeySource, mail_config::kSmtpXor,
      mail_config::kSiteUrl,        mail_config::kContactUrl,
  };
}

}  // namespace brimlow
