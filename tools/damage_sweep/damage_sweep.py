#!/usr/bin/env python3
"""Damage sweep: runs zelrpt-cli over byte-edited variants of report files and
counts what happened. Not a test (it takes minutes); its figures go into the
notes of robustness work.

usage: damage_sweep.py CLI SOURCE_DIR WORK_DIR [--variants N] [--seed S] [--timeout SEC] [--export]

For every .dbf in SOURCE_DIR (with its .fpt) it makes variants: cuts inside
the header and the records, record counts and lengths changed, field types
changed, random byte flips in the .dbf and the .fpt, bytes appended, the
end-of-file mark removed. Each variant runs info, render --pdf and find; a run
is counted as done, refused with a message, silent (non-zero exit without a
word), short (done, fewer pages than the undamaged report), hung, crashed or
flagged by a sanitizer; report files changed by a run and files left beside
the report are counted too. With --export the variants also run export --csv
and --xlsx, counted short when they give fewer lines than the undamaged report
(short with a warning when the program said so);
the variants then include a line's page number (F_PAGE) damaged in place.
"""
import argparse
import os
import random
import re
import shutil
import struct
import subprocess
import sys
from collections import Counter


def variants(dbf: bytes, fpt: bytes, rng: random.Random, count: int):
    header_len = struct.unpack_from("<H", dbf, 8)[0] if len(dbf) >= 12 else 32
    rec_len = max(1, struct.unpack_from("<H", dbf, 10)[0]) if len(dbf) >= 12 else 1
    records = struct.unpack_from("<I", dbf, 4)[0] if len(dbf) >= 8 else 0
    fixed = []
    # One line's page number damaged in place: a byte set to NUL, letters, a
    # number below 1. The line sorts outside every page.
    page_at = field_offset(dbf, b"F_PAGE")
    if page_at is not None and records > 2:
        width, offset = page_at
        for value in [b"\x00", b"\x00" * width, b"x 1", b"ABCDE", b"-1", b"0", b" " * width]:
            for record in [1, records // 2, records - 1]:
                d = bytearray(dbf)
                at = header_len + record * rec_len + offset
                if at + width <= len(d):
                    d[at:at + width] = value.rjust(width, b" ")[:width]
                    fixed.append(("page_%r_rec%d" % (value, record + 1), bytes(d), fpt))
    for cut in [0, 1, 8, 31, 32, header_len - 1, header_len, header_len + 1,
                header_len + rec_len // 2, header_len + rec_len * max(1, records // 2),
                header_len + rec_len * max(1, records // 2) + 7, len(dbf) - 2, len(dbf) - 1]:
        if 0 <= cut < len(dbf):
            fixed.append(("cut_dbf_%d" % cut, dbf[:cut], fpt))
    for n in [0, 1, records - 1, records + 1, records + 10, records * 2, 0xFFFFFFFF]:
        d = bytearray(dbf)
        struct.pack_into("<I", d, 4, n & 0xFFFFFFFF)
        fixed.append(("count_%d" % n, bytes(d), fpt))
    for off, name in [(8, "header_len"), (10, "record_len")]:
        for v in [0, 1, 0xFFFF, struct.unpack_from("<H", dbf, off)[0] + 1, struct.unpack_from("<H", dbf, off)[0] - 1]:
            d = bytearray(dbf)
            struct.pack_into("<H", d, off, v & 0xFFFF)
            fixed.append(("%s_%d" % (name, v), bytes(d), fpt))
    at = 32
    while at + 32 <= header_len and dbf[at] != 0x0D:
        for t in b"CNLDMFIX":
            d = bytearray(dbf)
            d[at + 11] = t
            fixed.append(("type_%d_%s" % (at, chr(t)), bytes(d), fpt))
        at += 32
    fixed.append(("appended_half_record", dbf + b" " * (rec_len // 2), fpt))
    fixed.append(("no_eof_mark", dbf[:-1] if dbf.endswith(b"\x1a") else dbf, fpt))
    for cut in [0, 8, 512, len(fpt) // 2, len(fpt) - 1]:
        if 0 <= cut < len(fpt):
            fixed.append(("cut_fpt_%d" % cut, dbf, fpt[:cut]))
    out = fixed[:count]
    while len(out) < count:
        in_fpt = rng.random() < 0.4 and fpt
        target = bytearray(fpt if in_fpt else dbf)
        flips = rng.choice([1, 1, 2, 4, 16])
        spots = []
        for _ in range(flips):
            i = rng.randrange(len(target))
            target[i] = rng.choice([0x00, 0xFF, 0x20, 0x7C, 0xA2, 0xDD, rng.randrange(256)])
            spots.append(i)
        name = "flip_%s_%s" % ("fpt" if in_fpt else "dbf", "_".join(map(str, spots[:3])))
        out.append((name, dbf if in_fpt else bytes(target), bytes(target) if in_fpt else fpt))
    return out


def field_offset(dbf, wanted):
    """(width, offset in the record) of the named field, or None."""
    header_len = struct.unpack_from("<H", dbf, 8)[0] if len(dbf) >= 12 else 0
    at, offset = 32, 1
    while at + 32 <= min(header_len, len(dbf)) and dbf[at] != 0x0D:
        name = dbf[at:at + 11].split(b"\x00")[0]
        width = dbf[at + 16]
        if name == wanted:
            return width, offset
        offset += width
        at += 32
    return None


def export_lines(text):
    m = re.search(r"\t(\d+) lines", text)
    return int(m.group(1)) if m else None


def pdf_pages(text):
    m = re.search(r"\t(\d+) pages", text)
    return int(m.group(1)) if m else None


def run(cli, args, timeout):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", ASAN_OPTIONS="detect_leaks=0")
    try:
        p = subprocess.run([cli] + args, capture_output=True, timeout=timeout, env=env)
        return p.returncode, p.stdout, p.stderr
    except subprocess.TimeoutExpired:
        return None, b"", b""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cli")
    ap.add_argument("source")
    ap.add_argument("work")
    ap.add_argument("--variants", type=int, default=60)
    ap.add_argument("--seed", type=int, default=10)
    ap.add_argument("--timeout", type=float, default=60)
    ap.add_argument("--export", action="store_true", help="also export --csv and --xlsx and count short exports")
    a = ap.parse_args()
    rng = random.Random(a.seed)
    tally = Counter()
    notes = []
    for name in sorted(os.listdir(a.source)):
        if not name.lower().endswith(".dbf"):
            continue
        base = name[:-4]
        dbf = open(os.path.join(a.source, name), "rb").read()
        fpt_path = os.path.join(a.source, base + ".fpt")
        fpt = open(fpt_path, "rb").read() if os.path.exists(fpt_path) else b""
        code, out, _ = run(a.cli, ["render", os.path.join(a.source, name), "--pdf", os.path.join(a.work, "ref.pdf")], a.timeout)
        whole_pages = pdf_pages(out.decode("utf-8", "replace")) if code == 0 else None
        whole_lines = None
        if a.export:
            code, out, _ = run(a.cli, ["export", os.path.join(a.source, name), "--csv", os.path.join(a.work, "ref.csv")], a.timeout)
            whole_lines = export_lines(out.decode("utf-8", "replace")) if code == 0 else None
        for vname, vdbf, vfpt in variants(dbf, fpt, rng, a.variants):
            tally["variants"] += 1
            tally["bytes changed"] += sum(x != y for x, y in zip(vdbf, dbf)) + abs(len(vdbf) - len(dbf))
            tally["bytes changed"] += sum(x != y for x, y in zip(vfpt, fpt)) + abs(len(vfpt) - len(fpt))
            d = os.path.join(a.work, "v")
            shutil.rmtree(d, ignore_errors=True)
            os.makedirs(d)
            open(os.path.join(d, name), "wb").write(vdbf)
            if fpt:
                open(os.path.join(d, base + ".fpt"), "wb").write(vfpt)
            report = os.path.join(d, name)
            commands = [["info", report], ["render", report, "--pdf", os.path.join(a.work, "out.pdf")],
                        ["find", report, "--column", "품명", "--text", "철근"]]
            if a.export:
                commands += [["export", report, "--csv", os.path.join(a.work, "out.csv")],
                             ["export", report, "--xlsx", os.path.join(a.work, "out.xlsx")]]
            for cmd in commands:
                before = {f: open(os.path.join(d, f), "rb").read() for f in os.listdir(d)}
                code, out, err = run(a.cli, cmd, a.timeout)
                tally["runs"] += 1
                kind = cmd[0] if cmd[0] != "export" else "export " + cmd[2]
                if code is None:
                    tally["hung"] += 1
                    notes.append("hung: %s %s %s" % (name, vname, kind))
                    continue
                if b"AddressSanitizer" in err or b"runtime error:" in err:
                    tally["sanitizer"] += 1
                    notes.append("sanitizer: %s %s %s" % (name, vname, kind))
                if code < 0 or code > 128 and code != 130:
                    tally["crashed"] += 1
                    notes.append("crash %d: %s %s %s" % (code, name, vname, kind))
                try:
                    err.decode("utf-8")
                except UnicodeDecodeError:
                    tally["stderr not UTF-8"] += 1
                if len(err) > 2000:
                    tally["long messages"] += 1
                said = err.strip() or (kind == "info" and out.strip())
                if code == 0:
                    tally["%s done" % kind] += 1
                    pages = pdf_pages(out.decode("utf-8", "replace"))
                    # A short output the program warned about is not silent.
                    warned = "short, with a warning" if "경고".encode() in err else "short"
                    if kind == "render" and whole_pages and pages is not None and pages < whole_pages:
                        tally["render %s" % warned] += 1
                        notes.append("short %d/%d: %s %s" % (pages, whole_pages, name, vname))
                    lines = export_lines(out.decode("utf-8", "replace"))
                    if cmd[0] == "export" and whole_lines and lines is not None and lines < whole_lines:
                        tally["%s %s" % (kind, warned)] += 1
                        notes.append("short %d/%d lines: %s %s %s" % (lines, whole_lines, name, vname, kind))
                elif said:
                    tally["%s refused with a message" % kind] += 1
                else:
                    tally["%s silent failure" % kind] += 1
                    notes.append("silent: %s %s %s" % (name, vname, kind))
                after = {f: open(os.path.join(d, f), "rb").read() for f in os.listdir(d)}
                if any(after.get(f) != b for f, b in before.items()):
                    tally["report changed"] += 1
                    notes.append("changed: %s %s %s" % (name, vname, kind))
                if set(after) - set(before):
                    tally["files left beside"] += 1
    for k in sorted(tally):
        print("%-32s %d" % (k, tally[k]))
    for n in notes[:40]:
        print("  " + n)
    return 0


if __name__ == "__main__":
    sys.exit(main())
