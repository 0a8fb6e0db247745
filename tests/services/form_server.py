#!/usr/bin/env python3
"""Loopback HTTP and HTTPS servers for the server-request tests.

Usage: form_server.py WORKDIR
Makes a throw-away CA and a certificate for 127.0.0.1 (plus a second, self-signed one nobody
trusts) with openssl in WORKDIR, then serves on 127.0.0.1 with ports chosen by the system.

Standard output, one JSON object per line:
  {"ready": {"http": port, "https": port, "untrusted": port, "ca": path}}
  {"ack": n}                       after the n-th command
  {"request": {...}}               for every request received: scheme, path, headers, body (latin-1)
Standard input, one JSON command per line, for the scheme named ("http" or "https"):
  {"scheme": "https", "status": 404, "body": "text", "delay": 0.0, "drop": false}
The reply stays until changed. "drop" closes the connection without answering. The process ends
when its standard input closes.
"""
import http.server
import json
import os
import ssl
import subprocess
import sys
import threading

lock = threading.Lock()
replies = {"http": {"status": 200, "body": "OK", "delay": 0.0, "drop": False},
           "https": {"status": 200, "body": "OK", "delay": 0.0, "drop": False}}
stop = threading.Event()


def emit(obj):
    with lock:
        sys.stdout.write(json.dumps(obj) + "\n")
        sys.stdout.flush()


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(work):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Test CA",
            "-keyout", "ca.key", "-out", "ca.pem",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=work)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
            "-keyout", "server.key", "-out", "server.csr", cwd=work)
    with open(os.path.join(work, "ext.cnf"), "w") as f:
        f.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                "extendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "ext.cnf", "-out", "server.pem", cwd=work)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
            "-addext", "subjectAltName=IP:127.0.0.1",
            "-keyout", "stranger.key", "-out", "stranger.pem", cwd=work)


def handler_for(scheme):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length) if length > 0 else b""
            emit({"request": {"scheme": scheme, "path": self.path,
                              "headers": {k.lower(): v for k, v in self.headers.items()},
                              "body": body.decode("latin-1")}})
            with lock:
                reply = dict(replies[scheme])
            if reply["delay"] > 0:
                stop.wait(min(reply["delay"], 30.0))
            if reply["drop"]:
                self.close_connection = True
                return
            data = reply["body"].encode("utf-8")
            self.send_response(reply["status"])
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(data)
            self.close_connection = True

    return Handler


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # refused handshakes and dropped connections are what some tests want


def serve(scheme, certfile=None, keyfile=None):
    server = QuietServer(("127.0.0.1", 0), handler_for(scheme))
    server.daemon_threads = True
    if certfile:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(certfile, keyfile)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    work = sys.argv[1]
    make_certificates(work)
    http_port = serve("http")
    https_port = serve("https", os.path.join(work, "server.pem"), os.path.join(work, "server.key"))
    untrusted_port = serve("https", os.path.join(work, "stranger.pem"),
                           os.path.join(work, "stranger.key"))
    emit({"ready": {"http": http_port, "https": https_port, "untrusted": untrusted_port,
                    "ca": os.path.join(work, "ca.pem")}})
    count = 0
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        command = json.loads(line)
        with lock:
            reply = replies[command["scheme"]]
            for key in ("status", "body", "delay", "drop"):
                if key in command:
                    reply[key] = command[key]
        count += 1
        emit({"ack": count})
    stop.set()


if __name__ == "__main__":
    main()
