"""A tiny flat-shaded polygon renderer: faceted models are rotated, lit by a
fixed light from the upper left and drawn back to front onto a Canvas. It
gives the ships their banking frames with consistent lighting."""

import numpy as np

LIGHT = np.array([-0.45, 0.55, 0.70])
LIGHT = LIGHT / np.linalg.norm(LIGHT)
VIEW = np.array([0.0, 0.0, 1.0])
HALF = (LIGHT + VIEW) / np.linalg.norm(LIGHT + VIEW)


class Face:
    def __init__(self, pts, color, gloss=0.25, shin=18.0, emit=0.0, bias=0.0, two_sided=True, alpha=1.0):
        self.pts = np.asarray(pts, np.float64)
        self.color = np.asarray(color, np.float64)
        self.gloss, self.shin, self.emit = gloss, shin, emit
        self.bias, self.two_sided, self.alpha = bias, two_sided, alpha


def rot_x(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[1, 0, 0], [0, c, -s], [0, s, c]])


def rot_y(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[c, 0, s], [0, 1, 0], [-s, 0, c]])


def rot_z(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[c, -s, 0], [s, c, 0], [0, 0, 1]])


def mirror_x(faces):
    out = []
    for f in faces:
        p = f.pts.copy()
        p[:, 0] = -p[:, 0]
        out.append(Face(p[::-1], f.color, f.gloss, f.shin, f.emit, f.bias, f.two_sided, f.alpha))
    return out


def shade(face, n):
    amb, dif = 0.38, 0.72
    d = max(0.0, float(n @ LIGHT))
    s = max(0.0, float(n @ HALF)) ** face.shin * face.gloss
    # A little sky light from above keeps faces turned away readable.
    sky = 0.12 * max(0.0, float(n[1]))
    c = face.color * (amb + dif * d + sky) + s + face.emit * face.color
    return np.clip(c, 0.0, 1.0)


def render(canvas, faces, R, cx, cy, scale=1.0, shadow=None):
    """Draw faces rotated by R, model x right / y up / z to the viewer,
    centred at (cx, cy) in canvas pixels."""
    items = []
    for f in faces:
        p = f.pts @ R.T
        if len(p) < 3:
            continue
        n = np.cross(p[1] - p[0], p[2] - p[0])
        ln = np.linalg.norm(n)
        if ln < 1e-9:
            # degenerate: try other corners
            for i in range(1, len(p) - 2):
                n = np.cross(p[i + 1] - p[i], p[i + 2] - p[i])
                ln = np.linalg.norm(n)
                if ln > 1e-9:
                    break
            if ln < 1e-9:
                continue
        n = n / ln
        if n[2] < 0:
            if not f.two_sided:
                continue
            n = -n
        depth = p[:, 2].mean() + f.bias
        items.append((depth, f, p, n))
    items.sort(key=lambda t: t[0])
    for depth, f, p, n in items:
        pts2 = [(cx + x * scale, cy - y * scale) for x, y, _ in p]
        m = canvas.mask_polygon(pts2)
        canvas.over(m, shade(f, n), f.alpha)


def project(R, pt, cx, cy, scale=1.0):
    p = np.asarray(pt, np.float64) @ R.T
    return cx + p[0] * scale, cy - p[1] * scale, p[2]
