#!/usr/bin/env python3
"""Draws the editor's bitmaps and the glyph atlases for its scaled text.

Run by hand after changing the artwork; the build embeds the committed files
and does not need Python. Needs Debian's python3-pil and fonts-dejavu-core.

    python3 resources/draw_artwork.py [--scale N ...]

Writes, for N = 1, 2 and 3 (all three unless --scale picks some):

    bitmaps/<id>.bmp       N = 1, the editor's 695 x 350 layout
    bitmaps/2x/<id>.png    N = 2
    bitmaps/3x/<id>.png    N = 3

for the ids 128 .. 138, and always the glyph atlases

    bitmaps/font/<N>x.png  N = 2, 3, 4, 6

The larger pictures are PNG (RGB, the atlases grey): they are 30 times
smaller than bitmaps of the same pixels, which keeps every module that
carries them small.

Every Nx bitmap is drawn at that scale (not enlarged) and is exactly N times
the 1x size; strips keep their frame order, frame k starting at row
k * frameHeight * N, and the transparent colours are the 1x ones. Text that
is the pixel font at 1x is drawn at Nx with the atlas glyphs, in the cells
the pixel font occupies, times N.

An atlas is grey (ink coverage, white on black), 8 * N rows
high. It holds one cell per character of the pixel font (gui/PixelFont.cpp)
in ascending ASCII order, then one cell for the missing-glyph box. A cell is
(glyphWidth + 1) * N wide (the glyph's columns plus the spacing column), the
cells follow each other from x = 0 without gaps. Capitals and digits fill
rows 0 .. 7N-1, lower-case bodies about rows 2N .. 7N-1, descenders go into
the last N rows: the same rows the pixel glyph uses, times N. The editor
finds the cells by adding up the pixel-font widths, so the two must agree.

Sizes, frame counts, frame order and transparent colours are fixed by the
editor code (see editor/VemoVstEditor.cpp); the control positions below are
the ones the editor places its controls at.
"""

import argparse
import math
import os
import re
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
OUT = os.path.join(HERE, "bitmaps")

SS = 4  # supersampling factor for smooth shapes

BITMAP_SCALES = (1, 2, 3)
ATLAS_SCALES = (2, 3, 4, 6)

# Theme: a dark violet-grey panel that matches the menus' colours
# (fill 25,20,36, text 60,60,70).
PANEL_TOP = (36, 32, 46)
PANEL_BOTTOM = (24, 21, 32)
BOX_FILL = (31, 27, 41)
BOX_EDGE = (58, 53, 74)
BOX_SHADOW = (16, 13, 22)
CAPTION = (236, 150, 64)      # warm amber section captions
LABEL = (184, 180, 200)       # control labels
DIM = (112, 106, 130)         # scale marks, small print
MENU_FILL = (25, 20, 36)
CHEEK = (18, 15, 24)

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_COND = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"


def font(path, size):
    try:
        return ImageFont.truetype(path, size)
    except OSError:
        sys.exit("missing font %s (Debian package fonts-dejavu-core)" % path)


# ---------------------------------------------------------------- pixel font
# The toolkit's built-in pixel font, read from its C++ table so the panel's
# small print matches the menus exactly.

def load_pixel_font():
    src = open(os.path.join(ROOT, "gui", "PixelFont.cpp"), encoding="utf-8").read()
    glyphs = {}
    for m in re.finditer(r"\{'(\\.|.)', \{([^}]*)\}\}", src):
        ch = m.group(1)
        if ch == "\\0":
            continue  # the box for missing characters, not the digit 0
        if ch.startswith("\\"):
            ch = ch[1:]
        rows = re.findall(r'"([^"]*)"', m.group(2))
        glyphs[ch] = rows
    missing = re.search(r"kMissing\s*=\s*\{'\\0',\s*\{([^}]*)\}\}", src)
    if missing is None:
        sys.exit("gui/PixelFont.cpp: no kMissing glyph")
    return glyphs, re.findall(r'"([^"]*)"', missing.group(1))


PIXEL_FONT, PIXEL_MISSING = load_pixel_font()


def pixel_text_width(text):
    return sum(len(PIXEL_FONT[c][0]) + 1 for c in text) - 1 if text else 0


def pixel_text(img, x, y, text, color):
    """Draws text with its top-left corner at (x, y), 1:1 pixels."""
    px = img.load()
    for c in text:
        rows = PIXEL_FONT[c]
        for gy, row in enumerate(rows):
            for gx, bit in enumerate(row):
                if bit == "#":
                    xx, yy = x + gx, y + gy
                    if 0 <= xx < img.width and 0 <= yy < img.height:
                        px[xx, yy] = color
        x += len(rows[0]) + 1


def pixel_text_centred(img, cx, y, text, color):
    pixel_text(img, int(round(cx - pixel_text_width(text) / 2.0)), y, text, color)


# ------------------------------------------------------------- atlas glyphs
# Above 1x the pixel font's cells are filled with a real typeface, drawn for
# the scale. The cells keep the pixel font's widths so that text measures the
# same at every scale and the editor's layout never moves.

GLYPH_FONT = FONT_COND  # the pixel font is narrow; the condensed face needs less squeezing
GLYPH_SS = 8
UNIFORM = "+="  # symbols scaled alike in both directions
_glyph_cache = {}


def _glyph_face(n):
    """The glyph face for scale n, with its cap height in pixels at GLYPH_SS."""
    key = ("face", n)
    if key not in _glyph_cache:
        target = 7 * n * GLYPH_SS
        f = font(GLYPH_FONT, int(round(target / 0.729)))
        cap = _render_ink(f, "H")[1]
        _glyph_cache[key] = (f, cap[3] - cap[1])
    return _glyph_cache[key]


def _render_ink(f, c):
    """Renders c with its baseline at a known row; returns the picture, the
    ink box and the baseline row."""
    size = f.size
    big = Image.new("L", (size * 3, size * 3), 0)
    ImageDraw.Draw(big).text((size, 2 * size), c, font=f, fill=255, anchor="ls")
    return big, big.getbbox(), 2 * size


def glyph_cell(c, n):
    """Coverage (L) of the cell of character c at scale n."""
    key = (c, n)
    if key in _glyph_cache:
        return _glyph_cache[key]
    rows = PIXEL_FONT.get(c, PIXEL_MISSING)
    gw = len(rows[0])
    S = GLYPH_SS
    cell = Image.new("L", ((gw + 1) * n * S, 8 * n * S), 0)
    d = ImageDraw.Draw(cell)
    if c not in PIXEL_FONT:
        # The missing-glyph box, a little lighter than a letter's stems.
        t = 0.8 * n * S
        d.rectangle([0, 0, gw * n * S - 1, 7 * n * S - 1], fill=255)
        d.rectangle([t, t, gw * n * S - 1 - t, 7 * n * S - 1 - t], fill=0)
    elif any("#" in r for r in rows):
        f, cap = _glyph_face(n)
        big, box, base = _render_ink(f, c)
        x0, y0, x1, y1 = box
        sy = 7.0 * n * S / cap
        # Keep the face's proportions unless the glyph would run into the
        # spacing column's right half, where the next glyph may start.
        room = (gw + 0.5) * n * S
        sx = min(sy, room / (x1 - x0))
        w = max(1, int(round((x1 - x0) * sx)))
        # Above the baseline up to 7N rows, below it one row of N: ascenders
        # and descenders longer than the pixel font's are pressed into those.
        parts = []
        if c in UNIFORM and sx < sy:
            # Squeezed, a plus or an equals sign stops looking like one: shrink
            # it whole about its own middle instead.
            h = max(1, int(round((y1 - y0) * sx)))
            middle = 7.0 * n * S - (base - (y0 + y1) / 2.0) * sy
            parts.append((big.crop(box), h, int(round(middle - h / 2.0))))
        else:
            if y0 < base:
                k = min(sy, 7.0 * n * S / (base - y0))
                h = max(1, int(round((base - y0) * k)))
                parts.append((big.crop((x0, y0, x1, base)), h, 7 * n * S - h))
            if y1 > base:
                k = min(sy, 1.0 * n * S / (y1 - base))
                h = max(1, int(round((y1 - base) * k)))
                parts.append((big.crop((x0, base, x1, y1)), h, 7 * n * S))
        # Centred on the columns the pixel glyph inks.
        cols = [i for r in rows for i, b in enumerate(r) if b == "#"]
        centre = (min(cols) + max(cols) + 1) / 2.0 * n * S
        left = int(round(centre - w / 2.0))
        left = max(0, min(left, int(room) - w))
        for part, h, top in parts:
            cell.paste(part.resize((w, h), Image.BOX), (left, top))
    cell = cell.resize(((gw + 1) * n, 8 * n), Image.BOX)
    _glyph_cache[key] = cell
    return cell


def atlas_chars():
    return sorted(PIXEL_FONT) + [None]


def draw_atlas(n):
    cells = [glyph_cell(c if c is not None else "\0", n) for c in atlas_chars()]
    atlas = Image.new("L", (sum(cell.width for cell in cells), 8 * n), 0)
    x = 0
    for cell in cells:
        atlas.paste(cell, (x, 0))
        x += cell.width
    path = os.path.join(OUT, "font")
    os.makedirs(path, exist_ok=True)
    atlas.save(os.path.join(path, "%dx.png" % n), format="PNG", optimize=True)


# ------------------------------------------------------------------ helpers

def save_bmp(img, ident, n=1):
    """The 1x picture as a bitmap, the larger ones as PNG."""
    assert img.mode == "RGB"
    path = OUT if n == 1 else os.path.join(OUT, "%dx" % n)
    os.makedirs(path, exist_ok=True)
    if n == 1:
        img.save(os.path.join(path, "%d.bmp" % ident), format="BMP")
    else:
        img.save(os.path.join(path, "%d.png" % ident), format="PNG", optimize=True)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vgradient(w, h, top, bottom):
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w - 1, y)], fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


def supersampled(w, h, bg, draw_fn, n=1):
    """Calls draw_fn(draw, scale) on a canvas SS times larger than w x h at
    scale n, returns it reduced to (w * n) x (h * n)."""
    big = Image.new("RGB", (w * n * SS, h * n * SS), bg)
    draw_fn(ImageDraw.Draw(big), SS * n)
    return big.resize((w * n, h * n), Image.LANCZOS)


def shape_mask(w, h, draw_fn, n=1):
    """Coverage mask (L) of the shapes draw_fn paints in white."""
    big = Image.new("L", (w * n * SS, h * n * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS * n)
    return big.resize((w * n, h * n), Image.BOX)


def key_out(img, mask, key):
    """Sets every pixel the mask does not touch to the transparent colour and
    keeps every drawn pixel away from it."""
    px = img.load()
    m = mask.load()
    for y in range(img.height):
        for x in range(img.width):
            if m[x, y] < 8:
                px[x, y] = key
            elif px[x, y] == key:
                r, g, b = key
                px[x, y] = (r + 1 if r < 255 else r - 1, g, b)


class Pen:
    """Draws pixel-exact artwork in 1x coordinates on a picture n times
    larger.

    At 1x every call is the plain ImageDraw call (the 1x pictures must not
    change). Above 1x a shape covers the same area as its 1x pixels, times n,
    and is rendered supersampled into a coverage mask, so curves and slants
    come out smooth instead of as enlarged stairs. Points are pixel indices,
    as ImageDraw takes them, naming the pixel whose centre lies half a pixel
    further on; a line given shift (0, 0) (or 0 on one axis) has its points
    on the continuous plane instead (knob centres, detents), which only the
    larger pictures can honour.
    """

    def __init__(self, img, n):
        self.img = img
        self.n = n
        self.d = ImageDraw.Draw(img)

    # ---- 1x pixel boxes to canvas coordinates, f = canvas pixels per 1x pixel
    @staticmethod
    def _box(box, f, ox, oy):
        x0, y0, x1, y1 = box
        return [x0 * f - ox, y0 * f - oy, (x1 + 1) * f - 1 - ox, (y1 + 1) * f - 1 - oy]

    def _paint(self, colour, extent, draw_fn):
        """Paints colour through the coverage draw_fn draws; extent bounds the
        shape in 1x units."""
        n = self.n
        rx0 = max(0, int(math.floor(extent[0] * n)) - 1)
        ry0 = max(0, int(math.floor(extent[1] * n)) - 1)
        rx1 = min(self.img.width, int(math.ceil(extent[2] * n)) + 1)
        ry1 = min(self.img.height, int(math.ceil(extent[3] * n)) + 1)
        if rx1 <= rx0 or ry1 <= ry0:
            return
        mask = Image.new("L", ((rx1 - rx0) * SS, (ry1 - ry0) * SS), 0)
        draw_fn(ImageDraw.Draw(mask), n * SS, rx0 * SS, ry0 * SS)
        mask = mask.resize((rx1 - rx0, ry1 - ry0), Image.BOX)
        self.img.paste(colour, (rx0, ry0, rx1, ry1), mask)

    def _boxes(self, box, radius, fill, outline):
        x0, y0, x1, y1 = box
        extent = (x0, y0, x1 + 1, y1 + 1)
        inner = (x0 + 1, y0 + 1, x1 - 1, y1 - 1)

        def shape(b, r):
            def draw(d, f, ox, oy):
                if r > 0:
                    d.rounded_rectangle(self._box(b, f, ox, oy), radius=r * f, fill=255)
                else:
                    d.rectangle(self._box(b, f, ox, oy), fill=255)
            return draw

        if outline is not None and fill is None:
            def ring(d, f, ox, oy):
                shape(box, radius)(d, f, ox, oy)
                if radius > 1:
                    d.rounded_rectangle(self._box(inner, f, ox, oy), radius=(radius - 1) * f, fill=0)
                else:
                    d.rectangle(self._box(inner, f, ox, oy), fill=0)
            self._paint(outline, extent, ring)
            return
        if outline is not None:
            self._paint(outline, extent, shape(box, radius))
            box, radius = inner, max(0, radius - 1)
        if fill is not None:
            self._paint(fill, extent, shape(box, radius))

    def rectangle(self, box, fill=None, outline=None):
        if self.n == 1:
            self.d.rectangle(box, fill=fill, outline=outline)
        else:
            self._boxes(box, 0, fill, outline)

    def rounded_rectangle(self, box, radius, fill=None, outline=None):
        if self.n == 1:
            self.d.rounded_rectangle(box, radius=radius, fill=fill, outline=outline)
        else:
            self._boxes(box, radius, fill, outline)

    def ellipse(self, box, fill):
        if self.n == 1:
            self.d.ellipse(box, fill=fill)
            return
        x0, y0, x1, y1 = box
        self._paint(fill, (x0, y0, x1 + 1, y1 + 1),
                    lambda d, f, ox, oy: d.ellipse(self._box(box, f, ox, oy), fill=255))

    def line(self, points, fill, width=0, shift=(0.5, 0.5)):
        if self.n == 1:
            self.d.line(points, fill=fill, width=width)
            return
        (xa, ya), (xb, yb) = points
        w = max(1, width)
        if shift == (0.5, 0.5) and (xa == xb or ya == yb) and w == 1:
            self._boxes((min(xa, xb), min(ya, yb), max(xa, xb), max(ya, yb)), 0, fill, None)
            return
        sx, sy = shift
        length = math.hypot(xb - xa, yb - ya) or 1.0
        ux, uy = (xb - xa) / length, (yb - ya) / length
        # Ends reach as far as the 1x line's end pixels do.
        ax, ay = xa + sx - ux * 0.5, ya + sy - uy * 0.5
        bx, by = xb + sx + ux * 0.5, yb + sy + uy * 0.5
        extent = (min(ax, bx) - w, min(ay, by) - w, max(ax, bx) + w, max(ay, by) + w)

        def draw(d, f, ox, oy):
            d.line([(ax * f - 0.5 - ox, ay * f - 0.5 - oy), (bx * f - 0.5 - ox, by * f - 0.5 - oy)],
                   fill=255, width=int(round(w * f)))

        self._paint(fill, extent, draw)

    def text(self, xy, text, path, size, fill):
        x, y = xy
        self.d.text((x * self.n, y * self.n), text, font=font(path, size * self.n), fill=fill)

    def textlength(self, text, path, size):
        """In 1x units."""
        if self.n == 1:
            return self.d.textlength(text, font=font(path, size))
        return self.d.textlength(text, font=font(path, size * self.n)) / self.n

    def pixel_text(self, x, y, text, color):
        if self.n == 1:
            pixel_text(self.img, x, y, text, color)
            return
        n = self.n
        for c in text:
            cell = glyph_cell(c, n)
            self.img.paste(color, (x * n, y * n, x * n + cell.width, y * n + cell.height), cell)
            x += len(PIXEL_FONT[c][0]) + 1

    def pixel_text_centred(self, cx, y, text, color):
        if self.n == 1:
            pixel_text_centred(self.img, cx, y, text, color)
        else:
            self.pixel_text(int(round(cx - pixel_text_width(text) / 2.0)), y, text, color)


# ------------------------------------------------------------------ 129 knob

KNOB = 33
KNOB_FRAMES = 51


def knob_frame(index, n):
    angle = math.radians(-135.0 + 270.0 * index / (KNOB_FRAMES - 1))
    c = KNOB / 2.0

    def draw(d, s):
        cx, cy = c * s, c * s
        # Skirt with a soft drop shadow, then the cap.
        r = 15.6 * s
        d.ellipse([cx - r, cy - r + s * 0.8, cx + r, cy + r + s * 0.8], fill=(12, 10, 16))
        d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(20, 19, 26))
        # Knurled edge: fine radial ridges.
        for k in range(36):
            a = 2 * math.pi * k / 36
            x0 = cx + math.sin(a) * 12.2 * s
            y0 = cy - math.cos(a) * 12.2 * s
            x1 = cx + math.sin(a) * 15.2 * s
            y1 = cy - math.cos(a) * 15.2 * s
            d.line([(x0, y0), (x1, y1)], fill=(44, 42, 54), width=int(s * 0.7))
        r2 = 12.0 * s
        d.ellipse([cx - r2, cy - r2, cx + r2, cy + r2], fill=(58, 56, 70))
        # Cap with a lit upper-left half.
        for i in range(12):
            t = i / 11.0
            rr = r2 * (1.0 - 0.55 * t)
            col = lerp((62, 60, 76), (96, 94, 112), t)
            off = -2.0 * s * t
            d.ellipse([cx - rr + off, cy - rr + off, cx + rr + off, cy + rr + off], fill=col)
        # Pointer: amber line from near the centre to the edge.
        x0 = cx + math.sin(angle) * 4.0 * s
        y0 = cy - math.cos(angle) * 4.0 * s
        x1 = cx + math.sin(angle) * 14.6 * s
        y1 = cy - math.cos(angle) * 14.6 * s
        d.line([(x0, y0), (x1, y1)], fill=(250, 168, 72), width=int(2.2 * s))

    img = supersampled(KNOB, KNOB, BOX_FILL, draw, n)
    mask = shape_mask(KNOB, KNOB, lambda d, s: d.ellipse(
        [c * s - 15.8 * s, c * s - 15.8 * s, c * s + 15.8 * s, c * s + 16.6 * s], fill=255), n)
    key_out(img, mask, (0, 0, 0))
    return img


def draw_knob(n):
    strip = Image.new("RGB", (KNOB * n, KNOB * KNOB_FRAMES * n))
    for i in range(KNOB_FRAMES):
        strip.paste(knob_frame(i, n), (0, i * KNOB * n))
    save_bmp(strip, 129, n)


# ------------------------------------------------------ 131, 132 slider

SLIDER_W, SLIDER_H = 24, 79
HANDLE_W, HANDLE_H = 24, 10


def draw_slider_body(n):
    img = Image.new("RGB", (SLIDER_W * n, SLIDER_H * n), BOX_FILL)
    d = Pen(img, n)
    # Scale: 11 marks over the handle centre's travel (y 6 .. 73), long ones
    # at the ends and the middle.
    for i in range(11):
        y = int(round(6 + i * (67 / 10.0)))
        long_mark = i in (0, 5, 10)
        col = LABEL if long_mark else DIM
        d.line([(1 if long_mark else 3, y), (7, y)], fill=col)
        d.line([(16, y), (22 if long_mark else 20, y)], fill=col)
    # The slot.
    d.rectangle([10, 3, 13, 75], fill=(8, 7, 11))
    d.line([(10, 3), (13, 3)], fill=(4, 3, 6))
    d.line([(10, 76), (13, 76)], fill=(60, 56, 76))
    d.line([(14, 4), (14, 75)], fill=(52, 48, 66))
    save_bmp(img, 132, n)


def draw_slider_handle(n):
    def draw(d, s):
        d.rounded_rectangle([1 * s, 0.5 * s, 23 * s, 9.5 * s], radius=1.6 * s, fill=(14, 12, 18))
        d.rounded_rectangle([1.5 * s, 0.5 * s, 22.5 * s, 8.8 * s], radius=1.4 * s,
                            fill=(150, 148, 162))
        d.rectangle([2.5 * s, 1.2 * s, 21.5 * s, 4.3 * s], fill=(196, 194, 208))
        d.rectangle([2.5 * s, 4.6 * s, 21.5 * s, 8.0 * s], fill=(122, 120, 136))
        d.rectangle([2.5 * s, 4.2 * s, 21.5 * s, 5.4 * s], fill=(246, 160, 64))

    img = supersampled(HANDLE_W, HANDLE_H, BOX_FILL, draw, n)
    save_bmp(img, 131, n)


# --------------------------------------------------------------- 133 lever

def lever_frame(down, n):
    w, h = 15, 30

    def draw(d, s):
        # Chrome bushing and a bat handle pointing up or down.
        cx, cy = 7.5 * s, 15 * s
        d.rounded_rectangle([1 * s, 7 * s, 14 * s, 23 * s], radius=2 * s, fill=(14, 12, 19))
        d.ellipse([cx - 4.6 * s, cy - 4.6 * s, cx + 4.6 * s, cy + 4.6 * s], fill=(92, 90, 104))
        d.ellipse([cx - 3.4 * s, cy - 3.4 * s, cx + 3.4 * s, cy + 3.4 * s], fill=(40, 38, 48))
        tip = 3.2 if not down else 26.8
        d.line([(cx, cy), (cx, tip * s)], fill=(170, 168, 182), width=int(3.4 * s))
        d.ellipse([cx - 2.6 * s, tip * s - 2.6 * s, cx + 2.6 * s, tip * s + 2.6 * s],
                  fill=(226, 224, 236))

    return supersampled(w, h, BOX_FILL, draw, n)


def draw_lever(n):
    img = Image.new("RGB", (15 * n, 60 * n))
    img.paste(lever_frame(False, n), (0, 0))
    img.paste(lever_frame(True, n), (0, 30 * n))
    save_bmp(img, 133, n)


# ---------------------------------------------------- 134-136 push buttons

BUTTON_COLOURS = {
    134: ((255, 156, 56), (90, 52, 24)),   # amber: pulse
    135: ((92, 226, 170), (30, 74, 58)),   # green: saw, shared filter, chorus I
    136: ((112, 170, 255), (34, 52, 90)),  # blue: sub, chorus II
}


def button_frame(lit, lamp_on, lamp_off, n):
    w, h = 25, 40

    def body(d, s):
        d.rounded_rectangle([1.2 * s, 1.2 * s, 23.8 * s, 39 * s], radius=3 * s, fill=255)

    def draw(d, s):
        d.rounded_rectangle([1.2 * s, 2.0 * s, 23.8 * s, 39 * s], radius=3 * s, fill=(10, 8, 14))
        d.rounded_rectangle([1.2 * s, 1.2 * s, 23.8 * s, 37.8 * s], radius=3 * s,
                            fill=(70, 68, 84))
        d.rounded_rectangle([2.4 * s, 2.4 * s, 22.6 * s, 36.6 * s], radius=2.4 * s,
                            fill=(52, 50, 64))
        # Key face, slightly lit from the top.
        d.rounded_rectangle([3.4 * s, 13 * s, 21.6 * s, 35.4 * s], radius=2 * s,
                            fill=(82, 80, 96) if not lit else (76, 74, 90))
        d.rectangle([4.4 * s, 14 * s, 20.6 * s, 18 * s], fill=(98, 96, 112))
        # Lamp window.
        d.rounded_rectangle([5 * s, 4.6 * s, 20 * s, 10 * s], radius=1.4 * s, fill=(8, 6, 10))
        col = lamp_on if lit else lamp_off
        d.rounded_rectangle([5.8 * s, 5.4 * s, 19.2 * s, 9.2 * s], radius=1.2 * s, fill=col)
        if lit:
            d.rectangle([7 * s, 6 * s, 18 * s, 6.8 * s],
                        fill=tuple(min(255, c + 70) for c in lamp_on))

    img = supersampled(w, h, BOX_FILL, draw, n)
    if lit:
        glow = Image.new("RGB", (w * n, h * n), (0, 0, 0))
        gd = ImageDraw.Draw(glow)
        gd.rectangle([5 * n, 4 * n, 20 * n - 1, 11 * n - 1], fill=lamp_on)
        glow = glow.filter(ImageFilter.GaussianBlur(2.2 * n))
        img = Image.blend(img, Image.composite(glow, img, glow.convert("L")), 0.25)
        # Keep the lamp itself crisp.
        crisp = supersampled(w, h, BOX_FILL, draw, n)
        img.paste(crisp.crop((5 * n, 4 * n, 20 * n, 11 * n)), (5 * n, 4 * n))
    key_out(img, shape_mask(w, h, body, n), (0, 0, 0))
    return img


def draw_buttons(n):
    for ident, (on, off) in BUTTON_COLOURS.items():
        img = Image.new("RGB", (25 * n, 80 * n))
        img.paste(button_frame(False, on, off, n), (0, 0))
        img.paste(button_frame(True, on, off, n), (0, 40 * n))
        save_bmp(img, ident, n)


# ------------------------------------------------- 130, 138 learn buttons

def learn_frame(lit, caption, n):
    w, h = 30, 20

    def draw(d, s):
        d.rounded_rectangle([0.5 * s, 1 * s, 29.5 * s, 19.5 * s], radius=2.5 * s, fill=(10, 8, 14))
        d.rounded_rectangle([0.5 * s, 0.5 * s, 29.5 * s, 18.6 * s], radius=2.5 * s,
                            fill=(70, 68, 84))
        face = (170, 40, 44) if lit else (48, 46, 60)
        d.rounded_rectangle([1.6 * s, 1.6 * s, 28.4 * s, 17.4 * s], radius=2 * s, fill=face)
        if lit:
            d.rectangle([3 * s, 2.4 * s, 27 * s, 5 * s], fill=(214, 78, 78))

    img = supersampled(w, h, BOX_FILL, draw, n)
    text = (255, 236, 230) if lit else (150, 146, 168)
    Pen(img, n).pixel_text_centred(15, 6, caption, text)
    return img


def draw_learn_buttons(n):
    for ident, caption in ((130, "LEARN"), (138, "ALL")):
        img = Image.new("RGB", (30 * n, 40 * n))
        img.paste(learn_frame(False, caption, n), (0, 0))
        img.paste(learn_frame(True, caption, n), (0, 20 * n))
        save_bmp(img, ident, n)


# ---------------------------------------------------- 137 transpose lever

TRANSPOSE_KEY = (13, 10, 19)


def transpose_frame(position, n):
    w, h = 57, 13
    slot = 57 / 4.0
    centres = [slot * (i + 0.5) for i in range(4)]

    def shapes(d, s, fill_slot, fill_knob):
        d.rounded_rectangle([3 * s, 4.5 * s, 54 * s, 8.5 * s], radius=2 * s, fill=fill_slot)
        x = centres[position]
        d.rounded_rectangle([(x - 4.5) * s, 0.5 * s, (x + 4.5) * s, 12.5 * s], radius=2 * s,
                            fill=fill_knob)

    def draw(d, s):
        shapes(d, s, (8, 7, 11), (14, 12, 18))
        # Detents.
        for cx in centres:
            d.ellipse([(cx - 1) * s, 5.5 * s, (cx + 1) * s, 7.5 * s], fill=(70, 66, 86))
        x = centres[position]
        d.rounded_rectangle([(x - 4) * s, 0.8 * s, (x + 4) * s, 11.8 * s], radius=1.8 * s,
                            fill=(160, 158, 172))
        d.rectangle([(x - 3) * s, 1.6 * s, (x + 3) * s, 5.5 * s], fill=(206, 204, 216))
        d.rectangle([(x - 0.7) * s, 2 * s, (x + 0.7) * s, 11 * s], fill=(246, 160, 64))

    img = supersampled(w, h, BOX_FILL, draw, n)
    mask = shape_mask(w, h, lambda d, s: shapes(d, s, 255, 255), n)
    key_out(img, mask, TRANSPOSE_KEY)
    return img


def draw_transpose(n):
    img = Image.new("RGB", (57 * n, 52 * n))
    for p in range(4):
        img.paste(transpose_frame(p, n), (0, p * 13 * n))
    save_bmp(img, 137, n)


# ------------------------------------------------------------ 128 panel

W, H = 695, 350

# Control positions (left, top, right, bottom), as the editor places them.
SLIDERS_TOP = {  # label under each slider of the top row
    62: "VCF", 243: "RATE", 270: "DELAY", 368: "LFO", 395: "PW", 561: "SUB", 612: "NOISE",
}
SLIDERS_BOTTOM = {
    65: "VCO", 92: "VCF", 243: "HPF", 284: "FREQ", 311: "RES", 361: "ENV", 388: "LFO",
    415: "KYBD", 484: "LEVEL", 530: "A", 557: "D", 584: "S", 611: "R",
}
KNOBS = {128: "TUNE", 173: "VOLUME"}  # left x; top 258, 33 x 33
BUTTONS = {468: "PULSE", 491: "SAW", 514: "SUB", 120: "SHARED", 169: "I", 192: "II"}

TOP_BOX_Y = (88, 204)
BOTTOM_BOX_Y = (220, 346)


def panel_box(d, left, top, right, bottom, caption):
    d.rounded_rectangle([left + 1, top + 2, right + 1, bottom + 2], radius=5, fill=BOX_SHADOW)
    d.rounded_rectangle([left, top, right, bottom], radius=5, fill=BOX_FILL, outline=BOX_EDGE)
    d.line([(left + 5, top + 1), (right - 5, top + 1)], fill=(72, 66, 92))
    if caption:
        tw = d.textlength(caption, FONT_COND, 9)
        cx = (left + right) / 2.0
        d.text((cx - tw / 2.0, top + 3), caption, FONT_COND, 9, CAPTION)
        # Hairlines either side of the caption.
        y = top + 9
        if cx - tw / 2.0 - 6 > left + 6:
            d.line([(left + 6, y), (cx - tw / 2.0 - 5, y)], fill=(80, 62, 58))
            d.line([(cx + tw / 2.0 + 5, y), (right - 6, y)], fill=(80, 62, 58))


def screw(d, x, y):
    d.ellipse([x - 4, y - 4, x + 4, y + 4], fill=(10, 8, 13))
    d.ellipse([x - 3, y - 3, x + 3, y + 3], fill=(92, 88, 104))
    d.ellipse([x - 2, y - 2, x + 2, y + 2], fill=(70, 66, 82))
    d.line([(x - 2, y + 2), (x + 2, y - 2)], fill=(30, 28, 38))


def knob_scale(d, left, top):
    cx, cy = left + 16.5, top + 16.5
    for i in range(11):
        a = math.radians(-135.0 + 27.0 * i)
        r0, r1 = (18.5, 22.0) if i in (0, 5, 10) else (19.0, 21.0)
        col = LABEL if i in (0, 5, 10) else DIM
        d.line([(cx + math.sin(a) * r0, cy - math.cos(a) * r0),
                (cx + math.sin(a) * r1, cy - math.cos(a) * r1)], fill=col, width=1,
               shift=(0, 0))


def draw_panel(n):
    img = vgradient(W * n, H * n, PANEL_TOP, PANEL_BOTTOM)
    # Fine horizontal brushing, one grain per pixel at every scale.
    px = img.load()
    for y in range(H * n):
        shade = ((y * 7919) % 5) - 2
        for x in range(W * n):
            r, g, b = px[x, y]
            v = shade + (((x * 31 + y * 17) % 7) == 0)
            px[x, y] = (r + v, g + v, b + v)
    d = Pen(img, n)

    # Side cheeks with screws.
    for x0, x1 in ((0, 13), (W - 14, W - 1)):
        d.rectangle([x0, 0, x1, H - 1], fill=CHEEK)
        d.line([(x1 if x0 == 0 else x0, 0), (x1 if x0 == 0 else x0, H - 1)], fill=(58, 52, 72))
        screw(d, (x0 + x1) // 2, 14)
        screw(d, (x0 + x1) // 2, H - 15)

    # Header: name, subtitle, a thin amber rule.
    d.text((30, 12), "VEMO", FONT_BOLD, 40, (232, 228, 240))
    d.text((33, 58), "SIX VOICE POLYPHONIC SYNTHESIZER", FONT_COND, 10, DIM)
    d.line([(30, 76), (W - 30, 76)], fill=(66, 58, 80))
    d.line([(30, 77), (180, 77)], fill=CAPTION)
    tw = d.textlength("RAVELLE", FONT_BOLD, 11)
    d.text((W - 30 - tw, 18), "RAVELLE", FONT_BOLD, 11, LABEL)
    stripes = [(236, 150, 64), (214, 96, 70), (170, 56, 80)]
    for i, col in enumerate(stripes):
        d.rectangle([W - 30 - 66 + i * 22, 36, W - 30 - 48 + i * 22, 39], fill=col)

    # Sections, top row.
    t0, t1 = TOP_BOX_Y
    panel_box(d, 40, t0, 108, t1, "VELOCITY")
    panel_box(d, 112, t0, 156, t1, "VCF")
    panel_box(d, 160, t0, 226, t1, "CHORUS")
    panel_box(d, 232, t0, 361, t1, "LFO")
    panel_box(d, 365, t0, 653, t1, "OSCILLATORS")
    # Bottom row.
    b0, b1 = BOTTOM_BOX_Y
    panel_box(d, 52, b0, 122, b1, "BENDER")
    panel_box(d, 124, b0, 228, b1, "MASTER")
    panel_box(d, 232, b0, 446, b1, "FILTER")
    panel_box(d, 449, b0, 653, b1, "AMPLIFIER")

    # Dividers inside the filter and amplifier boxes.
    d.line([(276, b0 + 16), (276, b1 - 6)], fill=BOX_EDGE)
    d.line([(521, b0 + 16), (521, b1 - 6)], fill=BOX_EDGE)
    d.pixel_text_centred(585, b0 + 16, "ENVELOPE", DIM)
    d.pixel_text_centred(255, b0 + 16, "HIGH", DIM)
    d.pixel_text_centred(360, b0 + 16, "LOW PASS", DIM)

    # Labels under the sliders.
    for x, text in SLIDERS_TOP.items():
        d.pixel_text_centred(x + 12, 190, text, LABEL)
    for x, text in SLIDERS_BOTTOM.items():
        d.pixel_text_centred(x + 12, 331, text, LABEL)

    # Knobs: labels above, scales around.
    for x, text in KNOBS.items():
        d.pixel_text_centred(x + 16.5, 244, text, LABEL)
        knob_scale(d, x, 258)

    # Push buttons: labels underneath.
    for x, text in BUTTONS.items():
        d.pixel_text_centred(x + 12.5, 155, text, LABEL)

    # Lever switches: what each position means.
    d.pixel_text(452, 121, "LFO", DIM)
    d.pixel_text(452, 141, "ENV", DIM)
    d.pixel_text(452, 177, "MAN", DIM)
    d.pixel_text_centred(440.5, 110, "PW", LABEL)
    d.pixel_text_centred(321.5, 110, "TRIG", LABEL)
    # Lever up (value 0): every note restarts the LFO; down: it runs free.
    d.pixel_text(331, 121, "ON", DIM)
    d.pixel_text(331, 141, "OFF", DIM)
    # Contour polarity and envelope/gate.
    d.pixel_text_centred(345.5, 260, "+", LABEL)
    d.pixel_text_centred(345.5, 302, "-", LABEL)
    d.pixel_text_centred(460.5, 260, "ADSR", DIM)
    d.pixel_text_centred(460.5, 302, "GATE", DIM)

    # LFO menus: captions above, a recessed well behind.
    for x, text in ((300, "WAVE"), (329, "SYNC")):
        d.pixel_text_centred(x + 13.5, 159, text, LABEL)
        d.rectangle([x - 1, 168, x + 27, 182], outline=(14, 11, 20))
        d.rectangle([x, 169, x + 26, 181], fill=MENU_FILL)

    # Transpose: octave marks over the four detents; MIDI learn caption.
    slot = 57 / 4.0
    for i, text in enumerate(("-1", "0", "+1", "+1")):
        cx = 138 + slot * (i + 0.5)
        d.line([(cx, 297), (cx, 298)], fill=DIM, shift=(0, 0.5))
    d.pixel_text(199, 303, "OCT", DIM)
    d.pixel_text(199, 327, "MIDI", DIM)

    save_bmp(img, 128, n)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scale", type=int, nargs="+", choices=BITMAP_SCALES,
                        default=list(BITMAP_SCALES),
                        help="draw the bitmaps at these scales only (default: 1 2 3)")
    args = parser.parse_args()

    for n in sorted(set(args.scale)):
        draw_panel(n)
        draw_knob(n)
        draw_slider_body(n)
        draw_slider_handle(n)
        draw_lever(n)
        draw_buttons(n)
        draw_learn_buttons(n)
        draw_transpose(n)
        print("wrote %dx bitmaps" % n)
    for n in ATLAS_SCALES:
        draw_atlas(n)
    print("wrote atlases", ", ".join("%dx" % n for n in ATLAS_SCALES))


if __name__ == "__main__":
    main()
