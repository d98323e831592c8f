"""A small chiptune synthesiser: band-limited pulse, saw and triangle
voices with envelopes and vibrato, noise drums, a tracker-like note
notation and a stereo mixer. Everything is deterministic."""

import numpy as np

SR = 44100

NOTE_INDEX = {"c": 0, "d": 2, "e": 4, "f": 5, "g": 7, "a": 9, "b": 11}


def midi(name):
    """'a4', 'c#5', 'bb3' -> MIDI number (a4 = 69)."""
    n = name.lower()
    base = NOTE_INDEX[n[0]]
    i = 1
    while i < len(n) and n[i] in "#b":
        base += 1 if n[i] == "#" else -1
        i += 1
    octave = int(n[i:])
    return base + 12 * (octave + 1)


def freq(m):
    return 440.0 * 2.0 ** ((m - 69) / 12.0)


def _blep(t, dt):
    y = np.zeros_like(t)
    a = t < dt
    x = t[a] / dt[a]
    y[a] = x + x - x * x - 1.0
    b = t > 1.0 - dt
    x = (t[b] - 1.0) / dt[b]
    y[b] = x * x + x + x + 1.0
    return y


def osc(kind, f, n, duty=0.5):
    """f: scalar or per-sample frequency array."""
    f = np.broadcast_to(np.asarray(f, np.float64), (n,)).astype(np.float64)
    dt = np.clip(f / SR, 1e-6, 0.45)
    ph = np.cumsum(dt) - dt[0]
    t = ph % 1.0
    if kind == "sine":
        return np.sin(2 * np.pi * t)
    if kind == "tri":
        return 4.0 * np.abs(t - 0.5) - 1.0
    if kind == "saw":
        return 2.0 * t - 1.0 - _blep(t, dt)
    if kind == "pulse":
        y = np.where(t < duty, 1.0, -1.0)
        y = y + _blep(t, dt) - _blep((t - duty) % 1.0, dt)
        return y - (2 * duty - 1)  # remove the DC offset of a narrow pulse
    raise ValueError(kind)


def env_adsr(n, a, d, s, r, gate):
    """Sample-count envelope; gate = samples before release starts."""
    t = np.arange(n) / SR
    e = np.empty(n)
    att = t < a
    e[att] = t[att] / max(a, 1e-6)
    dec = ~att
    e[dec] = s + (1 - s) * np.exp(-(t[dec] - a) / max(d, 1e-6))
    g = gate / SR
    if gate < n:
        level = np.interp(g, t, e) if gate > 0 else 0.0
        rel = t >= g
        e[rel] = level * np.exp(-(t[rel] - g) / max(r, 1e-6))
    # always close the last millisecond so no note ends on a step
    k = min(n, int(0.002 * SR))
    if k > 0:
        e[-k:] *= np.linspace(1, 0, k)
    return e


def onepole_lp(x, cutoff):
    a = np.exp(-2 * np.pi * cutoff / SR)
    return _iir1(x, 1 - a, a)


def _iir1(x, b0, a1):
    """y[n] = b0 x[n] + a1 y[n-1], computed exactly block by block (each
    block short enough that a1 to its length stays far from underflow)."""
    x = np.asarray(x, np.float64)
    y = np.empty_like(x)
    prev = 0.0
    B = int(max(8, min(4096, -30.0 / np.log10(max(a1, 1e-12)))))
    k = np.arange(B)
    pk = a1 ** k
    for s in range(0, len(x), B):
        seg = x[s:s + B]
        p = pk[:len(seg)]
        acc = np.cumsum(b0 * seg / p)
        out = (acc + prev * a1) * p
        y[s:s + B] = out
        prev = out[-1]
    return y


def hp1(x, cutoff):
    return x - onepole_lp(x, cutoff)


class Instrument:
    def __init__(self, wave="pulse", duty=0.5, a=0.004, d=0.15, s=0.6, r=0.08, vib=0.0, vib_rate=5.5,
                 vib_delay=0.18, gain=0.3, pan=0.0, lp=None, detune=0.0, slide=0.0, echo=0.0, octave=0):
        self.__dict__.update(locals())
        del self.__dict__["self"]

    def render(self, m, dur_s, vel=1.0):
        rel = self.r * 6
        n = int((dur_s + rel) * SR)
        gate = int(dur_s * SR)
        t = np.arange(n) / SR
        f0 = freq(m + 12 * self.octave)
        f = np.full(n, f0)
        if self.vib > 0:
            depth = np.clip((t - self.vib_delay) / 0.15, 0, 1) * self.vib
            f = f * 2 ** (depth * np.sin(2 * np.pi * self.vib_rate * t) / 12.0)
        if self.slide:
            f = f * 2 ** (self.slide * np.exp(-t / 0.03) / 12.0)
        y = osc(self.wave, f, n, self.duty)
        if self.detune:
            y = 0.5 * (y + osc(self.wave, f * 2 ** (self.detune / 1200.0), n, self.duty))
        if self.lp:
            y = onepole_lp(y, self.lp)
        return y * env_adsr(n, self.a, self.d, self.s, self.r, gate) * self.gain * vel


# -- drums: one-shot samples rendered once per song -------------------------

def drum(kind, seed=1):
    rs = np.random.RandomState(seed)
    if kind == "kick":
        n = int(0.28 * SR)
        t = np.arange(n) / SR
        f = 48 + 110 * np.exp(-t / 0.035)
        y = np.sin(2 * np.pi * np.cumsum(f) / SR) * np.exp(-t / 0.11)
        y += 0.4 * rs.uniform(-1, 1, n) * np.exp(-t / 0.004)
        return y * 0.75
    if kind == "snare":
        n = int(0.22 * SR)
        t = np.arange(n) / SR
        nz = hp1(rs.uniform(-1, 1, n), 900)
        body = np.sin(2 * np.pi * np.cumsum(185 + 60 * np.exp(-t / 0.02)) / SR) * np.exp(-t / 0.05)
        return (0.75 * nz * np.exp(-t / 0.07) + 0.5 * body) * 0.62
    if kind == "hat":
        n = int(0.06 * SR)
        t = np.arange(n) / SR
        nz = hp1(hp1(rs.uniform(-1, 1, n), 6000), 6000)
        return nz * np.exp(-t / 0.014) * 0.38
    if kind == "openhat":
        n = int(0.25 * SR)
        t = np.arange(n) / SR
        nz = hp1(hp1(rs.uniform(-1, 1, n), 5000), 5000)
        return nz * np.exp(-t / 0.08) * 0.35
    if kind == "crash":
        n = int(1.1 * SR)
        t = np.arange(n) / SR
        nz = hp1(rs.uniform(-1, 1, n), 3000)
        return nz * np.exp(-t / 0.35) * 0.35
    if kind == "tom":
        n = int(0.3 * SR)
        t = np.arange(n) / SR
        f = 90 + 80 * np.exp(-t / 0.05)
        return np.sin(2 * np.pi * np.cumsum(f) / SR) * np.exp(-t / 0.12) * 0.8
    raise ValueError(kind)


# -- notation ---------------------------------------------------------------

def parse_steps(text):
    """Tracker line: one token per step; a note name starts a note, '.'
    holds it, '-' is silence. Returns [(step, length, midi)]."""
    toks = text.split()
    out = []
    cur = None
    for i, tok in enumerate(toks):
        if tok == ".":
            if cur is not None:
                cur[1] += 1
            continue
        if cur is not None:
            out.append(tuple(cur))
            cur = None
        if tok == "-":
            continue
        cur = [i, 1, midi(tok)]
    if cur is not None:
        out.append(tuple(cur))
    return out, len(toks)


class Song:
    """Events on a timeline of steps (16 per bar of 4/4)."""

    def __init__(self, bpm, steps_per_beat=4):
        self.bpm = bpm
        self.spb = steps_per_beat
        self.step_s = 60.0 / bpm / steps_per_beat
        self.events = []  # (step, length, midi, instrument, vel)
        self.hits = []    # (step, drum name, vel, pan)

    @property
    def bar_steps(self):
        return self.spb * 4

    def notes(self, inst, bar, text, vel=1.0, transpose=0):
        evs, n = parse_steps(text)
        for st, ln, m in evs:
            self.events.append((bar * self.bar_steps + st, ln, m + transpose, inst, vel))

    def note(self, inst, step, length, m, vel=1.0):
        self.events.append((step, length, m, inst, vel))

    def drums(self, bar, kind, pattern, vel=1.0, pan=0.0):
        for i, ch in enumerate(pattern.replace(" ", "")):
            if ch == "x":
                self.hits.append((bar * self.bar_steps + i, kind, vel, pan))
            elif ch == "o":
                self.hits.append((bar * self.bar_steps + i, kind, vel * 0.55, pan))

    def render(self, start_bar, end_bar, echo=None):
        """Stereo render of everything, as heard from start_bar to end_bar,
        including tails of notes that began earlier."""
        s0 = start_bar * self.bar_steps * self.step_s
        s1 = end_bar * self.bar_steps * self.step_s
        n = int(round((s1 - s0) * SR))
        L = np.zeros(n)
        R = np.zeros(n)
        dry_echo = np.zeros(n)
        cache = {}
        for st, ln, m, inst, vel in self.events:
            t0 = st * self.step_s - s0
            key = (id(inst), ln, m, vel)
            if key not in cache:
                cache[key] = inst.render(m, ln * self.step_s * 0.92, vel)
            y = cache[key]
            i0 = int(round(t0 * SR))
            a, b = max(0, i0), min(n, i0 + len(y))
            if a >= b:
                continue
            seg = y[a - i0:b - i0]
            gl, gr = np.cos((inst.pan + 1) * np.pi / 4), np.sin((inst.pan + 1) * np.pi / 4)
            L[a:b] += seg * gl * 1.4142
            R[a:b] += seg * gr * 1.4142
            if inst.echo:
                dry_echo[a:b] += seg * inst.echo
        dcache = {}
        for st, kind, vel, pan in self.hits:
            if kind not in dcache:
                dcache[kind] = drum(kind, seed=len(kind) * 7 + 3)
            y = dcache[kind] * vel
            i0 = int(round((st * self.step_s - s0) * SR))
            a, b = max(0, i0), min(n, i0 + len(y))
            if a >= b:
                continue
            seg = y[a - i0:b - i0]
            gl, gr = np.cos((pan + 1) * np.pi / 4), np.sin((pan + 1) * np.pi / 4)
            L[a:b] += seg * gl * 1.4142
            R[a:b] += seg * gr * 1.4142
        if echo is not None:
            # ping-pong echo of a dotted eighth, three repeats
            d = int(round(self.step_s * 3 * SR))
            src = onepole_lp(dry_echo, 3500)
            for k, g in enumerate((0.45, 0.25, 0.12)):
                off = d * (k + 1)
                if off >= n:
                    break
                tgt = L if k % 2 == 0 else R
                tgt[off:] += src[:n - off] * g * echo
        return np.stack([L, R], -1)
