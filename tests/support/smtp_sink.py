"""A real SMTP server for the mail tests: aiosmtpd on a free loopback port.

Usage: smtp_sink.py FOLDER. Prints the port on its first line once the server listens, stores
each accepted message as FOLDER/messageN.eml (the envelope in messageN.envelope), and stops when
its standard input closes.
"""
import os
import socket
import sys

from aiosmtpd.controller import Controller


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
        # Written beside, then renamed: a reader never sees half a message.
        with open(base + ".part", "wb") as out:
            out.write(envelope.content)
        os.rename(base + ".part", base + ".eml")
        return "250 Message accepted for delivery"


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    folder = sys.argv[1]
    port = free_port()
    controller = Controller(Store(folder), hostname="127.0.0.1", port=port)
    controller.start()
    print(port, flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
