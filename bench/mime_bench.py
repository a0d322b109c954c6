#!/usr/bin/env python3
"""Python's email package in the message-parser bench: parse each listed file and ask the
subject (decoded), sender name and address, first To address and date. Prints the wall time
in seconds and the total length of the answers."""
import email
import email.header
import email.policy
import email.utils
import sys
import time


def decoded(text):
    try:
        return str(email.header.make_header(email.header.decode_header(text)))
    except Exception:
        return text


def main(list_file):
    with open(list_file) as f:
        paths = [line.rstrip("\n") for line in f if line.strip()]
    total = 0
    start = time.perf_counter()
    for path in paths:
        with open(path, "rb") as f:
            msg = email.message_from_binary_file(f, policy=email.policy.compat32)
        subject = decoded(msg.get("Subject", ""))
        name, address = email.utils.parseaddr(msg.get("From", ""))
        name = decoded(name) if name else address
        to = email.utils.getaddresses([msg.get("To", "")])
        first = to[0][1] if to else ""
        date = msg.get("Date", "")
        total += len(subject) + len(name) + len(address) + len(first) + len(date)
    print(f"{time.perf_counter() - start:.6f} {total}")


if __name__ == "__main__":
    main(sys.argv[1])
