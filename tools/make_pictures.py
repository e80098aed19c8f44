#!/usr/bin/env python3
"""Draws Klimbor's pixel-art pictures into assets/ as 24-bit PNG files.

The same drawings also go to assets/win32/ for the Windows programs, which carry them as
resources: each picture as an uncompressed BMP (Windows loads those without a decoder), with a
palette when it has few colours, and the application icon as klimbor.ico. The browser edition's
icons go to assets/web/.

Run it after changing the artwork: python3 tools/make_pictures.py
The files are committed, so building the game never needs Python.
"""
import math
import os
import struct
import zlib

ORANGE = (255, 128, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
BLUE = (0, 0, 255)
LIGHT_GREEN = (128, 255, 128)
BROWN = (128, 64, 0)
DARK_BROWN = (72, 32, 0)
YELLOW = (255, 255, 0)
RED = (255, 0, 0)
OLIVE = (128, 128, 0)

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")
WIN32_OUT = os.path.join(OUT, "win32")


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


class Image:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def save(self, name):
        """Writes assets/<name>.png and the same pixels as assets/win32/<name>.bmp."""
        raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in self.px)
        png = b"\x89PNG\r\n\x1a\n"
        png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0))
        png += png_chunk(b"IDAT", zlib.compress(raw, 9))
        png += png_chunk(b"IEND", b"")
        with open(os.path.join(OUT, name + ".png"), "wb") as f:
            f.write(png)
        with open(os.path.join(WIN32_OUT, name + ".bmp"), "wb") as f:
            f.write(self.bmp())

    def bmp(self):
        """An uncompressed BMP, rows bottom-up, each padded to 4 bytes: 4 bits a pixel into a
        palette of the picture's colours when it has no more than 16 (every picture here, which
        carried in 24 bits would make most of the game's executable), 24-bit blue-green-red
        otherwise."""
        colours = sorted({p for row in self.px for p in row})
        if len(colours) <= 16:
            bits = 4
            index = {c: i for i, c in enumerate(colours)}
            palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
            stride = ((self.w + 1) // 2 + 3) & ~3
            rows = []
            for row in reversed(self.px):
                packed = bytearray(stride)
                for x, c in enumerate(row):
                    packed[x // 2] |= index[c] << (0 if x % 2 else 4)
                rows.append(bytes(packed))
            pixels = b"".join(rows)
        else:
            bits, colours, palette = 24, [], b""
            stride = (self.w * 3 + 3) & ~3
            pad = bytes(stride - self.w * 3)
            pixels = b"".join(bytes(v for r, g, b in row for v in (b, g, r)) + pad
                              for row in reversed(self.px))
        # BITMAPINFOHEADER: no compression, no resolution (the pixels are shown one for one,
        # scaled by the program alone), every palette entry used.
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, bits, 0, len(pixels), 0, 0,
                           len(colours), len(colours))
        offset = 14 + len(info) + len(palette)
        head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        return head + info + palette + pixels


def stamp(img, x, y, rows, c, sx=1, sy=1):
    """Draws a glyph given as rows of '.' and 'X', each dot enlarged to sx by sy pixels."""
    for j, row in enumerate(rows):
        for i, ch in enumerate(row):
            if ch == "X":
                for dy in range(sy):
                    for dx in range(sx):
                        img.put(x + i * sx + dx, y + j * sy + dy, c)


# ---------------------------------------------------------------- fonts

BIG = {  # 7 rows high
    "K": ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    "l": ["XX.", ".X.", ".X.", ".X.", ".X.", ".X.", "XXX"],
    "i": [".X.", "...", "XX.", ".X.", ".X.", ".X.", "XXX"],
    "m": [".....", ".....", "XX.X.", "X.X.X", "X.X.X", "X.X.X", "X.X.X"],
    "b": ["X....", "X....", "XXXX.", "X...X", "X...X", "X...X", "XXXX."],
    "o": [".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."],
    "r": [".....", ".....", "X.XX.", "XX..X", "X....", "X....", "X...."],
    "B": ["XXXX.", "X...X", "X...X", "XXXX.", "X...X", "X...X", "XXXX."],
    "y": [".....", ".....", "X...X", "X...X", ".XXXX", "....X", ".XXX."],
    "D": ["XXX..", "X..X.", "X...X", "X...X", "X...X", "X..X.", "XXX.."],
    "a": [".....", ".....", ".XXX.", "....X", ".XXXX", "X...X", ".XXXX"],
    "v": [".....", ".....", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
    "x": [".....", ".....", "X...X", ".X.X.", "..X..", ".X.X.", "X...X"],
    " ": ["..", "..", "..", "..", "..", "..", ".."],
}

SMALL = {  # 5 rows high, one row of descender for p
    "k": ["X..", "X.X", "XX.", "X.X", "X.X"],
    "l": ["X", "X", "X", "X", "X"],
    "i": ["X", ".", "X", "X", "X"],
    "m": [".....", "XXXX.", "X.X.X", "X.X.X", "X.X.X"],
    "b": ["X..", "XX.", "X.X", "X.X", "XX."],
    "o": ["...", ".X.", "X.X", "X.X", ".X."],
    "r": ["...", "X.X", "XX.", "X..", "X.."],
    ".": [".", ".", ".", ".", "X"],
    "e": ["...", ".X.", "XXX", "X..", ".XX"],
    "x": ["...", "X.X", ".X.", ".X.", "X.X"],
    "a": ["...", ".XX", "X.X", "X.X", ".XX"],
    "p": ["...", "XX.", "X.X", "XX.", "X.."],
    "w": [".....", "X...X", "X.X.X", "X.X.X", ".X.X."],
}


def text_width(font, s, sx=1, gap=1):
    """Width in pixels; gap is the space between letters in pixels."""
    return sum(len(font[ch][0]) * sx for ch in s) + gap * (len(s) - 1)


def write(img, font, x, y, s, c, sx=1, sy=1, gap=1):
    for ch in s:
        stamp(img, x, y, font[ch], c, sx, sy)
        x += len(font[ch][0]) * sx + gap


# ---------------------------------------------------------------- spiders

# Left legs as (attach, knee, tip); the right legs mirror them. A leg's phase moves its knee by
# one pixel and its tip by two, along the body: negative reaches forward, positive pushes back.
LEFT_LEGS = [
    ((6, 5), (4, 3), (2, 3)),
    ((6, 6), (3, 6), (1, 6)),
    ((6, 7), (3, 8), (1, 10)),
    ((7, 8), (5, 10), (3, 13)),
]
# Alternating tetrapod gait: legs 1 and 3 of one side step with legs 2 and 4 of the other.
PHASES = [
    ([0, 0, 0, 0], [0, 0, 0, 0]),  # frame 0: all legs at rest
    ([-1, 1, -1, 1], [1, -1, 1, -1]),
    ([1, -1, 1, -1], [-1, 1, -1, 1]),
]


def spider(body, shade, frame):
    img = Image(18, 18, ORANGE)
    left_phase, right_phase = PHASES[frame]
    for side, phases in ((1, left_phase), (-1, right_phase)):
        for (attach, knee, tip), p in zip(LEFT_LEGS, phases):
            ax, ay = attach
            kx, ky = knee[0], knee[1] + p
            tx, ty = tip[0], tip[1] + 2 * p
            if side < 0:
                ax, kx, tx = 16 - ax, 16 - kx, 16 - tx
            img.line(ax, ay, kx, ky, body)
            img.line(kx, ky, tx, ty, body)
    # Fangs, head and thorax, waist, abdomen: 17 pixels wide around column 8.
    for x in (7, 9):
        img.put(x, 3, body)
    for y, (x0, x1) in {4: (7, 9), 5: (6, 10), 6: (6, 10), 7: (6, 10), 8: (7, 9)}.items():
        for x in range(x0, x1 + 1):
            img.put(x, y, body)
    img.put(8, 9, body)
    abdomen = {10: (6, 10), 11: (5, 11), 12: (5, 11), 13: (5, 11), 14: (5, 11), 15: (6, 10),
               16: (7, 9)}
    for y, (x0, x1) in abdomen.items():
        for x in range(x0, x1 + 1):
            img.put(x, y, body)
    # Eyes and the mark on the back.
    img.put(7, 5, WHITE)
    img.put(9, 5, WHITE)
    for x, y in ((8, 11), (8, 12), (8, 13), (8, 14)):
        img.put(x, y, shade)
    # The 18th row and column never show: keep them plain.
    for i in range(18):
        img.put(17, i, ORANGE)
        img.put(i, 17, ORANGE)
    return img


# ---------------------------------------------------------------- round buttons

GREEN = (0, 192, 0)
DARK_GREEN = (0, 72, 0)
HIGHLIGHT = (128, 255, 128)


def round_button(symbol):
    img = Image(17, 17, ORANGE)
    c = 8.0
    for y in range(17):
        for x in range(17):
            d = math.hypot(x - c, y - c)
            if d <= 8.2:
                img.put(x, y, DARK_GREEN)
            if d <= 7.2:
                img.put(x, y, GREEN)
    # A light rim on the upper left makes the button look domed.
    for x, y in ((4, 3), (5, 2), (6, 2), (3, 4), (2, 5), (2, 6), (3, 3)):
        img.put(x, y, HIGHLIGHT)
    stamp(img, 0, 0, symbol, OLIVE)
    return img


PLAY = [
    ".................",
    ".................",
    ".................",
    ".................",
    "......X..........",
    "......XX.........",
    "......XXX........",
    "......XXXX.......",
    "......XXXXX......",
    "......XXXX.......",
    "......XXX........",
    "......XX.........",
    "......X..........",
]
OK = [
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    "...XXX..X..X.....",
    "..X...X.X.X......",
    "..X...X.XX.......",
    "..X...X.XX.......",
    "..X...X.X.X......",
    "...XXX..X..X.....",
]
RESTART = [
    ".................",
    ".................",
    ".................",
    ".................",
    ".....X......X....",
    ".....X.....XX....",
    ".....X....XXX....",
    ".....X...XXXX....",
    ".....X..XXXXX....",
    ".....X...XXXX....",
    ".....X....XXX....",
    ".....X.....XX....",
    ".....X......X....",
]


# ---------------------------------------------------------------- title

def title():
    img = Image(129, 282, ORANGE)
    # The picture sits inside a 2-pixel frame: its middle is column 63.
    cx = 63
    # Light green oval with a dark outline at mid-height, the name in brown inside.
    oy, rx, ry = 124, 62, 30
    for y in range(img.h):
        for x in range(img.w):
            d = ((x - cx) / rx) ** 2 + ((y - oy) / ry) ** 2
            if d < 1.0:
                img.put(x, y, DARK_BROWN if d > 0.9 else LIGHT_GREEN)
    name = "Klimbor"
    w = text_width(BIG, name, 3, 2)
    x0, y0 = cx - w // 2, oy - 14
    write(img, BIG, x0 + 1, y0 + 1, name, DARK_BROWN, 3, 4, 2)  # drop shadow
    write(img, BIG, x0, y0, name, BROWN, 3, 4, 2)
    # A little spider hangs on its thread in the upper corner, clear of the result labels.
    img.line(119, 0, 119, 58, DARK_BROWN)
    stamp(img, 116, 58, ["X.X.X", ".XXX.", "XXXXX", ".XXX.", "X.X.X"], BLACK)
    # A yellow starburst below, holding the credit in red.
    sy, outer, inner, spikes = 201, 44, 30, 14
    for y in range(img.h):
        for x in range(img.w):
            a = math.atan2(y - sy, x - cx)
            t = (a * spikes / (2 * math.pi)) % 1.0
            r = inner + (outer - inner) * (1 - abs(2 * t - 1))
            d = math.hypot(x - cx, y - sy)
            if d <= r:
                img.put(x, y, RED if d > r - 1.5 else YELLOW)
    credit = "By Dalvix"
    w = text_width(BIG, credit)
    write(img, BIG, cx - w // 2, sy - 3, credit, RED)
    # The web address at the bottom.
    url = "www.klimbor.example"
    w = text_width(SMALL, url)
    write(img, SMALL, cx - w // 2, 262, url, DARK_BROWN)
    return img


# ---------------------------------------------------------------- application icon

ICONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "icons")
TRANSPARENT = None


def icon_base():
    """The blue spider on an orange rounded square, 16 by 16; None is transparent."""
    sprite = spider(BLUE, (96, 160, 255), 0)
    px = [[TRANSPARENT] * 16 for _ in range(16)]
    corners = {(0, 0), (1, 0), (0, 1), (15, 0), (14, 0), (15, 1), (0, 15), (1, 15), (0, 14),
               (15, 15), (14, 15), (15, 14)}
    for y in range(16):
        for x in range(16):
            if (x, y) not in corners:
                px[y][x] = sprite.get(x, y + 2)
    return px


def enlarge(px, scale, size):
    """Enlarges without smoothing, centred on a transparent square of the given size: rows of
    (red, green, blue, alpha)."""
    n = len(px) * scale
    off = (size - n) // 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            sx, sy = (x - off) // scale, (y - off) // scale
            c = px[sy][sx] if 0 <= x - off < n and 0 <= y - off < n else TRANSPARENT
            row.append((0, 0, 0, 0) if c is None else (*c, 255))
        rows.append(row)
    return rows


def png_rgba(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b"")
    return png


def ico_bitmap(rows):
    """An icon image as Windows has always read it: a BITMAPINFOHEADER of twice the height,
    32-bit blue-green-red-alpha rows bottom-up, then the 1-bit AND mask (1 where transparent),
    which programs that ignore alpha draw with."""
    size = len(rows)
    xor = b"".join(bytes(v for r, g, b, a in row for v in (b, g, r, a)) for row in reversed(rows))
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask),
                       0, 0, 0, 0)
    return info + xor + mask


def ico(images):
    """An .ico file from (size, image data) pairs; a size of 256 is written as 0."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image),
                               offset + len(data))
        data += image
    return head + entries + data


def save_svg(px, path):
    rects = []
    for y, row in enumerate(px):
        for x, c in enumerate(row):
            if c is not None:
                rects.append(f'<rect x="{x}" y="{y}" width="1" height="1" fill="#{c[0]:02x}{c[1]:02x}{c[2]:02x}"/>')
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 16 16" '
           'shape-rendering="crispEdges">\n' + "\n".join(rects) + "\n</svg>\n")
    with open(path, "w") as f:
        f.write(svg)


# The sizes Windows asks for (small and large icons at 100 % to 300 %, Explorer's views). The
# 256 one is stored as its PNG, as Windows Vista and later read it; the others as bitmaps, which
# every reader of icons knows.
ICO_SIZES = (16, 24, 32, 48, 64, 256)


def icons():
    os.makedirs(ICONS, exist_ok=True)
    px = icon_base()
    images = []
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        rows = enlarge(px, max(1, size // 16), size)
        png = png_rgba(rows)
        with open(os.path.join(ICONS, f"klimbor-{size}.png"), "wb") as f:
            f.write(png)
        if size in ICO_SIZES:
            images.append((size, png if size == 256 else ico_bitmap(rows)))
    save_svg(px, os.path.join(ICONS, "klimbor.svg"))
    with open(os.path.join(WIN32_OUT, "klimbor.ico"), "wb") as f:
        f.write(ico(images))


# The browser edition's icons (its web app manifest): the same spider, whole-scale enlarged.
WEB_OUT = os.path.join(OUT, "web")


def web_icons():
    """klimbor-192.png and klimbor-512.png, the rounded square on a transparent ground; and
    klimbor-maskable-512.png, which the phone crops to its own shape: orange to the edges, the
    spider inside the middle circle four fifths across that every shape keeps."""
    os.makedirs(WEB_OUT, exist_ok=True)
    px = icon_base()
    for size in (192, 512):
        with open(os.path.join(WEB_OUT, f"klimbor-{size}.png"), "wb") as f:
            f.write(png_rgba(enlarge(px, size // 16, size)))
    sprite = spider(BLUE, (96, 160, 255), 0)
    # 16 x 18 = 288 pixels: the square's diagonal, 407, stays inside the 409-pixel circle.
    full = [[sprite.get(x, y + 2) for x in range(16)] for y in range(16)]
    rows = [[(*ORANGE, 255) if p == (0, 0, 0, 0) else p for p in row]
            for row in enlarge(full, 18, 512)]
    with open(os.path.join(WEB_OUT, "klimbor-maskable-512.png"), "wb") as f:
        f.write(png_rgba(rows))


def main():
    os.makedirs(WIN32_OUT, exist_ok=True)
    icons()
    web_icons()
    for frame in range(3):
        spider(BLUE, (96, 160, 255), frame).save(f"spider_blue_{frame}")
        spider(BLACK, (112, 112, 112), frame).save(f"spider_black_{frame}")
    round_button(PLAY).save("continue")
    round_button(OK).save("validate")
    round_button(RESTART).save("restart")
    Image(6, 282, BLACK).save("bar")
    title().save("title")


if __name__ == "__main__":
    main()
