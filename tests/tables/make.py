#!/usr/bin/env python3
"""Writes the shared tables: for each case, NAME.table (the bytes before), NAME.recorded (the
bytes after a score of 600 recorded as "Benoît", "déjà vu €") and NAME.grid (what the viewer then
shows, one line a place: nickname, score and comment between tabs, NUL written as \\0).

The expected files come from this reading of the file layout, not from the program: the Linux and
the Windows suites both record each table and must give these very bytes and texts. To add a
table of your own, add a case below and run this script."""
import pathlib
import struct

SLOT, PLACES, COMMENT_MAX = 128, 30, 94
SCORE, PSEUDO, COMMENT = 600, "Benoît", "déjà vu €"


def slot(pseudo: bytes, score: int, comment: bytes, length=None, filler=b"\0") -> bytes:
    head = pseudo.ljust(30, b" ")[:30] + struct.pack("<hH", score, len(comment) if length is None else length)
    return (head + comment).ljust(SLOT, filler)[:SLOT]


def decode(raw: bytes) -> str:
    # The five bytes Windows-1252 leaves undefined read as the code points of the same value.
    return "".join(chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252") for b in raw)


def read(table: bytes, place: int):
    raw = table[(place - 1) * SLOT : place * SLOT].ljust(SLOT, b"\0")
    score, length = struct.unpack("<hH", raw[30:34])
    return raw[:30], score, raw[34 : 34 + min(length, COMMENT_MAX)]


def write(table: bytearray, place: int, record) -> None:
    at = (place - 1) * SLOT
    if len(table) < at + SLOT:
        table.extend(b"\0" * (at + SLOT - len(table)))
    table[at : at + SLOT] = slot(*record)


def record(before: bytes) -> bytes:
    """Every lower score moves down a place, the new record goes below the first it does not beat."""
    table = bytearray(before)
    new = (PSEUDO.encode("cp1252"), SCORE, COMMENT.encode("cp1252"))
    if read(table, PLACES)[1] >= SCORE:
        return bytes(table)
    for place in range(PLACES, 0, -1):
        current = read(table, place)
        if current[1] >= SCORE:
            write(table, place + 1, new)
            return bytes(table)
        if place < PLACES:
            write(table, place + 1, current)
    write(table, 1, new)
    return bytes(table)


def grid(table: bytes) -> str:
    lines = []
    for place in range(1, PLACES + 1):
        pseudo, score, comment = read(table, place)
        lines.append(f"{decode(pseudo)}\t{score}\t{decode(comment)}".replace("\0", "\\0"))
    return "\n".join(lines) + "\n"


def empty_places(n: int) -> bytes:
    return b"\0" * SLOT * n


CASES = {
    # The worked example, with the accents and signs of Windows-1252.
    "worked_example": slot("Zoé".encode("cp1252"), 900, "ça grimpe — œuf".encode("cp1252"))
    + slot("Ærøskøbing".encode("cp1252"), 500, "« 500 » ‰".encode("cp1252"))
    + slot(b"Gus", 100, b"")
    + empty_places(27),
    # Written by another program: undefined bytes, a comment length above 94, filler that is not
    # zero, and a 31st slot that the rewrite keeps.
    "foreign": b"".join(
        slot(b"P%02d\x81\x8d\x8f\x90\x9d" % p, 1000 - 20 * p, b"c" * (94 if p == 26 else p),
             length=0xFFFF if p == 26 else None, filler=b"\xaa")
        for p in range(1, 31))
    + b"slot 31".ljust(SLOT, b"\xbb"),
    # Thirty places whose last slot ends right after its comment; 600 takes place 30.
    "short_last_slot": b"".join(slot(b"Top%d" % p, 2000 - p, b"") for p in range(1, 30))
    + slot(b"Last", 50, b"bye")[:37],
}

here = pathlib.Path(__file__).parent
for name, before in CASES.items():
    after = record(before)
    (here / f"{name}.table").write_bytes(before)
    (here / f"{name}.recorded").write_bytes(after)
    (here / f"{name}.grid").write_text(grid(after), encoding="utf-8")
