"""Heads-up display overlays. All share one canvas and hot spot and are
drawn additively at one point: "full" dimly as the background of every
gauge, the others brightly over it."""

import numpy as np

from . import palette as P
from .img import Canvas, emissive

W, H = 108, 100
HOT = (54.0, 50.0)

SHIELD_X0, SHIELD_X1, SHIELD_Y0, SHIELD_Y1 = 88.0, 99.0, 8.0, 92.0
BEAM_SLOTS = {1: (0,), 2: (-1, 1), 3: (-1, 0, 1), 4: (-2, -1, 1, 2), 5: (-2, -1, 0, 1, 2)}


def _canvas():
    c = Canvas(W, H, 4)
    return c, np.zeros((H * 4, W * 4, 3))


def _finish(c, E):
    c.px = emissive(E)
    return c.final()


def _chevron(c, i):
    cy = 86 - i * 17.0
    cx = 19.0
    pts = [(cx - 9, cy + 4), (cx, cy - 4), (cx + 9, cy + 4), (cx + 9, cy + 8.5), (cx, cy + 0.5), (cx - 9, cy + 8.5)]
    return c.mask_polygon(pts)


def _beam(c, slot):
    bx, by = 54.0, 66.0
    ang = np.radians(slot * 13.0)
    L = 40.0 - abs(slot) * 4.0
    tx, ty = bx + np.sin(ang) * L, by - np.cos(ang) * L
    sx, sy = bx + np.sin(ang) * 8.0, by - np.cos(ang) * 8.0
    return c.mask_line([(sx, sy), (tx, ty)], 3.2)


def _pip(c, k):
    return c.mask_ellipse(54.0 + (k - 2) * 9.0, 79.0, 3.1, 3.1)


def _hourglass(c, k):
    cx, cy = 45.0 + k * 18.0, 11.0
    pts = [(cx - 5, cy - 6), (cx + 5, cy - 6), (cx + 5, cy - 4.8), (cx + 1.1, cy), (cx + 5, cy + 4.8), (cx + 5, cy + 6),
           (cx - 5, cy + 6), (cx - 5, cy + 4.8), (cx - 1.1, cy), (cx - 5, cy - 4.8)]
    return c.mask_polygon(pts)


def _shield(c):
    m = c.mask_polygon([(SHIELD_X0, SHIELD_Y0), (SHIELD_X1, SHIELD_Y0), (SHIELD_X1, SHIELD_Y1), (SHIELD_X0, SHIELD_Y1)])
    X, Y = c.grid()
    # ticks every tenth
    frac = (Y - SHIELD_Y0) / (SHIELD_Y1 - SHIELD_Y0) * 10.0
    gap = (np.abs(frac - np.round(frac)) < 0.06) & (frac > 0.5) & (frac < 9.5)
    return m * np.where(gap, 0.35, 1.0)


def _frame(c):
    """Thin outlines that stay visible in the dim background."""
    m = np.zeros((H * 4, W * 4))
    x0, x1, y0, y1 = SHIELD_X0 - 2, SHIELD_X1 + 2, SHIELD_Y0 - 2, SHIELD_Y1 + 2
    for a, b in (((x0, y0), (x1, y0)), ((x1, y0), (x1, y1)), ((x1, y1), (x0, y1)), ((x0, y1), (x0, y0))):
        m = np.maximum(m, c.mask_line([a, b], 0.9))
    return m


def full():
    c, E = _canvas()
    for i in range(5):
        E += _chevron(c, i)[..., None] * np.asarray(P.C_SPEED)
    for s in BEAM_SLOTS[5]:
        E += _beam(c, s)[..., None] * np.asarray(P.C_LASER)
    for k in range(5):
        E += _pip(c, k)[..., None] * np.asarray(P.C_FIRE)
    for k in range(2):
        E += _hourglass(c, k)[..., None] * np.asarray(P.C_WARP)
    E += _shield(c)[..., None] * np.asarray(P.C_SHIELD)
    E += _frame(c)[..., None] * np.asarray(P.C_SHIELD) * 2.0
    return _finish(c, E)


def shield():
    c, E = _canvas()
    E += _shield(c)[..., None] * np.asarray(P.C_SHIELD)
    return _finish(c, E)


def speed(n):
    c, E = _canvas()
    for i in range(n):
        E += _chevron(c, i)[..., None] * np.asarray(P.C_SPEED)
    return _finish(c, E)


def fire(laser_type, rate):
    """laser_type 1..5 (the game's type plus one), rate 0..5."""
    c, E = _canvas()
    for s in BEAM_SLOTS[laser_type]:
        E += _beam(c, s)[..., None] * np.asarray(P.C_LASER)
    for k in range(rate):
        E += _pip(c, k)[..., None] * np.asarray(P.C_FIRE)
    return _finish(c, E)


def timewarp(n):
    c, E = _canvas()
    for k in range(n):
        E += _hourglass(c, k)[..., None] * np.asarray(P.C_WARP)
    return _finish(c, E)
