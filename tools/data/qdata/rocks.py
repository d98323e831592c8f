"""Asteroids: lumpy, cratered bodies ray-cast from a radius map on the
sphere and tumbling about a tilted axis, lit from the upper left. They are
kept light so the game's blue tint of hard asteroids shows."""

import numpy as np

from . import palette as P
from .img import Canvas, ValueNoise
from .mesh import LIGHT

NTHETA, NPHI = 96, 192


def _dirs(theta, phi):
    st = np.sin(theta)
    return np.stack([st * np.cos(phi), st * np.sin(phi), np.cos(theta)], -1)


class Rock:
    def __init__(self, seed, lumpy=0.22, craters=7, shape=(1.22, 0.92, 0.88)):
        rs = np.random.RandomState(seed)
        self.shape = np.asarray(shape, np.float64)
        self.noise = ValueNoise(seed + 101, 32)
        th = (np.arange(NTHETA) + 0.5) / NTHETA * np.pi
        ph = np.arange(NPHI) / NPHI * 2 * np.pi
        TH, PH = np.meshgrid(th, ph, indexing="ij")
        d = _dirs(TH, PH)
        n = self.noise
        big = n.fbm3(d[..., 0] * 1.3 + 5, d[..., 1] * 1.3 + 5, d[..., 2] * 1.3 + 5, 3)
        fine = n.fbm3(d[..., 0] * 4.5 + 9, d[..., 1] * 4.5 + 9, d[..., 2] * 4.5 + 9, 3)
        rho = 1.0 + lumpy * (big - 0.5) * 2.0 + 0.05 * (fine - 0.5) * 2.0
        for _ in range(craters):
            c = rs.normal(size=3)
            c /= np.linalg.norm(c)
            a = rs.uniform(0.18, 0.42)
            depth = rs.uniform(0.05, 0.09) * (a / 0.3)
            beta = np.arccos(np.clip(d @ c, -1, 1))
            x = beta / a
            bowl = np.where(x < 1, -depth * (1 - x * x), 0.0)
            rim = 0.35 * depth * np.exp(-(((x - 1.0) / 0.28) ** 2))
            rho = rho + bowl + rim
        self.rho = rho
        self.albedo_noise = ValueNoise(seed + 202, 32)
        ax = np.array([rs.uniform(-0.5, 0.5), rs.uniform(0.4, 1.0), rs.uniform(0.3, 0.8)])
        self.axis = ax / np.linalg.norm(ax)

    def inside(self, q):
        q = q / self.shape
        return np.linalg.norm(q, axis=-1) < self.lookup(q)

    def lookup(self, q):
        """Radius factor in body direction q (..., 3)."""
        r = np.linalg.norm(q, axis=-1)
        r = np.maximum(r, 1e-9)
        th = np.arccos(np.clip(q[..., 2] / r, -1, 1))
        ph = np.arctan2(q[..., 1], q[..., 0]) % (2 * np.pi)
        fi = th / np.pi * NTHETA - 0.5
        fj = ph / (2 * np.pi) * NPHI
        i0 = np.clip(np.floor(fi).astype(int), 0, NTHETA - 1)
        i1 = np.clip(i0 + 1, 0, NTHETA - 1)
        ti = np.clip(fi - i0, 0, 1)
        j0 = np.floor(fj).astype(int) % NPHI
        j1 = (j0 + 1) % NPHI
        tj = fj - np.floor(fj)
        g = self.rho
        a = g[i0, j0] * (1 - tj) + g[i0, j1] * tj
        b = g[i1, j0] * (1 - tj) + g[i1, j1] * tj
        return a * (1 - ti) + b * ti

    def extent(self):
        """Largest distance of the surface from the centre, in radius units."""
        rs = np.random.RandomState(5)
        u = rs.normal(size=(20000, 3))
        u /= np.linalg.norm(u, axis=-1)[:, None]
        v = u / self.shape
        return float((self.lookup(v) / np.linalg.norm(v, axis=-1)).max())

    def rotation(self, angle):
        k = self.axis
        K = np.array([[0, -k[2], k[1]], [k[2], 0, -k[0]], [-k[1], k[0], 0]])
        return np.eye(3) + np.sin(angle) * K + (1 - np.cos(angle)) * (K @ K)

    def render(self, size, angle, ss=3):
        """A frame of the tumbling rock filling a size x size canvas."""
        radius = (size / 2.0 - 1.5) / self.extent()
        c = Canvas(size, size, ss)
        X, Y = c.grid()
        cx = cy = size / 2.0
        px = (X - cx) / radius
        py = -(Y - cy) / radius
        M = self.rotation(angle)
        Mt = M.T
        zmax = 1.45
        steps = 44
        zs = np.linspace(zmax, -zmax, steps)
        hit = np.full(px.shape, np.nan)
        found = np.zeros(px.shape, bool)
        rr = px * px + py * py
        cand = rr < zmax * zmax
        for z in zs:
            todo = cand & ~found
            if not todo.any():
                break
            p = np.stack([px[todo], py[todo], np.full(todo.sum(), z)], -1)
            q = p @ Mt.T
            inside = self.inside(q)
            idx = np.flatnonzero(todo.ravel())[inside]
            hz = hit.ravel()
            hz[idx] = z
            fz = found.ravel()
            fz[idx] = True
        # refine by bisection between the hit depth and one step above
        dz = zs[0] - zs[1]
        lo = hit - 0.0  # inside
        hi = hit + dz   # outside
        sel = found
        for _ in range(6):
            mid = (lo + hi) / 2
            p = np.stack([px[sel], py[sel], mid[sel]], -1)
            q = p @ Mt.T
            inside = self.inside(q)
            l, h = lo[sel], hi[sel]
            m = mid[sel]
            l = np.where(inside, m, l)
            h = np.where(inside, h, m)
            lo[sel], hi[sel] = l, h
        Z = np.where(found, (lo + hi) / 2, np.nan)
        # normals from the depth map; outside pixels pulled far down so the
        # silhouette's normals turn away from the viewer
        Zf = np.where(found, Z, -1.6)
        step = 1.0 / (radius * ss)
        gy, gx = np.gradient(Zf, step)
        nx, ny, nz = -gx, gy, np.ones_like(gx)
        ln = np.sqrt(nx * nx + ny * ny + nz * nz)
        nx, ny, nz = nx / ln, ny / ln, nz / ln
        ndl = np.clip(nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2], 0, 1)
        # albedo: mottled, body-fixed
        p = np.stack([px, py, np.where(found, Z, 0)], -1)
        q = p @ Mt.T
        an = self.albedo_noise
        mott = an.fbm3(q[..., 0] * 3 + 3, q[..., 1] * 3 + 3, q[..., 2] * 3 + 3, 4)
        alb = 0.80 + 0.34 * (mott - 0.5)
        shade = 0.30 + 0.85 * ndl + 0.10 * np.clip(ny, 0, 1)
        rgb = np.asarray(P.ROCK)[None, None, :] * (alb * shade)[..., None]
        c.over(found.astype(np.float64), np.clip(rgb, 0, 1))
        return c.final()
