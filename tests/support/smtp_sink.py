"""A real SMTP server for the mail tests: aiosmtpd on a free loopback port.

Usage: smtp_sink.py FOLDER [--starttls CERT KEY | --tls CERT KEY] [--login USER PASSWORD].
Prints the port on its first line once the server listens, stores each accepted message as
FOLDER/messageN.eml (the envelope in messageN.envelope), and stops when its standard input closes.

--starttls: STARTTLS offered and required before anything else; --tls: TLS from the first byte.
--login: AUTH required, only USER with PASSWORD accepted; the envelope gains a line
"auth USER" for a message sent after a login.
"""
import logging
import os
import socket
import ssl
import sys
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "message%d" % self.count)
        with open(base + ".envelope", "w", encoding="utf-8") as out:
            out.write(envelope.mail_from + "\n")
            out.write("\n".join(envelope.rcpt_tos) + "\n")
            if session.authenticated:
                out.write("auth %s\n" % session.auth_data)
        # Written beside, then renamed: a reader never sees half a message.
        with open(base + ".part", "wb") as out:
            out.write(envelope.content)
        os.rename(base + ".part", base + ".eml")
        return "250 Message accepted for delivery"


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def checker(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        if (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode()
                and auth_data.password == password.encode()):
            return AuthResult(success=True, auth_data=user)
        return AuthResult(success=False, handled=False)
    return authenticate


def main():
    # The TLS-from-the-first-byte server asks for AUTH without STARTTLS, which aiosmtpd warns of.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    folder = sys.argv[1]
    options = {}
    args = sys.argv[2:]
    while args:
        if args[0] in ("--starttls", "--tls"):
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(args[1], args[2])
            if args[0] == "--starttls":
                options.update(tls_context=context, require_starttls=True)
            else:
                options.update(ssl_context=context)
            args = args[3:]
        elif args[0] == "--login":
            options.update(auth_required=True, authenticator=checker(args[1], args[2]),
                           auth_require_tls="tls_context" in options)
            args = args[3:]
        else:
            sys.exit("smtp_sink.py: unknown option " + args[0])
    port = free_port()
    controller = Controller(Store(folder), hostname="127.0.0.1", port=port, **options)
    controller.start()
    print(port, flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
