"""Writes every picture and returns the image and animation descriptions."""

import os

import numpy as np

from . import fx, guiimg, hud, items, palette as P, ships
from .gui import LOGO_H, LOGO_W, WIDE, BTN_H
from .img import save_png
from .rocks import Rock
from .xmlout import E

# Frame delays that never run out: the banking frames are chosen by code.
HOLD = 1000000000

SPRITE_MASK = 0.5   # solid sprites: the opaque body collides
GLOW_MASK = 0.12    # additive pickups: the whole orb
SHIELD_MASK = 0.02  # the whole bubble


class Bank:
    """Collects the images of one bank and writes their files."""

    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.elements = []
        self.table = []  # (name, w, h, hotX, hotY, threshold) for the report

    def image(self, name, pm, hot=None, mask=None, clamp=None, filename=None):
        filename = filename or name + ".png"
        arr = save_png(os.path.join(self.out_dir, filename), pm)
        h, w = arr.shape[:2]
        hx, hy = hot if hot is not None else (w / 2.0, h / 2.0)
        self.elements.append(E("image", name=name, filename=filename, hotX=float(hx), hotY=float(hy),
                               bitmaskThreshold=mask, clamp=clamp))
        self.table.append((name, w, h, hx, hy, mask))

    def series(self, prefix, frames, mask=None, hot=None, digits=2):
        """Numbered frames prefix_00.png ...; described by one loop element."""
        last = len(frames) - 1
        shape = None
        for i, pm in enumerate(frames):
            fn = "%s_%0*d.png" % (prefix, digits, i)
            arr = save_png(os.path.join(self.out_dir, fn), pm)
            shape = arr.shape
        h, w = shape[:2]
        hx, hy = hot if hot is not None else (w / 2.0, h / 2.0)
        self.elements.append(loop_el({"var": "f", "from": 0, "to": last, "digits": digits}, [
            E("image", name="%s_[f]" % prefix, filename="%s_[f].png" % prefix, hotX=float(hx), hotY=float(hy),
              bitmaskThreshold=mask)]))
        self.table.append(("%s_00..%0*d" % (prefix, digits, last), w, h, hx, hy, mask))
        return len(frames)


def loop_el(attrs, children):
    a = dict(var=attrs["var"])
    a["from"] = attrs["from"]
    a["to"] = attrs["to"]
    a["digits"] = attrs.get("digits", 0)
    return E("loop", a, children)


class Anims:
    def __init__(self):
        self.elements = []
        self.table = []

    def add(self, name, prefix, count, delay, loop, digits=2):
        frames = loop_el({"var": "f", "from": 0, "to": count - 1, "digits": digits},
                         [E("frame", image="%s_[f]" % prefix)])
        self.elements.append(E("animation", dict(name=name, delay=delay, loop=loop), [frames]))
        self.table.append((name, count, delay, loop, prefix))


def game_images(out_dir, log):
    bank = Bank(out_dir)
    an = Anims()

    bank.image("laserRayGreen", fx.laser_ray(8, 28, P.LASER_GREEN), mask=SPRITE_MASK)
    bank.image("laserRoundGreen", fx.laser_round(12, P.LASER_GREEN), mask=SPRITE_MASK)
    bank.image("laserRoundRed", fx.laser_round(14, P.LASER_RED, (1.0, 0.92, 0.75)), mask=SPRITE_MASK)

    log("ships")
    for name, col in (("player1", P.RED), ("player2", P.BLUE)):
        n = bank.series(name, [ships.render_player(col, f) for f in range(11)], SPRITE_MASK)
        an.add(name, name, n, HOLD, False)
    for name, right in (("foeLeft", True), ("foeRight", False)):
        n = bank.series(name, [ships.render_foe(f, right) for f in range(12)], SPRITE_MASK)
        an.add(name, name, n, HOLD, False)

    log("engine and shield")
    hot = (ships.PLAYER_W / 2.0, ships.PLAYER_H / 2.0)
    noz = (ships.PLAYER_W / 2.0 - ships.NOZZLE_X, ships.PLAYER_W / 2.0 + ships.NOZZLE_X)
    nozzle_y = ships.PLAYER_H / 2.0 + ships.NOZZLE_Y
    eng = [fx.engine_flame(ships.PLAYER_W, 100, nozzle_y, noz, k, 8) for k in range(8)]
    n = bank.series("engine", eng, None, hot)
    an.add("engine", "engine", n, 45, True)
    sputter = (1.0, 0.35, 0.0, 0.75, 0.2, 0.0, 0.55, 0.0)
    st = [fx.engine_flame(ships.PLAYER_W, 100, nozzle_y, noz, k, 8, seed=9, strength=s) for k, s in enumerate(sputter)]
    n = bank.series("engineStutter", st, None, hot)
    an.add("engineStutter", "engineStutter", n, 60, True)
    n = bank.series("shield", [fx.shield_frame(80, k, 12) for k in range(12)], SHIELD_MASK)
    an.add("shield", "shield", n, 70, True)

    log("asteroids")
    small, large = Rock(7, lumpy=0.24, craters=6), Rock(11, lumpy=0.26, craters=10)
    for name, rock, size in (("asteroidSmall", small, 44), ("asteroidLarge", large, 84)):
        frames = [rock.render(size, 2 * np.pi * k / 32) for k in range(32)]
        n = bank.series(name, frames, SPRITE_MASK)
        an.add(name, name, n, 45, True)

    log("extras and containers")
    n = bank.series("crystal", [items.crystal_frame(k, 12) for k in range(12)], GLOW_MASK)
    an.add("crystal", "crystal", n, 70, True)
    an.add("extraScore", "crystal", n, 70, True)
    for name, kind, col in (("extraLaserType", "laser", P.C_LASER), ("extraSpeedup", "speed", P.C_SPEED),
                            ("extraFireRate", "fire", P.C_FIRE), ("extraShield", "shield", P.C_SHIELD),
                            ("extraTimeWarp", "warp", P.C_WARP)):
        n = bank.series(name, [items.extra_frame(kind, col, k, 12) for k in range(12)], GLOW_MASK)
        an.add(name, name, n, 70, True)
    for i, col in enumerate((P.C_SPEED, P.C_SHIELD, P.C_WARP)):
        name = "container_%d" % i
        n = bank.series(name, [items.container_frame(col, k, 16) for k in range(16)], SPRITE_MASK)
        an.add(name, name, n, 60, True)

    log("explosions")
    n = bank.series("explosionFast", fx.explosion_frames(21, 96, 14, sparks=14), None)
    an.add("explosionFast", "explosionFast", n, 40, False)
    n = bank.series("explosionSlow", fx.explosion_frames(33, 128, 22, puffs=40, sparks=16, bursts=3), None)
    an.add("explosionSlow", "explosionSlow", n, 60, False)
    return bank, an


def hud_images(out_dir):
    bank = Bank(out_dir)
    bank.image("full", hud.full(), hot=hud.HOT)
    bank.image("shield", hud.shield(), hot=hud.HOT)
    for k in range(1, 6):
        bank.image("speed_%d" % k, hud.speed(k), hot=hud.HOT)
    for i in range(1, 6):
        for j in range(6):
            bank.image("fire_%d_%d" % (i, j), hud.fire(i, j), hot=hud.HOT)
    for k in range(1, 3):
        bank.image("timewarp_%d" % k, hud.timewarp(k), hot=hud.HOT)
    return bank


def gui_images(out_dir):
    bank = Bank(out_dir)
    bank.image("logo", guiimg.logo(LOGO_W, LOGO_H), hot=(0, 0))
    bank.image("cursor", guiimg.cursor(), hot=(1, 1))
    for name, pieces in (("panel", guiimg.panel()),
                         ("button_up", guiimg.button("up")), ("button_down", guiimg.button("down")),
                         ("button_upHot", guiimg.button("upHot")), ("button_downHot", guiimg.button("downHot")),
                         ("field_red", guiimg.field(P.RED)), ("field_blue", guiimg.field(P.BLUE)),
                         ("groove", guiimg.groove())):
        for piece in guiimg.PIECES:
            bank.image("%s_%s" % (name, piece), pieces[piece], hot=(0, 0), clamp=True)
    for checked in (False, True):
        for st in ("up", "down", "upHot", "downHot"):
            nm = "check_%s_%s" % ("on" if checked else "off", st)
            bank.image(nm, guiimg.checkbox_face(WIDE, BTN_H, st, checked), hot=(0, 0), clamp=True)
    # the window icon is read by file name, outside any bank
    save_png(os.path.join(out_dir, "icon.png"), guiimg.icon())
    return bank
