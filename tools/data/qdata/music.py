"""The music: chiptune tracks written out note by note.

Each tune with a loop is rendered as one continuous timeline (intro, then
the loop three times) and cut from it: the intro is the start, the loop the
middle repetition. An intro ends with the same two bars as the loop, and no
sound outlasts two bars, so the intro leads into the loop and the loop into
itself with the very samples a continuous performance would have."""

import numpy as np

from .synth import SR, Instrument, Song, midi

LEAD = Instrument("pulse", duty=0.25, a=0.004, d=0.3, s=0.6, r=0.08, vib=0.2, vib_delay=0.16, gain=0.26, pan=0.12,
                  lp=8000, echo=0.35)
LEAD_SOFT = Instrument("pulse", duty=0.5, a=0.01, d=0.4, s=0.55, r=0.12, vib=0.15, vib_delay=0.2, gain=0.18,
                       pan=0.10, lp=5000, echo=0.4)
ARP = Instrument("pulse", duty=0.5, a=0.002, d=0.07, s=0.22, r=0.035, gain=0.085, pan=-0.35, lp=5500, echo=0.25)
ARP_THIN = Instrument("pulse", duty=0.125, a=0.002, d=0.06, s=0.2, r=0.03, gain=0.075, pan=0.35, lp=7000)
BASS = Instrument("tri", a=0.003, d=0.25, s=0.85, r=0.03, gain=0.34)
BASS_BITE = Instrument("pulse", duty=0.5, a=0.002, d=0.09, s=0.35, r=0.03, gain=0.07, lp=1400)
PAD = Instrument("pulse", duty=0.5, a=0.09, d=0.7, s=0.65, r=0.22, gain=0.045, detune=9, lp=2000, pan=-0.15)
BELL = Instrument("tri", a=0.002, d=0.22, s=0.15, r=0.1, gain=0.16, pan=-0.2, echo=0.3)

QUALITY = {"": (0, 4, 7), "m": (0, 3, 7), "7": (0, 4, 7, 10), "dim": (0, 3, 6)}


def chord(sym, octave=3):
    root = sym[0]
    rest = sym[1:]
    if rest[:1] in ("#", "b") and not rest.startswith("b5"):
        root += rest[0]
        rest = rest[1:]
    q = QUALITY[rest]
    r = midi(root + str(octave))
    return [r + i for i in q]


def arp(song, inst, bar, sym, octave=4, order=(0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 1, 2, 3), step=1, vel=1.0):
    tones = chord(sym, octave)[:3]
    tones = tones + [tones[0] + 12]
    for i in range(0, 16, step):
        song.note(inst, bar * 16 + i, step, tones[order[(i // step) % len(order)]], vel)


def bass(song, bar, sym, style="octaves", octave=2, vel=1.0):
    r = chord(sym, octave)[0]
    fifth = r + 7
    if style == "octaves":
        seq = [(0, 2, r), (2, 2, r + 12), (4, 2, r), (6, 2, r + 12), (8, 2, r), (10, 2, r + 12), (12, 2, r), (14, 2, r + 12)]
    elif style == "drive":
        seq = [(i, 2, r if i % 8 != 6 else r + 12) for i in range(0, 16, 2)]
    elif style == "gallop":
        seq = [(0, 2, r), (2, 1, r), (3, 1, r), (4, 2, r + 12), (6, 1, r), (7, 1, r), (8, 2, r), (10, 1, r), (11, 1, r),
               (12, 2, fifth), (14, 1, r + 12), (15, 1, r)]
    elif style == "half":
        seq = [(0, 7, r), (8, 6, fifth), (14, 2, r + 12)]
    elif style == "whole":
        seq = [(0, 15, r)]
    else:
        raise ValueError(style)
    for st, ln, m in seq:
        song.note(BASS, bar * 16 + st, ln, m, vel)
        if style in ("drive", "gallop", "octaves"):
            song.note(BASS_BITE, bar * 16 + st, ln, m + 12, vel)


def pad(song, bar, sym, octave=4, length=15, vel=1.0):
    for m in chord(sym, octave)[:3]:
        song.note(PAD, bar * 16, length, m, vel)


def beat(song, bar, style, fill=False, crash=False):
    if style == "rock":
        song.drums(bar, "kick", "x.......x.x.....")
        song.drums(bar, "snare", "....x.......x..." if not fill else "....x.......x.xx")
        song.drums(bar, "hat", "x.x.x.x.x.x.x.x.", 0.8, 0.3)
    elif style == "drive":
        song.drums(bar, "kick", "x.....x.x.......")
        song.drums(bar, "snare", "....x.......x..." if not fill else "....x..x.x.xxxxx")
        song.drums(bar, "hat", "xoxoxoxoxoxoxoxo", 0.8, 0.3)
    elif style == "four":
        song.drums(bar, "kick", "x...x...x...x...")
        song.drums(bar, "snare", "....x.......x..." if not fill else "....x...x.x.xxxx")
        song.drums(bar, "hat", "xoxoxoxoxoxoxoxo", 0.75, 0.3)
        song.drums(bar, "openhat", "..x...x...x...x.", 0.5, -0.3)
    elif style == "soft":
        song.drums(bar, "kick", "x.........x.....", 0.7)
        song.drums(bar, "snare", "........x.......", 0.45)
        song.drums(bar, "hat", "o.o.o.o.o.o.o.o.", 0.7, 0.3)
    elif style == "march":
        song.drums(bar, "kick", "x...x...x...x...", 0.9)
        song.drums(bar, "snare", "....x.......x..." if not fill else "....x.....x.x.xx")
        song.drums(bar, "hat", "x.x.x.x.x.x.x.x.", 0.7, 0.3)
    if crash:
        song.drums(bar, "crash", "x", 0.8, -0.2)


class Tune:
    def __init__(self, name, bpm, chords, lead, write_bar, intro_bars, loop=True):
        self.name, self.bpm, self.chords, self.lead = name, bpm, chords, lead
        self.write_bar, self.intro_bars, self.loop = write_bar, intro_bars, loop

    def timeline(self):
        """(song, intro bar count, loop bar count)."""
        song = Song(self.bpm)
        L = len(self.chords)
        ic = len(self.intro_bars)
        for i, fn in enumerate(self.intro_bars):
            fn(song, i)
        # the intro closes with the loop's last two bars
        self.write_bar(song, L - 2, ic)
        self.write_bar(song, L - 1, ic + 1)
        I = ic + 2
        for rep in range(3):
            for b in range(L):
                self.write_bar(song, b, I + rep * L + b)
        return song, I, L


def _lead(song, inst, bar, text, vel=1.0):
    song.notes(inst, bar, text, vel)


# -- title: A minor, heroic ---------------------------------------------------

TITLE_CHORDS = ["Am", "F", "C", "G", "Am", "F", "G", "E", "F", "G", "Em", "Am", "F", "G", "Am", "E"]
TITLE_LEAD = [
    "a4 . . . . . c5 . e5 . . . d5 . c5 .",
    "c5 . . . . . a4 . f4 . . . a4 . c5 .",
    "e5 . . . g5 . e5 . c5 . . . d5 . e5 .",
    "d5 . . . . . . . b4 . . . . . - -",
    "a5 . . . g5 . e5 . c5 . . . e5 . a5 .",
    "a5 . . . g5 . f5 . c5 . . . f5 . a5 .",
    "g5 . . . f5 . d5 . b4 . . . d5 . f5 .",
    "e5 . . . . . . . g#5 . . . b5 . . .",
    "c6 . . . b5 . a5 . f5 . . . a5 . c6 .",
    "b5 . . . a5 . g5 . d5 . . . g5 . b5 .",
    "b5 . . . a5 . g5 . e5 . . . g5 . b5 .",
    "a5 . . . . . . . e5 . . . a5 . c6 .",
    "c6 . . . a5 . f5 . c6 . . . a5 . f5 .",
    "d6 . . . b5 . g5 . d6 . . . b5 . g5 .",
    "c6 . . . b5 . a5 . e5 . . . a5 . . .",
    "b5 . . . . . . . g#5 . . . e5 . . .",
]


def title_bar(song, b, pos):
    sym = TITLE_CHORDS[b]
    _lead(song, LEAD, pos, TITLE_LEAD[b])
    arp(song, ARP, pos, sym, 4)
    pad(song, pos, sym, 4)
    bass(song, pos, sym, "octaves")
    beat(song, pos, "rock", fill=(b == 15), crash=(b in (0, 8)))


def title_intro(song, i):
    sym = ["Am", "F", "C", "G"][i]
    arp(song, ARP, i, sym, 4, vel=0.6 + 0.1 * i)
    pad(song, i, sym, 4)
    if i >= 2:
        bass(song, i, sym, "half")
    if i == 3:
        song.drums(i, "tom", "........x...x.x.", 0.7)
    if i >= 1:
        _lead(song, LEAD_SOFT, i, ["", "e5 . . . . . . . . . . . . . . .", "g5 . . . . . . . e5 . . . . . . .",
                                   "d5 . . . . . . . b4 . . . d5 . . ."][i])


TITLE = Tune("music_title", 126, TITLE_CHORDS, TITLE_LEAD, title_bar, [title_intro] * 4)

# -- game A: E minor, driving ------------------------------------------------

GAME_A_CHORDS = ["Em", "Em", "C", "D", "Em", "Em", "C", "B", "Am", "C", "D", "Em", "Am", "C", "D", "B"]
GAME_A_LEAD = [
    "e5 . . e5 . . g5 . . . b5 . a5 . g5 .",
    "f#5 . . . e5 . . . b4 . . . . . - -",
    "e5 . . e5 . . g5 . . . c6 . b5 . g5 .",
    "a5 . . . f#5 . . . d5 . . . f#5 . a5 .",
    "b5 . . b5 . . a5 . g5 . . . e5 . g5 .",
    "f#5 . . . g5 . . . e5 . . . . . - -",
    "e5 . g5 . c6 . . . b5 . g5 . e5 . g5 .",
    "f#5 . . . . . . . d#5 . f#5 . b5 . . .",
    "c6 . . . b5 . a5 . e5 . . . a5 . c6 .",
    "e6 . . . d6 . c6 . g5 . . . c6 . e6 .",
    "d6 . . . c6 . a5 . f#5 . . . a5 . d6 .",
    "b5 . . . . . . . g5 . a5 . b5 . . .",
    "c6 . . c6 . . b5 . a5 . . . e5 . a5 .",
    "g5 . . g5 . . a5 . b5 . . . c6 . b5 .",
    "a5 . . . f#5 . . . d5 . e5 . f#5 . a5 .",
    "b5 . . . . . a5 . f#5 . . . d#5 . . .",
]


def game_a_bar(song, b, pos):
    sym = GAME_A_CHORDS[b]
    _lead(song, LEAD, pos, GAME_A_LEAD[b])
    arp(song, ARP_THIN, pos, sym, 4, order=(0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3))
    bass(song, pos, sym, "gallop")
    beat(song, pos, "drive", fill=(b == 15), crash=(b in (0, 8)))


def game_a_intro(song, i):
    bass(song, i, "Em", "drive", vel=0.8 + 0.2 * i)
    song.drums(i, "kick", "x...x...x...x...", 0.8)
    song.drums(i, "hat", "xoxoxoxoxoxoxoxo" if i else "o.o.o.o.o.o.o.o.", 0.7, 0.3)
    if i == 1:
        song.drums(i, "snare", "........x.x.xxxx", 0.7)


GAME_A = Tune("music_game_a", 140, GAME_A_CHORDS, GAME_A_LEAD, game_a_bar, [game_a_intro] * 2)

# -- game B: D minor, urgent ---------------------------------------------------

GAME_B_CHORDS = ["Dm", "Bb", "C", "Dm", "Dm", "Bb", "C", "A", "Gm", "Bb", "C", "Dm", "Gm", "Bb", "A", "A"]
GAME_B_LEAD = [
    "d5 . a5 . . . d5 . f5 . e5 . d5 . a4 .",
    "bb4 . f5 . . . bb4 . d5 . c5 . bb4 . f4 .",
    "c5 . g5 . . . c5 . e5 . d5 . c5 . g4 .",
    "a4 . . . d5 . . . f5 . . . a5 . . .",
    "d6 . . . c6 . a5 . f5 . . . a5 . d6 .",
    "d6 . . . c6 . bb5 . f5 . . . bb5 . d6 .",
    "e6 . . . d6 . c6 . g5 . . . c6 . e6 .",
    "c#6 . . . . . . . a5 . . . e5 . . .",
    "g5 . . . bb5 . . . d6 . . . bb5 . g5 .",
    "f5 . . . bb5 . . . d6 . . . f6 . . .",
    "e6 . . . c6 . . . g5 . . . e5 . g5 .",
    "f5 . . . . . . . a5 . . . d6 . . .",
    "d6 . bb5 . g5 . bb5 . d6 . bb5 . g5 . bb5 .",
    "f6 . d6 . bb5 . d6 . f6 . d6 . bb5 . d6 .",
    "e6 . c#6 . a5 . c#6 . e6 . . . a5 . . .",
    "c#6 . . . e6 . . . a6 . . . . . - -",
]


def game_b_bar(song, b, pos):
    sym = GAME_B_CHORDS[b]
    _lead(song, LEAD, pos, GAME_B_LEAD[b])
    arp(song, ARP, pos, sym, 4)
    bass(song, pos, sym, "drive")
    beat(song, pos, "four", fill=(b == 15), crash=(b in (0, 8)))


def game_b_intro(song, i):
    arp(song, ARP, i, "Dm", 4, vel=0.7)
    bass(song, i, "Dm", "drive", vel=0.9)
    song.drums(i, "kick", "x...x...x...x...", 0.85)
    if i == 1:
        song.drums(i, "snare", "x...x...x.x.xxxx", 0.75)


GAME_B = Tune("music_game_b", 150, GAME_B_CHORDS, GAME_B_LEAD, game_b_bar, [game_b_intro] * 2)

# -- high scores: C major, bright ---------------------------------------------

HIGH_CHORDS = ["C", "Am", "F", "G", "C", "Am", "F", "G"]
HIGH_LEAD = [
    "e5 . g5 . c6 . . . g5 . e5 . g5 . . .",
    "a5 . . . e5 . . . c5 . e5 . a5 . . .",
    "f5 . a5 . c6 . . . a5 . f5 . a5 . c6 .",
    "b5 . . . g5 . . . d5 . . . g5 . b5 .",
    "c6 . . . b5 . c6 . e6 . . . d6 . c6 .",
    "a5 . . . c6 . . . e6 . . . d6 . c6 .",
    "a5 . c6 . f6 . . . e6 . d6 . c6 . a5 .",
    "b5 . . . . . . . d6 . . . b5 . g5 .",
]


def high_bar(song, b, pos):
    sym = HIGH_CHORDS[b]
    _lead(song, LEAD, pos, HIGH_LEAD[b])
    arp(song, BELL, pos, sym, 5, order=(0, 1, 2, 1), step=2, vel=0.8)
    pad(song, pos, sym, 4)
    bass(song, pos, sym, "octaves")
    beat(song, pos, "march", fill=(b == 7), crash=(b == 0))


def high_intro(song, i):
    sym = ["C", "G"][i]
    _lead(song, LEAD, i, ["c5 . e5 . g5 . c6 . . . . . g5 . c6 .", "e6 . . . . . . . d6 . . . . . - -"][i])
    pad(song, i, sym, 4)
    bass(song, i, sym, "half")
    song.drums(i, "snare", "x.x.x.x.x.xxx.x." if i == 0 else "x.......x.x.xxxx", 0.6)


HIGHSCORES = Tune("music_highscores", 135, HIGH_CHORDS, HIGH_LEAD, high_bar, [high_intro] * 2)

# -- game over: A minor, calm ------------------------------------------------

OVER_CHORDS = ["Am", "F", "C", "G", "Am", "F", "Dm", "E"]
OVER_LEAD = [
    "e5 . . . . . . . c5 . . . a4 . . .",
    "c5 . . . . . . . a4 . . . f4 . . .",
    "g4 . . . c5 . . . e5 . . . g5 . . .",
    "d5 . . . . . . . b4 . . . . . . .",
    "e5 . . . . . a5 . . . g5 . e5 . . .",
    "f5 . . . . . e5 . . . c5 . a4 . . .",
    "d5 . . . f5 . . . a5 . . . f5 . . .",
    "e5 . . . . . . . g#4 . . . b4 . . .",
]


def over_bar(song, b, pos):
    sym = OVER_CHORDS[b]
    _lead(song, LEAD_SOFT, pos, OVER_LEAD[b])
    arp(song, ARP, pos, sym, 4, order=(0, 1, 2, 3, 2, 1, 2, 3), step=2, vel=0.8)
    pad(song, pos, sym, 4)
    bass(song, pos, sym, "half")
    beat(song, pos, "soft")


def over_intro(song, i):
    sym = ["Am", "Am"][i]
    pad(song, i, sym, 4)
    arp(song, ARP, i, sym, 4, order=(0, 1, 2, 3, 2, 1, 2, 3), step=2, vel=0.5 + 0.2 * i)
    if i == 1:
        bass(song, i, sym, "whole")


GAMEOVER = Tune("music_gameover", 105, OVER_CHORDS, OVER_LEAD, over_bar, [over_intro] * 2)


def death():
    """A short falling lament; it ends in silence, so the game-over tune may
    follow it at once."""
    song = Song(90)
    _lead(song, LEAD_SOFT, 0, "e5 . . . d#5 . . . d5 . . . c#5 . . .")
    _lead(song, LEAD_SOFT, 1, "c5 . . . b4 . . . a4 . . . . . . .")
    pad(song, 0, "Am", 4, length=7)
    song.note(PAD, 8, 7, midi("d4"))
    song.note(PAD, 8, 7, midi("f4"))
    song.note(PAD, 8, 7, midi("a4"))
    pad(song, 1, "E", 3, length=7)
    song.note(PAD, 24, 8, midi("a3"))
    song.note(PAD, 24, 8, midi("c4"))
    song.note(PAD, 24, 8, midi("e4"))
    song.note(BASS, 0, 8, midi("a2"))
    song.note(BASS, 8, 8, midi("g2"))
    song.note(BASS, 16, 8, midi("f2"))
    song.note(BASS, 24, 8, midi("e2"))
    song.note(BASS, 32, 8, midi("a1"))
    song.drums(0, "tom", "x.......x.......", 0.7)
    song.drums(2, "tom", "x", 0.5)
    return song


TUNES = [TITLE, GAME_A, GAME_B, HIGHSCORES, GAMEOVER]


def render_tune(tune):
    """Returns (intro, loop, whole timeline, cut, loop samples). The cut
    lies in the last sixteenth before the loop's first downbeat, where the
    sound moves least, so the files start and end away from a drum hit."""
    song, I, L = tune.timeline()
    bar = song.bar_steps * song.step_s
    total = I + 3 * L
    W = song.render(0, total, echo=1.0)
    bs = int(round(bar * SR))
    assert abs(bar * SR - bs) < 1e-6, "a bar must be a whole number of samples"
    i0 = I * bs
    ln = L * bs
    step = int(round(song.step_s * SR))
    lo = i0 - step
    seg = W[lo - 1:i0 + 1]
    cost = np.abs(seg[1:-1] - seg[:-2]).sum(axis=1) + 0.25 * np.abs(seg[1:-1]).sum(axis=1)
    cut = lo + int(np.argmin(cost))
    intro = W[:cut]
    loop = W[cut + ln:cut + 2 * ln]
    return intro, loop, W, cut, ln


def render_death():
    song = death()
    W = song.render(0, 3, echo=1.0)
    k = int(0.6 * SR)
    W[-k:] *= np.linspace(1, 0, k)[:, None] ** 2
    return W
