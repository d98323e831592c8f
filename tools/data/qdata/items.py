"""Extras (glowing orbs with a symbol, drawn additively), the score crystal
and the containers that carry extras."""

import numpy as np

from . import palette as P
from .img import Canvas, emissive
from .mesh import Face, render, rot_x, rot_z

EXTRA = 36
CONTAINER = 40


def _g(X, Y, x, y, s):
    return np.exp(-((X - x) ** 2 + (Y - y) ** 2) / (2 * s * s))


def _symbol(c, kind, cx, cy):
    """Coverage mask of an extra's symbol, about 16 px across."""
    m = np.zeros((c.h * c.ss, c.w * c.ss))

    def poly(pts):
        return c.mask_polygon([(cx + x, cy + y) for x, y in pts])

    if kind == "laser":
        for dx, top in ((-4.5, -5.5), (0, -8.0), (4.5, -5.5)):
            m = np.maximum(m, c.mask_line([(cx + dx * 0.55, cy + 6.5), (cx + dx, cy + top)], 2.0))
    elif kind == "speed":
        for oy in (-3.5, 2.5):
            m = np.maximum(m, poly([(-7, oy + 4), (0, oy - 3), (7, oy + 4), (7, oy + 7), (0, oy), (-7, oy + 7)]))
    elif kind == "fire":
        # a lightning bolt: rapid fire
        m = poly([(1.5, -8.5), (-5.5, 1.0), (-0.5, 1.0), (-2.0, 8.5), (5.5, -1.5), (0.5, -1.5), (2.5, -8.5)])
    elif kind == "shield":
        m = poly([(-6.5, -7), (6.5, -7), (6.5, 0), (0, 8), (-6.5, 0)])
        inner = poly([(-4.2, -4.8), (4.2, -4.8), (4.2, -0.6), (0, 4.8), (-4.2, -0.6)])
        m = np.clip(m - inner * 0.65, 0, 1)
    elif kind == "warp":
        m = poly([(-6, -7.5), (6, -7.5), (6, -6), (1.2, 0), (6, 6), (6, 7.5), (-6, 7.5), (-6, 6), (-1.2, 0), (-6, -6)])
        sand = poly([(-3.2, 5.5), (3.2, 5.5), (0, 2.2)])
        m = np.clip(m - 0.55 * poly([(-4, -5.8), (4, -5.8), (0.6, -0.8), (-0.6, -0.8)]) - 0.55 * poly([(-4, 6), (4, 6), (0.6, 1.2), (-0.6, 1.2)]) + sand, 0, 1)
    return m


def extra_frame(kind, color, k, n):
    c = Canvas(EXTRA, EXTRA, 4)
    X, Y = c.grid()
    cx = cy = EXTRA / 2.0
    ph = 2 * np.pi * k / n
    col = np.asarray(color)
    E = np.zeros(X.shape + (3,))
    d = np.sqrt((X - cx) ** 2 + (Y - cy) ** 2)
    pulse = 0.5 + 0.5 * np.sin(ph)
    # orb: soft body and a bright rim
    body = np.exp(-(d / 12.5) ** 2) * (0.35 + 0.12 * pulse)
    rim = np.exp(-((d - 13.0) / 1.5) ** 2) * (0.75 + 0.25 * pulse)
    halo = np.exp(-((d - 13.0) / 4.0) ** 2) * 0.25
    E += (body + rim + halo)[..., None] * col
    # a glint running round the rim
    gx, gy = cx + 13.0 * np.cos(ph - np.pi / 2), cy + 13.0 * np.sin(ph - np.pi / 2)
    E += _g(X, Y, gx, gy, 1.6)[..., None] * np.array([1.0, 1.0, 1.0]) * 0.9
    sym = _symbol(c, kind, cx, cy)
    E += sym[..., None] * (0.55 * col + 0.55)
    c.px = emissive(E)
    return c.final()


def gem_model():
    """An elongated octagonal crystal."""
    faces = []
    n = 8
    ring = [(np.cos(2 * np.pi * i / n) * 9.0, np.sin(2 * np.pi * i / n) * 9.0, 0.0) for i in range(n)]
    crown = [(np.cos(2 * np.pi * (i + 0.5) / n) * 5.2, np.sin(2 * np.pi * (i + 0.5) / n) * 5.2, 4.2) for i in range(n)]
    tip_t, tip_b = (0, 0, 6.0), (0, 0, -12.5)
    for i in range(n):
        j = (i + 1) % n
        col = (0.55, 1.0, 0.95) if i % 2 == 0 else (0.35, 0.85, 1.0)
        faces.append(Face([ring[i], ring[j], crown[i]], col, 0.9, 30.0, emit=0.25))
        faces.append(Face([crown[i], ring[j], crown[j]], col, 0.9, 30.0, emit=0.25))
        faces.append(Face([crown[i], crown[j], tip_t], (0.85, 1.0, 1.0), 0.9, 30.0, emit=0.3))
        faces.append(Face([ring[j], ring[i], tip_b], col, 0.8, 30.0, emit=0.2))
    return faces


def crystal_frame(k, n, size=EXTRA):
    c = Canvas(size, size, 4)
    X, Y = c.grid()
    cx = cy = size / 2.0
    ph = 2 * np.pi * k / n
    # crystal stands on its long axis, spinning about it
    R = rot_x(-np.pi / 2 + 0.35) @ rot_z(ph / 2)  # octagon: half a turn repeats
    render(c, gem_model(), R, cx, cy + 2.0, 1.4)
    lit = c.px.copy()
    E = lit[..., :3] * 1.15
    d = np.sqrt((X - cx) ** 2 + (Y - cy) ** 2)
    E += (np.exp(-(d / 11.0) ** 2) * (0.30 + 0.10 * np.sin(ph)))[..., None] * np.asarray(P.C_SCORE)
    # sparkle
    sx, sy = cx - 4 + 3 * np.cos(ph), cy - 6 + 2 * np.sin(ph)
    star = np.exp(-(np.abs(X - sx) * 1.2 + (Y - sy) ** 2 * 4)) + np.exp(-((X - sx) ** 2 * 4 + np.abs(Y - sy) * 1.2))
    E += star[..., None] * (0.6 + 0.4 * np.cos(ph * 2))
    c.px = emissive(E)
    return c.final()


def container_model(emblem):
    """A hexagonal cargo pod with a coloured light in its lid."""
    faces = []
    n = 6
    ro, ri, h, hb = 16.5, 11.5, 6.0, 1.0
    outer = [(np.cos(2 * np.pi * i / n) * ro, np.sin(2 * np.pi * i / n) * ro, hb) for i in range(n)]
    inner = [(np.cos(2 * np.pi * i / n) * ri, np.sin(2 * np.pi * i / n) * ri, h) for i in range(n)]
    for i in range(n):
        j = (i + 1) % n
        col = P.HULL_MID if i % 2 == 0 else P.HULL_LIGHT
        faces.append(Face([outer[i], outer[j], inner[j], inner[i]], col, 0.35))
    faces.append(Face(inner, P.HULL_DARK, 0.3))
    # lid light and bolts
    lamp = [(np.cos(2 * np.pi * (i + 0.5) / n) * 6.0, np.sin(2 * np.pi * (i + 0.5) / n) * 6.0, h + 0.6) for i in range(n)]
    faces.append(Face(lamp, emblem, 0.6, 20.0, emit=0.55, bias=1.0))
    for i in range(n):
        a = 2 * np.pi * i / n
        x, y = np.cos(a) * 13.6, np.sin(a) * 13.6
        faces.append(Face([(x - 1.2, y - 1.2, 4.0), (x + 1.2, y - 1.2, 4.0), (x + 1.2, y + 1.2, 4.0), (x - 1.2, y + 1.2, 4.0)],
                          emblem, 0.3, emit=0.2, bias=0.8))
    return faces


def container_frame(emblem, k, n):
    c = Canvas(CONTAINER, CONTAINER, 4)
    X, Y = c.grid()
    cx = cy = CONTAINER / 2.0
    ph = 2 * np.pi * k / n
    R = rot_z(ph / 6.0) @ rot_x(0.0)  # hexagon: a sixth of a turn repeats
    render(c, container_model(emblem), R, cx, cy, 1.0)
    # the lamp breathes
    d = np.sqrt((X - cx) ** 2 + (Y - cy) ** 2)
    glow = np.exp(-(d / 5.0) ** 2) * (0.45 + 0.35 * np.sin(ph))
    c.add(glow, emblem, 0.9)
    c.px[..., 3] = np.clip(c.px[..., 3], 0, 1)
    return c.final()
