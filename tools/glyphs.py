#!/usr/bin/env python3
"""Writes the check-box glyphs into resources/images (run by hand when they change; the results
are kept in the repository): 9 x 9 pixel, 24-bit bitmap files on the light yellow $BFFFFF."""
import os
import struct

BACKGROUND = bytes([0xBF, 0xFF, 0xFF])  # blue, green, red
BLACK = bytes([0, 0, 0])
# Black pixels of the check mark: row -> pixels, both counted from 1, rows from the top.
CHECK = {2: [8], 3: [7, 8], 4: [2, 6, 7, 8], 5: [2, 3, 5, 6, 7], 6: [2, 3, 4, 5, 6], 7: [3, 4, 5], 8: [4]}


def bitmap(marks):
    rows = []
    for row in range(9, 0, -1):  # bottom-up
        pixels = b"".join(BLACK if px in marks.get(row, []) else BACKGROUND for px in range(1, 10))
        rows.append(pixels + b"\0")  # padded to 28 bytes
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, 9, 9, 1, 24, 0, len(data), 0, 0, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")
for name, marks in (("zebcheck_checked.bmp", CHECK), ("zebcheck_unchecked.bmp", {})):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bitmap(marks))
