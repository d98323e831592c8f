"""Light effects drawn with additive blending in the game: explosions,
engine flames, the shield bubble; and the laser bolts."""

import numpy as np

from . import palette as P
from .img import Canvas, ValueNoise, emissive, ramp


def _gauss(X, Y, x, y, s):
    return np.exp(-((X - x) ** 2 + (Y - y) ** 2) / (2 * s * s))


class Explosion:
    """A fireball of hot puffs, sparks and a shock ring; frame k of n."""

    def __init__(self, seed, size, puffs=34, sparks=26, bursts=0, ring=True):
        self.size, self.ring = size, ring
        rs = np.random.RandomState(seed)
        self.noise = ValueNoise(seed + 7, 64)
        r = size / 2.0
        self.puffs = []
        p1, p2 = rs.uniform(0, 2 * np.pi, 2)
        for _ in range(puffs):
            a = rs.uniform(0, 2 * np.pi)
            lobe = 1.0 + 0.28 * np.sin(3 * a + p1) + 0.16 * np.sin(5 * a + p2)
            sp = rs.uniform(0.08, 0.50) * r * lobe
            self.puffs.append((np.cos(a), np.sin(a), sp, rs.uniform(0.09, 0.17) * r, rs.uniform(0.75, 1.0), 0.0, 0.0, 0.0))
        # later bursts around the centre (for the big, slow explosion)
        for b in range(bursts):
            a = rs.uniform(0, 2 * np.pi)
            d = rs.uniform(0.22, 0.36) * r
            ox, oy = np.cos(a) * d, np.sin(a) * d
            t0 = 0.16 + 0.15 * b
            for _ in range(14):
                a2 = rs.uniform(0, 2 * np.pi)
                sp = rs.uniform(0.06, 0.26) * r
                self.puffs.append((np.cos(a2), np.sin(a2), sp, rs.uniform(0.07, 0.13) * r, rs.uniform(0.8, 1.0), ox, oy, t0))
        self.sparks = []
        for _ in range(sparks):
            a = rs.uniform(0, 2 * np.pi)
            self.sparks.append((np.cos(a), np.sin(a), rs.uniform(0.55, 0.98) * r, rs.uniform(0.5, 1.0)))

    def frame(self, k, n):
        size = self.size
        ss = 2
        c = Canvas(size, size, ss)
        X, Y = c.grid()
        cx = cy = size / 2.0
        r = size / 2.0
        E = np.zeros(X.shape + (3,))
        if k >= n - 1:
            return c.final()  # the last frame stays empty
        t = k / float(n - 1)
        wsum = np.zeros(X.shape)
        tsum = np.zeros(X.shape)
        for dx, dy, sp, rad, hot, ox, oy, t0 in self.puffs:
            if t < t0:
                continue
            tl = (t - t0) / (1.0 - t0)
            e = 1 - (1 - tl) ** 3.2
            x = cx + ox + dx * sp * e
            y = cy + oy + dy * sp * e
            s = rad * (0.55 + 1.5 * tl)
            g = _gauss(X, Y, x, y, s) * (1.0 - 0.6 * tl)
            wsum += g
            tsum += g * hot * np.exp(-2.1 * tl) * (1.0 - 0.35 * (sp / r) * e)
        temp = tsum / np.maximum(wsum, 1e-6)
        tn = self.noise.fbm2(X / r * 4.0 + t * 2.5, Y / r * 4.0 - t * 1.7, 4)
        tn2 = self.noise.fbm2(X / r * 9.0 - t * 3.0, Y / r * 9.0 + 5.0, 3)
        turb = np.clip(0.25 + 1.3 * (0.65 * tn + 0.35 * tn2) ** 1.6, 0, 2)
        ang = np.arctan2(Y - cy, X - cx)
        dist = np.sqrt((X - cx) ** 2 + (Y - cy) ** 2)
        lob = self.noise.fbm2(np.cos(ang) * 1.8 + 20 + t, np.sin(ang) * 1.8 + 20, 3)
        reach = r * (0.30 + 0.62 * (1 - (1 - t) ** 3.2)) * (0.72 + 0.6 * lob)
        edge = np.clip((reach - dist) / (0.16 * r) + 0.5, 0, 1)
        dens = (1 - np.exp(-wsum * 1.9)) * np.clip(turb, 0, 1.3) * edge
        temp = np.clip(temp * (0.7 + 0.45 * turb), 0, 1)
        fade = np.clip(1.0 - t, 0, 1) ** 0.45
        E += ramp(P.FIRE_RAMP, temp) * (dens * fade * (0.75 + 1.1 * temp))[..., None]
        # first flash
        if t < 0.3:
            f = (1 - t / 0.3) ** 1.6
            E += _gauss(X, Y, cx, cy, r * (0.16 + 0.35 * t))[..., None] * np.array([1.0, 0.96, 0.82]) * 1.4 * f
        # shock ring
        if self.ring and t < 0.55:
            rr = r * (0.25 + 1.6 * t)
            d = np.sqrt((X - cx) ** 2 + (Y - cy) ** 2)
            ring = np.exp(-((d - rr) ** 2) / (2 * (0.6 + 1.0 * t) ** 2))
            E += ring[..., None] * np.array([1.0, 0.72, 0.40]) * 0.35 * (1 - t / 0.55) ** 2
        # sparks: short streaks flying out
        if t < 0.7:
            sm = np.zeros(X.shape)
            for dx, dy, sp, br in self.sparks:
                e = 1 - (1 - t) ** 1.8
                d1 = sp * e + r * 0.08
                d0 = max(0.0, d1 - r * 0.10)
                m = c.mask_line([(cx + dx * d0, cy + dy * d0), (cx + dx * d1, cy + dy * d1)], 1.0)
                sm = np.maximum(sm, m * br)
            E += sm[..., None] * np.array([1.0, 0.86, 0.55]) * (1 - t / 0.7)
        c.px = emissive(E)
        return c.final()


def explosion_frames(seed, size, n, **kw):
    ex = Explosion(seed, size, **kw)
    return [ex.frame(k, n) for k in range(n)]


def engine_flame(canvas_w, canvas_h, hot_y, nozzles, k, n, seed=3, strength=1.0):
    """Plasma jets behind the ship's nozzles; hot_y is the nozzle row."""
    c = Canvas(canvas_w, canvas_h, 3)
    X, Y = c.grid()
    E = np.zeros(X.shape + (3,))
    rs = np.random.RandomState(seed * 100 + k)
    ph = 2 * np.pi * k / n
    for i, nx in enumerate(nozzles):
        flick = 0.85 + 0.12 * np.sin(ph * 2 + i * 1.7) + rs.uniform(-0.05, 0.05)
        L = (27 + 5 * np.sin(ph + i * 2.1)) * flick * strength
        if L <= 0.5:
            continue
        dy = Y - hot_y
        along = np.clip(dy / L, 0, None)
        on = np.clip((dy + 1.5) / 1.5, 0, 1)
        wid = 3.0 * (1 - np.clip(along, 0, 1)) ** 0.8 + 0.4
        core = np.exp(-((X - nx) ** 2) / (2 * (wid * 0.42) ** 2)) * np.exp(-along * 3.2) * on
        outer = np.exp(-((X - nx) ** 2) / (2 * (wid * 1.1) ** 2)) * np.exp(-along * 2.0) * on
        E += outer[..., None] * np.array(P.PLASMA) * 1.3
        E += core[..., None] * np.array([0.9, 0.97, 1.0]) * 1.5
    c.px = emissive(E)
    return c.final()


def shield_frame(size, k, n):
    """A bubble of hexagonal cells with a bright rim, its pattern drifting."""
    c = Canvas(size, size, 3)
    X, Y = c.grid()
    cx = cy = size / 2.0
    R = size / 2.0 - 2.0
    dx, dy = (X - cx) / R, (Y - cy) / R
    d = np.sqrt(dx * dx + dy * dy)
    inside = d < 1.0
    # sphere mapping so the cells bend towards the rim
    z = np.sqrt(np.clip(1 - d * d, 0, 1))
    ph = 2 * np.pi * k / n
    u = np.arctan2(dx, z) * 3.2 + ph * 0.5
    v = np.arctan2(dy, z) * 3.2 + np.sin(ph) * 0.3
    # hexagonal cell edges from three line families
    a1 = np.abs(((u * 2 / np.sqrt(3)) % 2) - 1)
    a2 = np.abs((((u / np.sqrt(3) + v) ) % 2) - 1)
    a3 = np.abs((((u / np.sqrt(3) - v)) % 2) - 1)
    edge = np.maximum(np.maximum(np.exp(-((1 - a1) / 0.10) ** 2), np.exp(-((1 - a2) / 0.10) ** 2)), np.exp(-((1 - a3) / 0.10) ** 2))
    rim = np.exp(-((1 - d) / 0.07) ** 2) * (d < 1.04)
    fres = np.clip(d, 0, 1) ** 3
    pulse = 0.5 + 0.5 * np.sin(ph - d * 6)
    base = 0.14 + 0.20 * fres
    m = inside.astype(np.float64)
    c.add(m, P.C_SHIELD, 1.0)
    c.px[..., :3] *= (base + 0.30 * edge * (0.35 + 0.65 * pulse) * (0.3 + 0.7 * fres))[..., None]
    c.px[..., 3] = m * (base + 0.30 * edge)
    c.add(rim, (0.65, 0.90, 1.0), 0.85)
    return c.final()


def laser_ray(w, h, color):
    c = Canvas(w, h, 4)
    X, Y = c.grid()
    cx = w / 2.0
    t = np.clip((Y - 2.0) / (h - 4.0), 0, 1)
    taper = np.sin(np.pi * t) ** 0.35 * (Y > 1.5) * (Y < h - 1.5)
    glow = np.exp(-((X - cx) ** 2) / (2 * 1.5 ** 2)) * taper
    core = np.exp(-((X - cx) ** 2) / (2 * 0.55 ** 2)) * taper
    c.over(np.clip(glow * 1.2, 0, 1), color)
    c.over(np.clip(core * 1.3, 0, 1), (0.92, 1.0, 0.92))
    return c.final()


def laser_round(size, color, core=(1.0, 1.0, 0.95)):
    c = Canvas(size, size, 4)
    X, Y = c.grid()
    cx = cy = size / 2.0
    d = np.sqrt((X - cx) ** 2 + (Y - cy) ** 2)
    r = size / 2.0 - 1.0
    glow = np.exp(-(d / (r * 0.62)) ** 2)
    c.over(np.clip(glow * 1.25, 0, 1), color)
    c.over(np.clip(np.exp(-(d / (r * 0.30)) ** 2) * 1.3, 0, 1), core)
    return c.final()
