#pragma once
// A small SMTP client (RFC 5321, plain text, AUTH LOGIN or PLAIN) that keeps one
// connection for the whole process: smtp_connect opens, greets and logs in, smtp_send_mail
// sends one base64 text/plain message over it, smtp_close ends it with QUIT.
// Calls block the calling thread; every wait is bounded by the reply time-out.

#include "base/text.h"
#include "monitor/posix_socket.h"

namespace brimlow {

// One per process. Ending it runs smtp_close on a connection still open.
class SmtpConnection {
 public:
  SmtpConnection() = default;
  ~SmtpConnection();
  SmtpConnection(const SmtpConnection&) = delete;
  SmtpConnection& operator=(const SmtpConnection&) = delete;

  TcpSocket socket;
  bool connected = false;  // from the TCP connection until smtp_close
  int reply_timeout_ms = 2000;
  int last_reply_code = -1;  // -1 while no complete reply has been read
  Text last_error;           // the latest failure, or the latest reply's last line
  // One pair per line of the latest reply: the word after the code, and the rest.
  TextArray reply_keywords;
  TextArray reply_parameters;
};

// Ends any open connection (QUIT), connects to host:port, reads the 220 greeting, greets
// with EHLO (logging in when the server offers LOGIN or PLAIN and a user and password are
// given) or HELO. True when ready for smtp_send_mail; otherwise the socket is closed.
// `timeout_ms` bounds the TCP connect and each reply wait (silence since the last byte);
// a value below 1 means the default 2000 ms.
bool smtp_connect(SmtpConnection& connection, const Text& host, int port = 25,
                  const Text& user = {}, const Text& password = {}, int timeout_ms = 2000);

// Sends one message. to, cc and bcc are lists cut at "," and ";"; each entry is "address"
// or "name <address>". Empty result when the server accepted the message, else a failure
// description (for a refused reply, the server's last reply line without its code).
// reply_to empty means: the from argument. The connection stays open either way.
Text smtp_send_mail(SmtpConnection& connection, const Text& subject, const Text& body,
                    const Text& to, const Text& cc = {}, const Text& bcc = {},
                    const Text& from = {}, const Text& reply_to = {});

// If connected: QUIT and wait for its reply. Always closes the socket. True on 221.
bool smtp_close(SmtpConnection& connection);

// Reads one complete reply into the connection's reply state; true when its code is
// `expected_code`. Pass 0 to accept any reply and look at last_reply_code. Fails after
// the reply time-out of silence, at once when the server closes the connection, and when
// a reply trickles on past five reply time-outs or grows past 1 MiB.
bool smtp_read_reply(SmtpConnection& connection, int expected_code);

}  // namespace brimlow
