"""Reads a stored mail with Python's email package and prints what a recipient would see.

Usage: mail_inspect.py MESSAGE.eml [ATTACHMENT-FILE]. One "key<TAB>value" per line; line breaks
inside values are written as \\n.
"""
import email
import email.policy
import sys


def show(key, value):
    text = str(value).replace("\r", "\\r").replace("\n", "\\n")
    print("%s\t%s" % (key, text))


def main():
    with open(sys.argv[1], "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.default)
    show("from", message["From"])
    show("to", message["To"])
    show("subject", message["Subject"])
    show("content_type", message.get_content_type())
    show("defects", len(message.defects))
    parts = list(message.iter_parts()) if message.is_multipart() else [message]
    show("parts", len(parts))
    for number, part in enumerate(parts, start=1):
        prefix = "part%d_" % number
        show(prefix + "type", part.get_content_type())
        show(prefix + "encoding", part.get("Content-Transfer-Encoding", ""))
        show(prefix + "defects", len(part.defects))
        if part.get_content_maintype() == "text":
            show(prefix + "text", part.get_content())
        else:
            payload = part.get_payload(decode=True)
            show(prefix + "name", part.get_param("name"))
            show(prefix + "filename", part.get_filename())
            show(prefix + "disposition", part.get_content_disposition())
            show(prefix + "size", len(payload))
            if len(sys.argv) > 2:
                with open(sys.argv[2], "rb") as original:
                    show(prefix + "same_bytes", "yes" if original.read() == payload else "no")


if __name__ == "__main__":
    main()
