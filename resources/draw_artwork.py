#!/usr/bin/env python3
"""Draws the editor's eleven bitmaps (resources/bitmaps/128.bmp .. 138.bmp).

Run by hand after changing the artwork; the build embeds the committed files
and does not need Python. Needs Debian's python3-pil and fonts-dejavu-core.

    python3 resources/draw_artwork.py

Sizes, frame counts, frame order and transparent colours are fixed by the
editor code (see editor/VemoVstEditor.cpp); the control positions below are
the ones the editor places its controls at.
"""

import math
import os
import re
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
OUT = os.path.join(HERE, "bitmaps")

SS = 4  # supersampling factor for smooth shapes

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
        if ch.startswith("\\"):
            ch = ch[1:]
        rows = re.findall(r'"([^"]*)"', m.group(2))
        glyphs[ch] = rows
    return glyphs


PIXEL_FONT = load_pixel_font()


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


# ------------------------------------------------------------------ helpers

def save_bmp(img, ident):
    assert img.mode == "RGB"
    os.makedirs(OUT, exist_ok=True)
    img.save(os.path.join(OUT, "%d.bmp" % ident), format="BMP")


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vgradient(w, h, top, bottom):
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w - 1, y)], fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


def supersampled(w, h, bg, draw_fn):
    """Calls draw_fn(draw, scale) on a canvas SS times larger, returns it
    reduced to w x h."""
    big = Image.new("RGB", (w * SS, h * SS), bg)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize((w, h), Image.LANCZOS)


def shape_mask(w, h, draw_fn):
    """Coverage mask (L) of the shapes draw_fn paints in white."""
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize((w, h), Image.BOX)


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


# ------------------------------------------------------------------ 129 knob

KNOB = 33
KNOB_FRAMES = 51


def knob_frame(index):
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

    img = supersampled(KNOB, KNOB, BOX_FILL, draw)
    mask = shape_mask(KNOB, KNOB, lambda d, s: d.ellipse(
        [c * s - 15.8 * s, c * s - 15.8 * s, c * s + 15.8 * s, c * s + 16.6 * s], fill=255))
    key_out(img, mask, (0, 0, 0))
    return img


def draw_knob():
    strip = Image.new("RGB", (KNOB, KNOB * KNOB_FRAMES))
    for i in range(KNOB_FRAMES):
        strip.paste(knob_frame(i), (0, i * KNOB))
    save_bmp(strip, 129)


# ------------------------------------------------------ 131, 132 slider

SLIDER_W, SLIDER_H = 24, 79
HANDLE_W, HANDLE_H = 24, 10


def draw_slider_body():
    img = Image.new("RGB", (SLIDER_W, SLIDER_H), BOX_FILL)
    d = ImageDraw.Draw(img)
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
    save_bmp(img, 132)


def draw_slider_handle():
    def draw(d, s):
        d.rounded_rectangle([1 * s, 0.5 * s, 23 * s, 9.5 * s], radius=1.6 * s, fill=(14, 12, 18))
        d.rounded_rectangle([1.5 * s, 0.5 * s, 22.5 * s, 8.8 * s], radius=1.4 * s,
                            fill=(150, 148, 162))
        d.rectangle([2.5 * s, 1.2 * s, 21.5 * s, 4.3 * s], fill=(196, 194, 208))
        d.rectangle([2.5 * s, 4.6 * s, 21.5 * s, 8.0 * s], fill=(122, 120, 136))
        d.rectangle([2.5 * s, 4.2 * s, 21.5 * s, 5.4 * s], fill=(246, 160, 64))

    img = supersampled(HANDLE_W, HANDLE_H, BOX_FILL, draw)
    save_bmp(img, 131)


# --------------------------------------------------------------- 133 lever

def lever_frame(down):
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

    return supersampled(w, h, BOX_FILL, draw)


def draw_lever():
    img = Image.new("RGB", (15, 60))
    img.paste(lever_frame(False), (0, 0))
    img.paste(lever_frame(True), (0, 30))
    save_bmp(img, 133)


# ---------------------------------------------------- 134-136 push buttons

BUTTON_COLOURS = {
    134: ((255, 156, 56), (90, 52, 24)),   # amber: pulse
    135: ((92, 226, 170), (30, 74, 58)),   # green: saw, shared filter, chorus I
    136: ((112, 170, 255), (34, 52, 90)),  # blue: sub, chorus II
}


def button_frame(lit, lamp_on, lamp_off):
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

    img = supersampled(w, h, BOX_FILL, draw)
    if lit:
        glow = Image.new("RGB", (w, h), (0, 0, 0))
        gd = ImageDraw.Draw(glow)
        gd.rectangle([5, 4, 19, 10], fill=lamp_on)
        glow = glow.filter(ImageFilter.GaussianBlur(2.2))
        img = Image.blend(img, Image.composite(glow, img, glow.convert("L")), 0.25)
        # Keep the lamp itself crisp.
        crisp = supersampled(w, h, BOX_FILL, draw)
        img.paste(crisp.crop((5, 4, 20, 11)), (5, 4))
    key_out(img, shape_mask(w, h, body), (0, 0, 0))
    return img


def draw_buttons():
    for ident, (on, off) in BUTTON_COLOURS.items():
        img = Image.new("RGB", (25, 80))
        img.paste(button_frame(False, on, off), (0, 0))
        img.paste(button_frame(True, on, off), (0, 40))
        save_bmp(img, ident)


# ------------------------------------------------- 130, 138 learn buttons

def learn_frame(lit, caption):
    w, h = 30, 20

    def draw(d, s):
        d.rounded_rectangle([0.5 * s, 1 * s, 29.5 * s, 19.5 * s], radius=2.5 * s, fill=(10, 8, 14))
        d.rounded_rectangle([0.5 * s, 0.5 * s, 29.5 * s, 18.6 * s], radius=2.5 * s,
                            fill=(70, 68, 84))
        face = (170, 40, 44) if lit else (48, 46, 60)
        d.rounded_rectangle([1.6 * s, 1.6 * s, 28.4 * s, 17.4 * s], radius=2 * s, fill=face)
        if lit:
            d.rectangle([3 * s, 2.4 * s, 27 * s, 5 * s], fill=(214, 78, 78))

    img = supersampled(w, h, BOX_FILL, draw)
    text = (255, 236, 230) if lit else (150, 146, 168)
    pixel_text_centred(img, 15, 6, caption, text)
    return img


def draw_learn_buttons():
    for ident, caption in ((130, "LEARN"), (138, "ALL")):
        img = Image.new("RGB", (30, 40))
        img.paste(learn_frame(False, caption), (0, 0))
        img.paste(learn_frame(True, caption), (0, 20))
        save_bmp(img, ident)


# ---------------------------------------------------- 137 transpose lever

TRANSPOSE_KEY = (13, 10, 19)


def transpose_frame(position):
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

    img = supersampled(w, h, BOX_FILL, draw)
    mask = shape_mask(w, h, lambda d, s: shapes(d, s, 255, 255))
    key_out(img, mask, TRANSPOSE_KEY)
    return img


def draw_transpose():
    img = Image.new("RGB", (57, 52))
    for p in range(4):
        img.paste(transpose_frame(p), (0, p * 13))
    save_bmp(img, 137)


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


def panel_box(img, d, left, top, right, bottom, caption, caption_font):
    d.rounded_rectangle([left + 1, top + 2, right + 1, bottom + 2], radius=5, fill=BOX_SHADOW)
    d.rounded_rectangle([left, top, right, bottom], radius=5, fill=BOX_FILL, outline=BOX_EDGE)
    d.line([(left + 5, top + 1), (right - 5, top + 1)], fill=(72, 66, 92))
    if caption:
        tw = d.textlength(caption, font=caption_font)
        cx = (left + right) / 2.0
        d.text((cx - tw / 2.0, top + 3), caption, font=caption_font, fill=CAPTION)
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
                (cx + math.sin(a) * r1, cy - math.cos(a) * r1)], fill=col, width=1)


def draw_panel():
    img = vgradient(W, H, PANEL_TOP, PANEL_BOTTOM)
    # Fine horizontal brushing.
    px = img.load()
    for y in range(H):
        shade = ((y * 7919) % 5) - 2
        for x in range(W):
            r, g, b = px[x, y]
            n = shade + (((x * 31 + y * 17) % 7) == 0)
            px[x, y] = (r + n, g + n, b + n)
    d = ImageDraw.Draw(img)

    # Side cheeks with screws.
    for x0, x1 in ((0, 13), (W - 14, W - 1)):
        d.rectangle([x0, 0, x1, H - 1], fill=CHEEK)
        d.line([(x1 if x0 == 0 else x0, 0), (x1 if x0 == 0 else x0, H - 1)], fill=(58, 52, 72))
        screw(d, (x0 + x1) // 2, 14)
        screw(d, (x0 + x1) // 2, H - 15)

    caption_font = font(FONT_COND, 9)
    title_font = font(FONT_BOLD, 40)
    sub_font = font(FONT_COND, 10)
    brand_font = font(FONT_BOLD, 11)

    # Header: name, subtitle, a thin amber rule.
    d.text((30, 12), "VEMO", font=title_font, fill=(232, 228, 240))
    d.text((33, 58), "SIX VOICE POLYPHONIC SYNTHESIZER", font=sub_font, fill=DIM)
    d.line([(30, 76), (W - 30, 76)], fill=(66, 58, 80))
    d.line([(30, 77), (180, 77)], fill=CAPTION)
    tw = d.textlength("RAVELLE", font=brand_font)
    d.text((W - 30 - tw, 18), "RAVELLE", font=brand_font, fill=LABEL)
    stripes = [(236, 150, 64), (214, 96, 70), (170, 56, 80)]
    for i, col in enumerate(stripes):
        d.rectangle([W - 30 - 66 + i * 22, 36, W - 30 - 48 + i * 22, 39], fill=col)

    # Sections, top row.
    t0, t1 = TOP_BOX_Y
    panel_box(img, d, 40, t0, 108, t1, "VELOCITY", caption_font)
    panel_box(img, d, 112, t0, 156, t1, "VCF", caption_font)
    panel_box(img, d, 160, t0, 226, t1, "CHORUS", caption_font)
    panel_box(img, d, 232, t0, 361, t1, "LFO", caption_font)
    panel_box(img, d, 365, t0, 653, t1, "OSCILLATORS", caption_font)
    # Bottom row.
    b0, b1 = BOTTOM_BOX_Y
    panel_box(img, d, 52, b0, 122, b1, "BENDER", caption_font)
    panel_box(img, d, 124, b0, 228, b1, "MASTER", caption_font)
    panel_box(img, d, 232, b0, 446, b1, "FILTER", caption_font)
    panel_box(img, d, 449, b0, 653, b1, "AMPLIFIER", caption_font)

    # Dividers inside the filter and amplifier boxes.
    d.line([(276, b0 + 16), (276, b1 - 6)], fill=BOX_EDGE)
    d.line([(521, b0 + 16), (521, b1 - 6)], fill=BOX_EDGE)
    pixel_text_centred(img, 585, b0 + 16, "ENVELOPE", DIM)
    pixel_text_centred(img, 255, b0 + 16, "HIGH", DIM)
    pixel_text_centred(img, 360, b0 + 16, "LOW PASS", DIM)

    # Labels under the sliders.
    for x, text in SLIDERS_TOP.items():
        pixel_text_centred(img, x + 12, 190, text, LABEL)
    for x, text in SLIDERS_BOTTOM.items():
        pixel_text_centred(img, x + 12, 331, text, LABEL)

    # Knobs: labels above, scales around.
    for x, text in KNOBS.items():
        pixel_text_centred(img, x + 16.5, 244, text, LABEL)
        knob_scale(d, x, 258)

    # Push buttons: labels underneath.
    for x, text in BUTTONS.items():
        pixel_text_centred(img, x + 12.5, 155, text, LABEL)

    # Lever switches: what each position means.
    pixel_text(img, 452, 121, "LFO", DIM)
    pixel_text(img, 452, 141, "ENV", DIM)
    pixel_text(img, 452, 177, "MAN", DIM)
    pixel_text_centred(img, 440.5, 110, "PW", LABEL)
    pixel_text_centred(img, 321.5, 110, "TRIG", LABEL)
    # Lever up (value 0): every note restarts the LFO; down: it runs free.
    pixel_text(img, 331, 121, "ON", DIM)
    pixel_text(img, 331, 141, "OFF", DIM)
    # Contour polarity and envelope/gate.
    pixel_text_centred(img, 345.5, 260, "+", LABEL)
    pixel_text_centred(img, 345.5, 302, "-", LABEL)
    pixel_text_centred(img, 460.5, 260, "ADSR", DIM)
    pixel_text_centred(img, 460.5, 302, "GATE", DIM)

    # LFO menus: captions above, a recessed well behind.
    for x, text in ((300, "WAVE"), (329, "SYNC")):
        pixel_text_centred(img, x + 13.5, 159, text, LABEL)
        d.rectangle([x - 1, 168, x + 27, 182], outline=(14, 11, 20))
        d.rectangle([x, 169, x + 26, 181], fill=MENU_FILL)

    # Transpose: octave marks over the four detents; MIDI learn caption.
    slot = 57 / 4.0
    for i, text in enumerate(("-1", "0", "+1", "+1")):
        cx = 138 + slot * (i + 0.5)
        d.line([(cx, 297), (cx, 298)], fill=DIM)
    pixel_text(img, 199, 303, "OCT", DIM)
    pixel_text(img, 199, 327, "MIDI", DIM)

    save_bmp(img, 128)


def main():
    draw_panel()
    draw_knob()
    draw_slider_body()
    draw_slider_handle()
    draw_lever()
    draw_buttons()
    draw_learn_buttons()
    draw_transpose()
    print("wrote", ", ".join(sorted(os.listdir(OUT))))


if __name__ == "__main__":
    main()
