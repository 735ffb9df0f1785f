#!/usr/bin/python3
"""Local double of the online backup service.

One process serves, on loopback ports:
  * HTTPS and HTTP (the HTTP port also accepts TLS: WinINet-style clients send
    secure requests to port 80 and 11900 when asked to), dispatching on the Host
    header and the path:
      - WebDAV under /users/<user>/Files/ with Basic authorisation, in the
        service's reply shape ("D:" and "lp0:" prefixes, the service's own
        quota, used, size, zipfilelist, chunksize and checksum properties);
      - the service scripts under /cgi-bin/, each on the hosts that carry it;
  * a control port (plain HTTP) for fault injection, state, reset and the
    request log.
Anything it does not expect is answered 501 and logged with "unexpected": true.

Python standard library only. Started by testbed/run; see testbed/README.md.
"""

import argparse
import base64
import email.utils
import hashlib
import json
import math
import os
import re
import shutil
import signal
import socket
import socketserver
import struct
import ssl
import sys
import threading
import time
import urllib.parse
import zipfile
import zlib
from http.server import BaseHTTPRequestHandler, HTTPServer

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import connections  # noqa: E402
import rsync_files  # noqa: E402
import sample_account  # noqa: E402

CHUNK_SIZE = 131072
MAX_BODY = 256 * 1024 * 1024
SNAPSHOT_RE = re.compile(r"^/BackUp_nightly\.(\d)(/.*)?$")
ACCOUNT_PATH_RE = re.compile(r"^/users/([^/]+)/Files(/.*)?\Z", re.DOTALL)
# Characters the service leaves unescaped in hrefs; everything else is
# percent-escaped with upper-case digits ("&" then travels as "&amp;").
HREF_SAFE = "/-._~!$&'()*+,;=:@"
HEX_DIGITS = b"0123456789abcdefABCDEF"


# ---------------------------------------------------------------- text helpers

def decode_text(raw):
    """Bytes from a legacy client: UTF-8 when valid, else the Windows ANSI page."""
    for codec in ("utf-8", "cp1252", "latin-1"):
        try:
            return raw.decode(codec)
        except UnicodeDecodeError:
            continue
    return raw.decode("latin-1")


def percent_decode(raw):
    """%XX (two hex digits) becomes the byte; a "%" not followed by two hex digits stays."""
    out = bytearray()
    i = 0
    n = len(raw)
    while i < n:
        pair = raw[i + 1:i + 3]
        if raw[i] == 0x25 and len(pair) == 2 and all(c in HEX_DIGITS for c in pair):
            out.append(int(pair, 16))
            i += 3
        else:
            out.append(raw[i])
            i += 1
    return bytes(out)


def hash_secret(raw):
    if isinstance(raw, str):
        raw = raw.encode("utf-8")
    return hashlib.sha256(raw).hexdigest()[:16]


def redaction(raw):
    return ("<sha256:%s>" % hash_secret(raw)).encode("ascii")


def http_date(stamp):
    return email.utils.formatdate(stamp, usegmt=True)


def iso_date(stamp):
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(stamp))


def xml_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def href_of(path):
    return xml_escape(urllib.parse.quote(path, safe=HREF_SAFE))


def reported_length_text(size):
    """The service reports sizes as signed 32-bit numbers: from 2 GiB they wrap
    to negative values (below -1: where the wrap would give -1, -2), and from
    4 GiB to positive ones again."""
    if size < 2 ** 31:
        return str(size)
    wrapped = ((size + 2 ** 31) % 2 ** 32) - 2 ** 31
    if wrapped == -1:
        wrapped = -2
    return str(wrapped)


def megabytes(size):
    """Quota figures travel in whole megabytes (the used figure rounded up)."""
    return (int(size) + 2 ** 20 - 1) // 2 ** 20


GENERATED_BLOCK = bytes(range(sample_account.GENERATED_MODULUS)) * 261


def generated_chunks(first, last):
    """Bytes first..last (inclusive) of a generated body: byte i is i % 251."""
    pos = first
    modulus = sample_account.GENERATED_MODULUS
    while pos <= last:
        off = pos % modulus
        n = min(len(GENERATED_BLOCK) - off, last - pos + 1)
        yield GENERATED_BLOCK[off:off + n]
        pos += n


def split_form(body, keys, last_from_end=()):
    """Splits a legacy form body into its known fields, in order.

    The clients send only the first value encoded and the others raw, so a raw
    value may hold "&"; each field is therefore found by its "&key=" marker in
    the known order instead of by splitting at every "&". Returns
    {key: (start, end)} byte spans of the values; missing keys are absent.
    """
    spans = {}
    pos = 0
    found = []
    for idx, key in enumerate(keys):
        marker = key.encode("ascii") + b"="
        if idx == 0:
            if body.startswith(marker):
                at = 0
            else:
                at = body.find(b"&" + marker)
                at = at + 1 if at >= 0 else -1
        else:
            if key in last_from_end:
                at = body.rfind(b"&" + marker, pos)
            else:
                at = body.find(b"&" + marker, pos)
            at = at + 1 if at >= 0 else -1
        if at < 0:
            continue
        found.append((key, at, at + len(marker)))
        pos = at + len(marker)
    for i, (key, _at, vstart) in enumerate(found):
        if i + 1 < len(found):
            vend = found[i + 1][1] - 1  # the "&" before the next key
            # mail forms put CR LF in front of the "&"
            if body[max(vstart, vend - 2):vend] == b"\r\n":
                vend -= 2
        else:
            vend = len(body)
        spans[key] = (vstart, max(vstart, vend))
    return spans


def legacy_form_decode(raw):
    """Inverse of the clients' form encoder: %XX is one character code (Latin-1)."""
    return decode_text(percent_decode(raw))


# ------------------------------------------------------------------- accounts

class Accounts:
    """Accounts, their mutable state and the served trees."""

    def __init__(self, description, data_root, rsync_dir=None):
        self.description = description
        self.data_root = data_root
        self.rsync_dir = rsync_dir
        self.lock = threading.RLock()
        self._checksum_cache = {}
        self.reset_state()

    def reset_state(self):
        with self.lock:
            self.by_user = {}
            for acc in self.description["accounts"]:
                state = dict(acc)
                state.setdefault("status", "active")
                state.setdefault("snapshots_available", True)
                state.setdefault("snapshots_shown", True)
                state.setdefault("read_write", True)
                state.setdefault("quota", 1073741824)
                self.by_user[acc["user"]] = state
            self._load_meta()
            for user in self.by_user:
                self.by_user[user]["used"] = self.live_used(user)
            self.mails = []
            self.changed()

    def changed(self):
        """Call after any change of a password, status or the snapshot switch:
        the rsync daemon reads its secrets and the snapshot view per connection."""
        if not self.rsync_dir:
            return
        with self.lock:
            rsync_files.write_state(self.rsync_dir, self.data_root, self.by_user.values())

    def reseed(self):
        with self.lock:
            sample_account.seed(self.description, self.data_root)
            if os.geteuid() == 0:
                sample_account.make_world_readable(self.data_root)
            self.reset_state()

    def _load_meta(self):
        path = os.path.join(self.data_root, "meta.json")
        try:
            with open(path, encoding="utf-8") as f:
                self.overrides = json.load(f).get("size_overrides", {})
        except OSError:
            self.overrides = {}

    # hosts --------------------------------------------------------------
    def hosts(self):
        return self.description["hosts"]

    def dav_hosts(self):
        return {a["servers"][4].lower() for a in self.description["accounts"]}

    def rsync_hosts(self):
        return {a["servers"][1].lower() for a in self.description["accounts"]}

    def web_hosts(self):
        return {a["servers"][0].lower() for a in self.description["accounts"]}

    def all_http_hosts(self):
        h = self.hosts()
        names = {h["lookup"], h["web"], h["older_web"], h["mail"], h["first_web"],
                 h["third_web"], h["search_first"], h["search_second"]}
        return {n.lower() for n in names} | self.dav_hosts() | self.web_hosts()

    def roles_of(self, host):
        h = {k: v.lower() for k, v in self.hosts().items()}
        roles = set()
        if host in ("localhost", "127.0.0.1", ""):
            return {"lookup", "web", "mail", "search", "dav", "quota"}
        if host == h["lookup"]:
            roles |= {"lookup", "quota"}
        if host == h["web"]:
            roles.add("web")
        if host == h["mail"]:
            roles.add("mail")
        if host in (h["search_first"], h["search_second"]):
            roles.add("search")
        if host in self.dav_hosts():
            roles |= {"dav", "quota"}
        return roles

    # credentials ---------------------------------------------------------
    def get(self, user):
        return self.by_user.get(user)

    def check(self, user, password):
        """The credentials match an account that exists ("removed" ones do not)."""
        acc = self.by_user.get(user)
        return acc is not None and acc["status"] != "removed" and acc["password"] == password

    def usable(self, user, password):
        """The credentials match an account that may work (neither expired,
        cancelled nor removed): what WebDAV, the daemon and the account scripts accept."""
        return self.check(user, password) and self.by_user[user]["status"] == rsync_files.ACTIVE

    def users_for_email(self, address):
        address = address.strip().lower()
        special = {k.lower(): v for k, v in self.description.get("emails", {}).items()}
        if address in special:
            return special[address]
        return [a["user"] for a in self.description["accounts"] if a.get("email", "").lower() == address]

    # trees -----------------------------------------------------------------
    def files_root(self, user):
        return sample_account.account_files_root(self.data_root, user)

    def snapshot_digits(self, user):
        base = os.path.join(self.data_root, "snapshots", user)
        try:
            return sorted(d for d in os.listdir(base) if len(d) == 1 and d.isdigit())
        except OSError:
            return []

    def has_override(self, user, fs_path):
        rel = os.path.relpath(fs_path, self.files_root(user)).replace(os.sep, "/")
        return "%s/Files/%s" % (user, rel) in self.overrides

    def reported_size(self, user, fs_path, real_size):
        rel = os.path.relpath(fs_path, self.files_root(user)).replace(os.sep, "/")
        return self.overrides.get("%s/Files/%s" % (user, rel), real_size)

    def tree_size(self, user, fs_path):
        if os.path.isfile(fs_path):
            return self.reported_size(user, fs_path, os.path.getsize(fs_path))
        total = 0
        for dirpath, _dirs, files in os.walk(fs_path):
            for name in files:
                p = os.path.join(dirpath, name)
                total += self.reported_size(user, p, os.path.getsize(p))
        return total

    def live_used(self, user):
        root = self.files_root(user)
        return self.tree_size(user, root) if os.path.isdir(root) else 0

    def move_override(self, user, src, dst):
        with self.lock:
            root = self.files_root(user)
            srel = os.path.relpath(src, root).replace(os.sep, "/")
            drel = os.path.relpath(dst, root).replace(os.sep, "/")
            for key in list(self.overrides):
                prefix = "%s/Files/%s" % (user, srel)
                if key == prefix or key.startswith(prefix + "/"):
                    self.overrides["%s/Files/%s%s" % (user, drel, key[len(prefix):])] = self.overrides.pop(key)

    def checksum_list(self, fs_path, st):
        key = (fs_path, st.st_size, st.st_mtime)
        with self.lock:
            if key in self._checksum_cache:
                return self._checksum_cache[key]
        sums = []
        with open(fs_path, "rb") as f:
            while True:
                block = f.read(CHUNK_SIZE)
                if not block:
                    break
                sums.append(zlib.adler32(block) & 0x7FFFFFFF)
        # each number is followed by two blanks, as the service writes the list
        text = "".join("%d  " % s for s in sums)
        with self.lock:
            self._checksum_cache[key] = text
        return text


class Node:
    """One WebDAV resource: a real file or folder, or a virtual snapshot folder."""

    def __init__(self, href, is_dir, fs_path, read_only=False, stamp_from=None, children=None):
        self.href = href
        self.is_dir = is_dir
        self.fs_path = fs_path
        self.read_only = read_only
        self.stamp_from = stamp_from or fs_path
        self.virtual_children = children

    def exists(self):
        if self.virtual_children is not None:
            return True
        return self.fs_path is not None and os.path.exists(self.fs_path)


def resolve(accounts, user, rest):
    """Maps the part after /users/<user>/Files to a Node (which may not exist)."""
    base = "/users/%s/Files" % user
    files_root = accounts.files_root(user)
    rest = rest or ""
    parts = [p for p in rest.split("/") if p]
    if any(p in (".", "..") or "\x00" in p for p in parts):
        return None
    m = SNAPSHOT_RE.match(rest)
    acc = accounts.get(user)
    if m and acc is not None:
        digit, sub = m.group(1), m.group(2) or ""
        snap_dir = sample_account.snapshot_root(accounts.data_root, user, digit)
        if not acc["snapshots_shown"] or not os.path.isdir(snap_dir):
            return Node(base + rest, False, None, read_only=True)
        snap_href = "%s/BackUp_nightly.%s/" % (base, digit)
        sub_parts = [p for p in sub.split("/") if p]
        if not sub_parts:
            return Node(snap_href, True, None, read_only=True, stamp_from=snap_dir,
                        children=[Node(snap_href + user + "/", True, snap_dir, read_only=True)])
        if sub_parts[0] != user:
            return Node(base + rest, False, None, read_only=True)
        fs = os.path.join(snap_dir, *sub_parts[1:])
        is_dir = os.path.isdir(fs)
        href = snap_href + "/".join(sub_parts) + ("/" if is_dir else "")
        return Node(href, is_dir, fs, read_only=True)
    fs = os.path.join(files_root, *parts)
    is_dir = os.path.isdir(fs) or (not parts)
    href = base + "/" + "/".join(parts) + ("/" if is_dir and parts else "")
    if not parts:
        href = base + "/"
    if not os.path.exists(fs):
        is_dir = rest.endswith("/")
        href = base + "/" + "/".join(parts) + ("/" if is_dir else "")
    return Node(href, is_dir, fs)


def children_of(accounts, user, node):
    if node.virtual_children is not None:
        return list(node.virtual_children)
    out = []
    try:
        names = sorted(os.listdir(node.fs_path))
    except OSError:
        return out
    for name in names:
        fs = os.path.join(node.fs_path, name)
        is_dir = os.path.isdir(fs)
        out.append(Node(node.href + name + ("/" if is_dir else ""), is_dir, fs, node.read_only))
    acc = accounts.get(user)
    if node.fs_path == accounts.files_root(user) and acc and acc["snapshots_shown"]:
        for digit in accounts.snapshot_digits(user):
            out.append(resolve(accounts, user, "/BackUp_nightly.%s/" % digit))
    return out


# -------------------------------------------------------------------- faults

ACCOUNT_STATUSES = ("active", "expired", "cancelled", "removed")
LISTENER_FAULTS = {"refuse", "down", "drop_after", "reset_after", "stall_after", "stall", "rsync_error",
                   "times", "skip"}
TLS_VARIANTS = ("good", "unknown-ca", "wrong-host", "expired")
TLS_LISTENERS = ("https", "http", "rsync-tls")


class Faults:
    def __init__(self):
        self.lock = threading.Lock()
        self.listener_items = []
        self.items = []
        self.next_id = 1
        self.release = threading.Event()

    def add(self, entry):
        if not isinstance(entry, dict) or not isinstance(entry.get("fault", {}), dict):
            raise ValueError("a fault is {\"match\": {...}, \"fault\": {...}}")
        match = entry.get("match", {}) or {}
        fault = dict(entry.get("fault", {}) or {})
        known_match = {"method", "path_prefix", "path", "host", "port", "body_contains", "user", "range"}
        known_fault = {"status", "body", "body_base64", "content_type", "headers", "delay", "hang", "drop",
                       "short_body", "stall_after", "reset_after", "stall", "no_range", "multistatus",
                       "times", "skip"}
        bad = (set(match) - known_match) | (set(fault) - known_fault)
        if "multistatus" in fault:
            if not isinstance(fault["multistatus"], dict):
                raise ValueError("multistatus is an object of edits")
            bad |= set(fault["multistatus"]) - MULTISTATUS_EDITS
        if bad:
            raise ValueError("unknown fault fields: %s" % ", ".join(sorted(bad)))
        if "body_base64" in fault:
            base64.b64decode(fault["body_base64"], validate=True)
        with self.lock:
            item = {"id": self.next_id, "match": match, "fault": fault,
                    "times": int(fault.get("times", 1)), "skip": int(fault.get("skip", 0)), "used": 0}
            self.next_id += 1
            self.items.append(item)
            return item["id"]

    def clear(self):
        with self.lock:
            self.items = []
            self.listener_items = []
        self.release.set()
        self.release = threading.Event()

    # connection faults of whole listeners
    def add_listener(self, entry, listeners):
        if not isinstance(entry, dict) or not isinstance(entry.get("fault"), dict):
            raise ValueError("a listener fault is {\"listener\": name, \"fault\": {...}}")
        names = entry.get("listener")
        names = names if isinstance(names, list) else [names]
        fault = dict(entry["fault"])
        bad = set(fault) - LISTENER_FAULTS
        if bad:
            raise ValueError("unknown listener fault fields: %s" % ", ".join(sorted(bad)))
        for name in names:
            if name not in listeners:
                raise ValueError("no such listener: %r (one of %s)" % (name, ", ".join(sorted(listeners))))
            if name in ("https", "http") and set(fault) - {"refuse", "times", "skip"}:
                raise ValueError("the HTTP listeners take only \"refuse\"; body faults are request faults")
            if not name.startswith("rsync") and "rsync_error" in fault:
                raise ValueError("rsync_error applies to the rsync listeners only")
        if "rsync_error" in fault and fault["rsync_error"] not in ("auth failed", "max connections"):
            raise ValueError("rsync_error is \"auth failed\" or \"max connections\"")
        with self.lock:
            item = {"id": self.next_id, "listener": names, "fault": fault,
                    "times": int(fault.get("times", 1)), "skip": int(fault.get("skip", 0)), "used": 0}
            self.next_id += 1
            if "down" not in fault:
                self.listener_items.append(item)
            return item

    def listener_listing(self):
        with self.lock:
            return json.loads(json.dumps(self.listener_items))

    def take_listener(self, name, protocol=None):
        """The first fault for a new connection on listener name; protocol True
        takes only rsync protocol faults, False only the others, None any."""
        with self.lock:
            for item in self.listener_items:
                if name not in item["listener"]:
                    continue
                is_protocol = "rsync_error" in item["fault"]
                if protocol is not None and is_protocol != protocol:
                    continue
                if item["skip"] > 0:
                    item["skip"] -= 1
                    continue
                item["used"] += 1
                if item["times"] > 0 and item["used"] >= item["times"]:
                    self.listener_items.remove(item)
                return item
        return None

    def listing(self):
        with self.lock:
            return json.loads(json.dumps(self.items))

    @staticmethod
    def _matches(match, req):
        if "method" in match:
            methods = match["method"] if isinstance(match["method"], list) else [match["method"]]
            if req["method"].upper() not in [m.upper() for m in methods]:
                return False
        if "host" in match and req["host"] != str(match["host"]).lower():
            return False
        if "port" in match and req["port"] != match["port"] and not (
                match["port"] == "http" and req["port"] == "http-tls"):
            return False
        if "path" in match and req["path"] != match["path"] and req["target"] != match["path"]:
            return False
        if "path_prefix" in match:
            p = match["path_prefix"]
            if not (req["path"].startswith(p) or req["target"].startswith(p)):
                return False
        if "body_contains" in match and match["body_contains"] not in req["body"]:
            return False
        if "user" in match and req.get("user") != match["user"]:
            return False
        if "range" in match:
            want, got = match["range"], req.get("range")
            if want is True or want is False:
                if (got is not None) != want:
                    return False
            elif got is None or str(want) not in got:
                return False
        return True

    def take(self, req):
        with self.lock:
            for item in self.items:
                if not self._matches(item["match"], req):
                    continue
                if item["skip"] > 0:
                    item["skip"] -= 1
                    continue
                item["used"] += 1
                if item["times"] > 0 and item["used"] >= item["times"]:
                    self.items.remove(item)
                return item
        return None


# ---------------------------------------------------------------- request log

class RequestLog:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Condition()
        self.entries = []
        self.seq = 0
        self.in_flight = 0
        if path:
            open(path, "w").close()

    # A request counts as in flight from the moment it is read until its
    # entry is written. Its reply reaches the client before the entry, so a
    # reader of the log waits (briefly) for the requests in flight: a client
    # that has had its answer then always finds the request logged.
    def begin(self):
        with self.lock:
            self.in_flight += 1

    def end(self):
        with self.lock:
            self.in_flight -= 1
            self.lock.notify_all()

    def add(self, entry):
        with self.lock:
            self.seq += 1
            entry["seq"] = self.seq
            self.entries.append(entry)
            if self.path:
                with open(self.path, "a", encoding="utf-8") as f:
                    f.write(json.dumps(entry, ensure_ascii=False) + "\n")

    def clear(self):
        with self.lock:
            self.entries = []
            if self.path:
                open(self.path, "w").close()

    def since(self, seq, unexpected_only=False):
        with self.lock:
            self.lock.wait_for(lambda: self.in_flight == 0, timeout=1.0)
            return [e for e in self.entries if e["seq"] > seq and (e.get("unexpected") or not unexpected_only)]


class App:
    def __init__(self, description, data_root, log_path, rsync_dir=None):
        self.accounts = Accounts(description, data_root, rsync_dir)
        self.faults = Faults()
        self.log = RequestLog(log_path)
        self.strict_hosts = True
        self.tls_contexts = {}
        self.tls = {name: "good" for name in TLS_LISTENERS}
        self.listeners = {}   # name -> connections.Listener (the HTTP ones are absent)

    def tls_variant(self, listener):
        return self.tls.get(listener, "good")

    def context_for(self, listener):
        return self.tls_contexts[self.tls_variant(listener)]

    def reset_connections(self):
        self.tls = {name: "good" for name in TLS_LISTENERS}
        for listener in self.listeners.values():
            listener.come_up()


# ------------------------------------------------------------------ servers

class DoubleServer(socketserver.ThreadingMixIn, HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, address, handler, app, tls_context, mode):
        self.app = app
        self.tls_context = tls_context
        self.mode = mode  # "tls", "sniff" (plain or TLS by first byte) or "plain"
        self._port_kinds = {}
        super().__init__(address, handler)

    def process_request_thread(self, request, client_address):
        try:
            request.settimeout(60)
            port_kind = {"tls": "https", "sniff": "http", "plain": "control"}[self.mode]
            if self.mode != "plain":
                item = self.app.faults.take_listener(port_kind)
                if item is not None and item["fault"].get("refuse"):
                    reset_connection(request)
                    self.app.log.add({
                        "kind": "connection", "time": round(time.time(), 3), "port": port_kind, "method": "",
                        "host": "", "target": "", "path": "", "query": "", "headers": [], "body": "",
                        "body_length": 0, "auth": None, "password_ok": None, "status": None,
                        "fault": item["id"], "dropped": True, "unexpected": False,
                        "note": "refused (reset at once)"})
                    return
            if self.mode == "tls" or (self.mode == "sniff" and self._starts_with_tls(request)):
                request = self.app.context_for(port_kind).wrap_socket(request, server_side=True)
                if self.mode == "sniff":
                    port_kind = "http-tls"
            self._port_kinds[id(request)] = port_kind
            self.finish_request(request, client_address)
        except Exception:  # a client that went away or failed its handshake
            pass
        finally:
            self._port_kinds.pop(id(request), None)
            try:
                self.shutdown_request(request)
            except Exception:
                pass

    @staticmethod
    def _starts_with_tls(sock):
        try:
            first = sock.recv(1, socket.MSG_PEEK)
        except OSError:
            return False
        return first == b"\x16"


class Dropped(Exception):
    pass


# How long a stalled reply or connection is held when the fault names no time.
DEFAULT_STALL = 5.0
# A reset discards what the client has not read yet: give it a moment first.
RESET_GRACE = 0.2


def reset_connection(sock):
    """Ends a connection with a reset (RST) instead of an orderly close."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    try:
        raw = socket.socket(fileno=os.dup(sock.fileno()))
        sock.close()
        raw.close()
    except OSError:
        pass


class ServiceHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "OrvaneDouble/1.0"
    timeout = 60

    def log_message(self, fmt, *args):  # the request log replaces the access log
        pass

    # The request line is held to the stock server's rules: a raw blank, control
    # or non-ASCII byte in the request target is answered 400, so a client that
    # forgets to encode a path fails here as it would against the service.
    def parse_request(self):
        raw = self.raw_requestline.rstrip(b"\r\n")
        self.raw_target = None
        parts = raw.split(b" ")
        if len(parts) >= 3 and parts[-1].startswith(b"HTTP/"):
            target = b" ".join(parts[1:-1])
            bad = sorted({c for c in target if c <= 0x20 or c >= 0x7f})
            if bad:
                self.requestline = raw.decode("iso-8859-1")
                self.command = parts[0].decode("iso-8859-1")
                self.request_version = parts[-1].decode("iso-8859-1")
                self.raw_target = target.decode("iso-8859-1")
                self._reject_request_line(target, bad)
                return False
        ok = super().parse_request()
        if ok and self.raw_target is None:
            self.raw_target = self.path
        if ok:
            # header lines without a colon, or an HTTP/1.1 request without Host
            why = None
            if self.headers.defects:
                why = "malformed header line"
            elif self.request_version == "HTTP/1.1" and self.headers.get("Host") is None:
                why = "no Host header"
            if why:
                self._reject_request_line(self.raw_target.encode("iso-8859-1"), [], why)
                return False
        return ok

    def _reject_request_line(self, target, bad, why=None):
        self.close_connection = True
        body = b"Bad Request: the request target holds raw bytes.\n" if why is None else \
            ("Bad Request: %s.\n" % why).encode("ascii")
        self.send_response(400)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.server.app.log.add({
            "kind": "request", "time": round(time.time(), 3),
            "port": self.server._port_kinds.get(id(self.connection), "https"),
            "method": self.command, "host": "", "target": decode_text(target),
            "path": decode_text(target.partition(b"?")[0]), "query": "", "headers": [], "body": "",
            "body_length": 0, "auth": None, "password_ok": None, "status": 400, "fault": None,
            "dropped": False, "unexpected": False,
            "note": why or "raw byte(s) %s in the request target" % ", ".join("0x%02x" % c for c in bad)})

    def send_response(self, code, message=None):
        self._status = code
        super().send_response(code, message)

    def __getattr__(self, name):
        if name.startswith("do_"):
            return self.handle_any
        raise AttributeError(name)

    # ---------------------------------------------------------- plumbing
    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            out = bytearray()
            while True:
                line = self.rfile.readline(1024)
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(out)
                out += self.rfile.read(size)
                self.rfile.readline(8)
                if len(out) > MAX_BODY:
                    raise ValueError("body too large")
        length = int(self.headers.get("Content-Length") or 0)
        if length > MAX_BODY:
            raise ValueError("body too large")
        return self.rfile.read(length) if length > 0 else b""

    def reply(self, status, body=b"", content_type="text/plain", headers=None):
        if isinstance(body, str):
            body = body.encode("utf-8")
        self.reply_stream(status, len(body), [body] if body else [], content_type, headers)

    def reply_stream(self, status, length, chunks, content_type="text/plain", headers=None):
        """Sends a reply of length bytes taken from chunks, applying the body
        faults of the request: short_body (close), stall_after (hold the
        connection), reset_after (reset it)."""
        fault = self._fault["fault"] if self._fault else {}
        self.send_response(status)
        if content_type:
            self.send_header("Content-Type", content_type)
        for k, v in (headers or {}).items():
            self.send_header(k, v)
        self.send_header("Content-Length", str(length))
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        if self.command == "HEAD":
            return
        limit, action = None, None
        short = fault.get("short_body")
        if short is not None and short is not False and length:
            limit, action = (length // 2 if short is True else int(short)), "close"
        for key, act in (("stall_after", "stall"), ("reset_after", "reset")):
            if fault.get(key) is not None and length:
                limit, action = int(fault[key]), act
        if limit is not None:
            limit = max(0, min(limit, length - 1))
        sent = 0
        for chunk in chunks:
            if limit is not None and sent + len(chunk) >= limit:
                self.wfile.write(chunk[:limit - sent])
                sent = limit
                break
            self.wfile.write(chunk)
            sent += len(chunk)
        if limit is None:
            return
        if sent < limit:  # the body came out shorter than announced
            return
        self.wfile.flush()
        self.close_connection = True
        self.short_sent = sent
        if action == "stall":
            self.stalled = True
            self.server.app.faults.release.wait(float(fault.get("stall", DEFAULT_STALL)))
        elif action == "reset":
            time.sleep(RESET_GRACE)  # let the client read what came before the reset
            reset_connection(self.connection)
            self.reset = True
        raise Dropped()

    def reply_streamed(self, status, chunks, content_type="text/plain"):
        """A reply of unknown length, sent as it is made: chunked to HTTP/1.1,
        up to the connection's end to HTTP/1.0. Every chunk is made (and its
        work done) even when the client has gone away."""
        chunked = self.request_version == "HTTP/1.1"
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.close_connection = True
            self.send_header("Connection", "close")
        self.end_headers()
        if self.command == "HEAD":
            for _ in chunks:
                pass
            return
        gone = False
        sent = 0
        for chunk in chunks:
            if gone or not chunk:
                continue
            try:
                self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk) if chunked else chunk)
                sent += len(chunk)
            except OSError:
                gone = True
        if gone:
            self.close_connection = True
            self.note = "the client left after %d bytes" % sent
        elif chunked:
            self.wfile.write(b"0\r\n\r\n")

    def request_info(self, body):
        host = (self.headers.get("Host") or "").strip().lower()
        if host.startswith("["):
            host = host.split("]")[0] + "]"
        elif ":" in host:
            host = host.rsplit(":", 1)[0]
        raw_target = self.raw_target.encode("iso-8859-1")
        path_part, _, query = raw_target.partition(b"?")
        path = decode_text(percent_decode(path_part))
        return {
            "time": round(time.time(), 3),
            "port": self.server._port_kinds.get(id(self.connection), "https"),
            "method": self.command,
            "host": host,
            "target": decode_text(raw_target),
            "path": path,
            "query": decode_text(query),
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": decode_text(body),
            "body_length": len(body),
            "user": self.request_user(body),
            "range": self.headers.get("Range"),
        }

    def request_user(self, body):
        """The account a request is for: the Basic credential's name, else a
        form's first field "user" / "USER"."""
        header = self.headers.get("Authorization", "")
        if header[:6].lower() == "basic ":
            try:
                return decode_text(base64.b64decode(header[6:].strip())).partition(":")[0]
            except Exception:
                return None
        m = re.match(rb"(?:user|USER)=([^&\r\n]*)", body)
        return legacy_form_decode(m.group(1)).strip() if m else None

    # ---------------------------------------------------------------- entry
    def handle_any(self):
        app = self.server.app
        self._fault = None
        self._status = None
        self.short_sent = None
        self.stalled = False
        self.reset = False
        body = b""
        try:
            body = self.read_body()
        except Exception as exc:
            self.close_connection = True
            self.reply(400, "Bad request body: %s\n" % exc)
            return
        req = self.request_info(body)
        self.req = req
        self.body = body
        self.note = None
        self.unexpected = False
        self.secret_spans = []
        self.auth = None
        self.password_ok = None
        self._fault = app.faults.take(req)
        app.log.begin()
        try:
            self._run(app, req)
        except Dropped:
            self.close_connection = True
        except (BrokenPipeError, ConnectionResetError, socket.timeout, ssl.SSLError):
            self.close_connection = True
        except Exception as exc:  # a fault in the double itself: answer, log it
            self.note = "double error: %r" % exc
            try:
                self.reply(500, "Internal error in the service double: %r\n" % exc)
            except Exception:
                self.close_connection = True
        finally:
            try:
                self._write_log(app, req)
            finally:
                app.log.end()

    def _run(self, app, req):
        fault = self._fault["fault"] if self._fault else {}
        if fault.get("delay"):
            time.sleep(float(fault["delay"]))
        if fault.get("hang"):
            app.faults.release.wait(float(fault["hang"]) if fault["hang"] is not True else 600)
        if fault.get("drop"):
            self.close_connection = True
            raise Dropped()
        if "status" in fault or "body" in fault or "body_base64" in fault:
            body = base64.b64decode(fault["body_base64"]) if "body_base64" in fault else fault.get("body", "")
            self.reply(int(fault.get("status", 200)), body,
                       fault.get("content_type", "text/plain"), fault.get("headers"))
            return
        roles = app.accounts.roles_of(req["host"]) if app.strict_hosts else \
            {"lookup", "web", "mail", "search", "dav", "quota"}
        path = req["path"]
        if path.startswith("/cgi-bin/"):
            script = SCRIPTS.get(path)
            if script is None:
                return self.unexpected_request("no such script")
            handler, needed = script
            if not roles & needed:
                return self.unexpected_request("script %s is not served on host %r" % (path, req["host"]))
            if self.command not in ("GET", "POST", "HEAD"):
                return self.unexpected_request("method %s on a script" % self.command)
            return handler(self, app)
        if path.startswith("/users/"):
            if "dav" not in roles:
                return self.unexpected_request("no WebDAV service on host %r" % req["host"])
            return self.webdav(app)
        return self.unexpected_request("nothing served at this path")

    def unexpected_request(self, why):
        self.unexpected = True
        self.note = why
        self.reply(501, "Not implemented by the service double: %s\n" % why)

    def _write_log(self, app, req):
        body = self.body if hasattr(self, "body") else b""
        if self.secret_spans:
            for start, end in sorted(self.secret_spans, reverse=True):
                body = body[:start] + redaction(body[start:end]) + body[end:]
            req["body"] = decode_text(body)
        elif body:
            # A form the double does not know: a password value runs to the next
            # "&name=" marker, since the clients send it raw and it may hold "&".
            req["body"] = re.sub(r"(?i)((?:^|&)(?:password|pass)=)(.*?)(?=&[A-Za-z_][A-Za-z0-9_]*=|\r?\n|$)",
                                 lambda m: m.group(1) + "<sha256:%s>" % hash_secret(m.group(2)), req["body"])
        headers = []
        for k, v in req["headers"]:
            if k.lower() == "authorization":
                v = v.split(" ", 1)[0] + " <redacted>"
            headers.append([k, v])
        req["headers"] = headers
        req["auth"] = self.auth
        req["password_ok"] = self.password_ok
        req["status"] = self._status if not (self._status is None) else None
        req["fault"] = self._fault["id"] if self._fault else None
        req["dropped"] = self._status is None or self.short_sent is not None
        if self.short_sent is not None:
            req["short_body_bytes"] = self.short_sent
        if self.stalled:
            req["stalled"] = True
        if self.reset:
            req["reset"] = True
        req["kind"] = "request"
        req["unexpected"] = self.unexpected
        if self.note:
            req["note"] = self.note
        app.log.add(req)

    # ------------------------------------------------------------ WebDAV
    def authorise(self, app, user):
        header = self.headers.get("Authorization", "")
        name = password = None
        if header[:6].lower() == "basic ":
            try:
                decoded = decode_text(base64.b64decode(header[6:].strip(), validate=False))
                name, _, password = decoded.partition(":")
            except Exception:
                name = None
        ok = name is not None and app.accounts.check(name, password)
        self.auth = {"user": name, "password_sha256": hash_secret(password) if password is not None else None,
                     "ok": ok}
        if not ok:
            self.reply(401, "Authentication required.\n",
                       headers={"WWW-Authenticate": 'Basic realm="Orvane"'})
            return False
        acc = app.accounts.get(name)
        if acc["status"] != "active":
            self.reply(403, "Account %s.\n" % acc["status"])
            return False
        if name != user:
            self.reply(403, "Forbidden.\n")
            return False
        return True

    def webdav(self, app):
        m = ACCOUNT_PATH_RE.match(self.req["path"])
        if not m:
            if self.command == "OPTIONS":
                return self.reply(200, b"", None, {"DAV": "1,2", "Allow": ALLOW})
            return self.unexpected_request("not below /users/<user>/Files")
        user, rest = m.group(1), m.group(2) or ""
        if not self.authorise(app, user):
            return
        node = resolve(app.accounts, user, rest)
        if node is None:
            return self.reply(400, "Bad path.\n")
        method = self.command
        handler = DAV_METHODS.get(method)
        if handler is None:
            return self.unexpected_request("method %s" % method)
        with app.accounts.lock if method not in ("GET", "HEAD", "PROPFIND") else _NoLock():
            return handler(self, app, user, node)

    def dav_options(self, app, user, node):
        self.reply(200, b"", None, {"DAV": "1,2", "Allow": ALLOW, "MS-Author-Via": "DAV"})

    def dav_propfind(self, app, user, node):
        depth = (self.headers.get("Depth") or "infinity").strip().lower()
        if depth not in ("0", "1"):
            return self.reply(403, "Depth infinity is not served.\n")
        if not node.exists():
            return self.reply(404, "Not Found.\n")
        wanted = requested_properties(self.body)
        nodes = [node]
        if depth == "1" and node.is_dir:
            nodes += children_of(app.accounts, user, node)
        acc = app.accounts.get(user)
        responses = [self.response_xml(app, user, acc, n, wanted) for n in nodes]
        fault = self._fault["fault"] if self._fault else {}
        if fault.get("multistatus"):
            scheme = "http" if self.req["port"] == "http" else "https"
            responses = edit_multistatus(responses, fault["multistatus"],
                                         "%s://%s" % (scheme, self.headers.get("Host", self.req["host"])))
        text = ('<?xml version="1.0" encoding="utf-8"?>\n<D:multistatus xmlns:D="DAV:" xmlns:lp0="DAV:">\n'
                + "".join(responses) + "</D:multistatus>\n")
        self.reply(207, text, 'text/xml; charset="utf-8"')

    def response_xml(self, app, user, acc, node, wanted):
        st = os.stat(node.stamp_from)
        props = []
        stamp = st.st_mtime
        props.append("<lp0:creationdate>%s</lp0:creationdate>" % iso_date(stamp))
        props.append("<lp0:getlastmodified>%s</lp0:getlastmodified>" % http_date(stamp))
        props.append('<lp0:getetag>"%x-%x"</lp0:getetag>' % (st.st_ino, int(stamp)))
        if node.is_dir:
            props.append("<lp0:resourcetype><D:collection/></lp0:resourcetype>")
            props.append("<D:quota>%d</D:quota>" % megabytes(acc["quota"]))
            props.append("<D:used>%d</D:used>" % megabytes(acc["used"]))
        else:
            size = app.accounts.reported_size(user, node.fs_path, st.st_size) \
                if not node.read_only else st.st_size
            props.append("<lp0:resourcetype/>")
            props.append("<lp0:getcontentlength>%s</lp0:getcontentlength>" % reported_length_text(size))
            props.append("<D:getcontenttype>%s</D:getcontenttype>" % content_type_of(node.fs_path))
            props.append("<D:chunksize>%d</D:chunksize>" % CHUNK_SIZE)
            props.append("<checksum>%s</checksum>" % app.accounts.checksum_list(node.fs_path, st))
            if node.fs_path.lower().endswith(".zip"):
                try:
                    with zipfile.ZipFile(node.fs_path) as z:
                        infos = z.infolist()
                    props.append("<D:size>%d</D:size>" % sum(i.file_size for i in infos))
                    props.append("<D:zipfilelist>%s</D:zipfilelist>" % xml_escape(
                        ";".join(i.filename for i in infos)))
                    if "zipfilelist" in wanted:
                        props.append("<D:name>%s</D:name>" % xml_escape(os.path.basename(node.fs_path)))
                except zipfile.BadZipFile:
                    pass
        known = {"creationdate", "getlastmodified", "getetag", "resourcetype", "quota", "used",
                 "getcontentlength", "getcontenttype", "chunksize", "checksum", "size", "zipfilelist",
                 "name"}
        missing = [w for w in wanted if w not in known]
        out = ["<D:response>\n<D:href>%s</D:href>\n<D:propstat>\n<D:prop>\n" % href_of(node.href),
               "\n".join(props), "\n</D:prop>\n<D:status>HTTP/1.1 200 OK</D:status>\n</D:propstat>\n"]
        if missing:
            out.append("<D:propstat>\n<D:prop>\n%s\n</D:prop>\n<D:status>HTTP/1.1 404 Not Found</D:status>\n"
                       "</D:propstat>\n" % "\n".join("<D:%s/>" % w for w in missing))
        out.append("</D:response>\n")
        return "".join(out)

    def dav_get(self, app, user, node):
        if not node.exists():
            return self.reply(404, "Not Found.\n")
        if node.is_dir:
            return self.reply(404, "A folder has no content.\n")
        fault = self._fault["fault"] if self._fault else {}
        st = os.stat(node.fs_path)
        size = st.st_size
        # A file whose size the service reports in place of the real one serves
        # a generated body of that length (byte i is i % 251), never stored.
        generated = not node.read_only and app.accounts.has_override(user, node.fs_path)
        if generated:
            size = app.accounts.reported_size(user, node.fs_path, st.st_size)
        headers = {"Last-Modified": http_date(st.st_mtime), "ETag": '"%x-%x"' % (st.st_ino, int(st.st_mtime)),
                   "Accept-Ranges": "bytes"}
        first, last, status = 0, size - 1, 200
        rng = self.headers.get("Range")
        if rng and not fault.get("no_range"):
            span = parse_range(rng, size)
            if span == "unsatisfiable":
                headers["Content-Range"] = "bytes */%d" % size
                return self.reply(416, b"", "text/plain", headers)
            if span is not None:
                first, last = span
                status = 206
                headers["Content-Range"] = "bytes %d-%d/%d" % (first, last, size)
        if generated:
            chunks = generated_chunks(first, last)
        else:
            chunks = file_chunks(node.fs_path, first, last)
        self.reply_stream(status, last - first + 1, chunks, content_type_of(node.fs_path), headers)

    def dav_put(self, app, user, node):
        if node.read_only:
            return self.reply(403, "Snapshots are read-only.\n")
        if node.is_dir and os.path.isdir(node.fs_path or ""):
            return self.reply(405, "A folder cannot be overwritten.\n")
        parent = os.path.dirname(node.fs_path)
        if not os.path.isdir(parent):
            return self.reply(409, "Parent folder missing.\n")
        existed = os.path.exists(node.fs_path)
        old = os.path.getsize(node.fs_path) if existed else 0
        acc = app.accounts.get(user)
        if app.accounts.live_used(user) - old + len(self.body) > acc["quota"]:
            return self.reply(507, "Insufficient Storage.\n")
        with open(node.fs_path, "wb") as f:
            f.write(self.body)
        self.reply(204 if existed else 201, b"")

    def dav_mkcol(self, app, user, node):
        if self.body:
            return self.reply(415, "MKCOL takes no body.\n")
        if node.read_only:
            return self.reply(403, "Snapshots are read-only.\n")
        if os.path.exists(node.fs_path):
            return self.reply(405, "Method Not Allowed.\n")
        if not os.path.isdir(os.path.dirname(node.fs_path.rstrip(os.sep))):
            return self.reply(409, "Conflict.\n")
        os.mkdir(node.fs_path)
        self.reply(201, b"")

    def dav_delete(self, app, user, node):
        if node.read_only:
            return self.reply(403, "Snapshots are read-only.\n")
        if node.fs_path == app.accounts.files_root(user):
            return self.reply(403, "The account root cannot be deleted.\n")
        if not os.path.exists(node.fs_path):
            return self.reply(404, "Not Found.\n")
        remove_path(node.fs_path)
        self.reply(204, b"")

    def dav_move(self, app, user, node):
        self.move_or_copy(app, user, node, move=True)

    def dav_copy(self, app, user, node):
        self.move_or_copy(app, user, node, move=False)

    def move_or_copy(self, app, user, node, move):
        dest = self.headers.get("Destination")
        if not dest:
            return self.reply(400, "Destination header missing.\n")
        raw = dest.strip().encode("iso-8859-1", "replace")
        scheme, sep, rest = raw.partition(b"://")
        if not sep:
            return self.reply(400, "Destination must be an absolute URL.\n")
        dhost, slash, dpath = rest.partition(b"/")
        dhost = dhost.decode("iso-8859-1").lower().rsplit(":", 1)[0] if b":" in dhost else \
            dhost.decode("iso-8859-1").lower()
        own_scheme = b"http" if self.req["port"] == "http" else b"https"
        if dhost != self.req["host"] or scheme.lower() != own_scheme:
            # as Apache: "Destination URI refers to different scheme or port" / another server
            return self.reply(502, "Destination is on another server.\n")
        dpath = decode_text(percent_decode(b"/" + dpath.partition(b"?")[0]))
        m = ACCOUNT_PATH_RE.match(dpath)
        if not m or m.group(1) != user:
            return self.reply(403, "Destination outside the account.\n")
        target = resolve(app.accounts, user, m.group(2) or "")
        if target is None or target.read_only or (move and node.read_only):
            return self.reply(403, "Forbidden.\n")
        if not node.exists() or node.fs_path is None:
            return self.reply(404, "Not Found.\n")
        if node.fs_path == app.accounts.files_root(user) or target.fs_path == app.accounts.files_root(user):
            return self.reply(403, "Forbidden.\n")
        src = node.fs_path.rstrip(os.sep)
        dst = target.fs_path.rstrip(os.sep)
        if src == dst or dst.startswith(src + os.sep):
            return self.reply(403, "Source and destination overlap.\n")
        if not os.path.isdir(os.path.dirname(dst)):
            return self.reply(409, "Conflict.\n")
        overwrite = (self.headers.get("Overwrite") or "T").strip().upper() != "F"
        existed = os.path.exists(dst)
        if existed and not overwrite:
            return self.reply(412, "Precondition Failed.\n")
        if not move:
            acc = app.accounts.get(user)
            extra = app.accounts.tree_size(user, src) if not node.read_only else 0
            if app.accounts.live_used(user) + extra > acc["quota"]:
                return self.reply(507, "Insufficient Storage.\n")
        if existed:
            remove_path(dst)
        if move:
            shutil.move(src, dst)
            app.accounts.move_override(user, src, dst)
        elif os.path.isdir(src):
            shutil.copytree(src, dst)
        else:
            shutil.copy2(src, dst)
        self.reply(204 if existed else 201, b"")


class _NoLock:
    def __enter__(self):
        return self

    def __exit__(self, *a):
        return False


ALLOW = "OPTIONS, GET, HEAD, PUT, DELETE, PROPFIND, MKCOL, COPY, MOVE"
DAV_METHODS = {
    "OPTIONS": ServiceHandler.dav_options,
    "PROPFIND": ServiceHandler.dav_propfind,
    "GET": ServiceHandler.dav_get,
    "HEAD": ServiceHandler.dav_get,
    "PUT": ServiceHandler.dav_put,
    "MKCOL": ServiceHandler.dav_mkcol,
    "DELETE": ServiceHandler.dav_delete,
    "MOVE": ServiceHandler.dav_move,
    "COPY": ServiceHandler.dav_copy,
}


def file_chunks(path, first, last):
    with open(path, "rb") as f:
        f.seek(first)
        left = last - first + 1
        while left > 0:
            block = f.read(min(left, 1 << 20))
            if not block:
                return
            left -= len(block)
            yield block


def remove_path(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    else:
        os.remove(path)


MULTISTATUS_EDITS = {"only", "drop", "set", "full_urls", "order", "malformed"}


def edit_multistatus(responses, edits, origin):
    """Edits of a generated multistatus (the fault field "multistatus"): each
    <D:response> is edited when its href contains "only" (all when absent)."""
    only = edits.get("only")
    drop = edits.get("drop") or []
    drop = [drop] if isinstance(drop, str) else drop
    out = []
    for text in responses:
        href = re.search(r"<D:href>(.*?)</D:href>", text).group(1)
        if only is None or only in href:
            for name in drop:
                text = re.sub(r"<((?:\w+:)?)%s\b[^>]*?(?:/>|>.*?</\1%s>)\n?" % (re.escape(name), re.escape(name)),
                              "", text, flags=re.S)
            for name, value in (edits.get("set") or {}).items():
                pattern = r"(<((?:\w+:)?)%s>).*?(</\2%s>)" % (re.escape(name), re.escape(name))
                if re.search(pattern, text, flags=re.S):
                    text = re.sub(pattern, lambda m: m.group(1) + str(value) + m.group(3), text, flags=re.S)
                else:
                    text = text.replace("</D:prop>", "<D:%s>%s</D:%s>\n</D:prop>" % (name, value, name), 1)
            if edits.get("full_urls"):
                text = text.replace("<D:href>", "<D:href>" + origin, 1)
            if edits.get("malformed"):
                text = text.replace("</D:href>", "</D:hre>", 1)
        out.append(text)
    order = edits.get("order")
    if order == "reverse":
        out.reverse()
    elif order == "self_last" and out:
        out = out[1:] + out[:1]
    return out


def content_type_of(path):
    lower = path.lower()
    for ext, ctype in ((".txt", "text/plain"), (".zip", "application/zip"), (".xml", "text/xml")):
        if lower.endswith(ext):
            return ctype
    return "application/octet-stream"


def requested_properties(body):
    """Names of the properties a PROPFIND body asks for; empty means all.

    The clients send their bodies in the ANSI code page, which need not be
    well-formed XML, so the names are picked out by pattern, not parsed."""
    text = decode_text(body)
    if not text.strip() or "allprop" in text:
        return []
    prop = re.search(r"<(?:[\w.-]+:)?prop\b[^>]*>(.*?)</(?:[\w.-]+:)?prop>", text, re.S)
    inner = prop.group(1) if prop else text
    return [m.group(1) for m in re.finditer(r"<(?:[\w.-]+:)?([\w.-]+)\s*/>", inner)]


def parse_range(header, size):
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header)
    if not m or (not m.group(1) and not m.group(2)):
        return None  # not a single byte range: answered in full
    if m.group(1):
        first = int(m.group(1))
        last = int(m.group(2)) if m.group(2) else size - 1
        if first >= size or last < first:
            return "unsatisfiable"
        return first, min(last, size - 1)
    suffix = int(m.group(2))
    if suffix == 0 or size == 0:
        return "unsatisfiable"
    return max(0, size - suffix), size - 1


# ---------------------------------------------------------------- scripts

# A form field: its key, how its value is read, and whether it is a secret the
# log hides. Readers: RAW (bytes as UTF-8, else Windows-1252) and ENCODED (%XX
# decoded first; what the clients' encoders produce). A script that learns to
# decode another field changes only that field's reader in its form.
RAW = "raw"
ENCODED = "encoded"
FIELD_READERS = {
    RAW: decode_text,
    ENCODED: lambda raw: legacy_form_decode(raw),
}


def _fields(handler, form, last_from_end=()):
    """form: [(key, reader, secret?)] in the order the client sends them, the
    reader RAW or ENCODED (True/False are taken as ENCODED/RAW); answers
    {key: text} and notes the secret spans for the log."""
    body = handler.body
    keys = [k for k, _r, _s in form]
    spans = split_form(body, keys, last_from_end)
    out = {}
    for key, reader, secret in form:
        if key not in spans:
            continue
        if reader is True or reader is False:
            reader = ENCODED if reader else RAW
        start, end = spans[key]
        out[key] = FIELD_READERS[reader](body[start:end])
        if secret:
            handler.secret_spans.append((start, end))
    return out


def _text(handler, text):
    handler.reply(200, text.encode("utf-8") if isinstance(text, str) else text, "text/plain")


def _check_password(handler, app, user, password):
    ok = app.accounts.check(user, password)
    handler.password_ok = ok
    return ok


def _usable_account(handler, app, user, password):
    """Credentials of an account that may work; an expired, cancelled or removed
    account is refused here as WebDAV and the daemon refuse it."""
    ok = _check_password(handler, app, user, password)
    if ok and not app.accounts.usable(user, password):
        handler.note = "account %s is %s" % (user, app.accounts.get(user)["status"])
        return False
    return ok


def _known(app, user):
    acc = app.accounts.get(user)
    return acc if acc is not None and acc["status"] != "removed" else None


def script_location(handler, app):
    f = _fields(handler, [("user", ENCODED, False)])
    acc = _known(app, f.get("user", "").strip())
    # No line end: the clients keep the last field as it comes.
    _text(handler, " ".join(acc["servers"]) if acc else "")


def script_account_status(handler, app):
    f = _fields(handler, [("user", ENCODED, False), ("password", ENCODED, True)])
    user = f.get("user", "").strip()
    acc = _known(app, user)
    if acc is None:
        return _text(handler, "Invalid username")
    if not _check_password(handler, app, user, f.get("password", "").strip()):
        return _text(handler, "Invalid password")
    _text(handler, {"active": "Active", "cancelled": "Cancelled", "expired": "Expired"}.get(
        acc["status"], acc["status"]))


def script_account_type(handler, app):
    # The restore program encodes both values; a value without "%" reads as itself.
    f = _fields(handler, [("user", ENCODED, False), ("pass", ENCODED, True)])
    user = f.get("user", "")
    if not _check_password(handler, app, user, f.get("pass", "")):
        return _text(handler, "")  # the sign-in reads an empty reply as wrong credentials
    _text(handler, app.accounts.get(user).get("account_type_reply", "orvane_mac"))


def script_email_user(handler, app):
    f = _fields(handler, [("email", ENCODED, False)])
    found = app.accounts.users_for_email(f.get("email", ""))
    if isinstance(found, str):
        return _text(handler, found + "\n")
    found = [u for u in found if _known(app, u)]
    # several accounts: their names separated by blanks; none: an empty line,
    # which the sign-in's both readings take as "no such address" (an empty
    # reply would read as a failed request)
    _text(handler, " ".join(found) + "\n")


def _account_path(app, user, rel):
    """A path as the scripts receive it (below the account's files root, or the
    full server path) to a Node."""
    rel = rel.strip()
    prefix = "/users/%s/Files" % user
    if rel.startswith(prefix):
        rel = rel[len(prefix):]
    if not rel.startswith("/"):
        rel = "/" + rel
    return resolve(app.accounts, user, rel)


def script_delete(handler, app):
    # "path" comes escaped as the client has it: a listing key's href form or the
    # search window's fully escaped form; plain names decode to themselves.
    f = _fields(handler, [("user", ENCODED, False), ("password", ENCODED, True), ("path", ENCODED, False)])
    user = f.get("user", "")
    if not _usable_account(handler, app, user, f.get("password", "")):
        return _text(handler, "Invalid account.\n")
    rel = f.get("path", "")
    node = _account_path(app, user, rel)
    if node is None or not rel.strip("/ ") or node.read_only or node.fs_path is None:
        return _text(handler, "Refused: %s\n" % rel)
    root = app.accounts.files_root(user)
    if node.fs_path == root or not os.path.exists(node.fs_path):
        return _text(handler, "Not found: %s\n" % rel)
    base = "/users/%s/Files/" % user

    def full(path):
        text = base + os.path.relpath(path, root).replace(os.sep, "/")
        return text + "/" if os.path.isdir(path) and not os.path.islink(path) else text

    # Depth first, the folder last; each line goes out as its item is removed.
    items = []
    if os.path.isdir(node.fs_path) and not os.path.islink(node.fs_path):
        for dirpath, dirs, files in os.walk(node.fs_path, topdown=False):
            for name in sorted(files) + sorted(dirs):
                items.append(os.path.join(dirpath, name))
    items.append(node.fs_path)

    def removed():
        with app.accounts.lock:
            for path in items:
                line = ("Deleted %s\n" % full(path)).encode("utf-8")
                if os.path.isdir(path) and not os.path.islink(path):
                    os.rmdir(path)
                else:
                    os.remove(path)
                yield line

    handler.reply_streamed(200, removed(), "text/plain")


def script_compute_size(handler, app):
    f = _fields(handler, [("user", ENCODED, False), ("pass", ENCODED, True), ("path", ENCODED, False)])
    user = f.get("user", "")
    if not _usable_account(handler, app, user, f.get("pass", "")):
        return _text(handler, "Invalid account.\n")
    node = _account_path(app, user, f.get("path", ""))
    if node is None or not node.exists() or node.fs_path is None:
        return _text(handler, "0.00 K\n")
    total = app.accounts.tree_size(user, node.fs_path) if not node.read_only else \
        sum(os.path.getsize(os.path.join(d, n)) for d, _s, fs in os.walk(node.fs_path) for n in fs)
    _text(handler, "%.2f K\n" % (total / 1024.0))


def _quota_account(handler, app):
    f = _fields(handler, [("USER", ENCODED, False), ("PASSWORD", ENCODED, True)])
    user = f.get("USER", "")
    if not _usable_account(handler, app, user, f.get("PASSWORD", "").strip()):
        # a refused account is answered "N" by the status check (read-only)
        _text(handler, "N" if handler.password_ok and handler.req["path"] == "/cgi-bin/check_status"
              else "Invalid account.")
        return None
    return app.accounts.get(user)


def script_snapshots(handler, app, show):
    acc = _quota_account(handler, app)
    if acc is None:
        return
    if not acc["snapshots_available"]:
        return _text(handler, "N")  # replies for the clients end without a line end
    acc["snapshots_shown"] = show
    app.accounts.changed()
    _text(handler, "Y")


def script_check_status(handler, app):
    acc = _quota_account(handler, app)
    if acc is not None:
        _text(handler, "Y" if acc["read_write"] and acc["status"] == "active" else "N")


def script_recalculate(handler, app):
    acc = _quota_account(handler, app)
    if acc is not None:
        acc["used"] = app.accounts.live_used(acc["user"])
        _text(handler, "Y")


def script_return_filesize(handler, app):
    # The client pastes the href into the query unchanged, so the value may hold
    # "&": it runs from "filepath=" up to the next known key ("&test="), as the
    # service's script reads it.
    query = handler.raw_target.encode("iso-8859-1").partition(b"?")[2]
    fp = b""
    if query.startswith(b"filepath="):
        fp = query[len(b"filepath="):]
    else:
        at = query.find(b"&filepath=")
        fp = query[at + len(b"&filepath="):] if at >= 0 else b""
    end = fp.rfind(b"&test=")
    if end >= 0:
        fp = fp[:end]
    path = decode_text(percent_decode(fp))  # "/<user>/Files/..." with the href's escapes
    m = re.match(r"^/([^/]+)/Files(/.*)?\Z", path, re.DOTALL)
    if not m or _known(app, m.group(1)) is None:
        return _text(handler, "0")
    node = resolve(app.accounts, m.group(1), m.group(2) or "")
    if node is None or not node.exists() or node.is_dir:
        return _text(handler, "0")
    size = app.accounts.reported_size(m.group(1), node.fs_path, os.path.getsize(node.fs_path))
    _text(handler, str(int(math.ceil(size / 1024.0))))


def script_version(handler, app):
    _text(handler, str(app.accounts.description.get("version", "100")))


def script_mail(handler, app, unicode_form):
    form = [("EMAIL", ENCODED, False), ("SUBJECT", ENCODED, False), ("CONTENT", RAW, False)]
    if unicode_form:
        form.append(("user_email", ENCODED, False))
    f = _fields(handler, form, last_from_end=("user_email",))
    with app.accounts.lock:
        app.accounts.mails.append({"script": handler.req["path"], "host": handler.req["host"], "fields": f})
    _text(handler, "Mail queued.\n")


def script_search(handler, app, fresh):
    f = _fields(handler, [("user", ENCODED, False), ("term", ENCODED, False)])
    user = f.get("user", "").strip()
    acc = _known(app, user)
    if acc is not None and acc["status"] != rsync_files.ACTIVE:
        acc = None  # a refused account gets the empty reply of an unknown one
    if fresh or acc is None:
        return _text(handler, "OK\n" if acc else "")
    term = f.get("term", "").strip().lower()
    root = app.accounts.files_root(user)
    lines = []
    for dirpath, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            if term and term not in name.lower():
                continue
            full = os.path.join(dirpath, name)
            st = os.stat(full)
            lines.append("-rw-r--r-- %11d %s %s\n" % (
                app.accounts.reported_size(user, full, st.st_size),
                time.strftime("%Y/%m/%d %H:%M:%S", time.gmtime(st.st_mtime)),
                os.path.relpath(full, root)))
    _text(handler, "".join(lines))


SCRIPTS = {
    "/cgi-bin/get_location_all_webdav": (script_location, {"lookup"}),
    "/cgi-bin/get_account_status": (script_account_status, {"lookup"}),
    "/cgi-bin/get_email_user": (script_email_user, {"lookup", "web"}),
    "/cgi-bin/orvanee_get_email_user.cgi": (script_email_user, {"web"}),
    "/cgi-bin/orvanee_get_tessara_and_orvane": (script_account_type, {"web"}),
    "/cgi-bin/return_filesize": (script_return_filesize, {"web"}),
    "/cgi-bin/delete.cgi": (script_delete, {"dav"}),
    # the list form names the path in full; the plain form below "/Files/"
    "/cgi-bin/delete_list.cgi": (script_delete, {"dav"}),
    "/cgi-bin/compute_size.cgi": (script_compute_size, {"dav"}),
    "/cgi-bin/zqwinversion": (script_version, {"dav"}),
    "/cgi-bin/enable_snapshots": (lambda h, a: script_snapshots(h, a, True), {"quota"}),
    "/cgi-bin/disable_snapshots": (lambda h, a: script_snapshots(h, a, False), {"quota"}),
    "/cgi-bin/check_status": (script_check_status, {"quota"}),
    "/cgi-bin/recalculate.cgi": (script_recalculate, {"quota"}),
    "/cgi-bin/Notify_email": (lambda h, a: script_mail(h, a, False), {"mail"}),
    "/cgi-bin/Notify_unicode": (lambda h, a: script_mail(h, a, True), {"mail"}),
    "/cgi-bin/searchlistadd_client.cgi": (lambda h, a: script_search(h, a, False), {"search"}),
    "/cgi-bin/searchlistadd_fresh.cgi": (lambda h, a: script_search(h, a, True), {"search"}),
}


# ------------------------------------------------------------------ control

class ControlHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "OrvaneDoubleControl/1.0"
    timeout = 30

    def log_message(self, fmt, *args):
        pass

    def _json(self, status, obj):
        data = (json.dumps(obj, ensure_ascii=False, indent=1) + "\n").encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def _body(self):
        length = int(self.headers.get("Content-Length") or 0)
        raw = self.rfile.read(length) if length else b""
        return json.loads(raw.decode("utf-8")) if raw.strip() else {}

    def _route(self):
        app = self.server.app
        url = urllib.parse.urlsplit(self.path)
        q = urllib.parse.parse_qs(url.query)
        path = url.path.rstrip("/") or "/"
        method = self.command
        try:
            if path == "/health":
                return self._json(200, {"ok": True})
            if path in ("/control", "/faults"):
                if method == "DELETE":
                    app.reset_connections()
                if method == "POST":
                    body = self._body()
                    entries = body if isinstance(body, list) else [body]
                    ids = [app.faults.add(s) for s in entries]
                    return self._json(200, {"id": ids[0] if len(ids) == 1 else ids})
                if method == "GET":
                    return self._json(200, app.faults.listing())
                if method == "DELETE":
                    app.faults.clear()
                    return self._json(200, {"ok": True})
            if path == "/listener_faults":
                if method == "POST":
                    body = self._body()
                    entries = body if isinstance(body, list) else [body]
                    ids = []
                    for entry in entries:
                        item = app.faults.add_listener(entry, set(app.listeners) | {"https", "http"})
                        if "down" in item["fault"]:
                            for name in item["listener"]:
                                if name not in app.listeners:
                                    raise ValueError("listener %s cannot go down" % name)
                                app.listeners[name].go_down(min(float(item["fault"]["down"]), 60.0))
                        ids.append(item["id"])
                    return self._json(200, {"id": ids[0] if len(ids) == 1 else ids})
                if method == "GET":
                    return self._json(200, app.faults.listener_listing())
                if method == "DELETE":
                    app.faults.clear()
                    app.reset_connections()
                    return self._json(200, {"ok": True})
            if path == "/tls":
                if method == "POST":
                    body = self._body()
                    for name, variant in body.items():
                        if name not in TLS_LISTENERS or variant not in TLS_VARIANTS:
                            raise ValueError("POST /tls {listener: certificate}: listeners %s, certificates %s"
                                             % (", ".join(TLS_LISTENERS), ", ".join(TLS_VARIANTS)))
                    app.tls.update(body)
                if method in ("GET", "POST"):
                    return self._json(200, app.tls)
            if path == "/reset" and method == "POST":
                body = self._body()
                app.faults.clear()
                app.reset_connections()
                app.log.clear()
                if body.get("data"):
                    app.accounts.reseed()
                else:
                    app.accounts.reset_state()
                app.strict_hosts = True
                return self._json(200, {"ok": True})
            if path == "/log":
                if method == "GET":
                    since = int(q.get("since", ["0"])[0])
                    return self._json(200, app.log.since(since, q.get("unexpected", ["0"])[0] == "1"))
                if method == "DELETE":
                    app.log.clear()
                    return self._json(200, {"ok": True})
            if path == "/state":
                if method == "GET":
                    return self._json(200, self._state(app))
                if method == "POST":
                    body = self._body()
                    if "strict_hosts" in body:
                        app.strict_hosts = bool(body["strict_hosts"])
                    if "size_overrides" in body:
                        with app.accounts.lock:
                            for key, size in body["size_overrides"].items():
                                if size is None:
                                    app.accounts.overrides.pop(key, None)
                                else:
                                    app.accounts.overrides[key] = int(size)
                    if "user" in body:
                        acc = app.accounts.get(body["user"])
                        if acc is None:
                            return self._json(404, {"error": "no such account"})
                        if "status" in body and body["status"] not in ACCOUNT_STATUSES:
                            raise ValueError("status is one of %s" % ", ".join(ACCOUNT_STATUSES))
                        for key in ("quota", "used", "snapshots_shown", "snapshots_available", "status",
                                    "read_write", "password", "account_type_reply", "servers"):
                            if key in body:
                                acc[key] = body[key]
                        app.accounts.changed()
                    return self._json(200, self._state(app))
            if path == "/mails" and method == "GET":
                return self._json(200, app.accounts.mails)
        except (ValueError, KeyError, TypeError) as exc:
            return self._json(400, {"error": str(exc)})
        self._json(404, {"error": "no such control endpoint: %s %s" % (method, path)})

    @staticmethod
    def _state(app):
        accounts = {}
        for user, acc in app.accounts.by_user.items():
            accounts[user] = {k: acc[k] for k in ("quota", "used", "snapshots_shown", "snapshots_available",
                                                  "status", "read_write", "servers")}
        return {"strict_hosts": app.strict_hosts, "accounts": accounts, "mails": app.accounts.mails,
                "size_overrides": app.accounts.overrides}

    do_GET = do_POST = do_DELETE = do_PUT = _route


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--config", required=True, help="JSON file written by testbed/run")
    args = parser.parse_args()
    with open(args.config, encoding="utf-8") as f:
        cfg = json.load(f)
    description = sample_account.load_description(cfg["description"])
    app = App(description, cfg["data_root"], cfg["log_file"], cfg.get("rsync_dir"))

    ctx = None
    for variant in TLS_VARIANTS:
        c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        c.load_cert_chain(cfg["cert"] if variant == "good" else cfg["faulty_certs"][variant], cfg["key"])
        app.tls_contexts[variant] = c
        ctx = ctx or c
    servers = [
        DoubleServer(("127.0.0.1", cfg["https_port"]), ServiceHandler, app, ctx, "tls"),
        DoubleServer(("127.0.0.1", cfg["http_port"]), ServiceHandler, app, ctx, "sniff"),
        DoubleServer(("127.0.0.1", cfg["control_port"]), ControlHandler, app, ctx, "plain"),
    ]
    ports = cfg.get("ports", {})
    if "rsync_daemon" in ports:
        app.listeners = {
            "rsync": connections.RsyncListener(app, "rsync", ports["rsync"], ports["rsync_daemon"]),
            "rsync-tls": connections.RsyncListener(app, "rsync-tls", ports["stunnel"], ports["rsync_daemon"],
                                                   ports["stunnel_server"], ports["rsync_inner"]),
            "proxy": connections.ProxyListener(app, "proxy", ports["proxy"], cfg["connect_to"]),
            "proxy-auth": connections.ProxyListener(app, "proxy-auth", ports["proxy_auth"], cfg["connect_to"],
                                                    (cfg["proxy_user"], cfg["proxy_password"])),
        }
        inner = connections.RsyncListener(app, "rsync-tls-inner", ports["rsync_inner"], ports["rsync_daemon"])
        for listener in list(app.listeners.values()) + [inner]:
            listener.start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    for s in servers:
        threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    stop.wait()
    for s in servers:
        s.shutdown()
        s.server_close()


if __name__ == "__main__":
    main()
