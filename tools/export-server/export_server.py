#!/usr/bin/python3
"""Local stand-in for the kalvento export server: HTTPS on 127.0.0.1 and ::1, user numbers pick scripted answers.
Python's standard library only; the openssl command only to make test certificates (never with --fixed-certs)."""

import os
import re
import select
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, replace
from datetime import datetime, timedelta, timezone
from functools import cache
from pathlib import Path
from types import SimpleNamespace
from urllib.parse import unquote_to_bytes

EXPORT_PATH = "/export/export/export.php"
CONTROL_PATH = "/control"
XML_TYPE = "text/xml; charset=windows-1252"
TEXT_TYPE = "text/plain; charset=windows-1252"

HANDSHAKE_SECONDS = 30
HEAD_SECONDS = 60
WRITE_IDLE_SECONDS = 60  # a client that accepts nothing for this long is given up
LINGER_SECONDS = 1.0
MAX_HEAD_BYTES = 64 * 1024  # the client never sends more than a few hundred bytes
HEAD_END = re.compile(rb"\n\r?\n")

REASONS = {200: "OK", 400: "Bad Request", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
           405: "Method Not Allowed", 407: "Proxy Authentication Required",
           431: "Request Header Fields Too Large", 500: "Internal Server Error", 503: "Service Unavailable"}

# ---------------------------------------------------------------------------------------------------------
# Texts and exports. All of them are windows-1252; latin-1 maps the characters used here to the same bytes.

RESET_ACK = "007 Exportstatus zurueckgesetzt\r\n"
# Each text holds its own marker only and never the word XML, so the client cannot mistake it for another.
ERRORS = {1: "ERROR 001 Login fehlgeschlagen\r\n", 2: "ERROR 002 User unbekannt\r\n",
          3: "ERROR 003 Passwort nicht korrekt\r\n", 4: "ERROR 004\r\n",
          5: "ERROR 005 Keine aktuellen Daten vorhanden\r\n", 6: "ERROR 006 Export nicht vollstaendig\r\n",
          7: "ERROR 007\r\n", 8: "ERROR 008 Datenbankfehler\r\n"}
RESET_REFUSED = "Exportstatus nicht zurueckgesetzt\r\n"
TWO_ERROR_CODES = "ERROR 003 Passwort nicht korrekt, ERROR 001 Login fehlgeschlagen\r\n"

DECLARATION = '<?xml version="1.0" encoding="windows-1252"?>\r\n'
# A NUL, 0xFF, CR LF and a windows-1252 u-umlaut inside the root element.
BYTES_EXPORT = DECLARATION + "<export>\x00\xff\r\n\xfc</export>\r\n"
# An export whose data happens to contain 003; the client must take it as success.
ERROR_CODE_IN_XML_DATA = DECLARATION + (
    '<export kind="complete">\r\n'
    '  <depot number="003" owner="Demo Kunde" currency="EUR">\r\n'
    '    <fund isin="DE000KLV1011" name="Kalvento Rentenfonds 003" price="48.12">\r\n'
    '      <transaction date="02.01.2023" kind="Kauf" shares="3.003" price="47.20" amount="141.74"'
    ' note="ERROR 003"/>\r\n'
    "    </fund>\r\n  </depot>\r\n</export>\r\n")

# The demo account's funds: isin, name, price, transactions as "date kind shares price amount".
DEMO_FUNDS = [
    ("DE000KLV1011", "Kalvento Rentenfonds", "48.12", [
        "02.01.2023 Kauf 12.500 47.20 590.00", "01.03.2023 Sparplan 2.114 47.30 100.00",
        "03.04.2023 Sparplan 2.096 47.71 100.00", "15.06.2023 Ausschuettung 0.000 47.95 12.36"]),
    ("DE000KLV2027", "Kalvento Aktien \xdcbersee", "131.40", [
        "16.01.2023 Kauf 4.000 118.25 473.00", "14.08.2023 Kauf 1.500 126.90 190.35",
        "20.11.2023 Verkauf -2.000 129.10 -258.20"]),
    ("DE000KLV3041", "Kalvento Geldmarkt", "101.07", [
        "05.05.2023 Kauf 9.900 100.21 992.08", "05.10.2023 Kauf 2.000 100.66 201.32"]),
    ("DE000KLV4059", "Kalvento Mischfonds", "72.85", [
        "01.07.2023 Sparplan 1.419 70.45 100.00", "01.08.2023 Sparplan 1.397 71.58 100.00",
        "01.09.2023 Sparplan 1.405 71.17 100.00", "01.10.2023 Sparplan 1.432 69.83 100.00",
        "01.11.2023 Sparplan 1.388 72.05 100.00"]),
]
XML_ESCAPES = str.maketrans({"&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&apos;"})


def demo_export(request):
    """A complete history, or a delta stamped with the dateto value; about 2 KB."""
    if request.type == "0004":
        root = f'<export kind="delta" dateto="{request.dateto.translate(XML_ESCAPES)}">\r\n'
    else:
        root = '<export kind="complete">\r\n'
    xml = DECLARATION + root
    xml += '  <depot number="4711-01" owner="Demo Kunde" city="M\xfcnchen" currency="EUR">\r\n'
    for isin, name, price, transactions in DEMO_FUNDS:
        xml += f'    <fund isin="{isin}" name="{name}" price="{price}" pricedate="29.12.2023">\r\n'
        for date, kind, shares, paid, amount in (t.split() for t in transactions):
            xml += (f'      <transaction date="{date}" kind="{kind}" shares="{shares}" price="{paid}"'
                    f' amount="{amount}"/>\r\n')
        xml += "    </fund>\r\n"
    return xml + "  </depot>\r\n</export>\r\n"


# Generated exports: declaration and root start tag, whole records, spaces, closing tag as the last bytes.
XML_PREFIX = (DECLARATION + "<export>\r\n").encode()
XML_RECORD = b'<record fund="KLV Rente" date="31.12.2023" value="123.45"/>\r\n'
XML_SUFFIX = b"</export>"
MIN_XML_BYTES = 128  # the declaration, the root element and one record always fit
# About 1 MiB of whole records, built once: large exports are written straight from it.
XML_BLOCK = memoryview(XML_RECORD * (1024 * 1024 // len(XML_RECORD)))


def generated_xml(size):
    """Yields an export of exactly max(size, 128) bytes in blocks, never holding it in memory as a whole."""
    fill = max(size, MIN_XML_BYTES) - len(XML_PREFIX) - len(XML_SUFFIX)
    records = fill // len(XML_RECORD) * len(XML_RECORD)
    yield XML_PREFIX
    for _ in range(records // len(XML_BLOCK)):
        yield XML_BLOCK
    yield XML_BLOCK[:records % len(XML_BLOCK)]
    yield b" " * (fill - records) + XML_SUFFIX


def xml_bytes(size):
    return b"".join(generated_xml(size))


@cache
def header_padding():
    """10 MiB of header lines, 1 KiB each."""
    line = "X-Padding-{:05d}: " + "x" * (1024 - len("X-Padding-00000: \r\n")) + "\r\n"
    return "".join(line.format(i) for i in range(10 * 1024)).encode()


# ---------------------------------------------------------------------------------------------------------
# Answers. The head is raw bytes, so a scenario can lie about anything in it.

@dataclass
class Answer:
    head: bytes
    body: object = b""      # bytes, or an iterable of blocks for large exports
    delivery: str = "send"  # send (then close) | trickle | stall (send, then hold) | hang
    arm: str = None         # certificate the next accepted TLS connection presents


def head(status, content_type, framing=(), extra=(), status_line=None):
    lines = [status_line or f"HTTP/1.1 {status} {REASONS.get(status, 'Unknown')}",
             f"Content-Type: {content_type}", *framing, "Connection: close", *extra]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


def framed(body, status=200, content_type=TEXT_TYPE, extra=()):
    body = body.encode("latin-1") if isinstance(body, str) else body
    return Answer(head(status, content_type, [f"Content-Length: {len(body)}"], extra), body)


def xml(body):
    return framed(body, content_type=XML_TYPE)


def export_5000(*framing, status_line=None):
    """A complete 5000-byte export whose framing headers (true, false or none) come from the scenario."""
    return Answer(head(200, XML_TYPE, framing, status_line=status_line), xml_bytes(5000))


def cut_export(delivery):
    """Announces 100000 bytes and sends the first 1000 of an export."""
    return Answer(head(200, XML_TYPE, ["Content-Length: 100000"]), xml_bytes(100000)[:1000], delivery)


def xml_size(match, request):
    digits = match[1].lstrip("0") or "0"
    size = int(digits) * {"": 1, "k": 1024, "m": 1024 * 1024}[match[2].lower()] if len(digits) < 21 else 2**64
    if size >= 2**64:
        return framed(ERRORS[2])  # a size beyond 64 bits names no scenario: an unknown user
    if request.reset:
        return framed(RESET_ACK)
    size = max(size, MIN_XML_BYTES)
    # Small ones go out with the head in one write, like every other short answer.
    return Answer(head(200, XML_TYPE, [f"Content-Length: {size}"]),
                  xml_bytes(size) if size <= 64 * 1024 else generated_xml(size))


def http_status(match, request):
    status = int(match[1])
    extra = ['Proxy-Authenticate: Basic realm="kalvento"'] if status == 407 else []
    return framed(REASONS[status] + "\r\n", status, extra=extra)


def demo_account(match, request):
    if request.pwd != "geheim":
        return framed(ERRORS[3])
    return framed(RESET_ACK) if request.reset else xml(demo_export(request))


def chunked_cut(match, request):
    """Three well-formed 1000-byte chunks of an export, then the close instead of the last chunk."""
    start = xml_bytes(100000)
    chunks = b"".join(b"3e8\r\n" + start[i:i + 1000] + b"\r\n" for i in range(0, 3000, 1000))
    return Answer(head(200, XML_TYPE, ["Transfer-Encoding: chunked"]), chunks)


def slow(match, request):
    size = 10 * 1024 * 1024
    return Answer(head(200, XML_TYPE, [f"Content-Length: {size}"]), xml_bytes(size), "trickle")


def padded_head(match, request):
    regular = head(200, XML_TYPE, ["Content-Length: 5000"])
    return Answer(regular[:-2] + header_padding() + b"\r\n", xml_bytes(5000))


# The scenarios: usr pattern (the whole value), name in --help, whether the reset (type 0003) is answered
# with 007 instead, the answer made from the pattern's match and the request, and the --help text.
# The type is checked before; a usr that matches no pattern is unknown.
SCENARIOS = [
    ("4711", "4711", False, demo_account,
     "demo account, pwd=geheim; small XML export, reset acknowledged with 007"),
    ("xml-([0-9]+)([KkMm]?)", "xml-N", False, xml_size,
     "XML export of exactly N bytes (K/M suffix, at least 128), streamed"),
    ("bytes", "bytes", True, lambda m, r: xml(BYTES_EXPORT),
     "short XML export holding the bytes 00 FF 0D 0A FC"),
    ("err00([1-8])", "err001..err008", True, lambda m, r: framed(ERRORS[int(m[1])]),
     "data requests answer ERROR 00N with a short text; reset gives 007"),
    ("err003-xml", "err003-xml", True, lambda m, r: xml(ERROR_CODE_IN_XML_DATA),
     "XML export that carries 003 inside its data"),
    ("err003-001", "err003-001", True, lambda m, r: framed(TWO_ERROR_CODES),
     "data requests answer a text carrying both 003 and 001"),
    ("noack", "noack", False, lambda m, r: framed(ERRORS[1]) if r.reset else xml(demo_export(r)),
     "reset answers ERROR 001 instead of 007; data requests get the demo export"),
    ("reset-err00([1-8])", "reset-err001..reset-err008", False,
     lambda m, r: framed(ERRORS[int(m[1])]) if r.reset else xml(demo_export(r)),
     "reset answers ERROR 00N (007 acknowledges); data requests get the demo export"),
    ("reset-refused", "reset-refused", False,
     lambda m, r: framed(RESET_REFUSED) if r.reset else xml(demo_export(r)),
     "reset answers a text without any number; data requests get the demo export"),
    ("http(401|403|404|500|503)", "httpNNN", False, http_status,
     "NNN = 401, 403, 404, 500 or 503: every request answers that HTTP status"),
    ("http(407)", "http407", False, http_status, "every request answers 407 with Proxy-Authenticate"),
    ("empty", "empty", False, lambda m, r: framed(""), "200 with Content-Length: 0"),
    ("short", "short", False, lambda m, r: cut_export("send"),
     "Content-Length: 100000 but only 1000 bytes, then close"),
    ("chunked-cut", "chunked-cut", False, chunked_cut,
     "chunked, three 1000-byte chunks, close without the last chunk"),
    ("nolength", "nolength", False, lambda m, r: export_5000(),
     "XML export without Content-Length, ended by closing"),
    ("badlength", "badlength", False, lambda m, r: export_5000("Content-Length: abc"),
     "XML export with Content-Length: abc, ended by closing"),
    ("slow", "slow", False, slow, "Content-Length 10 MiB, 4 KiB every 50 ms"),
    ("hang", "hang", False, lambda m, r: Answer(b"", delivery="hang"), "reads the request and never answers"),
    ("close", "close", False, lambda m, r: Answer(b""), "reads the request and closes without answering"),
    ("body-stall", "body-stall", False, lambda m, r: cut_export("stall"),
     "Content-Length: 100000, 1000 bytes, then nothing until the client closes"),
    ("head-cut", "head-cut", False,
     lambda m, r: Answer(f"HTTP/1.1 200 OK\r\nContent-Type: {XML_TYPE}\r\nContent-Len".encode()),
     "status line, Content-Type and 'Content-Len' (the middle of the headers), then close"),
    ("badstatus", "badstatus", False,
     lambda m, r: export_5000("Content-Length: 5000", status_line="garbage status line"),
     "'garbage status line' in place of the status line, then a framed 5000-byte XML export"),
    ("neglength", "neglength", False, lambda m, r: export_5000("Content-Length: -5000"),
     "5000-byte XML export with Content-Length: -5000, ended by closing"),
    ("bighead", "bighead", False, padded_head,
     "10 MiB of X-Padding headers, then a framed 5000-byte XML export"),
]
SCENARIOS = [(re.compile(pattern), name, acks, make, text) for pattern, name, acks, make, text in SCENARIOS]

# /control?NAME=1: the next accepted TLS connection presents another certificate, once.
ONE_SHOT_CERTIFICATES = {"wronghost": "a certificate for wrong.example",
                         "expired": "an expired localhost certificate, issued by the test CA"}


def split_query(query):
    """(key, percent-decoded value) pairs; empty parts are skipped, keys are taken as they are."""
    for part in filter(None, query.split("&")):
        key, _, value = part.partition("=")
        yield key, unquote_to_bytes(value.encode("latin-1")).decode("latin-1")


def answer_export(query):
    fields = {}
    for key, value in split_query(query):
        fields.setdefault(key, value)  # the first occurrence wins
    request = SimpleNamespace(**{key: fields.get(key, "") for key in ("usr", "pwd", "type", "dateto")})
    request.reset = request.type == "0003"
    if request.type not in ("0003", "0001", "0004"):
        return framed("unknown type\r\n", 400)
    for pattern, _, acks, make, _ in SCENARIOS:
        if match := pattern.fullmatch(request.usr):
            return framed(RESET_ACK) if acks and request.reset else make(match, request)
    return framed(ERRORS[2])


def answer_control(query):
    for key, value in split_query(query):
        if key in ONE_SHOT_CERTIFICATES and value == "1":
            return replace(framed("ok"), arm=key)
    return framed("unknown control\r\n", 400)


def answer(head, complete):
    if not complete:
        return framed("request head too large\r\n", 431)
    # 'METHOD TARGET HTTP/1.x', single spaces, and a colon after a name in every header line.
    lines = [line.removesuffix("\r") for line in head.decode("latin-1").split("\n")]
    method, space, rest = lines[0].partition(" ")
    target, space2, version = rest.rpartition(" ")
    headers = lines[1:lines.index("", 1)]  # the head ends with a blank line
    if not (method and space and space2 and target) or " " in target or not version.startswith("HTTP/1.") \
            or any(line.find(":") < 1 for line in headers):
        return framed("malformed request\r\n", 400)
    path, _, query = target.partition("?")
    if path not in (EXPORT_PATH, CONTROL_PATH):
        return framed("not found\r\n", 404)
    if method != "GET":
        return framed("only GET\r\n", 405, extra=["Allow: GET"])
    return answer_control(query) if path == CONTROL_PATH else answer_export(query)


# ---------------------------------------------------------------------------------------------------------
# Connections

def read_head(conn):
    """(head, complete), or None when the client goes before the head is complete."""
    deadline = time.monotonic() + HEAD_SECONDS
    head = b""
    while True:
        conn.settimeout(max(deadline - time.monotonic(), 0.001))
        chunk = conn.recv(16384)
        if not chunk:
            return None
        head += chunk
        # Whatever follows the head is ignored: requests are GETs and the connection closes after one.
        end = HEAD_END.search(head)
        if end and end.end() <= MAX_HEAD_BYTES:
            return head[:end.end()], True
        if len(head) > MAX_HEAD_BYTES:
            return head, False


def idle(conn, seconds):
    """Discards input for `seconds` (None: for ever); False as soon as the client has gone."""
    deadline = None if seconds is None else time.monotonic() + seconds
    while True:
        left = None if deadline is None else deadline - time.monotonic()
        if left is not None and left <= 0:
            return True
        conn.settimeout(left)
        try:
            if not conn.recv(4096):
                return False
        except TimeoutError:
            return True
        except OSError:
            return False


def finish(conn):
    """close_notify, FIN, then a short drain: closing with unread input would send a reset that can destroy
    the answer before the client has read it."""
    try:
        conn.setblocking(False)  # so unwrap sends our close_notify without waiting for the client's
        for _ in range(2):
            try:
                conn.unwrap()
                break
            except ssl.SSLWantWriteError:
                select.select([], [conn], [], LINGER_SECONDS)
            except ssl.SSLWantReadError:
                break
        conn.shutdown(socket.SHUT_WR)
        deadline = time.monotonic() + LINGER_SECONDS
        while select.select([conn], [], [], max(deadline - time.monotonic(), 0))[0] and conn.recv(4096):
            pass
    except OSError:
        pass
    conn.close()


def deliver(conn, answer):
    conn.settimeout(WRITE_IDLE_SECONDS)
    if answer.delivery == "hang":
        return idle(conn, None)
    if answer.delivery == "trickle":
        conn.sendall(answer.head)
        for offset in range(0, len(answer.body), 4096):
            conn.sendall(answer.body[offset:offset + 4096])
            if not idle(conn, 0.05):
                return
            conn.settimeout(WRITE_IDLE_SECONDS)
    elif isinstance(answer.body, bytes):
        conn.sendall(answer.head + answer.body)
    else:
        conn.sendall(answer.head)
        for block in answer.body:
            conn.sendall(block)
    if answer.delivery == "stall":
        return idle(conn, None)
    finish(conn)


class Connection(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request  # a TLS socket, handshake still to do
        try:
            conn.settimeout(HANDSHAKE_SECONDS)
            conn.do_handshake()
            received = read_head(conn)
            if received is None:
                return
            shared = self.server.shared
            shared.log(received[0].split(b"\n", 1)[0].removesuffix(b"\r"))
            planned = answer(*received)
            if planned.arm and planned.arm not in shared.contexts:
                planned = framed("this server has no such certificate\r\n", 404)
            if planned.arm:  # armed before the answer goes out, so a client that has read "ok" can rely on it
                with shared.lock:
                    shared.armed = planned.arm
            deliver(conn, planned)
        except OSError:
            pass  # the client went away or gave up; there is nobody left to answer


class Shared:
    """What the listening sockets share: the TLS contexts, the one-shot switch and the request log."""

    def __init__(self, contexts, log_file):
        self.contexts, self.log_file = contexts, log_file
        self.armed = "localhost"
        self.lock = threading.Lock()

    def next_context(self):
        with self.lock:  # a one-shot certificate goes to whichever connection is accepted next
            certificate, self.armed = self.armed, "localhost"
        return self.contexts[certificate]

    def log(self, line):
        with self.lock:  # whole lines, flushed at once so a test can read the log while the server runs
            try:
                self.log_file.write(line + b"\n")
                self.log_file.flush()
            except OSError:
                pass  # a log nobody reads any more must not cost the client its answer


class ExportServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    # A restarted server takes its port back from TIME_WAIT; on Windows the option would let a second server
    # share the port instead.
    allow_reuse_address = sys.platform != "win32"
    request_queue_size = 64

    def __init__(self, host, port, shared):
        self.address_family = socket.AF_INET6 if ":" in host else socket.AF_INET
        self.shared = shared
        super().__init__((host, port), Connection)

    def get_request(self):
        sock, address = self.socket.accept()
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return self.shared.next_context().wrap_socket(sock, server_side=True, do_handshake_on_connect=False), address

    def handle_error(self, request, address):
        print(f"export-server: connection failed: {sys.exc_info()[1]}", file=sys.stderr)


# ---------------------------------------------------------------------------------------------------------
# Certificates: made by the openssl command in a scratch directory, then moved into place whole

OPENSSL_CONFIG = """\
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = .
rand_serial = yes
default_md = sha256
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
[req]
distinguished_name = dn
[dn]
[ca_ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server_ext]
basicConstraints = CA:FALSE
keyUsage = digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $ENV::SAN
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
"""

# File stem: common name, subjectAltName, validity as days from now (start, end).
SERVER_CERTIFICATES = {
    "localhost": ("localhost", "DNS:localhost,IP:127.0.0.1", (-1, 3653)),
    "wronghost": ("wrong.example", "DNS:wrong.example", (-1, 3653)),
    "expired": ("localhost", "DNS:localhost,IP:127.0.0.1", (-30, -1)),
}


def openssl(*args, cwd=None, san=""):
    # SAN feeds the scratch configuration's subjectAltName, which must resolve even where it is not used.
    done = subprocess.run(["openssl", *args], cwd=cwd, env={**os.environ, "SAN": san}, capture_output=True)
    if done.returncode != 0:
        raise RuntimeError(f"openssl {args[0]} failed: {done.stderr.decode(errors='replace').strip()}")
    return done.stdout


def load_context(cert_dir, stem):
    """A server context for stem.pem and stem.key; raises ssl.SSLError or OSError when they do not match."""
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.set_ciphers("DEFAULT")  # OpenSSL's own list, not Python's narrower one: old clients must connect
    context.load_cert_chain(os.path.join(cert_dir, stem + ".pem"), os.path.join(cert_dir, stem + ".key"))
    # No tickets: a resumed session skips the certificate, which would defeat the one-shot certificates.
    context.options |= ssl.OP_NO_TICKET | ssl.OP_IGNORE_UNEXPECTED_EOF
    context.num_tickets = 0
    return context


def usable(cert_dir, stem, verify_options):
    """The key matches and `openssl verify` accepts the certificate against the CA."""
    try:
        load_context(cert_dir, stem)
        openssl("verify", "-CAfile", os.path.join(cert_dir, "ca.pem"), *verify_options,
                os.path.join(cert_dir, stem + ".pem"))
        return True
    except (OSError, ssl.SSLError, RuntimeError):
        return False


def issue(cert_dir, stem, subject, days, extensions="server_ext", san=""):
    with tempfile.TemporaryDirectory(dir=cert_dir) as scratch:
        with open(os.path.join(scratch, "openssl.cnf"), "w") as config:
            config.write(OPENSSL_CONFIG)
        open(os.path.join(scratch, "index.txt"), "w").close()
        now = datetime.now(timezone.utc)
        start, end = ((now + timedelta(days=d)).strftime("%Y%m%d%H%M%SZ") for d in days)
        openssl("req", "-new", "-config", "openssl.cnf", "-newkey", "rsa:2048", "-noenc",
                "-keyout", "new.key", "-subj", "/CN=" + subject, "-out", "new.csr", cwd=scratch)
        signer = ["-selfsign", "-keyfile", "new.key"] if stem == "ca" else [
            "-cert", os.path.join(cert_dir, "ca.pem"), "-keyfile", os.path.join(cert_dir, "ca.key")]
        openssl("ca", "-batch", "-config", "openssl.cnf", *signer, "-in", "new.csr", "-out", "new.pem",
                "-startdate", start, "-enddate", end, "-extensions", extensions, "-notext",
                cwd=scratch, san=san)
        for name, suffix, mode in (("new.key", ".key", 0o600), ("new.pem", ".pem", 0o644)):
            os.chmod(os.path.join(scratch, name), mode)
            os.replace(os.path.join(scratch, name), os.path.join(cert_dir, stem + suffix))


def fixed_certificates(cert_dir):
    """The context of localhost.pem and localhost.key as they are: nothing is made, no openssl is run, and the
    one-shot certificates are not there."""
    try:
        return {"localhost": load_context(os.path.abspath(cert_dir), "localhost")}
    except (OSError, ssl.SSLError) as error:
        raise RuntimeError(f"cannot load localhost.pem and localhost.key from {cert_dir}: {error}") from None


def ensure_certificates(cert_dir):
    """The CA is kept while it works, so a CA imported into a Wine prefix stays trusted; a server certificate
    is made again when missing, not matching its key or the CA, or out of date (the expired one: in date).
    Returns a TLS context per server certificate."""
    cert_dir = os.path.abspath(cert_dir)  # openssl runs inside a scratch directory
    try:
        os.makedirs(cert_dir, exist_ok=True)
    except OSError as error:
        raise RuntimeError(f"cannot create certificate directory {cert_dir}: {error.strerror}") from None
    if not usable(cert_dir, "ca", ["-x509_strict"]):
        issue(cert_dir, "ca", "kalvento Test CA", (-1, 3653), extensions="ca_ext")
    der = Path(cert_dir, "ca.der")
    new_der = openssl("x509", "-in", Path(cert_dir, "ca.pem"), "-outform", "DER")
    if not der.exists() or der.read_bytes() != new_der:
        der.with_suffix(".tmp").write_bytes(new_der)
        der.with_suffix(".tmp").replace(der)
    for stem, (name, san, days) in SERVER_CERTIFICATES.items():
        verify = ["-purpose", "sslserver", "-verify_hostname", name]
        verify += ["-verify_ip", "127.0.0.1"] if "IP:" in san else []
        if days[1] < 0:  # the expired one: issued by the CA all the same, and expired by now
            still_good = usable(cert_dir, stem, verify + ["-no_check_time"]) and subprocess.run(
                ["openssl", "x509", "-checkend", "0", "-noout", "-in", os.path.join(cert_dir, stem + ".pem")],
                capture_output=True).returncode == 1
        else:
            still_good = usable(cert_dir, stem, verify)
        if not still_good:
            issue(cert_dir, stem, name, days, san=san)
    return {stem: load_context(cert_dir, stem) for stem in SERVER_CERTIFICATES}


# ---------------------------------------------------------------------------------------------------------
# Command line

HELP = """\
usage: export-server --port N (--cert-dir DIR | --fixed-certs DIR) [--proxy-port P]
                     [--proxy-credentials USER:PASS] [--log FILE]

Local stand-in for the kalvento export server. Listens on loopback only: HTTPS on --port, on 127.0.0.1
and on ::1 where the machine has it.
--proxy-port and --proxy-credentials are checked and otherwise ignored: the authenticating proxy
(default credentials proxyuser:proxypass) is tinyproxy, started by tools/export-server/start-proxy.
--cert-dir: a test CA and server certificates are created in DIR when missing (import ca.der as a
root), with the openssl command. --fixed-certs: DIR's localhost.pem and localhost.key are used as they
are; nothing is created and the one-shot certificates below are not available.
Prints 'ready' once listening; request lines go to --log FILE or stdout. SIGTERM/SIGINT stop it.

  GET /export/export/export.php?usr=U&pwd=P&type=T[&dateto=dd.mm.yyyy]
      type 0003 reset, 0001 complete history, 0004 delta; other types answer 400
"""


def help_text():
    text = HELP + "".join(f"  GET /control?{name}=1\n      the next TLS connection presents {what}\n"
                          for name, what in ONE_SHOT_CERTIFICATES.items())
    rows = [(name, summary) for _, name, _, _, summary in SCENARIOS]
    rows.append(("(anything else)", ERRORS[2].strip()))
    return text + "\nscenarios (usr):\n" + "".join(f"  {name:<16}  {summary}\n" for name, summary in rows)


class UsageError(Exception):
    pass


def parse_options(args):
    """Accepts '--name value' and '--name=value'; raises UsageError with the message to print."""
    options = {"--help": False}
    args = list(args)
    while args:
        arg = args.pop(0)
        name, eq, value = arg.partition("=") if arg.startswith("--") else (arg, "", "")
        if name in ("--help", "-h"):
            options["--help"] = True
            continue
        if name not in ("--port", "--cert-dir", "--fixed-certs", "--proxy-port", "--proxy-credentials", "--log"):
            raise UsageError(f"unknown argument '{arg}'")
        if not eq:
            if not args:
                raise UsageError(f"{name} needs a value")
            value = args.pop(0)
        if name in ("--port", "--proxy-port"):
            if not re.fullmatch(r"[0-9]+", value) or not 1 <= int(value) <= 65535:
                raise UsageError(f"{name} must be a number from 1 to 65535, not '{value}'")
            value = int(value)
        elif name == "--proxy-credentials" and ":" not in value:
            raise UsageError("--proxy-credentials must look like USER:PASS")
        elif name in ("--cert-dir", "--fixed-certs", "--log") and not value:
            raise UsageError(f"{name} must not be empty")
        options[name] = value
    if options["--help"]:
        return options
    if "--port" not in options:
        raise UsageError("--port is required")
    if ("--cert-dir" in options) == ("--fixed-certs" in options):
        raise UsageError("--cert-dir is required" if "--cert-dir" not in options else
                         "--cert-dir and --fixed-certs do not go together")
    if options.get("--proxy-port") == options["--port"]:
        raise UsageError("--proxy-port must differ from --port")
    return options


def main(args):
    try:
        options = parse_options(args)
    except UsageError as error:
        print(f"export-server: {error} (see --help)", file=sys.stderr)
        return 2
    if options["--help"]:
        sys.stdout.write(help_text())
        return 0
    for stop in (signal.SIGTERM, signal.SIGINT):
        signal.signal(stop, lambda *_: sys.exit(0))
    try:
        if "--fixed-certs" in options:
            contexts = fixed_certificates(options["--fixed-certs"])
        else:
            contexts = ensure_certificates(options["--cert-dir"])
        log_path = options.get("--log")
        try:
            log_file = open(log_path, "ab") if log_path else sys.stdout.buffer
        except OSError as error:
            raise RuntimeError(f"cannot open log {log_path}: {error.strerror}") from None
        shared = Shared(contexts, log_file)
        try:
            server = ExportServer("127.0.0.1", options["--port"], shared)
        except OSError as error:
            raise RuntimeError(f"cannot listen on 127.0.0.1:{options['--port']}: {error.strerror}") from None
    except (RuntimeError, OSError, ssl.SSLError) as error:
        print(f"export-server: {error}", file=sys.stderr)
        return 1
    # Windows may resolve localhost to ::1 first; a machine without IPv6 is served on 127.0.0.1 alone.
    try:
        server6 = ExportServer("::1", options["--port"], shared)
        threading.Thread(target=server6.serve_forever, daemon=True).start()
    except OSError as error:
        print(f"export-server: not listening on ::1: {error.strerror}", file=sys.stderr)
    print("ready", flush=True)
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
