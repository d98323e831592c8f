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


def build(out_dir, family, size, ttf, px, note):
    """Renders ASCII 32..126; returns the metrics used (for checks).

    Each glyph cell spans the whole line, descent included, and its bottom
    edge is put on the pen's line (a y hot spot of 0): so text justified in
    a rectangle by the cell's height sits in its visual middle."""
    font = ImageFont.truetype(os.path.join(FONT_DIR, ttf), px)
    asc, desc = font.getmetrics()
    height = asc + desc
    widths = {}
    for code in range(32, 127):
        ch = chr(code)
        adv = int(round(font.getlength(ch)))
        l, t, r, b = font.getbbox(ch, anchor="ls")
        widths[code] = max(adv, int(np.ceil(r)), 1)
    # pack glyphs 33..126 into lines of the sheet
    lines, cur, x = [], [], 0
    for code in range(33, 127):
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
    for li, codes in enumerate(lines):
        y = (height + PAD) * li
        x = 0
        for code in codes:
            l, t, r, b = font.getbbox(chr(code), anchor="ls")
            # keep ink that would start left of the cell inside it
            ox = -min(0, int(np.floor(l)))
            d.text((x + ox, y + asc), chr(code), fill=255, font=font, anchor="ls")
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
           % (family, size, height, PAD, PAD),
           ' <char char="32" width="%d"/>' % widths[32],
           ' <image file="%s">' % img_name]
    for li, codes in enumerate(lines):
        xml.append('  <line index="%d">' % (li + 1))
        for code in codes:
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
    return {"height": height, "desc": desc, "widths": widths, "lines": lines}


def text_width(metrics, text):
    return sum(metrics["widths"].get(ord(ch), 0) for ch in text)
