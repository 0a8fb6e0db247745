#!/usr/bin/env python3
"""A loopback HTTP server for the feedback tests: records every POSTed form and answers with the
reply the test wrote into the reply file.

Usage: form_recorder.py <folder>. Prints the port on its first output line, appends each request's
fields as one JSON line to <folder>/requests.jsonl and answers with the bytes of <folder>/reply
(status 200). Ends when its standard input closes or after 120 seconds, whichever comes first.
"""
import json
import os
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

folder = sys.argv[1]


class Recorder(BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode("utf-8")
        fields = urllib.parse.parse_qsl(body, keep_blank_values=True, strict_parsing=False)
        record = {"path": self.path, "fields": fields,
                  "content_type": self.headers.get("Content-Type", "")}
        with open(os.path.join(folder, "requests.jsonl"), "a", encoding="utf-8") as f:
            f.write(json.dumps(record) + "\n")
        try:
            with open(os.path.join(folder, "reply"), "rb") as f:
                reply = f.read()
        except OSError:
            reply = b""
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(reply)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Recorder)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
stopper = threading.Timer(120, lambda: os._exit(0))
stopper.daemon = True
stopper.start()
sys.stdin.read()
server.shutdown()
