"""Raster helpers: premultiplied float canvases drawn at a supersampled
resolution and reduced to the final size, so every edge is anti-aliased."""

import os

import numpy as np
from PIL import Image, ImageDraw

SS = 4  # supersampling factor of every canvas


class Canvas:
    """A premultiplied RGBA float canvas of w x h final pixels, stored at SS
    times that resolution. Coordinates given to the drawing calls are in
    final pixels (float), origin top left, y down."""

    def __init__(self, w, h, ss=SS):
        self.w, self.h, self.ss = w, h, ss
        self.px = np.zeros((h * ss, w * ss, 4), np.float64)

    # -- coordinate grids (centres of the supersampled pixels, in final px)
    def grid(self):
        ss = self.ss
        ys = (np.arange(self.h * ss) + 0.5) / ss
        xs = (np.arange(self.w * ss) + 0.5) / ss
        return np.meshgrid(xs, ys)

    def mask_polygon(self, pts):
        """Hard-edged coverage of a polygon at the supersampled resolution."""
        ss = self.ss
        im = Image.new("L", (self.w * ss, self.h * ss), 0)
        ImageDraw.Draw(im).polygon([(x * ss, y * ss) for x, y in pts], fill=255)
        return np.asarray(im, np.float64) / 255.0

    def mask_ellipse(self, cx, cy, rx, ry):
        X, Y = self.grid()
        return (((X - cx) / rx) ** 2 + ((Y - cy) / ry) ** 2 <= 1.0).astype(np.float64)

    def mask_line(self, pts, width):
        ss = self.ss
        im = Image.new("L", (self.w * ss, self.h * ss), 0)
        d = ImageDraw.Draw(im)
        d.line([(x * ss, y * ss) for x, y in pts], fill=255, width=max(1, int(round(width * ss))), joint="curve")
        r = width * ss / 2.0
        for x, y in pts:
            d.ellipse([x * ss - r, y * ss - r, x * ss + r, y * ss + r], fill=255)
        return np.asarray(im, np.float64) / 255.0

    def over(self, mask, rgb, alpha=1.0):
        """Composite a colour (constant or per pixel HxWx3 field) through a
        coverage mask times alpha, 'over' the canvas."""
        a = np.clip(mask * alpha, 0.0, 1.0)
        rgb = np.asarray(rgb, np.float64)
        if rgb.ndim == 1:
            src = np.empty(self.px.shape)
            src[..., :3] = rgb[None, None, :] * a[..., None]
        else:
            src = np.empty(self.px.shape)
            src[..., :3] = rgb * a[..., None]
        src[..., 3] = a
        self.px = src + self.px * (1.0 - a[..., None])

    def add(self, mask, rgb, alpha=1.0):
        """Additive light: adds colour and opacity (clipped later)."""
        a = np.clip(mask * alpha, 0.0, None)
        rgb = np.asarray(rgb, np.float64)
        if rgb.ndim == 1:
            self.px[..., :3] += rgb[None, None, :] * a[..., None]
        else:
            self.px[..., :3] += rgb * a[..., None]
        self.px[..., 3] += a

    def final(self):
        """Reduce to the final resolution; returns premultiplied float HxWx4."""
        ss = self.ss
        p = np.clip(self.px, 0.0, None)
        p[..., 3] = np.minimum(p[..., 3], 1.0)
        return reduce(p, ss)


def emissive(E):
    """Premultiplied pixels for light E (HxWx3, what an additive draw adds):
    alpha is the brightest channel, so the colour keeps full saturation."""
    E = np.clip(E, 0.0, None)
    a = np.clip(E.max(axis=-1), 0.0, 1.0)
    scale = np.where(E.max(axis=-1) > 1.0, 1.0 / np.maximum(E.max(axis=-1), 1e-9), 1.0)
    out = np.empty(E.shape[:2] + (4,))
    out[..., :3] = E * scale[..., None]
    out[..., 3] = a
    return out


def reduce(px, ss):
    h, w = px.shape[0] // ss, px.shape[1] // ss
    return px.reshape(h, ss, w, ss, px.shape[2]).mean(axis=(1, 3))


def blur(a, sigma):
    """Separable Gaussian blur of a 2-D or 3-D (last axis channels) array."""
    if sigma <= 0:
        return a
    r = int(np.ceil(sigma * 3))
    k = np.exp(-0.5 * (np.arange(-r, r + 1) / sigma) ** 2)
    k /= k.sum()

    def conv(arr, axis):
        pad = [(0, 0)] * arr.ndim
        pad[axis] = (r, r)
        p = np.pad(arr, pad, mode="constant")
        out = np.zeros_like(arr)
        n = arr.shape[axis]
        for i, kv in enumerate(k):
            sl = [slice(None)] * arr.ndim
            sl[axis] = slice(i, i + n)
            out += kv * p[tuple(sl)]
        return out

    return conv(conv(a, 0), 1)


def to_straight(pm):
    """Premultiplied float -> straight RGBA float in 0..1 (colours clipped)."""
    a = np.clip(pm[..., 3], 0.0, 1.0)
    rgb = np.where(a[..., None] > 1e-6, pm[..., :3] / np.maximum(a[..., None], 1e-6), 0.0)
    out = np.concatenate([np.clip(rgb, 0.0, 1.0), a[..., None]], axis=-1)
    return out


def bleed(rgba8, passes=6):
    """Give fully transparent pixels the colour of their opaque neighbours so
    linear texture filtering shows no dark fringe at sprite edges."""
    rgb = rgba8[..., :3].astype(np.float64)
    known = rgba8[..., 3] > 0
    if not known.any():
        return rgba8
    for _ in range(passes):
        acc = np.zeros_like(rgb)
        cnt = np.zeros(known.shape)
        for dy in (-1, 0, 1):
            for dx in (-1, 0, 1):
                if dx == 0 and dy == 0:
                    continue
                k = np.roll(np.roll(known, dy, 0), dx, 1)
                c = np.roll(np.roll(rgb, dy, 0), dx, 1)
                acc += c * k[..., None]
                cnt += k
        new = (~known) & (cnt > 0)
        rgb[new] = acc[new] / cnt[new][:, None]
        known = known | new
    out = rgba8.copy()
    out[..., :3] = np.round(rgb).astype(np.uint8)
    return out


def to_rgba8(pm):
    s = to_straight(pm)
    out = np.round(s * 255.0).clip(0, 255).astype(np.uint8)
    # A pixel whose alpha rounds to zero is transparent: its colour only
    # matters for filtering, which bleed() takes care of.
    out[out[..., 3] == 0, :3] = 0
    return bleed(out)


def save_png(path, pm_or_rgba8):
    arr = pm_or_rgba8
    if arr.dtype != np.uint8:
        arr = to_rgba8(arr)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    Image.fromarray(arr, "RGBA").save(path, "PNG", optimize=True)
    return arr


def lerp(a, b, t):
    return np.asarray(a, np.float64) * (1 - t) + np.asarray(b, np.float64) * t


def ramp(stops, t):
    """Piecewise-linear colour ramp. stops: list of (pos, (r,g,b)); t array."""
    t = np.asarray(t, np.float64)
    out = np.zeros(t.shape + (3,))
    pos = [p for p, _ in stops]
    cols = np.array([c for _, c in stops], np.float64)
    for ch in range(3):
        out[..., ch] = np.interp(t, pos, cols[:, ch])
    return out


class ValueNoise:
    """Smooth deterministic 2-D/3-D value noise on a periodic lattice."""

    def __init__(self, seed, size=64):
        rs = np.random.RandomState(seed)
        self.size = size
        self.t2 = rs.rand(size, size)
        self.t3 = rs.rand(size, size, size)

    def n2(self, x, y):
        s = self.size
        x0 = np.floor(x).astype(int)
        y0 = np.floor(y).astype(int)
        fx, fy = x - x0, y - y0
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)
        x0 %= s
        y0 %= s
        x1, y1 = (x0 + 1) % s, (y0 + 1) % s
        t = self.t2
        a = t[y0, x0] * (1 - fx) + t[y0, x1] * fx
        b = t[y1, x0] * (1 - fx) + t[y1, x1] * fx
        return a * (1 - fy) + b * fy

    def n3(self, x, y, z):
        s = self.size
        x0 = np.floor(x).astype(int)
        y0 = np.floor(y).astype(int)
        z0 = np.floor(z).astype(int)
        fx, fy, fz = x - x0, y - y0, z - z0
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)
        fz = fz * fz * (3 - 2 * fz)
        x0 %= s
        y0 %= s
        z0 %= s
        x1, y1, z1 = (x0 + 1) % s, (y0 + 1) % s, (z0 + 1) % s
        t = self.t3

        def plane(zz):
            a = t[zz, y0, x0] * (1 - fx) + t[zz, y0, x1] * fx
            b = t[zz, y1, x0] * (1 - fx) + t[zz, y1, x1] * fx
            return a * (1 - fy) + b * fy

        return plane(z0) * (1 - fz) + plane(z1) * fz

    def fbm3(self, x, y, z, octaves=4, lac=2.0, gain=0.5):
        amp, tot, norm = 1.0, 0.0, 0.0
        for i in range(octaves):
            tot = tot + amp * self.n3(x, y, z)
            norm += amp
            x, y, z = x * lac + 17.3, y * lac + 9.1, z * lac + 3.7
            amp *= gain
        return tot / norm

    def fbm2(self, x, y, octaves=4, lac=2.0, gain=0.5):
        amp, tot, norm = 1.0, 0.0, 0.0
        for i in range(octaves):
            tot = tot + amp * self.n2(x, y)
            norm += amp
            x, y = x * lac + 17.3, y * lac + 9.1
            amp *= gain
        return tot / norm
