#!/usr/bin/python3
"""A real SMTP server for the mail client's tests: aiosmtpd on 127.0.0.1 and a free port,
AUTH LOGIN and PLAIN allowed over plain text for one user.

Prints the port on the first line of standard output, then stores each accepted message
as DIR/N.eml (the raw data) and DIR/N.envelope (MAIL FROM, then one RCPT TO address per
line), N counting from 1. Both files appear complete (written beside and renamed).
Exits when killed, or after --lifetime seconds so a forgotten server never lingers.
"""
import argparse
import asyncio
import os
import socket

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def write_atomically(path, data):
    with open(path + ".part", "wb") as out:
        out.write(data)
    os.replace(path + ".part", path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--exclude-mechanism", action="append", default=[])
    parser.add_argument("--lifetime", type=float, default=120.0)
    args = parser.parse_args()

    class Handler:
        count = 0

        async def handle_DATA(self, server, session, envelope):
            Handler.count += 1
            base = os.path.join(args.dir, str(Handler.count))
            write_atomically(base + ".eml", envelope.original_content or envelope.content)
            lines = [envelope.mail_from] + list(envelope.rcpt_tos)
            write_atomically(base + ".envelope", ("\n".join(lines) + "\n").encode())
            return "250 Message accepted"

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)

    async def serve():
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        loop = asyncio.get_running_loop()
        server = await loop.create_server(
            lambda: SMTP(Handler(), hostname="capture.test", authenticator=authenticator,
                         auth_require_tls=False,
                         auth_exclude_mechanism=args.exclude_mechanism),
            sock=listener)
        print(listener.getsockname()[1], flush=True)
        async with server:
            await asyncio.sleep(args.lifetime)

    asyncio.run(serve())


if __name__ == "__main__":
    main()
