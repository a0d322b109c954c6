#!/usr/bin/env python3
"""Python's email package in the attachment bench: parse the message file and write every
part that has a file name, decoded, into the folder under the last component of that name.
Prints the wall time in seconds and the number of bytes written."""
import email
import email.policy
import os
import sys
import time


def main(path, folder):
    start = time.perf_counter()
    with open(path, "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.compat32)
    written = 0
    for part in msg.walk():
        name = part.get_filename()
        if not name or part.is_multipart():
            continue
        data = part.get_payload(decode=True) or b""
        with open(os.path.join(folder, os.path.basename(name)), "wb") as out:
            out.write(data)
        written += len(data)
    print(f"{time.perf_counter() - start:.6f} {written}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
