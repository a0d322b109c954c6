#!/usr/bin/env python3
"""The demo POP3 server against the standard library's poplib, every command of RFC 1939.

Usage: poplib_check.py SERVER_PROGRAM MAILBOX_FOLDER
The mailbox is copied into a scratch folder; the server program is started on it with a
free port, which it prints on its first line.
"""
import hashlib
import os
import poplib
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

SERVER = None
SAMPLES = None

EXTRA = {
    # A line that begins with a dot, and a message without a final line end.
    "90-dots.eml": b"From: dots@example.net\r\nSubject: dots\r\n\r\n.hidden\r\n..two\r\nend",
    # Bare LF line ends are served as CR LF.
    "91-lf.eml": b"From: lf@example.net\nSubject: lf\n\nline one\nline two\n",
}


class DemoServerPoplib(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="poplib-check-")
        self.folder = os.path.join(self.scratch, "mailbox")
        shutil.copytree(SAMPLES, self.folder)
        for name, data in EXTRA.items():
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(data)
        self.names = sorted(n for n in os.listdir(self.folder) if not n.startswith("."))
        self.sizes = []
        for n in self.names:
            with open(os.path.join(self.folder, n), "rb") as f:
                data = f.read()
            data = re.sub(rb"\r\n|\r|\n", b"\r\n", data)
            self.sizes.append(len(data))
        self.server = subprocess.Popen(
            [SERVER, "--folder", self.folder, "--port", "0", "--user", "alice",
             "--password", "s3cret pass"],
            stdout=subprocess.PIPE, text=True)
        first = self.server.stdout.readline()
        m = re.search(r"127\.0\.0\.1:(\d+)", first)
        self.assertIsNotNone(m, first)
        self.port = int(m.group(1))
        self.clients = []

    def tearDown(self):
        for c in self.clients:
            try:
                c.close()
            except OSError:
                pass
        self.server.terminate()
        self.assertEqual(self.server.wait(timeout=10), 0)
        shutil.rmtree(self.scratch)

    def connect(self):
        c = poplib.POP3("127.0.0.1", self.port, timeout=10)
        self.clients.append(c)
        return c

    def login(self):
        c = self.connect()
        c.user("alice")
        c.pass_("s3cret pass")
        return c

    def left(self):
        return sorted(os.listdir(self.folder))

    def test_user_pass_and_stat(self):
        c = self.login()
        self.assertEqual(c.stat(), (len(self.names), sum(self.sizes)))

    def test_wrong_password_and_pass_without_user(self):
        c = self.connect()
        with self.assertRaises(poplib.error_proto):
            c.pass_("s3cret pass")
        c.user("alice")
        with self.assertRaises(poplib.error_proto):
            c.pass_("wrong")
        with self.assertRaises(poplib.error_proto):
            c.stat()  # still not logged in
        c.user("alice")
        c.pass_("s3cret pass")
        self.assertEqual(c.stat()[0], len(self.names))

    def test_apop(self):
        c = self.connect()
        self.assertRegex(c.getwelcome(), rb"<[^<>]+@[^<>]+>")
        c.apop("alice", "s3cret pass")
        self.assertEqual(c.stat()[0], len(self.names))

    def test_apop_digest_is_checked(self):
        c = self.connect()
        stamp = re.search(rb"<[^<>]*>", c.getwelcome()).group(0)
        wrong = hashlib.md5(stamp + b"not the secret").hexdigest()
        with self.assertRaises(poplib.error_proto):
            c._shortcmd("APOP alice " + wrong)
        right = hashlib.md5(stamp + b"s3cret pass").hexdigest().upper()
        self.assertTrue(c._shortcmd("APOP alice " + right).startswith(b"+OK"))

    def test_list_all_and_one(self):
        c = self.login()
        _, lines, _ = c.list()
        self.assertEqual(lines, [b"%d %d" % (i + 1, s) for i, s in enumerate(self.sizes)])
        self.assertEqual(c.list(3), b"+OK 3 %d" % self.sizes[2])
        with self.assertRaises(poplib.error_proto):
            c.list(len(self.names) + 1)

    def test_uidl_all_and_one(self):
        c = self.login()
        _, lines, _ = c.uidl()
        uids = [line.split(b" ", 1)[1] for line in lines]
        self.assertEqual(uids, [n.encode() for n in self.names])
        self.assertEqual(c.uidl(2), b"+OK 2 " + self.names[1].encode())

    def test_retr_serves_the_file_with_crlf(self):
        c = self.login()
        for i, name in enumerate(self.names, 1):
            _, lines, octets = c.retr(i)
            with open(os.path.join(self.folder, name), "rb") as f:
                want = re.sub(rb"\r\n|\r|\n", b"\r\n", f.read())
            if not want.endswith(b"\r\n"):
                want += b"\r\n"
            self.assertEqual(b"\r\n".join(lines) + b"\r\n", want, name)

    def test_retr_undoes_dot_stuffing(self):
        c = self.login()
        n = self.names.index("90-dots.eml") + 1
        _, lines, _ = c.retr(n)
        self.assertEqual(lines[-3:], [b".hidden", b"..two", b"end"])

    def test_top(self):
        c = self.login()
        n = self.names.index("91-lf.eml") + 1
        self.assertEqual(c.top(n, 0)[1], [b"From: lf@example.net", b"Subject: lf", b""])
        self.assertEqual(c.top(n, 1)[1][-1], b"line one")
        self.assertEqual(c.top(n, 99)[1][-2:], [b"line one", b"line two"])
        with self.assertRaises(poplib.error_proto):
            c._shortcmd("TOP %d -1" % n)

    def test_dele_applied_at_quit(self):
        c = self.login()
        c.dele(1)
        c.dele(3)
        with self.assertRaises(poplib.error_proto):
            c.dele(1)  # already deleted
        with self.assertRaises(poplib.error_proto):
            c.retr(1)
        self.assertEqual(c.stat(), (len(self.names) - 2, sum(self.sizes) - self.sizes[0] - self.sizes[2]))
        self.assertEqual(self.left(), self.names)  # nothing removed before QUIT
        c.quit()
        self.assertEqual(self.left(), [n for i, n in enumerate(self.names) if i not in (0, 2)])
        # Numbers are given afresh in the next session.
        c2 = self.login()
        self.assertEqual(c2.stat()[0], len(self.names) - 2)

    def test_rset_unmarks(self):
        c = self.login()
        c.dele(2)
        self.assertTrue(c.rset().startswith(b"+OK"))
        self.assertEqual(c.stat()[0], len(self.names))
        c.quit()
        self.assertEqual(self.left(), self.names)

    def test_noop(self):
        c = self.login()
        self.assertTrue(c.noop().startswith(b"+OK"))

    def test_drop_without_quit_deletes_nothing(self):
        c = self.login()
        c.dele(1)
        c.sock.shutdown(socket.SHUT_RDWR)
        c.sock.close()
        self.clients.remove(c)
        # The lock is released once the server has seen the drop.
        for _ in range(50):
            c2 = self.connect()
            c2.user("alice")
            try:
                c2.pass_("s3cret pass")
                break
            except poplib.error_proto:
                self.clients.remove(c2)
                import time
                time.sleep(0.1)
        self.assertEqual(c2.stat()[0], len(self.names))
        self.assertEqual(self.left(), self.names)

    def test_second_session_is_locked_out(self):
        self.login()
        c2 = self.connect()
        c2.user("alice")
        with self.assertRaisesRegex(poplib.error_proto, "locked"):
            c2.pass_("s3cret pass")

    def test_quit_before_login(self):
        c = self.connect()
        self.assertTrue(c.quit().startswith(b"+OK"))
        self.assertEqual(self.left(), self.names)


if __name__ == "__main__":
    SERVER, SAMPLES = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"])
