#pragma once
// The alert mail: one message per first failure after a success, from the built-in mail
// account to the mailbox typed into the window, with copies to the account itself.

#include "monitor/mail_account.h"
#include "monitor/smtp_client.h"
#include "shell/window_runtime.h"

namespace brimlow {

// "站点无法访问 - Brimlow提醒您"
Text alert_subject();

// The HTML card (GBK, CR LF line ends) naming the failing address and the status text,
// both inserted as they are.
Text alert_body(const MailAccount& account, const Text& url, const Text& status);

class AlertMailer {
 public:
  // `connection` is the process-wide SMTP connection; an alert leaves it open and the next
  // alert (or the process exit) ends it with QUIT.
  AlertMailer(WindowRuntime& runtime, SmtpConnection& connection, MailAccount account);

  // Builds the password afresh, logs in, and sends the alert to the text of 编辑框_邮箱.
  // Failures are silent: nothing is shown and nothing is retried.
  void send_alert(const Text& url, const Text& status);

 private:
  WindowRuntime& runtime_;
  SmtpConnection& connection_;
  MailAccount account_;
};

}  // namespace brimlow
