#!/usr/bin/python3
"""Small HTTP and HTTPS server for the internet stand-in's socket tests.

Listens on 127.0.0.1 (ephemeral ports) with TLS (--cert/--key) and in plain
text, prints "PORTS <tls> <plain>" and serves until killed:
  PROPFIND any      207 with a small multistatus body
  GET /big?size=N   N bytes (byte i is i % 251), written in 7000-byte pieces
  GET /redirect     302 to /big?size=5; /redirect-http?port=P to the plain port P
  GET /stall        headers for 1000 bytes, 10 bytes, then silence for 5 s
  GET /_log         the requests seen so far as JSON (not itself recorded):
                    method, path, headers (credentials blanked), body length,
                    client port (to see keep-alive reuse)
  anything else     404
"""
import argparse
import json
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

LOG = []
LOG_LOCK = threading.Lock()
SECRET_HEADERS = {"authorization", "proxy-authorization", "cookie"}
MULTISTATUS = (
    b'<?xml version="1.0" encoding="utf-8"?>\n'
    b'<D:multistatus xmlns:D="DAV:"><D:response><D:href>/users/u/Files/</D:href>'
    b"<D:propstat><D:prop><D:quota>2147483648</D:quota><D:used>1048576</D:used></D:prop>"
    b"<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>\n"
)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body=b"", content_type="text/plain", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        url = urlparse(self.path)
        query = parse_qs(url.query)
        if url.path == "/_log":
            with LOG_LOCK:
                data = json.dumps(LOG).encode()
            return self.reply(200, data, "application/json")
        headers = [[k, "<blanked>" if k.lower() in SECRET_HEADERS else v] for k, v in self.headers.items()]
        with LOG_LOCK:
            LOG.append({"method": self.command, "path": self.path, "headers": headers,
                        "body": len(body), "peer": self.client_address[1]})

        if self.command == "PROPFIND":
            return self.reply(207, MULTISTATUS, 'application/xml; charset="utf-8"')
        if url.path == "/big":
            size = int(query["size"][0])
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self.end_headers()
            data = bytes(i % 251 for i in range(size))
            for at in range(0, size, 7000):
                self.wfile.write(data[at:at + 7000])
            return None
        if url.path == "/redirect":
            return self.reply(302, b"moved", extra=[("Location", "/big?size=5")])
        if url.path == "/redirect-http":
            target = "http://127.0.0.1:%s/big?size=5" % query["port"][0]
            return self.reply(302, b"moved", extra=[("Location", target)])
        if url.path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            time.sleep(5)
            self.close_connection = True
            return None
        return self.reply(404, b"not here")

    do_GET = do_POST = do_PUT = do_PROPFIND = do_MKCOL = do_DELETE = do_MOVE = do_COPY = handle_any


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    servers = [ThreadingHTTPServer(("127.0.0.1", 0), Handler) for _ in range(2)]
    # A failed handshake (a client refusing the certificate) only drops that connection.
    servers[0].socket = context.wrap_socket(servers[0].socket, server_side=True)
    for server in servers:
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORTS %d %d" % (servers[0].server_address[1], servers[1].server_address[1]), flush=True)
    try:
        sys.stdin.read()  # ends when the test closes our input or kills us
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
