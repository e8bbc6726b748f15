"""The local export server's command line, certificate files and exact broken bytes: what the end-to-end
tests of the plug-in do not reach."""

import os
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

SCRIPT = os.path.join(os.path.dirname(__file__), "../../../tools/export-server/export_server.py")
CERT_FILES = ["ca.der"] + [f"{stem}.{kind}" for stem in ("ca", "localhost", "wronghost", "expired")
                          for kind in ("pem", "key")]
EXPORT = "/export/export/export.php?type=0001&usr="


def run(*args):
    return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True, timeout=30)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class CommandLineTest(unittest.TestCase):
    def test_help_lists_every_scenario_and_control(self):
        done = run("--help")
        self.assertEqual(done.returncode, 0)
        for name in ["4711", "xml-N", "bytes", "err001..err008", "err003-xml", "err003-001", "noack",
                     "reset-err001..reset-err008", "reset-refused",
                     "httpNNN", "http407", "empty", "short", "chunked-cut", "nolength", "badlength", "slow",
                     "hang", "close", "body-stall", "head-cut", "badstatus", "neglength", "bighead",
                     "(anything else)", "/control?wronghost=1", "/control?expired=1"]:
            self.assertIn(f" {name} ", done.stdout.replace("\n", " "))

    def test_bad_arguments_exit_with_a_message(self):
        cases = [([], "--port is required"),
                 (["--port", "1"], "--cert-dir is required"),
                 (["--port", "1", "--cert-dir", "c", "--fixed-certs", "f"], "do not go together"),
                 (["--port", "1", "--fixed-certs="], "--fixed-certs must not be empty"),
                 (["--port"], "--port needs a value"),
                 (["--port=0", "--cert-dir=c"], "--port must be a number from 1 to 65535, not '0'"),
                 (["--port", "12ab", "--cert-dir", "c"], "not '12ab'"),
                 (["--port", "1", "--cert-dir", "c", "--verbose"], "unknown argument '--verbose'"),
                 (["--port", "1", "--help", "--cert-dir="], "--cert-dir must not be empty"),
                 (["--port", "1", "--cert-dir", "c", "--proxy-port", "1"], "--proxy-port must differ"),
                 (["--port", "1", "--cert-dir", "c", "--proxy-credentials", "nocolon"], "USER:PASS"),
                 (["--port", "1", "--cert-dir", "c", "--log", ""], "--log must not be empty"),
                 (["--port", "65536", "--cert-dir", "c", "--proxy-port", "2"], "not '65536'")]
        for args, message in cases:
            with self.subTest(args=args):
                done = run(*args)
                self.assertEqual(done.returncode, 2)
                self.assertIn(message, done.stderr)
                self.assertEqual(done.stdout, "")


class RunningServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.certs = os.path.join(cls.dir.name, "certs")
        cls.server, cls.port = cls.start()

    @classmethod
    def tearDownClass(cls):
        cls.stop(cls.server)
        cls.dir.cleanup()

    @staticmethod
    def stop(server):
        server.terminate()
        server.wait(10)
        server.stdout.close()

    @classmethod
    def start(cls):
        port = free_port()
        server = subprocess.Popen([sys.executable, SCRIPT, "--port", str(port), "--cert-dir", cls.certs,
                                   "--log", os.path.join(cls.dir.name, "requests.log")],
                                  stdout=subprocess.PIPE, text=True)
        if server.stdout.readline() != "ready\n":
            cls.stop(server)
            raise RuntimeError("the export server did not start")
        return server, port

    def fetch(self, target, window=10.0):
        """Raw answer bytes, and whether the server closed the connection within the window."""
        context = ssl.create_default_context(cafile=os.path.join(self.certs, "ca.pem"))
        with context.wrap_socket(socket.create_connection(("127.0.0.1", self.port)),
                                 server_hostname="localhost") as conn:
            conn.sendall(f"GET {target} HTTP/1.1\r\nHost: localhost\r\n\r\n".encode())
            data, deadline = bytearray(), time.monotonic() + window
            while (left := deadline - time.monotonic()) > 0:
                conn.settimeout(left)
                try:
                    chunk = conn.recv(1 << 20)
                except TimeoutError:
                    break
                if not chunk:
                    return bytes(data), True
                data += chunk
            return bytes(data), False

    def test_certificates_are_created_once_and_reused(self):
        before = {name: Path(self.certs, name).read_bytes() for name in CERT_FILES}
        self.assertEqual(before["ca.der"], ssl.PEM_cert_to_DER_cert(before["ca.pem"].decode()))
        for key in [name for name in CERT_FILES if name.endswith(".key")]:
            self.assertEqual(os.stat(os.path.join(self.certs, key)).st_mode & 0o077, 0, key)
        second, _ = self.start()  # the port differs; the directory is the same
        self.stop(second)
        after = {name: Path(self.certs, name).read_bytes() for name in CERT_FILES}
        self.assertEqual(before, after)

    def test_one_shot_certificates_fail_verification_once(self):
        for control, complaint in [("wronghost", "Hostname mismatch"), ("expired", "has expired")]:
            with self.subTest(control=control):
                self.assertTrue(self.fetch(f"/control?{control}=1")[0].endswith(b"\r\n\r\nok"))
                with self.assertRaisesRegex(ssl.SSLCertVerificationError, complaint):
                    self.fetch("/control")
                self.assertIn(b" 400 ", self.fetch("/control")[0])

    def test_generated_exports_have_the_exact_size(self):
        for usr, size in [("xml-0", 128), ("xml-127", 128), ("xml-129", 129), ("xml-1K", 1024),
                          ("xml-65597", 65597), ("xml-3m", 3 * 1024 * 1024), ("xml-1048583", 1048583)]:
            with self.subTest(usr=usr):
                data, closed = self.fetch(EXPORT + usr)
                head, _, body = data.partition(b"\r\n\r\n")
                self.assertTrue(closed)
                self.assertIn(f"\r\nContent-Length: {size}\r\n".encode(), head)
                self.assertEqual(len(body), size)
                self.assertTrue(body.startswith(b'<?xml version="1.0" encoding="windows-1252"?>\r\n<export>'))
                self.assertTrue(body.endswith(b"</export>"))
                self.assertEqual(body.count(b"<record "), body.count(b"/>\r\n"))

    def test_broken_answers_send_the_intended_bytes(self):
        ok, headers = b"HTTP/1.1 200 OK\r\n", b"Content-Type: text/xml; charset=windows-1252\r\n"
        framing = headers + b"Content-Length: %s\r\nConnection: close\r\n\r\n"
        cases = [  # usr, the answer up to the body (or, with a minimum head size, how it starts), body size
            ("badstatus", b"garbage status line\r\n" + framing % b"5000", 0, 5000),
            ("neglength", ok + framing % b"-5000", 0, 5000),
            ("head-cut", ok + headers + b"Content-Len", 0, 0),
            ("bighead", ok + framing[:-2] % b"5000" + b"X-Padding-00000: xxx", 10 << 20, 5000),
            ("body-stall", ok + framing % b"100000", 0, 1000)]  # and then holds the connection open
        for usr, start, min_head, body_size in cases:
            with self.subTest(usr=usr):
                data, closed = self.fetch(EXPORT + usr, window=1.0 if usr == "body-stall" else 30)
                self.assertTrue(data.startswith(start), data[:200])
                head, _, body = data.partition(b"\r\n\r\n")
                self.assertEqual(len(body), body_size)
                self.assertEqual(closed, usr != "body-stall")
                if min_head:
                    self.assertGreaterEqual(len(head), min_head)
                else:
                    self.assertEqual(len(data), len(start) + body_size)


class FixedCertificatesTest(unittest.TestCase):
    """The test kit's server: the certificates kept in the repository, as they are, without the openssl
    command; both loopback addresses; the kit CA's name constraints as anyone can read them."""

    KIT_CERTS = Path(__file__).resolve().parents[3] / "tools" / "testkit" / "certs"

    def test_serves_the_kit_certificate_on_both_loopback_addresses_without_openssl(self):
        port = free_port()
        # No PATH at all: an openssl the server tried to run would not be found.
        server = subprocess.Popen([sys.executable, SCRIPT, "--port", str(port), "--fixed-certs",
                                   str(self.KIT_CERTS)], stdout=subprocess.PIPE, text=True, env={})
        try:
            self.assertEqual(server.stdout.readline(), "ready\n")
            context = ssl.create_default_context(cafile=str(self.KIT_CERTS / "ca.pem"))
            for address in ("127.0.0.1", "::1"):
                with self.subTest(address=address):
                    with context.wrap_socket(socket.create_connection((address, port)),
                                             server_hostname="localhost") as conn:
                        conn.sendall(b"GET /control?wronghost=1 HTTP/1.1\r\nHost: localhost\r\n\r\n")
                        self.assertIn(b" 404 ", conn.recv(4096), "no one-shot certificate in the kit")
        finally:
            server.terminate()
            server.wait(10)
            server.stdout.close()

    def test_the_kit_ca_can_sign_for_loopback_names_only(self):
        text = subprocess.run(["openssl", "x509", "-noout", "-text", "-in", str(self.KIT_CERTS / "ca.pem")],
                              capture_output=True, text=True, check=True).stdout
        self.assertRegex(text, r"Basic Constraints: critical\s+CA:TRUE, pathlen:0")
        self.assertRegex(text, r"Name Constraints: critical\s+Permitted:\s+DNS:localhost\s+"
                               r"IP:127.0.0.1/255.255.255.255\s+IP:0:0:0:0:0:0:0:1/FFFF(:FFFF){7}\s")
        self.assertNotIn("Excluded", text)


if __name__ == "__main__":
    unittest.main()
