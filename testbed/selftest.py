#!/usr/bin/python3
"""Acceptance tests of the testbed itself; run inside it:

    testbed/run -- /usr/bin/python3 testbed/selftest.py -v

Skips (exit code 77) when TESTBED_ENV is not set, as when the testbed could not start.
"""

import base64
import hashlib
import json
import os
import re
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ENV = os.environ.get("TESTBED_ENV")
DAV = "{DAV:}"


def env(name):
    return os.environ[name]


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def wait_listening(port, proc, seconds=10.0):
    end = time.time() + seconds
    while time.time() < end:
        out = subprocess.run(["ss", "-Hltn", "sport = :%d" % port], capture_output=True, text=True).stdout
        if out.strip():
            return
        if proc.poll() is not None:
            raise RuntimeError("process ended before listening on %d" % port)
        time.sleep(0.02)
    raise RuntimeError("nothing listens on %d" % port)


def control(method, path, body=None):
    data = json.dumps(body).encode() if body is not None else None
    req = urllib.request.Request(env("TESTBED_CONTROL_URL") + path, data=data, method=method,
                                 headers={"Content-Type": "application/json"})
    with urllib.request.urlopen(req, timeout=10) as r:
        return json.loads(r.read().decode("utf-8"))


def connect_to_args():
    """The testbed's host map, in the form curl takes it."""
    args = []
    for entry in env("ORVANE_CONNECT_TO").split(";"):
        source, target = entry.split("=")
        host, port = source.rsplit(":", 1)
        args += ["--connect-to", "%s:%s:%s" % ("" if host == "*" else host, port, target)]
    return args


class Reply:
    def __init__(self, code, status, headers, body):
        self.code = code          # curl's exit code
        self.status = status      # HTTP status, 0 when none came
        self.headers = headers    # lower-cased names, last response only
        self.body = body

    @property
    def text(self):
        return self.body.decode("utf-8")


def curl(method, url, user=None, password=None, headers=(), data=None, extra=(), mapped=True):
    with tempfile.TemporaryDirectory() as tmp:
        cmd = ["curl", "-sS", "--cacert", env("TESTBED_CA_FILE"), "-X", method, "-D", tmp + "/h",
               "-o", tmp + "/b", "-w", "%{http_code}", "--max-time", "30"]
        if mapped:
            cmd += connect_to_args()
        if user is not None:
            cmd += ["-u", "%s:%s" % (user, password)]
        for h in headers:
            cmd += ["-H", h]
        if data is not None:
            with open(tmp + "/d", "wb") as f:
                f.write(data if isinstance(data, bytes) else data.encode("utf-8"))
            cmd += ["--data-binary", "@" + tmp + "/d"]
        cmd += list(extra) + [url]
        r = subprocess.run(cmd, capture_output=True, text=True)
        hdrs = {}
        if os.path.exists(tmp + "/h"):
            with open(tmp + "/h", "rb") as f:
                blocks = [b for b in f.read().decode("iso-8859-1").split("\r\n\r\n") if b.strip()]
            if blocks:
                for line in blocks[-1].split("\r\n")[1:]:
                    k, _, v = line.partition(":")
                    hdrs[k.strip().lower()] = v.strip()
        body = b""
        if os.path.exists(tmp + "/b"):
            with open(tmp + "/b", "rb") as f:
                body = f.read()
        status = int(r.stdout.strip() or 0) if r.stdout.strip().isdigit() else 0
        return Reply(r.returncode, status, hdrs, body)


def proc_cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return [a.decode("utf-8", "replace") for a in f.read().split(b"\0") if a]
    except OSError:
        return []


def gone(pid):
    """Ended (a zombie counts: orphans of "start" wait there for whoever reaps them)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except OSError:
        return True


def pattern(first, last):
    return bytes(i % 251 for i in range(first, last + 1))


PROPFIND_BODY = ("<?xml version='1.0'?><a:propfind xmlns:a='DAV:'><a:prop xmlns:R=\"%s\" >"
                 "<a:getcontentlength/><a:getlastmodified/><a:quota/><a:used/></a:prop></a:propfind>")


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class ServiceDoubleTest(unittest.TestCase):
    def setUp(self):
        control("POST", "/reset", {"data": True})
        self.user, self.password = env("TESTBED_USER"), env("TESTBED_PASSWORD")
        self.dav = "https://%s/users/%s/Files/" % (env("TESTBED_WEBDAV_HOST"), self.user)

    def dav_call(self, method, path, **kw):
        kw.setdefault("user", self.user)
        kw.setdefault("password", self.password)
        return curl(method, self.dav + path, **kw)

    def propfind(self, path, depth="1", **kw):
        body = PROPFIND_BODY % (env("TESTBED_WEBDAV_HOST") + "/users/%s/Files/" % self.user)
        return self.dav_call("PROPFIND", path, headers=["Depth:" + depth, "Content-Type:text/xml", "Translate:f"],
                             data=body, **kw)

    def post(self, host, script, body):
        # the legacy client posts its forms as HTTP/1.0
        return curl("POST", "https://%s%s" % (host, script), data=body, extra=["--http1.0"],
                    headers=["Content-Type: application/x-www-form-urlencoded"])

    # ------------------------------------------------------------ WebDAV
    def test_propfind_root_has_the_service_shape(self):
        r = self.propfind("")
        self.assertEqual(r.status, 207)
        self.assertIn("text/xml", r.headers["content-type"])
        # the legacy client selects nodes by these literal prefixes
        for literal in ("<D:multistatus", "<D:response>", "<D:href>", "<D:propstat>", "<D:prop>",
                        "<lp0:getlastmodified>", "<lp0:getcontentlength>", "<D:quota>5120</D:quota>",
                        "<D:used>", "<D:chunksize>131072</D:chunksize>", "<checksum>"):
            self.assertIn(literal, r.text)
        doc = ET.fromstring(r.body)
        entries = {}
        for resp in doc.findall(DAV + "response"):
            href = resp.findtext(DAV + "href")
            entries[href] = {child.tag.split("}")[-1]: child.text for child in resp.iter()
                             if child.tag.startswith(DAV) or child.tag == "checksum"}
        root = "/users/%s/Files/" % self.user
        self.assertEqual(list(entries)[0], root)
        self.assertIn(root + "BackUp_nightly.1/", entries)
        self.assertIn(root + "BackUp_nightly.3/", entries)
        self.assertIn(root + "%C5%81%C3%B3d%C5%BA%20stra%C3%9Fe/", entries)
        self.assertEqual(entries[root + "readme.txt"]["getcontentlength"], "31")
        self.assertEqual(entries[root + "Huge%20archive.iso"]["getcontentlength"], "-1073741824")
        self.assertEqual(entries[root + "photos.zip"]["size"], str(len("first picture\n") + len("second picture\n")))
        self.assertEqual(entries[root + "readme.txt"]["getlastmodified"], "Tue, 04 Mar 2014 10:15:02 GMT")
        self.assertRegex(entries[root + "readme.txt"]["checksum"], r"^\d+  $")
        self.assertNotIn(root + "Documents/Letters/", entries)  # depth 1 only

    def test_hrefs_escape_special_names_and_decode_back(self):
        r = self.propfind("Documents/Reports%20%231/")
        self.assertEqual(r.status, 207)
        hrefs = [h.text for h in ET.fromstring(r.body).iter(DAV + "href")]
        self.assertIn("/users/%s/Files/Documents/Reports%%20%%231/Q1%%20100%%25%%20done.txt" % self.user, hrefs)
        self.assertIn("/users/%s/Files/Documents/Reports%%20%%231/a+b=c.txt" % self.user, hrefs)
        r = self.propfind("Documents/Letters/2009/")
        self.assertIn("r%C3%A9sum%C3%A9%20&amp;%20notes.txt", r.text)  # XML first, then escapes

    def test_sizes_of_two_gigabytes_and_more_come_out_as_signed_32_bit(self):
        key = "%s/Files/readme.txt" % self.user
        for size, reported in [(2147483647, "2147483647"), (2147483648, "-2147483648"),
                               (3221225472, "-1073741824"), (4294967295, "-2"), (4294967296, "0"),
                               (5368709120, "1073741824")]:
            with self.subTest(size=size):
                control("POST", "/state", {"size_overrides": {key: size}})
                text = self.propfind("readme.txt").text
                self.assertIn("<lp0:getcontentlength>%s</lp0:getcontentlength>" % reported, text)
                r = curl("GET", "https://%s/cgi-bin/return_filesize?filepath=/%s/Files/readme.txt&test=1"
                         % (env("TESTBED_WEB_HOST"), self.user))
                self.assertEqual(r.text, str(-(-size // 1024)))
        # GET serves a generated body of the reported length: a range near 3 GiB
        control("POST", "/state", {"size_overrides": {key: 3221225472}})
        r = self.dav_call("GET", "readme.txt", headers=["Range: bytes=3221225000-3221225471"])
        self.assertEqual((r.status, r.headers["content-range"]), (206, "bytes 3221225000-3221225471/3221225472"))
        self.assertEqual(r.body, pattern(3221225000, 3221225471))

    def test_propfind_statuses(self):
        cases = [
            ("bad password", dict(path="", password="wrong"), 401),
            ("other account", dict(path="", user=env("TESTBED_WIN_USER"), password=env("TESTBED_WIN_PASSWORD")), 403),
            ("depth infinity", dict(path="", depth="infinity"), 403),
            ("missing", dict(path="No%20such%20folder/"), 404),
            ("snapshot", dict(path="BackUp_nightly.3/%s/Documents/" % env("TESTBED_USER")), 207),
            ("file, depth 1", dict(path="readme.txt"), 207),
        ]
        for name, kw, status in cases:
            with self.subTest(name):
                r = self.propfind(**kw)
                self.assertEqual(r.status, status, r.text)
                if status == 401:
                    self.assertTrue(r.headers.get("www-authenticate", "").startswith("Basic"))

    def test_ranged_get(self):
        name = "Media/holiday%20clip.bin"
        size = 3158073
        for first, last, status, expect in [
            (0, 131071, 206, pattern(0, 131071)),
            (3145728, size - 1, 206, pattern(3145728, size - 1)),
            (size - 5, size + 100, 206, pattern(size - 5, size - 1)),  # clamped at the end
            (size, size + 10, 416, b""),
        ]:
            with self.subTest(first=first, last=last):
                r = self.dav_call("GET", name, headers=["Range: bytes=%d-%d" % (first, last)])
                self.assertEqual(r.status, status)
                if status == 206:
                    self.assertEqual(r.headers["content-range"], "bytes %d-%d/%d" % (first, first + len(expect) - 1,
                                                                                       size))
                    self.assertEqual(r.body, expect)
                else:
                    self.assertEqual(r.headers["content-range"], "bytes */%d" % size)
        r = self.dav_call("GET", "empty.txt")
        self.assertEqual((r.status, r.body), (200, b""))

    def test_item_operations(self):
        host = env("TESTBED_WEBDAV_HOST")
        dest = "Destination:https://%s/users/%s/Files/" % (host, self.user)
        steps = [
            ("MKCOL", "New%20folder/", [], 201),
            ("MKCOL", "New%20folder/", [], 405),
            ("MKCOL", "missing/inner/", [], 409),
            ("COPY", "readme.txt", ["Overwrite:F", dest + "New folder/copy #1.txt"], 201),
            ("COPY", "readme.txt", ["Overwrite:F", dest + "New folder/copy #1.txt"], 412),
            ("COPY", "readme.txt", ["Overwrite:T", dest + "New folder/copy #1.txt"], 204),
            ("MOVE", "New%20folder/copy%20%231.txt", ["Overwrite:F", dest + "New folder/moved.txt"], 201),
            ("MOVE", "a.txt", ["Overwrite:F", dest + "no/such/place.txt"], 409),
            ("MOVE", "a.txt", ["Overwrite:F", "Destination:https://elsewhere.example/users/x/Files/a.txt"], 502),
            ("MOVE", "a.txt", ["Overwrite:F", "Destination:http://%s/users/%s/Files/b2.txt" % (host, self.user)], 502),
            ("DELETE", "New%20folder/", [], 204),
            ("DELETE", "New%20folder/", [], 404),
            ("DELETE", "", [], 403),
            ("DELETE", "BackUp_nightly.3/%s/Documents/" % self.user, [], 403),
        ]
        for method, path, headers, status in steps:
            with self.subTest(method=method, path=path, headers=headers):
                self.assertEqual(self.dav_call(method, path, headers=headers).status, status)

    def raw_request(self, target, method="MKCOL", extra=b""):
        """extra: header lines to add; None leaves out the Host header."""
        ctx = ssl.create_default_context(cafile=env("TESTBED_CA_FILE"))
        auth = base64.b64encode(("%s:%s" % (self.user, self.password)).encode()).decode()
        host = b"" if extra is None else b"Host: %s\r\n" % env("TESTBED_WEBDAV_HOST").encode()
        request = (b"%s %s HTTP/1.1\r\n%sAuthorization: Basic %s\r\n%sContent-Length: 0\r\n"
                   b"Connection: close\r\n\r\n" % (method.encode(), target, host, auth.encode(), extra or b""))
        with socket.create_connection(("127.0.0.1", int(env("TESTBED_HTTPS_PORT")))) as raw:
            with ctx.wrap_socket(raw, server_hostname=env("TESTBED_WEBDAV_HOST")) as s:
                s.sendall(request)
                return s.recv(4096).decode("iso-8859-1")

    def test_request_targets_are_held_to_the_stock_rules(self):
        """A path the client forgot to encode fails: raw blank, control or non-ASCII byte → 400."""
        base = ("/users/%s/Files/" % self.user).encode()
        for name, target in [("raw blank", base + b"Raw folder/"), ("raw UTF-8", base + "Raw é/".encode()),
                             ("raw Windows-1252", base + "Raw é/".encode("cp1252")),
                             ("control byte", base + b"Raw\tfolder/")]:
            with self.subTest(name):
                reply = self.raw_request(target)
                self.assertTrue(reply.startswith("HTTP/1.1 400"), reply)
                self.assertEqual(control("GET", "/log")[-1]["status"], 400)
        self.assertEqual(sorted(os.listdir(env("TESTBED_ACCOUNT_ROOT"))).count("Raw folder"), 0)
        for name, extra in [("header line without a colon", b"Broken header line\r\n"), ("no Host", None)]:
            with self.subTest(name):
                reply = self.raw_request(base + b"Fine/", extra=extra)
                self.assertTrue(reply.startswith("HTTP/1.1 400"), reply)
        reply = self.raw_request(base + b"Raw%20folder%20%C3%A9%20%232/")
        self.assertTrue(reply.startswith("HTTP/1.1 201"), reply)
        self.assertTrue(os.path.isdir(os.path.join(env("TESTBED_ACCOUNT_ROOT"), "Raw folder é #2")))

    def test_http_port_serves_plain_and_tls(self):
        root = "/users/%s/Files/" % self.user
        plain = curl("PROPFIND", "http://%s%s" % (env("TESTBED_WEBDAV_HOST"), root), self.user, self.password,
                     headers=["Depth: 0"])
        self.assertEqual(plain.status, 207)
        # a secure request to port 80, as the legacy client makes with its secure flag on
        tls = curl("PROPFIND", "https://%s:80%s" % (env("TESTBED_WEBDAV_HOST"), root), self.user, self.password,
                   headers=["Depth: 0"])
        self.assertEqual(tls.status, 207)
        ports = [e["port"] for e in control("GET", "/log")[-2:]]
        self.assertEqual(ports, ["http", "http-tls"])

    def test_snapshots_follow_the_switch(self):
        quota_host = env("TESTBED_WEBDAV_HOST")
        form = "USER=%s&PASSWORD=%s" % (self.user, self.password)
        self.assertEqual(self.post(quota_host, "/cgi-bin/disable_snapshots", form).text, "Y")
        self.assertNotIn("BackUp_nightly", self.propfind("").text)
        self.assertEqual(self.propfind("BackUp_nightly.3/").status, 404)
        self.assertEqual(self.post(quota_host, "/cgi-bin/enable_snapshots", form).text, "Y")
        self.assertIn("BackUp_nightly.3/", self.propfind("").text)

    # ----------------------------------------------------------- scripts
    def test_scripts_answer_as_the_clients_parse_them(self):
        lookup, web, dav = env("TESTBED_LOOKUP_HOST"), env("TESTBED_WEB_HOST"), env("TESTBED_WEBDAV_HOST")
        mail = env("TESTBED_MAIL_HOST")
        u, p = self.user, self.password
        cases = [
            (lookup, "/cgi-bin/get_location_all_webdav?", "user=" + u,
             "web1.orvane.example rsync1.orvane.example ftp1.orvane.example mirror1.orvane.example "
             "dav1.orvane.example"),
            (lookup, "/cgi-bin/get_location_all_webdav?", "user=nobody", ""),
            (lookup, "/cgi-bin/get_account_status?", "user=%s&password=Orv%%26ne%%2B2014" % u, "Active"),
            (lookup, "/cgi-bin/get_account_status?", "user=%s&password=wrong" % u, "Invalid password"),
            (lookup, "/cgi-bin/get_account_status?", "user=nobody&password=x", "Invalid username"),
            (lookup, "/cgi-bin/get_account_status?", "user=lapsed&password=Lapsed%2D1", "Expired"),
            (lookup, "/cgi-bin/get_account_status?", "user=gone&password=Gone%2D1", "Cancelled"),
            (web, "/cgi-bin/orvanee_get_tessara_and_orvane?", "user=%s&pass=%s" % (u, p), "orvane_mac"),
            (web, "/cgi-bin/orvanee_get_tessara_and_orvane?", "user=winclient&pass=Win-pass1", "windows_user"),
            (web, "/cgi-bin/orvanee_get_tessara_and_orvane?", "user=oldtess&pass=Old+pass1",
             "tessara:oldtess:Old+pass1:1073741824"),
            (web, "/cgi-bin/orvanee_get_tessara_and_orvane?", "user=%s&pass=wrong" % u, ""),
            (web, "/cgi-bin/orvanee_get_tessara_and_orvane?", "user=%s&pass=Orv%%26ne%%2B2014" % u, "orvane_mac"),
            (web, "/cgi-bin/orvanee_get_email_user.cgi?", "email=marta%2Ekowalski%40example%2Eorg", u + "\n"),
            (web, "/cgi-bin/get_email_user?", "email=family%40example%2Eorg", "mkowalski winclient\n"),
            (lookup, "/cgi-bin/get_email_user?", "email=busy%40example%2Eorg", "too many rows\n"),
            (web, "/cgi-bin/orvanee_get_email_user.cgi?", "email=who%40example%2Eorg", "\n"),
            (lookup, "/cgi-bin/get_email_user?", "email=who%40example%2Eorg", "\n"),
            (dav, "/cgi-bin/compute_size.cgi?", "user=%s&pass=%s&path=Documents/Reports #1/" % (u, p), "0.03 K\n"),
            # as a listing key holds it, and in the search window's full escaping
            (dav, "/cgi-bin/compute_size.cgi?", "user=%s&pass=%s&path=Documents/Reports%%20%%231/" % (u, p),
             "0.03 K\n"),
            (dav, "/cgi-bin/compute_size.cgi?", "user=%s&pass=%s&path=Documents/Letters/%%C3%%9Cn%%C3%%AFc%%C3%%B6d"
             "%%C3%%A9%%20%%E6%%97%%A5%%E6%%9C%%AC%%2Etxt" % (u, p), "0.02 K\n"),
            (dav, "/cgi-bin/compute_size.cgi?", "user=lapsed&pass=Lapsed-1&path=x/", "Invalid account.\n"),
            (dav, "/cgi-bin/check_status?", "USER=lapsed&PASSWORD=Lapsed-1", "N"),
            (dav, "/cgi-bin/enable_snapshots", "USER=gone&PASSWORD=Gone-1", "Invalid account."),
            (dav, "/cgi-bin/compute_size.cgi?", "user=%s&pass=%s&path=Media/" % (u, p),
             "%.2f K\n" % ((3158073 + 262144) / 1024.0)),
            (dav, "/cgi-bin/zqwinversion", "", "100"),
            (dav, "/cgi-bin/check_status?", "USER=%s&PASSWORD=%s" % (u, p), "Y"),
            (dav, "/cgi-bin/check_status?", "USER=subacct&PASSWORD=Sub-pass1", "N"),
            (dav, "/cgi-bin/enable_snapshots", "USER=subacct&PASSWORD=Sub-pass1", "N"),
            (lookup, "/cgi-bin/recalculate.cgi?", "USER=oldtess&PASSWORD=Old+pass1", "Y"),
            (dav, "/cgi-bin/delete.cgi", "user=%s&password=wrong&path=Media/" % u, "Invalid account.\n"),
            # secrets the clients encode: %XX decoded, so "Orv&ne+2014" matches either way
            (dav, "/cgi-bin/compute_size.cgi?", "user=%s&pass=Orv%%26ne%%2B2014&path=Documents/Reports%%20%%231/" % u,
             "0.03 K\n"),
            (dav, "/cgi-bin/check_status?", "USER=%s&PASSWORD=Orv%%26ne%%2B2014" % u, "Y"),
            (dav, "/cgi-bin/delete.cgi", "user=%s&password=Orv%%26ne%%2B2014x&path=Media/" % u, "Invalid account.\n"),
            (mail, "/cgi-bin/Notify_email", "EMAIL=support%40orvane%2Eexample\r\n&SUBJECT=Hi%20there\r\n"
                                            "&CONTENT=line 1\r\nA=B & more", "Mail queued.\n"),
        ]
        for host, script, body, expected in cases:
            with self.subTest(script=script, body=body):
                r = self.post(host, script, body)
                self.assertEqual((r.status, r.text), (200, expected))
        mails = control("GET", "/mails")
        self.assertEqual(mails[-1]["fields"], {"EMAIL": "support@orvane.example", "SUBJECT": "Hi there",
                                               "CONTENT": "line 1\r\nA=B & more"})
        r = curl("GET", "https://%s/cgi-bin/return_filesize?filepath=/%s/Files/Huge%%20archive.iso&test=1"
                 % (web, u))
        self.assertEqual(r.text, str(3221225472 // 1024))
        # the href pasted as it is, "&" included: the value runs to "&test="
        r = curl("GET", "https://%s/cgi-bin/return_filesize?filepath=/%s/Files/Documents/Letters/2009/"
                 "r%%C3%%A9sum%%C3%%A9%%20&%%20notes.txt&test=1" % (web, u))
        self.assertEqual(r.text, "1")

    def test_folder_delete_and_quota_recalculation(self):
        dav = env("TESTBED_WEBDAV_HOST")
        before = control("GET", "/state")["accounts"][self.user]["used"]
        r = self.post(dav, "/cgi-bin/delete.cgi", "user=%s&password=%s&path=Media/" % (self.user, self.password))
        full = "Deleted /users/%s/Files/" % self.user
        self.assertEqual(r.text.splitlines(), [full + "Media/holiday clip.bin", full + "Media/two ranges.bin",
                                               full + "Media/"])
        self.assertFalse(os.path.exists(os.path.join(env("TESTBED_ACCOUNT_ROOT"), "Media")))
        # an escaped path (a listing key's field) deletes the folder it names; HTTP/1.1 gets it chunked
        r = curl("POST", "https://%s/cgi-bin/delete.cgi" % dav, data="user=%s&password=%s&path=Documents/"
                 "Reports%%20%%231/" % (self.user, self.password))
        self.assertEqual(r.headers.get("transfer-encoding"), "chunked")
        self.assertEqual(r.text.splitlines()[-1], full + "Documents/Reports #1/")
        self.assertIn(full + "Documents/Reports #1/Q1 100% done.txt", r.text.splitlines())
        self.assertFalse(os.path.exists(os.path.join(env("TESTBED_ACCOUNT_ROOT"), "Documents", "Reports #1")))
        self.assertEqual(control("GET", "/state")["accounts"][self.user]["used"], before)  # until recalculated
        form = "USER=%s&PASSWORD=%s" % (self.user, self.password)
        self.assertEqual(self.post(dav, "/cgi-bin/recalculate.cgi?", form).text, "Y")
        after = before - 3158073 - 262144 - 32
        self.assertEqual(control("GET", "/state")["accounts"][self.user]["used"], after)
        used = re.search(r"<D:used>(\d+)</D:used>", self.propfind("").text).group(1)
        self.assertEqual(int(used), -(-after // 2 ** 20))  # megabytes, rounded up

    def test_script_on_the_wrong_host_is_unexpected(self):
        r = self.post(env("TESTBED_WEB_HOST"), "/cgi-bin/delete.cgi", "user=x")
        self.assertEqual(r.status, 501)
        r = curl("GET", "https://%s/favicon.ico" % env("TESTBED_WEBDAV_HOST"))
        self.assertEqual(r.status, 501)
        unexpected = control("GET", "/log?unexpected=1")
        self.assertEqual([e["path"] for e in unexpected], ["/cgi-bin/delete.cgi", "/favicon.ico"])

    # ------------------------------------------------- faults and the log
    def test_injected_fault_applies_once_and_is_logged(self):
        lookup = env("TESTBED_LOOKUP_HOST")
        fid = control("POST", "/control", {"match": {"method": "POST", "path_prefix": "/cgi-bin/get_account_status",
                                                     "host": lookup},
                                           "fault": {"body": "Cache Access Denied."}})["id"]
        body = "user=%s&password=Orv%%26ne%%2B2014" % self.user
        first = self.post(lookup, "/cgi-bin/get_account_status?", body)
        second = self.post(lookup, "/cgi-bin/get_account_status?", body)
        self.assertEqual((first.status, first.text), (200, "Cache Access Denied."))
        self.assertEqual(second.text, "Active")
        log = control("GET", "/log")
        self.assertEqual([(e["fault"], e["status"]) for e in log[-2:]], [(fid, 200), (None, 200)])
        entry = log[-1]
        self.assertEqual((entry["method"], entry["host"], entry["target"], entry["port"]),
                         ("POST", lookup, "/cgi-bin/get_account_status?", "https"))
        self.assertIn(["Content-Type", "application/x-www-form-urlencoded"], entry["headers"])
        secret = hashlib.sha256(b"Orv%26ne%2B2014").hexdigest()[:16]
        self.assertEqual(entry["body"], "user=%s&password=<sha256:%s>" % (self.user, secret))
        self.assertTrue(entry["password_ok"])
        self.assertEqual(control("GET", "/faults"), [])

    def test_fault_kinds(self):
        name = "Media/two%20ranges.bin"
        rng = ["Range: bytes=0-99"]
        cases = [
            ({"status": 503, "body": "busy"}, lambda r: (r.status, r.text) == (503, "busy")),
            ({"no_range": True}, lambda r: r.status == 200 and len(r.body) == 262144),
            ({"short_body": 10}, lambda r: r.code == 18 and len(r.body) == 10),
            ({"drop": True}, lambda r: r.code == 52 and r.status == 0),
            ({"delay": 0.3}, lambda r: r.status == 206),
        ]
        for fault, check in cases:
            with self.subTest(fault=fault):
                control("POST", "/faults", {"match": {"method": "GET", "path_prefix": "/users/"}, "fault": fault})
                r = self.dav_call("GET", name, headers=rng)
                self.assertTrue(check(r), (r.code, r.status, r.body[:40]))
                self.assertEqual(self.dav_call("GET", name, headers=rng).status, 206)  # once only
        # skip lets the first matching requests through
        control("POST", "/faults", {"match": {"method": "GET"}, "fault": {"status": 500, "skip": 1, "times": 2}})
        self.assertEqual([self.dav_call("GET", name, headers=rng).status for _ in range(4)], [206, 500, 500, 206])

    def test_request_log_file_hides_secrets(self):
        self.propfind("")
        self.post(env("TESTBED_WEBDAV_HOST"), "/cgi-bin/compute_size.cgi?",
                  "user=%s&pass=%s&path=Media/" % (self.user, self.password))
        with open(env("TESTBED_REQUEST_LOG"), encoding="utf-8") as f:
            text = f.read()
        lines = [json.loads(line) for line in text.splitlines()]
        self.assertEqual([e["method"] for e in lines], ["PROPFIND", "POST"])
        self.assertEqual(lines, control("GET", "/log"))
        self.assertNotIn(self.password, text)
        self.assertNotIn(base64.b64encode(("%s:%s" % (self.user, self.password)).encode()).decode(), text)
        self.assertIn(["Authorization", "Basic <redacted>"], lines[0]["headers"])
        self.assertEqual(lines[0]["auth"]["user"], self.user)
        self.assertIn("Depth", [h[0] for h in lines[0]["headers"]])
        self.assertIn("<a:getcontentlength/><a:getlastmodified/><a:quota/><a:used/>", lines[0]["body"])


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class RsyncRouteTest(unittest.TestCase):
    """The daemon behind the TLS server, reached through a local stunnel client."""

    @classmethod
    def setUpClass(cls):
        control("POST", "/reset", {"data": True})
        cls.tmp = tempfile.mkdtemp(prefix="testbed-selftest.")
        cls.port = free_port()
        conf = os.path.join(cls.tmp, "client.conf")
        with open(conf, "w") as f:
            f.write("foreground = yes\noutput = %s/client.log\n[rsync]\nclient = yes\naccept = 127.0.0.1:%d\n"
                    "connect = 127.0.0.1:%s\nverifyChain = yes\nCAfile = %s\ncheckHost = %s\n" % (
                        cls.tmp, cls.port, env("TESTBED_STUNNEL_PORT"), env("TESTBED_CA_FILE"),
                        env("TESTBED_RSYNC_HOST")))
        cls.tunnel = subprocess.Popen(["stunnel", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_listening(cls.port, cls.tunnel)

    @classmethod
    def tearDownClass(cls):
        cls.tunnel.terminate()
        cls.tunnel.wait(10)
        subprocess.run(["rm", "-rf", cls.tmp])

    def rsync(self, *args, port=None, password=None):
        renv = {k: v for k, v in os.environ.items() if not k.startswith("RSYNC_")}
        renv["LC_ALL"] = "C.UTF-8"
        cmd = ["rsync", "--password-file=-", "--port=%d" % (port or self.port)] + list(args)
        return subprocess.run(cmd, input=(password or env("TESTBED_PASSWORD")) + "\n", capture_output=True,
                              text=True, env=renv)

    def listing(self, module, port=None):
        r = self.rsync("-r", "--no-h", "%s@localhost::%s/" % (env("TESTBED_USER"), module), port=port)
        self.assertEqual(r.returncode, 0, r.stderr)
        return [line[43:] for line in r.stdout.splitlines() if line[:1] in "-d"]

    def test_lists_the_account_with_non_ascii_names(self):
        names = self.listing("tessara")
        for expected in ("Documents/Letters/Ünïcödé 日本.txt", "Łódź straße/ß file.txt",
                         "Documents/Reports #1/Q1 100% done.txt", "Documents/Empty folder",
                         "Projects/alpha/beta/gamma/delta/notes.txt", "Media/holiday clip.bin"):
            self.assertIn(expected, names)
        self.assertEqual(names, self.listing("tessara", port=int(env("TESTBED_RSYNC_PORT"))))  # direct port

    def test_copies_what_webdav_serves(self):
        dest = os.path.join(self.tmp, "restore")
        r = self.rsync("-rt", "%s@localhost::tessara/" % env("TESTBED_USER"), dest + "/")
        self.assertEqual(r.returncode, 0, r.stderr)
        for rel in ("Documents/Letters/Ünïcödé 日本.txt", "Media/holiday clip.bin", "Łódź straße/ß file.txt"):
            with open(os.path.join(dest, rel), "rb") as f:
                local = f.read()
            dav = curl("GET", "https://%s/users/%s/Files/%s" % (
                env("TESTBED_WEBDAV_HOST"), env("TESTBED_USER"), urllib.request.quote(rel)),
                env("TESTBED_USER"), env("TESTBED_PASSWORD"))
            self.assertEqual((dav.status, dav.body), (200, local), rel)
        self.assertTrue(os.path.isdir(os.path.join(dest, "Documents/Empty folder")))

    def test_snapshot_module(self):
        names = self.listing("tessara3")
        self.assertIn("Documents/Letters/2009/Dear Anna.txt", names)
        dest = os.path.join(self.tmp, "snap")
        r = self.rsync("-t", "%s@localhost::tessara3/Documents/Letters/2009/Dear Anna.txt" % env("TESTBED_USER"),
                       dest + "/")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(dest, "Dear Anna.txt"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "Dear Anna,\n(draft)\n")

    def test_refusals(self):
        user = env("TESTBED_USER")
        for name, source, password, code in [
            ("wrong password", "%s@localhost::tessara/" % user, "wrong", 5),
            ("unknown module", "%s@localhost::nosuch/" % user, None, 5),
            ("missing path", "%s@localhost::tessara/No such folder/" % user, None, 23),
            ("snapshot the account lacks", "%s@localhost::tessara7/" % user, None, 5),
        ]:
            with self.subTest(name):
                self.assertEqual(self.rsync("-r", "--no-h", source, password=password).returncode, code)


def rsync_run(port, *args, password=None, timeout=30):
    """The rsync client as the route runs it; answers (exit code, stderr)."""
    renv = {k: v for k, v in os.environ.items() if not k.startswith("RSYNC_")}
    renv["LC_ALL"] = "C.UTF-8"
    secret = password if isinstance(password, bytes) else (password or env("TESTBED_PASSWORD")).encode("utf-8")
    cmd = ["rsync", "--password-file=-", "--port=%d" % port] + list(args)
    r = subprocess.run(cmd, input=secret + b"\n", capture_output=True, env=renv, timeout=timeout)
    return r.returncode, r.stderr.decode("utf-8", "replace")


def start_tunnel(tmp, accept, connect, extra=""):
    """A client-side stunnel as the route starts it (verifying the server)."""
    conf = os.path.join(tmp, "client-%d.conf" % accept)
    with open(conf, "w") as f:
        f.write("foreground = yes\noutput = %s/client-%d.log\n[rsync]\nclient = yes\naccept = 127.0.0.1:%d\n"
                "connect = 127.0.0.1:%s\nverifyChain = yes\nCAfile = %s\ncheckHost = %s\n%s" % (
                    tmp, accept, accept, connect, env("TESTBED_CA_FILE"), env("TESTBED_RSYNC_HOST"), extra))
    proc = subprocess.Popen(["stunnel", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_listening(accept, proc)
    return proc


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class AccountStateTest(unittest.TestCase):
    """One account state for WebDAV, the scripts and the daemon."""

    def setUp(self):
        control("POST", "/reset", {})
        self.user = env("TESTBED_USER")
        self.dav = "https://%s/users/%s/Files/" % (env("TESTBED_WEBDAV_HOST"), self.user)
        self.port = int(env("TESTBED_RSYNC_PORT"))

    def tearDown(self):
        control("POST", "/reset", {})

    def routes(self, password):
        """(WebDAV status, rsync exit code, delete script reply) for a password."""
        dav = curl("PROPFIND", self.dav, self.user, password, headers=["Depth: 0"]).status
        code, _err = rsync_run(self.port, "%s@localhost::tessara/readme.txt" % self.user,
                               password=password.encode("cp1252"))
        script = curl("POST", "https://%s/cgi-bin/compute_size.cgi?" % env("TESTBED_WEBDAV_HOST"),
                      data="user=%s&pass=%s&path=Media/" % (self.user, password)).text
        return dav, code, script

    def test_password_and_status_changes_reach_every_route(self):
        old = env("TESTBED_PASSWORD")
        control("POST", "/state", {"user": self.user, "password": "Grüße-2015"})  # 8-bit on the rsync side
        self.assertEqual(self.routes(old), (401, 5, "Invalid account.\n"))
        dav, code, script = self.routes("Grüße-2015")
        self.assertEqual((dav, code), (207, 0))
        self.assertTrue(script.endswith(" K\n"), script)
        for status, dav_status in (("expired", 403), ("cancelled", 403), ("removed", 401)):
            with self.subTest(status):
                control("POST", "/state", {"user": self.user, "status": status})
                self.assertEqual(self.routes("Grüße-2015"), (dav_status, 5, "Invalid account.\n"))
        with open(os.path.join(env("TESTBED_DIR"), "rsync", "secrets"), "rb") as f:
            self.assertNotIn(self.user.encode(), f.read())
        self.assertEqual(os.stat(os.path.join(env("TESTBED_DIR"), "rsync", "secrets")).st_mode & 0o777, 0o600)

    def test_hidden_snapshot_is_refused_like_a_missing_one(self):
        source = "%s@localhost::tessara3/" % self.user
        self.assertEqual(rsync_run(self.port, "-r", source)[0], 0)
        control("POST", "/state", {"user": self.user, "snapshots_shown": False})
        hidden = rsync_run(self.port, "-r", source)
        missing = rsync_run(self.port, "-r", "%s@localhost::tessara7/" % self.user)
        self.assertEqual(hidden[0], 5)
        self.assertEqual(hidden[1].replace("tessara3", "tessaraN"), missing[1].replace("tessara7", "tessaraN"))


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class ConnectionFaultTest(unittest.TestCase):
    """Listener faults of the daemon, its TLS front and the HTTP listeners."""

    @classmethod
    def setUpClass(cls):
        control("POST", "/reset", {"data": True})
        cls.tmp = tempfile.mkdtemp(prefix="testbed-selftest.")
        cls.tls_port = free_port()
        cls.tunnel = start_tunnel(cls.tmp, cls.tls_port, env("TESTBED_STUNNEL_PORT"))

    @classmethod
    def tearDownClass(cls):
        cls.tunnel.terminate()
        cls.tunnel.wait(10)
        subprocess.run(["rm", "-rf", cls.tmp])
        control("POST", "/reset", {})

    def setUp(self):
        control("POST", "/reset", {})
        self.user = env("TESTBED_USER")

    def fault(self, listener, **fault):
        return control("POST", "/listener_faults", {"listener": listener, "fault": fault})["id"]

    def test_rsync_faults_give_the_clients_exit_codes(self):
        direct = int(env("TESTBED_RSYNC_PORT"))
        media = "%s@localhost::tessara/Media/" % self.user
        cases = [
            # (listener, fault, port, args, exit code, stderr piece)
            # accepted and reset at once: seen while connecting (10) or at the first read (12)
            ("rsync", {"refuse": True}, direct, [], (10, 12), "Connection reset by peer"),
            ("rsync", {"rsync_error": "auth failed"}, direct, [], 5, "@ERROR: auth failed on module tessara"),
            ("rsync", {"rsync_error": "max connections"}, direct, [], 5, "@ERROR: max connections"),
            ("rsync", {"drop_after": 2000}, direct, ["-r"], 12, "connection unexpectedly closed"),
            ("rsync", {"stall_after": 2000, "stall": 2}, direct, ["-r", "--timeout=1"], 30, "timeout"),
            ("rsync-tls", {"rsync_error": "auth failed"}, self.tls_port, [], 5, "@ERROR: auth failed"),
            ("rsync-tls", {"drop_after": 3000}, self.tls_port, ["-r"], 12, "connection unexpectedly closed"),
        ]
        for listener, fault, port, args, code, text in cases:
            with self.subTest(listener=listener, fault=fault):
                fid = self.fault(listener, **fault)
                dest = tempfile.mkdtemp(dir=self.tmp)
                got = rsync_run(port, *(args + [media, dest + "/"]))
                self.assertIn(got[0], code if isinstance(code, tuple) else (code,), got[1])
                self.assertIn(text, got[1])
                self.assertEqual(rsync_run(port, *(args + [media, dest + "/"]))[0], 0)  # once only
                self.assertIn(fid, [e["fault"] for e in control("GET", "/log") if e.get("kind") == "connection"])

    def test_malformed_listener_faults_are_refused(self):
        for entry in [{"listener": "rsync", "fault": {"explode": True}},
                      {"listener": "nosuch", "fault": {"refuse": True}},
                      {"listener": "https", "fault": {"drop_after": 10}},
                      {"listener": "proxy", "fault": {"rsync_error": "auth failed"}},
                      {"listener": "rsync", "fault": {"rsync_error": "disk full"}}]:
            with self.subTest(entry):
                with self.assertRaises(urllib.error.HTTPError) as caught:
                    control("POST", "/listener_faults", entry)
                self.assertEqual(caught.exception.code, 400)
        self.assertEqual(control("GET", "/listener_faults"), [])

    def test_counted_refusals_and_a_daemon_down_for_a_while(self):
        direct = int(env("TESTBED_RSYNC_PORT"))
        source = "%s@localhost::tessara/readme.txt" % self.user
        self.fault("rsync", rsync_error="auth failed", times=2)
        self.assertEqual([rsync_run(direct, source)[0] for _ in range(3)], [5, 5, 0])
        # Long enough for a slow client start; clearing the faults ends it early.
        self.fault("rsync", down=10.0)
        code, err = rsync_run(direct, source)
        self.assertEqual(code, 10, err)
        self.assertIn("Connection refused", err)
        control("DELETE", "/listener_faults")
        self.assertEqual(rsync_run(direct, source)[0], 0)

    def test_tls_certificates_fail_verification(self):
        https = "https://%s/users/%s/Files/" % (env("TESTBED_WEBDAV_HOST"), self.user)
        front = ["--connect-to", "%s:443:127.0.0.1:%s" % (env("TESTBED_RSYNC_HOST"), env("TESTBED_STUNNEL_PORT"))]
        for variant, text in (("unknown-ca", "certificate"), ("wrong-host", "host name"), ("expired", "expired")):
            with self.subTest(variant):
                control("POST", "/tls", {"https": variant, "rsync-tls": variant})
                r = subprocess.run(["curl", "-sS", "--cacert", env("TESTBED_CA_FILE"), "--max-time", "5"]
                                   + connect_to_args() + [https], capture_output=True, text=True)
                self.assertEqual(r.returncode, 60, r.stderr)
                self.assertIn(text, r.stderr)
                r = subprocess.run(["curl", "-sS", "--cacert", env("TESTBED_CA_FILE"), "--max-time", "5"] + front
                                   + ["https://%s/" % env("TESTBED_RSYNC_HOST")], capture_output=True, text=True)
                self.assertEqual(r.returncode, 60, r.stderr)
                # the route's own tunnel refuses it too: rsync cannot even greet
                self.assertNotEqual(rsync_run(self.tls_port, "%s@localhost::tessara/readme.txt" % self.user)[0], 0)
        control("POST", "/tls", {"https": "good", "rsync-tls": "good"})
        self.assertEqual(rsync_run(self.tls_port, "%s@localhost::tessara/readme.txt" % self.user)[0], 0)

    def test_http_connection_faults(self):
        url = "https://%s/users/%s/Files/Media/holiday%%20clip.bin" % (env("TESTBED_WEBDAV_HOST"), self.user)
        auth = ["-u", "%s:%s" % (self.user, env("TESTBED_PASSWORD"))]
        ranged = ["-H", "Range: bytes=131072-1179647"]
        match = {"method": "GET", "range": "bytes=131072-"}
        cases = [
            ({"stall_after": 5000, "stall": 2}, ["--max-time", "1"], 28, 5000),
            ({"reset_after": 5000}, [], 56, 5000),
        ]
        for fault, extra, code, received in cases:
            with self.subTest(fault):
                control("POST", "/faults", {"match": match, "fault": fault})
                with tempfile.NamedTemporaryFile() as out:
                    r = subprocess.run(["curl", "-sS", "--cacert", env("TESTBED_CA_FILE"), "-o", out.name]
                                       + connect_to_args() + auth + ranged + extra + [url],
                                       capture_output=True, text=True)
                    self.assertEqual(r.returncode, code, r.stderr)
                    with open(out.name, "rb") as f:
                        self.assertEqual(f.read(), pattern(131072, 131072 + received - 1))
        self.fault("https", refuse=True)
        r = subprocess.run(["curl", "-sS", "--cacert", env("TESTBED_CA_FILE")] + connect_to_args() + auth + [url],
                           capture_output=True, text=True)
        self.assertIn(r.returncode, (7, 35, 56), r.stderr)  # reset while connecting or in the handshake
        entry = [e for e in control("GET", "/log") if e.get("kind") == "connection"][-1]
        self.assertEqual((entry["port"], entry["dropped"]), ("https", True))


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class ReplyFaultTest(unittest.TestCase):
    def setUp(self):
        control("POST", "/reset", {})
        self.user = env("TESTBED_USER")
        self.base = "https://%s/users/%s/Files/" % (env("TESTBED_WEBDAV_HOST"), self.user)

    def propfind(self, path="", user=None, password=None):
        r = curl("PROPFIND", self.base + path, user or self.user, password or env("TESTBED_PASSWORD"),
                 headers=["Depth: 1"])
        return r

    def test_binary_canned_body_matched_by_user_and_range(self):
        payload = bytes(range(256)) * 4
        control("POST", "/faults", {"match": {"user": self.user, "range": "bytes=0-1023"},
                                    "fault": {"status": 206, "body_base64": base64.b64encode(payload).decode(),
                                              "content_type": "application/octet-stream",
                                              "headers": {"Content-Range": "bytes 0-1023/262144"}}})
        u, p = self.user, env("TESTBED_PASSWORD")
        other = curl("GET", self.base + "Media/two%20ranges.bin", u, p, headers=["Range: bytes=0-99"])
        self.assertEqual((other.status, other.body), (206, pattern(0, 99)))  # another range: not matched
        r = curl("GET", self.base + "Media/two%20ranges.bin", u, p, headers=["Range: bytes=0-1023"])
        self.assertEqual((r.status, r.body, r.headers["content-range"]), (206, payload, "bytes 0-1023/262144"))

    def test_multistatus_edits(self):
        root = "/users/%s/Files/" % self.user
        cases = [
            ({"drop": "getlastmodified", "only": "readme.txt"},
             lambda text: "getlastmodified" not in text.split("readme.txt")[1].split("</D:response>")[0]
             and "getlastmodified" in text.split("readme.txt")[0]),
            ({"drop": ["checksum", "getcontentlength"]},
             lambda text: "<checksum>" not in text and "getcontentlength" not in text and "<D:chunksize>" in text),
            ({"set": {"getcontentlength": "-7"}, "only": "a.txt"},
             lambda text: "<lp0:getcontentlength>-7</lp0:getcontentlength>" in text),
            ({"full_urls": True},
             lambda text: "<D:href>https://%s%s</D:href>" % (env("TESTBED_WEBDAV_HOST"), root) in text),
            ({"order": "reverse"},
             lambda text: re.findall(r"<D:href>(.*?)</D:href>", text)[-1] == root),
            ({"malformed": True}, lambda text: "</D:hre>" in text),
        ]
        for edits, check in cases:
            with self.subTest(edits):
                control("POST", "/faults", {"match": {"method": "PROPFIND"}, "fault": {"multistatus": edits}})
                r = self.propfind()
                self.assertEqual(r.status, 207)
                self.assertTrue(check(r.text), r.text[:600])
        with self.assertRaises(urllib.error.HTTPError):
            control("POST", "/faults", {"fault": {"multistatus": {"nonsense": 1}}})


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class ProxyTest(unittest.TestCase):
    def setUp(self):
        control("POST", "/reset", {})

    def test_connect_proxy_with_and_without_credentials(self):
        url = "https://%s/users/%s/Files/" % (env("TESTBED_WEBDAV_HOST"), env("TESTBED_USER"))
        auth = ["-u", "%s:%s" % (env("TESTBED_USER"), env("TESTBED_PASSWORD")), "-X", "PROPFIND", "-H", "Depth: 0"]
        proxy_auth = "http://127.0.0.1:%s" % env("TESTBED_PROXY_AUTH_PORT")
        creds = "%s:%s" % (env("TESTBED_PROXY_USER"), env("TESTBED_PROXY_PASSWORD"))
        for name, args, status in [
            ("open proxy", ["-x", "http://127.0.0.1:%s" % env("TESTBED_PROXY_PORT")], "207"),
            ("credentials", ["-x", proxy_auth, "-U", creds], "207"),
            ("no credentials", ["-x", proxy_auth], "407"),
            ("plain HTTP through the proxy", ["-x", proxy_auth, "-U", creds], "207"),
        ]:
            with self.subTest(name):
                target = url.replace("https:", "http:") if name.startswith("plain") else url
                r = subprocess.run(["curl", "-sS", "-o", "/dev/null", "-w", "%{http_code}", "--cacert",
                                    env("TESTBED_CA_FILE")] + args + auth + [target],
                                   capture_output=True, text=True)
                self.assertIn(status, r.stdout + r.stderr)
        proxied = [e for e in control("GET", "/log") if e.get("kind") == "proxy"]
        self.assertEqual([(e["port"], e["method"], e["status"]) for e in proxied[:3]],
                         [("proxy", "CONNECT", 200), ("proxy-auth", "CONNECT", 200), ("proxy-auth", "CONNECT", 407)])
        self.assertEqual(proxied[1]["auth"], {"user": env("TESTBED_PROXY_USER"), "ok": True})
        self.assertNotIn(env("TESTBED_PROXY_PASSWORD"), json.dumps(proxied))

    def test_proxy_carries_an_rsync_over_tls_session(self):
        tmp = tempfile.mkdtemp(prefix="testbed-selftest.")
        port = free_port()
        tunnel = start_tunnel(tmp, port, env("TESTBED_PROXY_AUTH_PORT"),
                              "protocol = connect\nprotocolHost = %s:443\nprotocolAuthentication = basic\n"
                              "protocolUsername = %s\nprotocolPassword = %s\n" % (
                                  env("TESTBED_RSYNC_HOST"), env("TESTBED_PROXY_USER"), env("TESTBED_PROXY_PASSWORD")))
        try:
            code, err = rsync_run(port, "-r", "%s@localhost::tessara/Documents/" % env("TESTBED_USER"))
            self.assertEqual(code, 0, err)
        finally:
            tunnel.terminate()
            tunnel.wait(10)
            subprocess.run(["rm", "-rf", tmp])
        # The proxy logs a tunnel when both sides have closed: wait for it.
        entries = []
        for _ in range(50):
            entries = [e for e in control("GET", "/log") if e.get("kind") == "proxy"]
            if entries:
                break
            time.sleep(0.1)
        self.assertTrue(entries, "the proxy logged no tunnel")
        entry = entries[-1]
        self.assertEqual((entry["method"], entry["target"], entry["status"]),
                         ("CONNECT", "%s:443" % env("TESTBED_RSYNC_HOST"), 200))
        self.assertEqual(entry["upstream"], "127.0.0.1:%s" % env("TESTBED_STUNNEL_PORT"))
        self.assertGreater(entry["bytes_to_client"], 1000)


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class ApacheTest(unittest.TestCase):
    def test_stock_webdav_operations(self):
        base = "%s/users/%s/Files/" % (env("TESTBED_APACHE_URL"), env("TESTBED_USER"))
        u, p = env("TESTBED_USER"), env("TESTBED_PASSWORD")
        dest = "Destination: " + base
        steps = [
            ("PROPFIND", "", ["Depth: 1"], 207),
            ("PROPFIND", "Documents/Letters/", ["Depth: 1"], 207),
            ("GET", "Media/holiday%20clip.bin", ["Range: bytes=131072-262143"], 206),
            ("GET", "readme.txt", ["Range: bytes=1000-2000"], 416),
            ("MKCOL", "Neu%20%C3%A9/", [], 201),
            ("MKCOL", "Neu%20%C3%A9/", [], 405),
            ("MKCOL", "no/such/", [], 409),
            ("MOVE", "Neu%20%C3%A9/", [dest + "Moved%20%C3%A9/", "Overwrite: F"], 201),
            ("MOVE", "c.txt", [dest + "a.txt", "Overwrite: F"], 412),
            ("DELETE", "Moved%20%C3%A9/", [], 204),
            ("DELETE", "Moved%20%C3%A9/", [], 404),
        ]
        for method, path, headers, status in steps:
            with self.subTest(method=method, path=path):
                r = curl(method, base + path, u, p, headers=headers, mapped=False)
                self.assertEqual(r.status, status, r.body[:200])
                if method == "GET" and status == 206:
                    self.assertEqual(r.body, pattern(131072, 262143))
        r = curl("PROPFIND", base, u, "wrong", headers=["Depth: 0"], mapped=False)
        self.assertEqual(r.status, 401)
        listing = curl("PROPFIND", base + "Documents/Letters/", u, p, headers=["Depth: 1"], mapped=False).text
        self.assertIn("%c3%9cn%c3%afc%c3%b6d%c3%a9%20%e6%97%a5%e6%9c%ac.txt", listing)


@unittest.skipUnless(ENV, "TESTBED_ENV not set: the testbed is not running")
class StartStopTest(unittest.TestCase):
    RUN = os.path.join(HERE, "run")

    def test_run_starts_runs_and_stops_leaving_nothing(self):
        started = time.time()
        r = subprocess.run([self.RUN, "--", "/bin/sh", "-c", 'cat "$TESTBED_JSON"; exit 7'],
                           capture_output=True, text=True, timeout=120)
        elapsed = time.time() - started
        self.assertEqual(r.returncode, 7, r.stderr)
        inner = json.loads(r.stdout)
        print("\n  nested testbed started, ran and stopped in %.2f s" % elapsed, file=sys.stderr)
        self.assertEqual(set(inner["pids"]), {"double", "rsync", "stunnel", "apache"})
        # The recorded ids are those of the instance's own process table when
        # it was isolated: look for its processes by their command lines.
        left = [pid for pid in os.listdir("/proc") if pid.isdigit() and not gone(int(pid))
                and inner["TESTBED_DIR"] in " ".join(proc_cmdline(int(pid)))]
        self.assertEqual(left, [], "processes of the nested instance outlived the run")
        self.assertFalse(os.path.exists(inner["TESTBED_DIR"]))
        self.assertNotEqual(inner["TESTBED_HTTPS_PORT"], env("TESTBED_HTTPS_PORT"))

    @unittest.skipUnless(os.geteuid() == 0, "namespaces need root")
    def test_instances_run_isolated_from_each_other_and_the_host(self):
        # Two instances at once each bind the tunnel's fixed local port, see
        # only their own processes, and reach none of the enclosing ports.
        probe = ("import json, os, socket\n"
                 "s = socket.socket(); s.bind(('127.0.0.1', 43718)); s.listen()\n"
                 "c = socket.socket(); c.settimeout(2)\n"
                 "reach = c.connect_ex(('127.0.0.1', int(os.environ['OUTER_PORT']))) == 0\n"
                 "def cmd(p):\n"
                 "    try:\n"
                 "        return open('/proc/%s/cmdline' % p, 'rb').read().decode('utf-8', 'replace')\n"
                 "    except OSError:\n"
                 "        return ''\n"
                 "pids = [p for p in os.listdir('/proc') if p.isdigit()]\n"
                 "seen = any(os.environ['OUTER_DIR'] in cmd(p) for p in pids)\n"
                 "print(json.dumps({'isolated': os.environ['TESTBED_ISOLATED'], 'reach': reach, 'seen': seen,\n"
                 "                  'locks': os.environ['ORVANE_LOCKS_DIR'], 'dir': os.environ['TESTBED_DIR']}))\n")
        runs = [subprocess.Popen([self.RUN, "--", sys.executable, "-c", probe], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True,
                                 env=dict(os.environ, OUTER_PORT=env("TESTBED_HTTPS_PORT"),
                                          OUTER_DIR=env("TESTBED_DIR")))
                for _ in range(2)]
        answers = []
        for run in runs:
            out, err = run.communicate(timeout=120)
            self.assertEqual(run.returncode, 0, err)
            answers.append(json.loads(out))
        for a in answers:
            self.assertEqual(a["isolated"], "1")
            self.assertFalse(a["reach"])
            self.assertFalse(a["seen"], "the enclosing instance's processes are visible")
            self.assertTrue(a["locks"].startswith(a["dir"] + "/"))
        self.assertNotEqual(answers[0]["dir"], answers[1]["dir"])

    def test_command_runs_without_the_testbed_when_it_cannot_start(self):
        empty = tempfile.mkdtemp()
        try:
            r = subprocess.run([self.RUN, "--", "/bin/sh", "-c", 'echo "${TESTBED_ENV:-unset}"'],
                               capture_output=True, text=True, timeout=60, env=dict(os.environ, PATH=empty))
        finally:
            os.rmdir(empty)
        self.assertEqual((r.returncode, r.stdout), (0, "unset\n"))
        self.assertIn("could not start", r.stderr)

    def tool(self, args, xdg):
        return subprocess.run([self.RUN] + args, capture_output=True, text=True, timeout=120,
                              env=dict(os.environ, XDG_RUNTIME_DIR=xdg))

    def test_start_and_stop_through_the_private_pointer(self):
        xdg = tempfile.mkdtemp()  # 0700
        try:
            r = self.tool(["start"], xdg)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(os.path.dirname(r.stdout.strip()), "testbed.json")) as f:
                inner = json.load(f)
            pointer = os.path.join(xdg, "orvane-testbed", "current")
            self.assertEqual(os.stat(pointer).st_mode & 0o777, 0o600)
            self.assertEqual(os.stat(os.path.dirname(pointer)).st_mode & 0o777, 0o700)
            self.assertEqual(self.tool(["start"], xdg).returncode, 1)  # one is running
            r = self.tool(["stop"], xdg)
            self.assertEqual(r.returncode, 0, r.stderr)
            for name, pid in inner["pids"].items():
                self.assertTrue(gone(pid), "%s (pid %d) outlived stop" % (name, pid))
            self.assertFalse(os.path.exists(inner["TESTBED_DIR"]))
            self.assertFalse(os.path.exists(pointer))
        finally:
            subprocess.run(["rm", "-rf", xdg])

    def test_a_planted_pointer_ends_no_foreign_process_and_removes_no_foreign_folder(self):
        xdg = tempfile.mkdtemp()
        state = os.path.join(xdg, "orvane-testbed")
        os.mkdir(state, 0o700)
        victim = subprocess.Popen(["sleep", "60"])
        folder = tempfile.mkdtemp(prefix="orvane-testbed.")
        try:
            with open("/proc/%d/stat" % victim.pid) as f:
                started = int(f.read().rsplit(")", 1)[1].split()[19])
            with open(os.path.join(folder, "pids.json"), "w") as f:
                json.dump({"marker": "m", "processes": {"double": {"pid": victim.pid, "start": started}}}, f)
            with open(os.path.join(state, "current"), "w") as f:
                json.dump({"dir": folder, "marker": "m"}, f)
            os.chmod(os.path.join(state, "current"), 0o600)
            steps = [("no marker", lambda: None, 1)]
            # with the marker, the process still does not name the folder: it lives
            def plant_marker():
                with open(os.path.join(folder, ".orvane-testbed-instance"), "w") as f:
                    f.write("m\n")

            steps.append(("marker, foreign process", plant_marker, None))
            for name, prepare, code in steps:
                with self.subTest(name):
                    prepare()
                    r = self.tool(["stop", folder] if code is None else ["stop"], xdg)
                    if code is not None:
                        self.assertEqual(r.returncode, code, r.stderr)
                        self.assertTrue(os.path.isdir(folder))
                    self.assertIsNone(victim.poll(), r.stderr)
            if os.geteuid() == 0:  # a folder of another user is never trusted
                os.makedirs(folder, exist_ok=True)
                for entry in os.listdir(folder) + [""]:
                    os.chown(os.path.join(folder, entry), 65534, 65534)
                r = self.tool(["stop", folder], xdg)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertTrue(os.path.isdir(folder))
            os.chmod(state, 0o755)  # a pointer folder open to others is not trusted
            r = self.tool(["stop"], xdg)
            self.assertEqual(r.returncode, 1)
            self.assertIn("not a private folder", r.stderr)
            self.assertIsNone(victim.poll())
        finally:
            victim.kill()
            victim.wait()
            subprocess.run(["rm", "-rf", xdg, folder])


if __name__ == "__main__":
    program = unittest.main(exit=False)
    result = program.result
    if not result.wasSuccessful():
        sys.exit(1)
    sys.exit(77 if result.testsRun and len(result.skipped) == result.testsRun else 0)
