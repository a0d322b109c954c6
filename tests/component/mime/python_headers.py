#!/usr/bin/env python3
"""Reference answers from Python's standard email package for the header questions that
POPMSG answers: subject, sender name and address, first recipient address.

Usage: python_headers.py FILE...   One line per file, tab-separated:
    path, subject, from name, from address, first To address
each value as the hex of its UTF-8 bytes, or "-" where the designed reading and RFC parsing
are known to differ, so that the value is not compared:

- any header value holding raw 8-bit bytes: Python keeps them as surrogate escapes, the
  component reads them as Windows-1252 at the interface;
- From or To with a comment in parentheses: RFC parsing drops comments, the component keeps
  the text as written ('a@b (Ann)' is one bare address);
- From with more than one address, or a group (':' syntax), and To whose first piece holds
  a double quote (the component cuts at every comma, quoted or not) or is a group;
- a quoted display name with backslash escapes (kept as written by the component);
- an encoded word in a charset Python cannot decode.
White space is compared collapsed: the component joins folded lines and turns tabs into
spaces, Python keeps the folding as it stands.
"""
import email
import email.header
import email.utils
import sys

SKIP = "-"


def hexed(text):
    return text.encode("utf-8", "surrogatepass").hex()


def collapse(text):
    return " ".join(text.split())


def raw_value(msg, name):
    value = msg.get(name)
    if value is None:
        return ""
    if isinstance(value, email.header.Header):
        return SKIP  # undecodable bytes became a Header object
    if any(ord(c) > 127 for c in value):
        return SKIP
    return str(value)


def decoded(text):
    try:
        return str(email.header.make_header(email.header.decode_header(text)))
    except (LookupError, email.errors.HeaderParseError, UnicodeError):
        return SKIP


def subject_of(msg):
    raw = raw_value(msg, "Subject")
    if raw == SKIP:
        return SKIP
    value = decoded(raw)
    return value if value == SKIP else collapse(value)


def sender_of(msg):
    raw = raw_value(msg, "From")
    if not raw.strip():
        return raw.strip(), raw.strip()
    if raw == SKIP or "(" in raw or ":" in raw or "\\" in raw:
        return SKIP, SKIP
    pairs = email.utils.getaddresses([raw])
    if len(pairs) != 1 or raw.count('"') not in (0, 2):
        return SKIP, SKIP
    name, address = email.utils.parseaddr(raw)
    name = decoded(name) if name else address
    if name == SKIP:
        return SKIP, SKIP
    return collapse(name), address


def first_recipient_of(msg):
    raw = raw_value(msg, "To")
    if raw == SKIP:
        return SKIP
    if not raw.strip():
        return ""
    first = raw.split(",")[0]
    if '"' in first or "(" in first or ":" in first:
        return SKIP
    pairs = email.utils.getaddresses([first])
    return pairs[0][1] if pairs else SKIP


def main(paths):
    for path in paths:
        with open(path, "rb") as f:
            msg = email.message_from_bytes(f.read())
        name, address = sender_of(msg)
        fields = [subject_of(msg), name, address, first_recipient_of(msg)]
        print("\t".join([path] + [v if v == SKIP else hexed(v) for v in fields]))


if __name__ == "__main__":
    main(sys.argv[1:])
