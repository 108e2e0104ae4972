#!/usr/bin/env python3
"""Writes the small sample files that the guess tests encrypt: a PNG and a JPEG of the same
picture, a ZIP archive and a one-page PDF. They are committed; this shows how they were made
(Python's standard library, and cjpeg from Debian's libjpeg-turbo-progs for the JPEG).

usage: make_samples.py
"""
import io
import struct
import subprocess
import zipfile
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
WIDTH, HEIGHT = 64, 48


def pixels():
    rows = []
    for y in range(HEIGHT):
        row = bytearray()
        for x in range(WIDTH):
            row += bytes([(x * 4) & 0xFF, (y * 5) & 0xFF, ((x ^ y) * 3) & 0xFF])
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def jpeg(rows):
    ppm = b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + b"".join(rows)
    return subprocess.run(["cjpeg", "-quality", "85"], input=ppm, capture_output=True,
                          check=True).stdout


def zip_archive():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in [("notes.txt", "Meeting moved to Thursday at 10:30.\n" * 20),
                           ("budget.csv", "item,amount\nrent,1200\nheating,85\nphone,30\n")]:
            info = zipfile.ZipInfo(name, date_time=(2019, 4, 1, 12, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, text)
    return out.getvalue()


def pdf():
    content = zlib.compress(b"BT /F1 24 Tf 72 720 Td (Quarterly report) Tj ET")
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(content) + content +
        b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1,
                                                                             xref)
    return bytes(out)


def main():
    rows = pixels()
    for name, data in [("sample.png", png(rows)), ("sample.jpg", jpeg(rows)),
                       ("sample.zip", zip_archive()), ("sample.pdf", pdf())]:
        (HERE / name).write_bytes(data)


if __name__ == "__main__":
    main()
