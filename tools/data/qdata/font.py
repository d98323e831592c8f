"""Bitmap fonts: glyphs of a free TrueType font rendered into one image and
described by a "bitmapfont.xml" beside it."""

import os

import numpy as np
from PIL import Image, ImageDraw, ImageFont

from .img import bleed

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
# Debian's copyright file of the DejaVu fonts, kept beside this code
LICENSE_SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dejavu-license.txt")
PAD = 2          # transparent pixels between glyph cells, across and down
SHEET_W = 256

ASCII = list(range(32, 127))
# Every character the name field takes: printable ASCII and Latin-1 160..255
LATIN1 = ASCII + list(range(160, 256))
# Characters without ink, drawn as blank glyphs of their advance
BLANK = {32, 160}
# The soft hyphen (173) is DejaVu's hyphen, which the text layout would hide
SHAPE = {173: "-"}


def build(out_dir, family, size, ttf, px, note, codes=ASCII):
    """Renders the character codes given (ASCII 32..126 by default);
    returns the metrics used (for checks).

    Each glyph cell spans the whole line, descent included, and its bottom
    edge is put on the pen's line (a y hot spot of 0): so text justified in
    a rectangle by the cell's height sits in its visual middle."""
    font = ImageFont.truetype(os.path.join(FONT_DIR, ttf), px)
    asc, desc = font.getmetrics()
    height = asc + desc
    widths = {}
    ink = {}
    for code in codes:
        ch = SHAPE.get(code, chr(code))
        adv = int(round(font.getlength(ch)))
        l, t, r, b = font.getbbox(ch, anchor="ls")
        widths[code] = max(adv, int(np.ceil(r)), 1)
        ink[code] = (t, b)
    # pack the glyphs with ink into lines of the sheet, in code order
    lines, cur, x = [], [], 0
    for code in codes:
        if code in BLANK:
            continue
        w = widths[code]
        if x + w > SHEET_W and cur:
            lines.append(cur)
            cur, x = [], 0
        cur.append(code)
        x += w + PAD
    if cur:
        lines.append(cur)
    sheet_h = 1
    need = len(lines) * (height + PAD)
    while sheet_h < need:
        sheet_h *= 2
    cov = Image.new("L", (SHEET_W, sheet_h), 0)
    d = ImageDraw.Draw(cov)
    for li, row in enumerate(lines):
        y = (height + PAD) * li
        x = 0
        for code in row:
            ch = SHAPE.get(code, chr(code))
            l, t, r, b = font.getbbox(ch, anchor="ls")
            # keep ink that would start left of the cell inside it
            ox = -min(0, int(np.floor(l)))
            d.text((x + ox, y + asc), ch, fill=255, font=font, anchor="ls")
            x += widths[code] + PAD
    a = np.asarray(cov, np.uint8)
    rgba = np.zeros(a.shape + (4,), np.uint8)
    rgba[..., :3] = 255
    rgba[..., 3] = a
    rgba = bleed(rgba)
    os.makedirs(out_dir, exist_ok=True)
    img_name = family.lower() + ".png"
    Image.fromarray(rgba, "RGBA").save(os.path.join(out_dir, img_name), "PNG", optimize=True)

    xml = ['<?xml version="1.0" encoding="ISO-8859-1" ?>',
           '<!-- %s -->' % note,
           '<bitmapfont name="%s" size="%d" height="%d" spacing="0" yHotSpot="0" hPadding="%d" vPadding="%d">'
           % (family, size, height, PAD, PAD)]
    xml += [' <char char="%d" width="%d"/>' % (code, widths[code]) for code in codes if code in BLANK]
    xml.append(' <image file="%s">' % img_name)
    for li, row in enumerate(lines):
        xml.append('  <line index="%d">' % (li + 1))
        for code in row:
            xml.append('   <char char="%d" width="%d"/>' % (code, widths[code]))
        xml.append('  </line>')
    xml.append(' </image>')
    xml.append('</bitmapfont>')
    from .xmlout import write_text
    write_text(os.path.join(out_dir, "bitmapfont.xml"), "\n".join(xml) + "\n")
    with open(LICENSE_SRC, "r", encoding="utf-8") as f:
        lic = f.read()
    write_text(os.path.join(out_dir, "LICENSE"),
               "The glyphs in %s are rendered from %s (DejaVu fonts,\n"
               "Debian package fonts-dejavu-extra). Its licence follows.\n\n" % (img_name, ttf) + lic)
    return {"height": height, "asc": asc, "desc": desc, "widths": widths, "ink": ink, "lines": lines,
            "sheet": (SHEET_W, sheet_h)}


def text_width(metrics, text):
    return sum(metrics["widths"].get(ord(ch), 0) for ch in text)
