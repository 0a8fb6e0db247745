#!/usr/bin/env python3
"""A local HTTPS stand-in for the model repository, for the downloader's tests and benchmark.

Creates a certificate authority and a server certificate for 127.0.0.1 with openssl in --dir,
listens on 127.0.0.1 (port chosen by the system), and prints "READY <port>" when it accepts.

Addresses have the form /<mode>/<size>/resolve/main/<name>; the body is <size> bytes that begin
with the model magic "lmgg" followed by byte i = i % 251. Modes:
  fixed     Content-Length and the whole body
  chunked   the body in chunks, no length
  gzip      the body gzip-compressed, with the compressed length
  redirect-<mode>  302 to the same address under <mode>
  notfound  404 with an HTML page
  page      200 with an HTML page instead of a model
  drop      the length declared, half the body, then the connection is closed
  stall     the length declared, half the body, then nothing until the client gives up
  hold      the length declared, half the body, then the rest once a file "release-<name>"
            exists in --dir
  holdchunked  the same without a length, in chunks
Each request is appended to <dir>/requests.log as one JSON line.
"""

import argparse
import gzip
import http.server
import json
import os
import select
import socket
import ssl
import subprocess
import sys
import threading
import time

PERIOD = 251
PATTERN = bytes(range(PERIOD)) * 4200
PIECE = 1 << 20
MAGIC = b"lmgg"
WAIT_LIMIT = 30.0  # seconds any held response waits at most
PAGE = b"<html><body><h1>Welcome to the hotel network</h1></body></html>\n"


def body_piece(offset, length):
    start = offset % PERIOD
    data = PATTERN[start:start + length]
    if offset < len(MAGIC):
        head = MAGIC[offset:]
        data = head[:length] + data[len(head):]
    return data


def whole_body(size):
    return b"".join(body_piece(o, min(PIECE, size - o)) for o in range(0, size, PIECE))


def make_certificates(folder):
    ca_key, ca_pem = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    key, csr, pem = (os.path.join(folder, n) for n in ("server.key", "server.csr", "server.pem"))
    ext = os.path.join(folder, "server.ext")
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run = lambda args: subprocess.run(["openssl"] + args, check=True, capture_output=True)
    run(["req", "-x509"] + ec + ["-keyout", ca_key, "-out", ca_pem, "-days", "2",
        "-subj", "/CN=Veltrino Test CA",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    run(["req"] + ec + ["-keyout", key, "-out", csr, "-subj", "/CN=127.0.0.1"])
    with open(ext, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature\nextendedKeyUsage=serverAuth\n")
    run(["x509", "-req", "-in", csr, "-CA", ca_pem, "-CAkey", ca_key, "-CAcreateserial",
         "-out", pem, "-days", "2", "-extfile", ext])
    return pem, key


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self):
        entry = {"path": self.path, "range": self.headers.get("Range"),
                 "user_agent": self.headers.get("User-Agent"),
                 "accept_encoding": self.headers.get("Accept-Encoding")}
        with self.server.log_lock, open(self.server.log_path, "a") as log:
            log.write(json.dumps(entry) + "\n")

    def do_GET(self):
        self.record()
        parts = self.path.split("/")
        try:
            mode, size = parts[1], int(parts[2])
        except (IndexError, ValueError):
            return self.simple(404, b"no such address\n")
        if mode.startswith("redirect-"):
            target = "/" + "/".join([mode[len("redirect-"):]] + parts[2:])
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            return self.end_headers()
        if mode == "notfound":
            return self.simple(404, b"<html><body>Not here</body></html>\n")
        if mode == "page":
            return self.simple(200, PAGE)
        if mode in ("chunked", "holdchunked"):
            return self.chunked(mode, size, parts[-1])
        if mode == "gzip":
            packed = gzip.compress(whole_body(size))
            self.send_response(200)
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(len(packed)))
            self.end_headers()
            return self.wfile.write(packed)
        if mode in ("fixed", "drop", "stall", "hold"):
            return self.fixed(mode, size, parts[-1])
        self.simple(404, b"unknown mode\n")

    def simple(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def chunked(self, mode, size, name):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for offset in range(0, size, 65536):
            if mode == "holdchunked" and offset == size // 2 // 65536 * 65536:
                self.wait_for_release(name)
            data = body_piece(offset, min(65536, size - offset))
            self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")
        self.wfile.write(b"0\r\n\r\n")

    def fixed(self, mode, size, name):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        half = size // 2 if mode != "fixed" else size
        self.send_range(0, half)
        if mode == "drop":
            self.close_connection = True
            self.connection.close()
        elif mode == "stall":
            self.wait_for_peer_to_leave()
            self.close_connection = True
        elif mode == "hold":
            self.wait_for_release(name)
            self.send_range(half, size)

    def wait_for_release(self, name):
        release = os.path.join(self.server.folder, "release-" + name)
        deadline = time.monotonic() + WAIT_LIMIT
        while not os.path.exists(release) and time.monotonic() < deadline:
            time.sleep(0.02)

    def send_range(self, start, end):
        for offset in range(start, end, PIECE):
            self.wfile.write(body_piece(offset, min(PIECE, end - offset)))

    def wait_for_peer_to_leave(self):
        deadline = time.monotonic() + WAIT_LIMIT
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.1)
            if readable:
                try:
                    if not self.connection.recv(1024):
                        return
                except (OSError, ssl.SSLError):
                    return


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, folder, context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.folder = folder
        self.context = context
        self.log_path = os.path.join(folder, "requests.log")
        self.log_lock = threading.Lock()

    def finish_request(self, request, client_address):
        # The handshake runs on the request's own thread, so a client that never completes it
        # blocks nobody else.
        try:
            request.settimeout(WAIT_LIMIT)
            tls = self.context.wrap_socket(request, server_side=True)
        except (OSError, ssl.SSLError):
            return
        try:
            super().finish_request(tls, client_address)
        except (OSError, ssl.SSLError):
            pass
        finally:
            try:
                tls.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    folder = parser.parse_args().dir
    pem, key = make_certificates(folder)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(pem, key)
    server = Server(folder, context)
    print("READY %d" % server.server_address[1], flush=True)
    # The parent's end of stdin closes when it ends; the server then goes too.
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
