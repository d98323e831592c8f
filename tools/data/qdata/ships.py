"""Player ships and pirate foes, rendered from faceted models."""

import numpy as np

from . import palette as P
from .img import Canvas
from .mesh import Face, mirror_x, render, rot_y, rot_z, project

PLAYER_W, PLAYER_H = 56, 60
FOE_W, FOE_H = 56, 48
FOE_SCALE = 0.84
# The ship keeps its wing tips on screen where the game stops it, 20 pixels
# from either edge: half its span is 20 pixels.
PLAYER_SCALE = 20.0 / 23.6
NOZZLE_X = 9.8 * PLAYER_SCALE       # nozzle centres left and right of the middle
NOZZLE_Y = 28.4 * PLAYER_SCALE      # and below the hot spot


def _hull_sections(stations, color, gloss=0.3):
    """Faceted hull from cross sections (y, half width, height); returns the
    right-hand faces (left side, top and right side strips)."""
    faces = []
    for (y0, w0, h0), (y1, w1, h1) in zip(stations, stations[1:]):
        a0 = [(0, y0, h0), (w0 * 0.5, y0, h0 * 0.92), (w0, y0, h0 * 0.25)]
        a1 = [(0, y1, h1), (w1 * 0.5, y1, h1 * 0.92), (w1, y1, h1 * 0.25)]
        faces.append(Face([a0[0], a0[1], a1[1], a1[0]], color, gloss))
        faces.append(Face([a0[1], a0[2], a1[2], a1[1]], color, gloss))
    return faces


def player_model(accent):
    right = []
    stations = [(28, 0.0, 1.0), (19, 3.4, 4.2), (9, 5.6, 6.0), (-4, 6.4, 6.4), (-18, 6.0, 5.4), (-27, 4.6, 3.6)]
    right += _hull_sections(stations, P.HULL_LIGHT, 0.35)
    # swept main wing with a leading-edge bevel
    wing_top = [(5.5, 4, 2.6), (23, -13, 1.2), (23.5, -21, 1.0), (5.5, -17, 2.4)]
    right.append(Face(wing_top, P.HULL_MID, 0.25))
    right.append(Face([(5.5, 7.5, 1.0), (23, -10.5, 0.2), (23, -13, 1.2), (5.5, 4, 2.6)], P.HULL_LIGHT, 0.35))
    # accent stripe on the wing
    right.append(Face([(9, 0.5, 2.75), (18.5, -9.2, 2.0), (19.2, -12.5, 1.9), (9.5, -3.5, 2.7)], accent, 0.4, bias=0.5))
    # wing-tip fin
    right.append(Face([(23.2, -9, 1.2), (23.6, -22, 1.0), (23.6, -22, 6.5), (23.4, -15, 6.5)], accent, 0.3, bias=0.8))
    right.append(Face([(21.8, -9, 1.2), (23.2, -9, 1.2), (23.4, -15, 6.5), (22.0, -15, 6.5)], P.HULL_MID, 0.3, bias=0.7))
    # engine nacelle
    right.append(Face([(6.5, -8, 4.6), (11.5, -8, 4.6), (11.5, -27, 4.4), (6.5, -27, 4.4)], P.HULL_MID, 0.35, bias=0.3))
    right.append(Face([(11.5, -8, 4.6), (13.0, -9, 2.0), (13.0, -27, 2.0), (11.5, -27, 4.4)], P.HULL_DARK, 0.3, bias=0.3))
    right.append(Face([(6.5, -8, 4.6), (9, -3, 3.5), (11.5, -8, 4.6)], P.HULL_LIGHT, 0.3, bias=0.3))
    # nozzle
    right.append(Face([(7.2, -27, 4.2), (12.4, -27, 4.2), (12.4, -28.6, 2.2), (7.2, -28.6, 2.2)], P.PLASMA, 0.0, emit=0.8, bias=0.9))
    faces = right + mirror_x(right)
    # canopy
    g = P.GLASS
    canopy = [(0, 18, 4.6), (2.6, 11, 6.2), (0, 2, 6.8), (-2.6, 11, 6.2)]
    top = (0, 10, 8.6)
    for i in range(4):
        faces.append(Face([canopy[i], canopy[(i + 1) % 4], top], g, 0.9, 40.0, emit=0.1, bias=1.0))
    # nose accent chevron
    faces.append(Face([(0, 27, 1.2), (2.2, 21.5, 3.4), (0, 23.5, 3.0)], accent, 0.4, bias=0.6))
    faces.append(Face([(0, 27, 1.2), (-2.2, 21.5, 3.4), (0, 23.5, 3.0)], accent, 0.4, bias=0.6))
    return faces


def render_player(accent, frame, glow=True):
    """Banking frame 0 (full left) .. 5 (level) .. 10 (full right)."""
    c = Canvas(PLAYER_W, PLAYER_H)
    roll = (frame - 5) / 5.0 * np.radians(48)
    R = rot_y(roll)
    cx, cy = PLAYER_W / 2, PLAYER_H / 2
    render(c, player_model(accent), R, cx, cy, PLAYER_SCALE)
    if glow:
        # soft light of the nozzles
        X, Y = c.grid()
        for sx in (-9.8, 9.8):
            x, y, _ = project(R, (sx, -28.4, 3.4), cx, cy, PLAYER_SCALE)
            d2 = (X - x) ** 2 + (Y - y) ** 2
            c.add(np.exp(-d2 / (2 * 1.6 ** 2)), P.PLASMA, 0.8)
    return c.final()


def foe_model():
    right = []
    H, D, A = P.FOE_HULL, P.FOE_DARK, P.FOE_ACCENT
    stations = [(26, 0.0, 1.5), (16, 4.0, 5.0), (4, 7.0, 7.0), (-8, 8.0, 7.2), (-20, 6.5, 5.5), (-25, 4.0, 3.5)]
    right += _hull_sections(stations, H, 0.3)
    # forward claws
    right.append(Face([(6, 10, 3.0), (15, 22, 1.5), (17, 19, 1.5), (12, 4, 3.0)], D, 0.3))
    right.append(Face([(15, 22, 1.5), (14.5, 25, 1.2), (17, 19, 1.5)], A, 0.3, bias=0.4))
    # heavy wing block
    right.append(Face([(7.5, 4, 3.5), (21, -4, 2.5), (22, -18, 2.3), (7.5, -20, 3.3)], H, 0.25))
    right.append(Face([(21, -4, 2.5), (24, -7, 0.8), (25, -17, 0.8), (22, -18, 2.3)], D, 0.25))
    # hazard stripe
    right.append(Face([(11, -2, 3.6), (19, -7, 2.9), (19.3, -10.5, 2.8), (11, -6, 3.55)], A, 0.35, bias=0.5))
    # gun pod
    right.append(Face([(16.5, -6, 3.8), (19.5, -6, 3.8), (19.5, 8, 3.2), (16.5, 8, 3.2)], D, 0.4, bias=0.6))
    right.append(Face([(16.5, 8, 3.2), (19.5, 8, 3.2), (18.0, 11, 2.8)], P.FOE_LIGHT, 0.2, emit=0.6, bias=0.7))
    # engine
    right.append(Face([(4, -18, 6.0), (9, -18, 5.6), (9, -27, 5.0), (4, -27, 5.4)], D, 0.35, bias=0.3))
    right.append(Face([(4.5, -27, 5.2), (8.5, -27, 4.9), (8.5, -28.5, 3.0), (4.5, -28.5, 3.0)], A, 0.0, emit=0.9, bias=0.9))
    faces = right + mirror_x(right)
    # cockpit slit
    faces.append(Face([(0, 14, 6.0), (2.0, 9, 7.4), (0, 5, 7.8), (-2.0, 9, 7.4)], P.FOE_LIGHT, 0.9, 40.0, emit=0.35, bias=1.0))
    return faces


def render_foe(frame, facing_right=True):
    """Frames 0..5: diving (0 steepest, 5 level); 6..11: climbing (6 level,
    11 steepest). Facing right is the left-edge foe."""
    if frame <= 5:
        tilt = -(5 - frame) / 5.0
    else:
        tilt = (frame - 6) / 5.0
    c = Canvas(FOE_W, FOE_H)
    # Climbing rolls the up-side wing away from the viewer and pitches the
    # nose a little up; the model points along +y before the yaw.
    roll = tilt * np.radians(34)
    yaw = -np.pi / 2 + tilt * np.radians(14)
    R = rot_z(yaw) @ rot_y(-roll)
    if not facing_right:
        R = rot_z(np.pi / 2 - tilt * np.radians(14)) @ rot_y(roll)
    cx, cy = FOE_W / 2, FOE_H / 2
    render(c, foe_model(), R, cx, cy, FOE_SCALE)
    X, Y = c.grid()
    for sx in (-6.5, 6.5):
        x, y, _ = project(R, (sx, -28.5, 4.2), cx, cy, FOE_SCALE)
        d2 = (X - x) ** 2 + (Y - y) ** 2
        c.add(np.exp(-d2 / (2 * 1.8 ** 2)), P.FOE_ACCENT, 0.8)
    return c.final()
