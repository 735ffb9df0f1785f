"""Connection-level listeners of the service double.

    rsync       the daemon's direct port: forwards to the daemon
    rsync-tls   the TLS front: forwards to stunnel, or, while a faulty server
                certificate is switched on, ends TLS itself with that certificate
    rsync-tls-inner  between stunnel and the daemon (the rsync protocol behind TLS)
    proxy       an HTTP proxy (CONNECT and absolute-form requests) on loopback
    proxy-auth  the same, asking for Basic credentials

Each connection may meet a listener fault (refuse, drop, reset or stall after N
bytes towards the client, an rsync "@ERROR" line, the listener down for a
while); each is logged in the request log with "kind": "connection" or "proxy".
"""

import base64
import re
import select
import socket
import ssl
import threading
import time

LINE_LIMIT = 8192
HEAD_LIMIT = 65536
IDLE_LIMIT = 120.0

RSYNC_ERRORS = {
    # the daemon's own texts; the module is filled in
    "auth failed": "@ERROR: auth failed on module %s\n",
    "max connections": "@ERROR: max connections (1) reached -- try again later\n",
}


def reset(sock):
    """Ends a connection with a reset (RST) instead of an orderly close."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
    except OSError:
        pass
    close(sock)


def close(sock):
    try:
        sock.close()
    except OSError:
        pass


def parse_connect_to(text):
    """ORVANE_CONNECT_TO ("host:port=127.0.0.1:port;...") to [(host, port, target port)]."""
    out = []
    for entry in (text or "").split(";"):
        if "=" not in entry:
            continue
        source, target = entry.split("=", 1)
        host, _, port = source.rpartition(":")
        out.append((host.lower(), int(port), int(target.rpartition(":")[2])))
    return out


class Conn:
    """One side of a forwarded connection, with a read buffer for line reads."""

    def __init__(self, sock):
        self.sock = sock
        self.buf = b""

    def recv(self, n=65536):
        if self.buf:
            data, self.buf = self.buf, b""
            return data
        return self.sock.recv(n)

    def readline(self):
        while b"\n" not in self.buf:
            if len(self.buf) > LINE_LIMIT:
                break
            data = self.sock.recv(4096)
            if not data:
                break
            self.buf += data
        line, sep, rest = self.buf.partition(b"\n")
        self.buf = rest
        return line + sep

    def pending(self):
        if self.buf:
            return True
        return isinstance(self.sock, ssl.SSLSocket) and self.sock.pending() > 0


class Listener:
    def __init__(self, app, name, port):
        self.app = app
        self.name = name
        self.port = port
        self.sock = None
        self.down_until = 0.0
        self.stopped = False
        self.lock = threading.Lock()

    # -------------------------------------------------------- listening
    def _open(self):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", self.port))
        s.listen(64)
        self.sock = s

    def start(self):
        self._open()
        threading.Thread(target=self._serve, daemon=True).start()

    def go_down(self, seconds):
        """Stops listening (connections are refused) for seconds, then listens again."""
        with self.lock:
            self.down_until = time.time() + float(seconds)
            # Stopped here, not by the serving loop, so that no connection
            # made after this call is accepted: shutting a listening socket
            # down stops it at once, even while the loop still waits on it.
            if self.sock is not None:
                try:
                    self.sock.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                close(self.sock)
                self.sock = None

    def come_up(self):
        with self.lock:
            self.down_until = 0.0
            # Listening again before the control call answers.
            if self.sock is None:
                try:
                    self._open()
                except OSError:
                    pass

    def _serve(self):
        while not self.stopped:
            with self.lock:
                down = time.time() < self.down_until
                if not down and self.sock is None:
                    try:
                        self._open()
                    except OSError:
                        pass
                sock = self.sock
            if down or sock is None:
                time.sleep(0.05)
                continue
            try:
                ready, _, _ = select.select([sock], [], [], 0.05)
                if not ready:
                    continue
                conn, _addr = sock.accept()
            except (OSError, ValueError):
                continue
            threading.Thread(target=self._handle_safely, args=(conn,), daemon=True).start()

    def _handle_safely(self, conn):
        try:
            conn.settimeout(IDLE_LIMIT)
            self.handle(conn)
        except Exception:  # a client that went away
            close(conn)

    # ---------------------------------------------------------- helpers
    def log(self, entry):
        if entry.pop("logged", False):
            return
        base = {"kind": "connection", "time": round(time.time(), 3), "port": self.name, "method": "",
                "host": "", "target": "", "path": "", "query": "", "headers": [], "body": "",
                "body_length": 0, "auth": None, "password_ok": None, "status": None, "fault": None,
                "dropped": False, "unexpected": False}
        base.update(entry)
        self.app.log.add(base)

    def connect_upstream(self, port):
        sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        sock.settimeout(IDLE_LIMIT)
        return sock

    def pump(self, client, upstream, fault, entry):
        """Forwards both ways until both sides are done, applying the byte
        faults towards the client: drop_after, reset_after, stall_after."""
        fault = fault or {}
        limit, action = None, None
        for key, act in (("drop_after", "drop"), ("reset_after", "reset"), ("stall_after", "stall")):
            if fault.get(key) is not None:
                limit, action = int(fault[key]), act
        to_client = entry.setdefault("bytes_to_client", 0)
        from_client = entry.setdefault("bytes_from_client", 0)
        open_in = {"c": True, "u": True}
        last = time.time()
        try:
            while open_in["c"] or open_in["u"]:
                if limit is not None and to_client >= limit:
                    break
                waiting = []
                if open_in["c"]:
                    waiting.append(client.sock)
                if open_in["u"]:
                    waiting.append(upstream.sock)
                if client.pending() or upstream.pending():
                    ready = [c.sock for c in (client, upstream) if c.pending()]
                else:
                    ready, _, _ = select.select(waiting, [], [], 0.5)
                if not ready:
                    if time.time() - last > IDLE_LIMIT:
                        break
                    continue
                last = time.time()
                if client.sock in ready and open_in["c"]:
                    data = client.recv()
                    if data:
                        from_client += len(data)
                        upstream.sock.sendall(data)
                    else:
                        open_in["c"] = False
                        try:
                            upstream.sock.shutdown(socket.SHUT_WR)
                        except OSError:
                            pass
                if upstream.sock in ready and open_in["u"]:
                    data = upstream.recv()
                    if data:
                        if limit is not None and to_client + len(data) >= limit:
                            data = data[:limit - to_client]
                        client.sock.sendall(data)
                        to_client += len(data)
                    else:
                        open_in["u"] = False
                        try:
                            client.sock.shutdown(socket.SHUT_WR)
                        except OSError:
                            pass
        except OSError:
            entry["dropped"] = True
        entry["bytes_to_client"], entry["bytes_from_client"] = to_client, from_client
        if limit is not None and to_client >= limit:
            entry["dropped"] = True
            entry["note"] = "%s after %d bytes" % (action, to_client)
            if action == "stall":
                entry["stalled"] = True
                self.log(entry)  # now, not when the stall ends
                entry["logged"] = True
                self.app.faults.release.wait(float(fault.get("stall", 5.0)))
                close(client.sock)
            elif action == "reset":
                time.sleep(0.2)  # a reset discards what the client has not read yet
                reset(client.sock)
            else:
                close(client.sock)
        else:
            close(client.sock)
        close(upstream.sock)


class RsyncListener(Listener):
    """The daemon's direct port ("rsync"), its TLS front ("rsync-tls") and the
    leg between stunnel and the daemon ("rsync-tls-inner")."""

    def __init__(self, app, name, port, daemon_port, stunnel_port=None, inner_port=None):
        super().__init__(app, name, port)
        self.daemon_port = daemon_port
        self.stunnel_port = stunnel_port
        self.inner_port = inner_port

    def handle(self, sock):
        faults = self.app.faults
        if self.name == "rsync-tls-inner":
            item = faults.take_listener("rsync-tls", protocol=True)
        elif self.name == "rsync-tls":
            item = faults.take_listener("rsync-tls", protocol=False)
        else:
            item = faults.take_listener("rsync", protocol=None)
        fault = item["fault"] if item else {}
        entry = {"method": "RSYNC", "fault": item["id"] if item else None}
        if self.name == "rsync-tls-inner":
            entry["note"] = "behind the TLS server"
        if fault.get("refuse"):
            reset(sock)
            entry.update(dropped=True, note="refused (reset at once)")
            return self.log(entry)
        client = sock
        upstream_port = self.daemon_port
        if self.name == "rsync-tls":
            variant = self.app.tls_variant("rsync-tls")
            upstream_port = self.stunnel_port
            if variant != "good":
                entry["certificate"] = variant
                try:
                    client = self.app.tls_contexts[variant].wrap_socket(sock, server_side=True)
                except (ssl.SSLError, OSError) as exc:
                    close(sock)
                    entry.update(dropped=True, note="TLS handshake failed: %s" % exc)
                    return self.log(entry)
                upstream_port = self.inner_port
        try:
            upstream = self.connect_upstream(upstream_port)
        except OSError as exc:
            close(client)
            entry.update(dropped=True, note="upstream: %s" % exc)
            return self.log(entry)
        c, u = Conn(client), Conn(upstream)
        if fault.get("rsync_error"):
            if not self.rsync_error(c, u, fault["rsync_error"], entry):
                close(client)
                close(upstream)
                return self.log(entry) if self.name != "rsync-tls-inner" or item else None
        self.pump(c, u, fault, entry)
        if self.name != "rsync-tls-inner" or item:
            self.log(entry)

    @staticmethod
    def rsync_error(c, u, kind, entry):
        """Plays the daemon's start of the rsync protocol far enough to fail it
        as the daemon does; answers True when forwarding should go on."""
        greeting = u.readline()          # "@RSYNCD: 32.0 ..." from the daemon
        c.sock.sendall(greeting)
        hello = c.readline()             # the client's version line
        u.sock.sendall(hello)
        module = c.readline()            # the module the client asks for
        entry["module"] = module.decode("utf-8", "replace").strip()
        entry["rsync_error"] = kind
        if kind == "max connections":
            c.sock.sendall(RSYNC_ERRORS[kind].encode())
            entry["note"] = "answered @ERROR: max connections"
            return False
        u.sock.sendall(module)
        answer = u.readline()
        c.sock.sendall(answer)
        if answer.startswith(b"@RSYNCD: AUTHREQD"):
            response = c.readline()      # "user response"
            name, _, digest = response.rstrip(b"\n").partition(b" ")
            # a response the daemon cannot accept: it answers "@ERROR: auth failed on module ..."
            u.sock.sendall(name + b" " + b"A" * max(len(digest), 22) + b"\n")
            entry["note"] = "password response spoiled: auth failed"
        return True


class ProxyListener(Listener):
    """An HTTP proxy on loopback: CONNECT tunnels and absolute-form requests,
    to the service's host names through the testbed's host map."""

    def __init__(self, app, name, port, connect_to, credentials=None):
        super().__init__(app, name, port)
        self.map = parse_connect_to(connect_to)
        self.credentials = credentials

    def target_port(self, host, port):
        host = host.lower().strip("[]")
        for h, p, target in self.map:
            if p == port and (h == host or h == "*"):
                return target
        if host in ("127.0.0.1", "localhost"):
            return port
        return None

    def reply(self, sock, status, reason, headers=()):
        head = "HTTP/1.1 %d %s\r\n" % (status, reason)
        for k, v in headers:
            head += "%s: %s\r\n" % (k, v)
        head += "Content-Length: 0\r\nConnection: close\r\n\r\n"
        sock.sendall(head.encode("iso-8859-1"))

    def handle(self, sock):
        item = self.app.faults.take_listener(self.name, protocol=False)
        fault = item["fault"] if item else {}
        entry = {"kind": "proxy", "fault": item["id"] if item else None}
        if fault.get("refuse"):
            reset(sock)
            entry.update(dropped=True, note="refused (reset at once)")
            return self.log(entry)
        c = Conn(sock)
        head = b""
        while b"\r\n\r\n" not in head and len(head) < HEAD_LIMIT:
            line = c.readline()
            if not line:
                break
            head += line
            if line in (b"\r\n", b"\n"):
                break
        lines = head.decode("iso-8859-1").split("\r\n")
        parts = lines[0].split(" ")
        if len(parts) != 3:
            close(sock)
            entry.update(dropped=True, note="no request line")
            return self.log(entry)
        method, target, version = parts
        headers = [tuple(x.strip() for x in ln.split(":", 1)) for ln in lines[1:] if ":" in ln]
        entry.update(method=method, target=target,
                     headers=[[k, (v.split(" ", 1)[0] + " <redacted>") if k.lower() == "proxy-authorization"
                               else v] for k, v in headers])
        if self.credentials is not None:
            user, ok = None, False
            for k, v in headers:
                if k.lower() == "proxy-authorization" and v[:6].lower() == "basic ":
                    try:
                        user, _, password = base64.b64decode(v[6:].strip()).decode("utf-8").partition(":")
                        ok = (user, password) == self.credentials
                    except Exception:
                        pass
            entry["auth"] = {"user": user, "ok": ok}
            if not ok:
                self.reply(sock, 407, "Proxy Authentication Required",
                           [("Proxy-Authenticate", 'Basic realm="Orvane proxy"')])
                entry["status"] = 407
                close(sock)
                return self.log(entry)
        if method == "CONNECT":
            host, _, port = target.rpartition(":")
            rest = b""
        else:
            m = re.match(r"^http://([^/:]+|\[[^\]]+\])(?::(\d+))?(/.*)?$", target, re.I)
            if not m:
                self.reply(sock, 400, "Bad Request")
                entry["status"] = 400
                close(sock)
                return self.log(entry)
            host, port = m.group(1), m.group(2) or "80"
            kept = [(k, v) for k, v in headers if k.lower() not in ("proxy-authorization", "proxy-connection",
                                                                     "connection")]
            rest = ("%s %s %s\r\n" % (method, m.group(3) or "/", version)
                    + "".join("%s: %s\r\n" % kv for kv in kept) + "Connection: close\r\n\r\n").encode("iso-8859-1")
        entry["host"] = host.lower()
        mapped = self.target_port(host, int(port)) if port.isdigit() else None
        if mapped is None:
            self.reply(sock, 502, "Bad Gateway")
            entry.update(status=502, note="no such host in the testbed's map")
            close(sock)
            return self.log(entry)
        try:
            upstream = self.connect_upstream(mapped)
        except OSError as exc:
            self.reply(sock, 502, "Bad Gateway")
            entry.update(status=502, note="upstream: %s" % exc)
            close(sock)
            return self.log(entry)
        entry["upstream"] = "127.0.0.1:%d" % mapped
        if method == "CONNECT":
            sock.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            entry["status"] = 200
        else:
            upstream.sendall(rest)
        self.pump(c, Conn(upstream), fault, entry)
        self.log(entry)
