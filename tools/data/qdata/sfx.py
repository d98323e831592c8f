"""Sound effects: short, punchy, mono."""

import numpy as np

from .synth import SR, hp1, onepole_lp, osc


def _t(sec):
    n = int(sec * SR)
    return n, np.arange(n) / SR


def _fade(y, ms=3.0):
    k = int(ms / 1000 * SR)
    y = y.copy()
    y[:min(k, len(y)) // 4] *= np.linspace(0, 1, min(k, len(y)) // 4)
    y[-k:] *= np.linspace(1, 0, k)
    return y


def explosion():
    n, t = _t(1.0)
    rs = np.random.RandomState(11)
    noise = rs.uniform(-1, 1, n)
    # a low-pass that closes as the blast dies away
    body = np.zeros(n)
    for lo, hi, seg in ((0.0, 0.06, 2600), (0.06, 0.25, 1200), (0.25, 1.0, 500)):
        m = (t >= lo) & (t < hi + 0.03)
        w = np.clip(np.minimum((t - lo) / 0.03, (hi + 0.03 - t) / 0.03), 0, 1) * m
        body += onepole_lp(onepole_lp(noise, seg), seg) * w
    body *= np.exp(-t / 0.28) * 2.2
    thump = np.sin(2 * np.pi * np.cumsum(40 + 90 * np.exp(-t / 0.05)) / SR) * np.exp(-t / 0.18)
    crackle = (rs.uniform(0, 1, n) > 0.997) * rs.uniform(-1, 1, n)
    crackle = onepole_lp(crackle, 2200) * np.exp(-t / 0.35) * 3
    click = noise * np.exp(-t / 0.004)
    return _fade(body + 1.3 * thump + crackle + 0.3 * click, 20)


def laser():
    n, t = _t(0.16)
    f = 1500 * np.exp(-t / 0.045) + 260
    y = osc("pulse", f, n, 0.3) * 0.6 + osc("saw", f * 0.5, n) * 0.3
    y = onepole_lp(y, 7000)
    return _fade(y * np.exp(-t / 0.05), 8)


def ping():
    n, t = _t(0.045)
    y = osc("tri", 1760, n) * 0.8 + osc("sine", 3520, n) * 0.25
    return _fade(y * np.exp(-t / 0.014), 4)


def extra():
    parts = []
    for i, m in enumerate((72, 76, 79, 84)):
        n, t = _t(0.085 if i < 3 else 0.22)
        f = 440 * 2 ** ((m - 69) / 12)
        y = osc("pulse", f, n, 0.25) * 0.5 + osc("tri", f * 2, n) * 0.4
        y *= np.exp(-t / (0.05 if i < 3 else 0.08))
        parts.append(_fade(y, 3))
    y = np.concatenate(parts)
    shimmer = osc("sine", 2637, len(y)) * np.exp(-np.arange(len(y)) / SR / 0.1) * 0.15
    return y + shimmer


def timewarp():
    n, t = _t(1.3)
    # a falling, wobbling sweep: time slowing down
    f = 900 * np.exp(-t / 0.45) + 90
    wob = 1 + 0.08 * np.sin(2 * np.pi * (7 - 4 * t) * t)
    y = osc("saw", f * wob, n) * 0.45 + osc("pulse", f * 0.5 * wob, n, 0.4) * 0.35
    y = onepole_lp(y, 2500)
    rs = np.random.RandomState(5)
    air = hp1(rs.uniform(-1, 1, n), 2500) * 0.25 * np.exp(-t / 0.4)
    env = np.clip(t / 0.02, 0, 1) * np.exp(-t / 0.55)
    return _fade((y + air) * env, 40)


def menu_move():
    n, t = _t(0.05)
    y = osc("pulse", 1320, n, 0.5) * np.exp(-t / 0.012)
    return _fade(onepole_lp(y, 6000) * 0.7, 3)


def menu_click():
    a_n, a_t = _t(0.05)
    b_n, b_t = _t(0.09)
    a = osc("pulse", 880, a_n, 0.25) * np.exp(-a_t / 0.03)
    b = osc("pulse", 1320, b_n, 0.25) * np.exp(-b_t / 0.035)
    return _fade(onepole_lp(np.concatenate([_fade(a, 2), b]), 7000) * 0.8, 4)


# name -> (maker, peak level in dBFS); frequent sounds sit lower
SOUNDS = {
    "explosion": (explosion, -1.0),
    "laser": (laser, -7.0),
    "ping": (ping, -8.0),
    "extra": (extra, -3.0),
    "timewarp": (timewarp, -2.0),
    "menu_move": (menu_move, -8.0),
    "menu_click": (menu_click, -5.0),
}
