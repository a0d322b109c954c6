#!/usr/bin/env python3
"""Reference answers from Python's standard email package for the body and attachment
questions that POPMSG answers: body format, attachment count, and per attachment its name,
content type and decoded size.

Usage: python_parts.py FILE...   One line per file, tab-separated:
    path, body format, attachment count, attachments
where attachments is a ";"-joined list of "name,type,size" (name and type as the hex of their
UTF-8 bytes). Python parses the MIME structure by the RFCs; the designed rules that classify
the leaf parts (a text body is a part without Content-Type, or "text/plain" or "text" without
a "name" parameter and without a Content-Disposition unless it has a Subject; an HTML body is
"text/html" without a name; everything else that is not empty is an attachment) are applied
to Python's leaves. "-" marks a value that is not compared because the designed reading and
RFC parsing differ there:

- a message Python reports defects for (a boundary that never occurs, a part without
  headers...): Python recovers by its own rules, the design by its own;
- the body format of a message with an epilogue that holds text: the design makes the
  epilogue one more (plain-text) part, RFC parsing drops it;
- a single-part message with a uuencoded block: the design makes it an attachment;
- a name given with RFC 2231 parameters ("name*="), which the design does not read;
- the size of an attachment that is not base64: the design's part runs up to the next
  delimiter and so keeps the line break before it, which RFC parsing gives to the delimiter.
"""
import email
import email.header
import sys

SKIP = "-"


def hexed(text):
    return text.encode("utf-8", "surrogatepass").hex()


def has_text(tail):
    return any(c not in "\r\n -." for c in tail or "")


def leaves(part, out, state):
    if part.get_content_maintype() == "multipart" and isinstance(part.get_payload(), list):
        for sub in part.get_payload():
            leaves(sub, out, state)
        if has_text(part.epilogue):
            state["epilogue"] = True
    else:
        out.append(part)


def defects(msg):
    return any(p.defects for p in msg.walk())


def main_type(part):
    raw = part.get("Content-Type")
    return "" if raw is None else str(raw).split(";")[0].strip()


def given_name(part):
    if any(k.endswith("*") or "*" in k for k, _ in (part.get_params() or []) + (part.get_params(header="content-disposition") or [])):
        return SKIP
    name = part.get_param("name")
    if not name:
        name = part.get_param("filename", header="content-disposition")
    if not name:
        return ""
    if isinstance(name, tuple):
        return SKIP
    return str(email.header.make_header(email.header.decode_header(name)))


def is_text(part):
    kind = main_type(part)
    if not kind:
        return True
    if part.get_param("name"):
        return False
    return kind.lower() in ("text/plain", "text") and (part.get("Content-Disposition") is None or part.get("Subject") is not None)


def is_html(part):
    return not part.get_param("name") and main_type(part).lower() == "text/html"


def fallback_name(part, index):
    if part.get_content_type() == "message/rfc822" and isinstance(part.get_payload(), list):
        inner = part.get_payload(0)
    else:
        inner = email.message_from_bytes(part.get_payload(decode=True) or b"")
    subject = inner.get("Subject")
    if subject:
        text = str(email.header.make_header(email.header.decode_header(str(subject))))
        text = " ".join(text.split("\r\n")).strip()
        for c in '\\/:*?"<>|':
            text = text.replace(c, "_")
        return text + ".eml"
    return "ATTACHMENT_%03d.DAT" % index


def describe(path):
    with open(path, "rb") as f:
        raw = f.read()
    msg = email.message_from_bytes(raw)
    if defects(msg):
        return [SKIP, SKIP, SKIP]
    parts, state = [], {"epilogue": False}
    leaves(msg, parts, state)
    if len(parts) == 1 and b"\r\n\r\nbegin" in raw and b"`\r\nend" in raw:
        return [SKIP, SKIP, SKIP]
    text = any(is_text(p) for p in parts)
    html = any(is_html(p) for p in parts if not is_text(p))
    fmt = (2 if text else 1) if html else 0
    attachments = [p for p in parts if not is_text(p) and not is_html(p) and p.as_bytes()]
    described = []
    for index, part in enumerate(attachments):
        name = given_name(part)
        if name == "":
            name = fallback_name(part, index)
        encoding = str(part.get("Content-Transfer-Encoding", "")).strip().lower()
        size = str(len(part.get_payload(decode=True))) if encoding == "base64" else SKIP
        described.append(",".join([name if name == SKIP else hexed(name), hexed(main_type(part).lower()), size]))
    return [SKIP if state["epilogue"] else str(fmt), str(len(attachments)), ";".join(described)]


def main(paths):
    for path in paths:
        print("\t".join([path] + describe(path)))


if __name__ == "__main__":
    main(sys.argv[1:])
