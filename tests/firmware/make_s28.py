#!/usr/bin/env python3
"""Writes the small firmware files the firmware tests read (tests/firmware/data/*.s28).

Each is an S0 header carrying a part number and a version, S2 data records and an S8 end
record, lines ending CR LF. Run it again after changing a file's recipe; the files are kept
in the repository so the tests need no Python.
"""
import os

PART = "17-2851"
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")


def record(rtype, payload, bad_checksum=False):
    count = len(payload) + 1
    checksum = (~(count + sum(payload))) & 0xFF
    if bad_checksum:
        checksum ^= 0x5A
    return "S%s%02X%s%02X" % (rtype, count, payload.hex().upper(), checksum)


def header(version, part=PART):
    # Characters 9-22: the part number; 23-30: the board revision; 31-40: the version.
    return record("0", b"\x00\x00" + part.encode() + b"A01 " + version.encode())


def firmware(version, data_records=40, part=PART, bad_line=0, lower=False):
    lines = [header(version, part)]
    for n in range(data_records):
        address = 0x010000 + n * 16
        data = bytes((address + i * 7) & 0xFF for i in range(16))
        line_no = len(lines) + 1
        lines.append(record("2", address.to_bytes(3, "big") + data, bad_checksum=(line_no == bad_line)))
    lines.append(record("8", (0x010000).to_bytes(3, "big")))
    if lower:
        lines = [line.lower() for line in lines]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


FILES = {
    "valid.s28": firmware("3.3.0"),
    "older.s28": firmware("3.1.0"),
    "same.s28": firmware("3.2.0"),
    "letter.s28": firmware("1.2.A"),
    "bad_checksum.s28": firmware("3.3.0", bad_line=7),
    "wrong_part.s28": firmware("3.3.0", part="17-2852"),
    "lowercase.s28": firmware("3.3.0", lower=True),
    "short.s28": firmware("3.3.0", data_records=3),
    "v120.s28": firmware("1.2.0"),
    "v200.s28": firmware("2.0.0"),
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, content in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(content)
        print("%-18s %6d bytes" % (name, len(content)))
