"""Builds the served data of the local backup-service double from its description.

Layout under the data root (shared by the double and the rsync daemon):
    users/<user>/Files/...            the account's backed-up tree
    snapshots/<user>/<digit>/...      the tree of snapshot "BackUp_nightly.<digit>"
    meta.json                         sizes the service reports in place of the real ones
"""

import calendar
import io
import json
import os
import shutil
import time
import zipfile

GENERATED_MODULUS = 251


def load_description(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def parse_time(text):
    return calendar.timegm(time.strptime(text, "%Y-%m-%dT%H:%M:%SZ"))


def generated_bytes(length):
    """Byte i is i % 251, so a test can check any range without the file."""
    block = bytes(range(GENERATED_MODULUS))
    whole, rest = divmod(length, GENERATED_MODULUS)
    return block * whole + block[:rest]


def account_files_root(data_root, user):
    return os.path.join(data_root, "users", user, "Files")


def snapshot_root(data_root, user, digit):
    return os.path.join(data_root, "snapshots", user, str(digit))


def _entry_content(entry):
    if "text" in entry:
        return entry["text"].encode("utf-8")
    if "generate" in entry:
        return generated_bytes(int(entry["generate"]))
    if "zip" in entry:
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
            for name, text in entry["zip"].items():
                info = zipfile.ZipInfo(name, date_time=(2014, 3, 4, 10, 15, 2))
                info.compress_type = zipfile.ZIP_DEFLATED
                z.writestr(info, text.encode("utf-8"))
        return buf.getvalue()
    raise ValueError("file entry %r has neither text, generate nor zip" % entry.get("path"))


def _safe_join(root, relative):
    parts = [p for p in relative.split("/") if p]
    if any(p in (".", "..") for p in parts):
        raise ValueError("path %r leaves its root" % relative)
    return os.path.join(root, *parts)


def build_tree(root, entries, default_mtime):
    """Writes the entries under root; returns {relative path: reported size}."""
    overrides = {}
    os.makedirs(root, exist_ok=True)
    for entry in entries:
        rel = entry["path"]
        target = _safe_join(root, rel)
        if rel.endswith("/"):
            os.makedirs(target, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(_entry_content(entry))
        stamp = parse_time(entry.get("mtime", default_mtime))
        os.utime(target, (stamp, stamp))
        if "size_override" in entry:
            overrides[rel.strip("/")] = int(entry["size_override"])
    # Folders get the fixed stamp too, deepest first, so that servers that
    # derive ETags from times give strong ones and listings are repeatable.
    stamp = parse_time(default_mtime)
    for dirpath, _dirs, _files in sorted(os.walk(root), key=lambda t: -t[0].count(os.sep)):
        os.utime(dirpath, (stamp, stamp))
    return overrides


def seed(description, data_root):
    """(Re)creates the whole served tree; returns the metadata written to meta.json."""
    for sub in ("users", "snapshots"):
        shutil.rmtree(os.path.join(data_root, sub), ignore_errors=True)
    default_mtime = description.get("default_mtime", "2014-03-04T10:15:02Z")
    meta = {"size_overrides": {}}
    for account in description["accounts"]:
        user = account["user"]
        files_root = account_files_root(data_root, user)
        overrides = build_tree(files_root, account.get("files", []), default_mtime)
        for rel, size in overrides.items():
            meta["size_overrides"]["%s/Files/%s" % (user, rel)] = size
        for digit, entries in sorted(account.get("snapshots", {}).items()):
            build_tree(snapshot_root(data_root, user, digit), entries, default_mtime)
    stamp = parse_time(default_mtime)
    for sub in ("users", "snapshots"):
        path = os.path.join(data_root, sub)
        os.makedirs(path, exist_ok=True)
        for dirpath, _dirs, _files in os.walk(path):
            if dirpath.count(os.sep) - path.count(os.sep) <= 1:
                os.utime(dirpath, (stamp, stamp))
    with open(os.path.join(data_root, "meta.json"), "w", encoding="utf-8") as f:
        json.dump(meta, f, indent=1, ensure_ascii=False)
    return meta


def make_world_readable(root):
    """The rsync daemon serves as nobody when started by root."""
    for dirpath, dirs, files in os.walk(root):
        os.chmod(dirpath, 0o755)
        for name in files:
            os.chmod(os.path.join(dirpath, name), 0o644)


if __name__ == "__main__":
    import sys

    if len(sys.argv) != 3:
        sys.exit("usage: sample_account.py DESCRIPTION.json DATA_ROOT")
    seed(load_description(sys.argv[1]), sys.argv[2])
