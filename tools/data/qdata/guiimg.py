"""Pictures of the GUI: the nine-piece frames of panels, buttons, fields and
slider bars, the checkbox faces, the logo, the mouse cursor and the window
icon."""

import os

import numpy as np
from PIL import Image, ImageDraw, ImageFont

from . import palette as P
from .font import FONT_DIR
from .img import Canvas, blur, emissive, reduce, to_rgba8

PIECES = ("upperLeft", "upper", "upperRight", "left", "center", "right", "lowerLeft", "lower", "lowerRight")


def _rrect_sd(X, Y, x0, y0, x1, y1, rad):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - rad, (y1 - y0) / 2 - rad
    qx, qy = np.abs(X - cx) - hx, np.abs(Y - cy) - hy
    out = np.sqrt(np.maximum(qx, 0) ** 2 + np.maximum(qy, 0) ** 2)
    return out + np.minimum(np.maximum(qx, qy), 0) - rad


def frame_prototype(piece, grow, rad, border, fill_top, fill_bot, fill_alpha, edge, glow=0.0, glow_w=3.0, edge_w=1.6,
                    inner_hi=0.0):
    """A 3x3-piece prototype: the middle piece is the widget's rectangle, the
    frame lies outside it. Returns premultiplied RGBA float (3p x 3p)."""
    n = piece * 3
    c = Canvas(n, n, 4)
    X, Y = c.grid()
    sd = _rrect_sd(X, Y, piece - grow, piece - grow, 2 * piece + grow, 2 * piece + grow, rad)
    # fill: a vertical gradient inside the widget's rectangle, constant above
    # and below it, so stretched pieces meet without seams
    t = np.clip((Y - piece) / piece, 0, 1)
    fill = np.asarray(fill_top)[None, None, :] * (1 - t[..., None]) + np.asarray(fill_bot)[None, None, :] * t[..., None]
    inside = (sd < 0).astype(np.float64)
    c.over(inside, fill, fill_alpha)
    if inner_hi > 0:
        hi = np.exp(-((sd + border + 1.2) / 0.9) ** 2) * (Y < piece * 1.5)
        c.over(hi, (1, 1, 1), inner_hi)
    line = (np.abs(sd + border * 0.5) < edge_w * 0.5).astype(np.float64)
    c.over(line, edge, 1.0)
    if glow > 0:
        g = np.exp(-np.maximum(sd, 0) / glow_w) * (sd > 0)
        E = np.zeros(X.shape + (3,))
        E += g[..., None] * np.asarray(edge) * glow
        gl = emissive(E)
        c.px = c.px + gl * (1 - c.px[..., 3:4])
    return c.final()


def slice_pieces(pm, piece):
    out = {}
    names = [["upperLeft", "upper", "upperRight"], ["left", "center", "right"], ["lowerLeft", "lower", "lowerRight"]]
    for r in range(3):
        for col in range(3):
            out[names[r][col]] = pm[r * piece:(r + 1) * piece, col * piece:(col + 1) * piece].copy()
    return out


def panel():
    pm = frame_prototype(16, 6.0, 9.0, 2.0, (0.07, 0.11, 0.22), (0.03, 0.05, 0.11), 0.88, P.GUI_EDGE, glow=0.55,
                         glow_w=3.0, edge_w=1.8, inner_hi=0.10)
    return slice_pieces(pm, 16)


BUTTON_STATES = {
    # name: (fill top, fill bottom, alpha, edge, glow)
    "up": ((0.13, 0.20, 0.34), (0.07, 0.11, 0.21), 0.92, (0.33, 0.52, 0.72), 0.0),
    "down": ((0.05, 0.08, 0.15), (0.10, 0.16, 0.28), 0.95, (0.45, 0.65, 0.85), 0.0),
    "upHot": ((0.36, 0.26, 0.07), (0.20, 0.13, 0.03), 0.95, P.GUI_FOCUS, 0.9),
    "downHot": ((0.16, 0.10, 0.02), (0.32, 0.23, 0.06), 0.97, (1.0, 0.88, 0.45), 0.9),
}


def button(state):
    ft, fb, a, edge, glow = BUTTON_STATES[state]
    pm = frame_prototype(8, 3.0, 5.0, 1.5, ft, fb, a, edge, glow=glow, glow_w=2.0, edge_w=1.4, inner_hi=0.12)
    return slice_pieces(pm, 8)


def field(edge):
    # the border sits further out so the text keeps clear of it
    pm = frame_prototype(8, 6.0, 4.0, 1.5, (0.02, 0.03, 0.07), (0.05, 0.07, 0.13), 0.95, edge, glow=0.6, glow_w=0.7,
                         edge_w=1.6)
    return slice_pieces(pm, 8)


def groove():
    pm = frame_prototype(8, 2.0, 4.0, 1.2, (0.02, 0.03, 0.06), (0.06, 0.09, 0.16), 0.9, (0.24, 0.38, 0.55), edge_w=1.2)
    return slice_pieces(pm, 8)


def checkbox_face(w, h, state, checked):
    """The inside of a checkbox widget, exactly its size: the button's fill
    with an indicator box at the left."""
    ft, fb, a, edge, glow = BUTTON_STATES[state]
    c = Canvas(w, h, 4)
    X, Y = c.grid()
    t = np.clip(Y / h, 0, 1)
    fill = np.asarray(ft)[None, None, :] * (1 - t[..., None]) + np.asarray(fb)[None, None, :] * t[..., None]
    c.over(np.ones(X.shape), fill, a)
    # continue the frame's 2 px of fill and its border just outside: the
    # frame pieces of the button style surround this face
    bx, by, bs = 10.0, (h - 20) / 2.0, 20.0
    box = _rrect_sd(X, Y, bx, by, bx + bs, by + bs, 3.5)
    c.over((box < 0).astype(np.float64), (0.02, 0.03, 0.07), 0.95)
    c.over((np.abs(box + 0.7) < 0.7).astype(np.float64), edge, 1.0)
    if checked:
        tick = c.mask_line([(bx + 4.5, by + 10.5), (bx + 8.5, by + 15), (bx + 16, by + 5)], 3.0)
        col = (0.45, 1.0, 0.55)
        c.over(tick, col, 1.0)
    return c.final()


def cursor():
    c = Canvas(24, 24, 4)
    pts = [(1, 1), (1, 18.5), (5.6, 14.4), (9.2, 22), (12.4, 20.6), (8.9, 13.2), (15, 13.2)]
    outline = c.mask_polygon(pts)
    # a dark outline: the shape grown by a pixel
    sh = blur(outline, 4.0)
    c.over(np.clip(sh * 2.2, 0, 1), (0.0, 0.02, 0.06), 0.9)
    inner = [(2.3, 3.6), (2.3, 15.6), (6.0, 12.3), (9.8, 20.2), (11.0, 19.7), (7.2, 11.8), (12.0, 11.8)]
    X, Y = c.grid()
    grad = np.clip((Y - 2) / 20, 0, 1)
    col = np.stack([1.0 - 0.25 * grad, 1.0 - 0.12 * grad, np.ones_like(grad)], -1)
    c.over(c.mask_polygon(inner), col, 1.0)
    return c.final()


def logo(w=560, h=132, text="QUELLON"):
    """The title: bevelled steel letters with a cyan rim light and glow."""
    ss = 3
    font = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf"), 92 * ss)
    # letter-spaced text mask
    tracking = 5 * ss
    widths = [font.getlength(ch) for ch in text]
    total = sum(widths) + tracking * (len(text) - 1)
    im = Image.new("L", (w * ss, h * ss), 0)
    d = ImageDraw.Draw(im)
    x = (w * ss - total) / 2
    base = h * ss * 0.74
    for ch, cw in zip(text, widths):
        d.text((x, base), ch, fill=255, font=font, anchor="ls")
        x += cw + tracking
    m = np.asarray(im, np.float64) / 255.0
    # italic slant by shearing rows
    sh = np.zeros_like(m)
    H = m.shape[0]
    for yy in range(H):
        off = int(round((H / 2 - yy) * 0.18))
        sh[yy] = np.roll(m[yy], off)
    m = sh
    Y, X = np.mgrid[0:m.shape[0], 0:m.shape[1]] / float(ss)
    # bevel from a blurred height field
    hgt = blur(m, 2.2 * ss)
    gy, gx = np.gradient(hgt)
    nx, ny, nz = -gx * 9, gy * 9, np.ones_like(gx)
    ln = np.sqrt(nx * nx + ny * ny + nz * nz)
    L = np.array([-0.4, 0.6, 0.7])
    L /= np.linalg.norm(L)
    ndl = np.clip((nx * L[0] + ny * L[1] + nz * L[2]) / ln, 0, 1)
    # steel gradient, light at the top, deep blue at the bottom
    t = np.clip((Y - h * 0.18) / (h * 0.6), 0, 1)
    top = np.array([0.95, 0.97, 1.0])
    mid = np.array([0.55, 0.68, 0.85])
    bot = np.array([0.20, 0.34, 0.62])
    col = np.where(t[..., None] < 0.5, top * (1 - 2 * t[..., None]) + mid * 2 * t[..., None],
                   mid * (2 - 2 * t[..., None]) + bot * (2 * t[..., None] - 1))
    # horizon line across the letters
    band = np.exp(-((Y - h * 0.50) / 1.2) ** 2) * 0.5
    col = col * (0.55 + 0.6 * ndl[..., None]) + band[..., None]
    # dark outline and cyan glow behind
    grown = np.clip(blur(m, 1.2 * ss) * 3.0, 0, 1)
    glow = blur(m, 7.0 * ss) * 1.1
    pm = np.zeros(m.shape + (4,))
    gcol = np.array(P.GUI_EDGE) * 1.1
    ga = np.clip(glow, 0, 1) * 0.85
    pm[..., :3] = gcol * ga[..., None]
    pm[..., 3] = ga
    oa = grown
    pm = np.concatenate([np.array([0.01, 0.02, 0.06]) * oa[..., None], oa[..., None]], -1) + pm * (1 - oa[..., None])
    la = m
    pm = np.concatenate([np.clip(col, 0, 1) * la[..., None], la[..., None]], -1) + pm * (1 - la[..., None])
    return reduce(pm, ss)


def icon():
    from .ships import render_player
    c = Canvas(32, 32, 4)
    X, Y = c.grid()
    sd = _rrect_sd(X, Y, 0.5, 0.5, 31.5, 31.5, 6)
    t = np.clip(Y / 32, 0, 1)
    bg = np.stack([0.05 + 0.05 * t, 0.08 + 0.06 * t, 0.18 + 0.10 * t], -1)
    c.over((sd < 0).astype(np.float64), bg, 1.0)
    c.over((np.abs(sd + 0.8) < 0.8).astype(np.float64), P.GUI_EDGE, 1.0)
    ship = Image.fromarray(to_rgba8(render_player(P.RED, 5)), "RGBA")
    ship = ship.crop(ship.getbbox())
    h = 27
    w = int(round(ship.width * h / ship.height))
    sim = ship.resize((w, h), Image.LANCZOS)
    base = Image.fromarray(to_rgba8(c.final()), "RGBA")
    base.alpha_composite(sim, ((32 - w) // 2, 3))
    return np.asarray(base, np.uint8)
