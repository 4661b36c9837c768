#!/usr/bin/python3
"""End to end: the real program on the current X display, driven with xdotool.

Two local sites (one answers "200 OK", one "500 Internal Server Error"), a real SMTP
server (aiosmtpd, AUTH LOGIN over plain text) on the port the program was built for. The
test imports an empty list file, types both addresses, the mailbox and the interval 5,
switches monitoring on, and waits for the alerts: one per pass, naming the failing
address, subject and card in GBK, copies to the account. Esc then writes the list file and
the program exits with code 0.

Run with Debian's /usr/bin/python3 (it has python3-aiosmtpd).
"""
import argparse
import base64
import email
import email.header
import http.server
import logging
import os
import subprocess
import sys
import tempfile
import threading
import time
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import window_driver  # noqa: E402
from window_driver import MainWindow  # noqa: E402

SUBJECT = "站点无法访问 - Brimlow提醒您"


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


class Site(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def answer(self):
        status = self.server.status
        body = b"<html><body>site</body></html>"
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    do_GET = do_POST = do_HEAD = answer

    def log_message(self, *args):
        pass


def start_site(status):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    server.status = status
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Mailbox:
    def __init__(self):
        self.messages = []
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.messages.append((envelope.mail_from, list(envelope.rcpt_tos),
                                  envelope.original_content or envelope.content))
        return "250 Message accepted"


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def main():
    # aiosmtpd warns about AUTH without TLS on every session; this relay is local on purpose.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--smtp-port", type=int, required=True)
    parser.add_argument("--sender", required=True)
    parser.add_argument("--password", required=True)
    args = parser.parse_args()

    up = start_site(200)
    down = start_site(500)
    up_url = "http://127.0.0.1:%d/up" % up.server_address[1]
    down_url = "http://127.0.0.1:%d/down" % down.server_address[1]
    mailbox_address = "me@home.test"

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == args.sender.encode()
              and auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)

    mailbox = Mailbox()
    controller = Controller(mailbox, hostname="127.0.0.1", port=args.smtp_port,
                            authenticator=authenticator, auth_require_tls=False,
                            auth_required=True)
    controller.start()

    work = tempfile.mkdtemp(prefix="brimlow-e2e-")
    list_file = os.path.join(work, "sites.txt")
    open(list_file, "wb").close()

    window = MainWindow(args.program, work)
    program = window.process
    try:
        if window.title != window_driver.TITLE:
            fail("window title %r" % window.title)
        # Import the (empty) list file so the close has a file to write to.
        if not window.import_file(list_file):
            fail("the file dialog did not open")
        window.add_url(up_url)
        window.add_url(down_url)
        window.type_into(window_driver.MAILBOX_BOX, mailbox_address)
        window.start_monitoring("5")

        # The first pass starts 5 s after switching on; each pass alerts for the failing site.
        wait_for(lambda: len(mailbox.messages) >= 2, 40, "two alert mails")

        # Esc closes like the close box: the list is written and the process ends with 0.
        window.press_escape()
        try:
            code = program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            fail("the program did not end after Esc")
        if code != 0:
            fail("exit code %d" % code)
        with open(list_file, "rb") as f:
            saved = f.read()
        if saved != (up_url + "," + down_url).encode():
            fail("list file holds %r" % saved)

        with mailbox.lock:
            messages = list(mailbox.messages)
        for mail_from, rcpt_tos, raw in messages:
            if mail_from != args.sender:
                fail("MAIL FROM %r" % mail_from)
            # To the typed mailbox, then the Cc and Bcc copies to the account.
            if rcpt_tos != [mailbox_address, args.sender, args.sender]:
                fail("recipients %r" % rcpt_tos)
            message = email.message_from_bytes(raw)
            subject = str(email.header.make_header(email.header.decode_header(message["Subject"])))
            if subject != SUBJECT:
                fail("subject %r" % subject)
            if message["To"] != mailbox_address or message["Cc"] != args.sender:
                fail("To %r Cc %r" % (message["To"], message["Cc"]))
            if message["Bcc"] is not None:
                fail("a Bcc header went out")
            body = base64.b64decode(message.get_payload()).decode("gbk")
            expected = down_url + " - 错误码：" + "500 Internal Server Error"
            if expected not in body:
                fail("the card does not name the failing site: %r" % body[:400])
            if up_url in body:
                fail("the card names the site that is up")
        print("alert end to end: %d alerts checked, list file written" % len(messages))
    finally:
        window.kill()
        controller.stop()


if __name__ == "__main__":
    main()
