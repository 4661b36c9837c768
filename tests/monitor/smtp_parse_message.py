#!/usr/bin/python3
"""Reads one stored message with Python's email package and prints what the mail tests
check, one "name<TAB>hex" line each (hex of the value's bytes; decoded texts in GBK):
the decoded subject, the decoded body bytes, the raw From, To, Cc, Reply-To, MIME-Version,
Content-Type and Content-Transfer-Encoding fields, the To field's display names
(decoded) and addresses, joined by "|", whether a Bcc field exists, and whether the Date field parses.
"""
import email
import email.header
import email.utils
import sys


def emit(name, data):
    print(name + "\t" + data.hex())


def decoded(value):
    return str(email.header.make_header(email.header.decode_header(value)))


def main():
    with open(sys.argv[1], "rb") as source:
        message = email.message_from_bytes(source.read())
    emit("subject", decoded(message["Subject"]).encode("gbk"))
    emit("body", message.get_payload(decode=True))
    for field in ("From", "To", "Cc", "Reply-To", "MIME-Version", "Content-Type",
                  "Content-Transfer-Encoding"):
        emit(field.lower(), (message[field] or "").encode("ascii", "replace"))
    recipients = email.utils.getaddresses([message["To"]])
    emit("to-names", "|".join(decoded(name) for name, _ in recipients).encode("gbk"))
    emit("to-addresses", "|".join(address for _, address in recipients).encode("ascii"))
    emit("has-bcc", b"1" if message["Bcc"] is not None else b"0")
    date_ok = False
    try:
        date_ok = email.utils.parsedate_to_datetime(message["Date"]) is not None
    except (TypeError, ValueError):
        pass
    emit("date-ok", b"1" if date_ok else b"0")


if __name__ == "__main__":
    main()
