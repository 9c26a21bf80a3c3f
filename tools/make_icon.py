#!/usr/bin/env python3
"""Draws MONCHK04's icon (a printer with a check mark) as a 32x32, 16-colour
Windows icon. Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

W = H = 32
# Standard 16-colour palette indices used here.
BLACK, DGRAY, LGRAY, WHITE, GREEN, BLUE = 0, 8, 7, 15, 10, 12
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def draw():
    pixels = [[None] * W for _ in range(H)]  # None = transparent

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    rect(9, 3, 22, 11, WHITE)          # paper
    rect(3, 11, 28, 23, DGRAY)         # body outline
    rect(4, 12, 27, 22, LGRAY)         # body
    rect(8, 20, 23, 27, WHITE)         # printed sheet
    rect(24, 14, 25, 15, GREEN)        # power light
    for i in range(4):                 # check mark on the sheet
        pixels[23 + i][10 + i] = BLUE
        pixels[23 + i][11 + i] = BLUE
    for i in range(7):
        pixels[26 - i][14 + i] = BLUE
        pixels[26 - i][15 + i] = BLUE
    return pixels


def icon(pixels):
    xor_rows = []
    and_rows = []
    for y in reversed(range(H)):       # DIBs are stored bottom-up
        row = pixels[y]
        xor = bytearray()
        for x in range(0, W, 2):
            a = row[x] if row[x] is not None else BLACK
            b = row[x + 1] if row[x + 1] is not None else BLACK
            xor.append((a << 4) | b)
        xor_rows.append(bytes(xor))
        bits = 0
        for x in range(W):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        and_rows.append(struct.pack(">I", bits))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", W, H, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon(draw()))
