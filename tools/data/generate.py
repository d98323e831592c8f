#!/usr/bin/python3
"""Makes the game's data directory from code: pictures, font glyphs,
sounds, music and the XML descriptions entered through resources.xml.

    /usr/bin/python3 tools/data/generate.py [--out DIR] [--only PART]

Every run gives the same bytes. The result is checked before it replaces
the old directory: sizes the game's rules need, font widths, sample peaks
and loop seams."""

import argparse
import os
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # leave no caches in the source tree

import numpy as np  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from qdata import art, audio, font, gui, inputs, music, sfx  # noqa: E402
from qdata.xmlout import E, write_xml  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.normpath(os.path.join(HERE, "..", "..", "resources"))
MAX_TOTAL = 15 * 1024 * 1024

FONTS = [
    # dir, family, size (the game's key), file, pixel size, characters
    # Standard draws the names: the name field and the high-score tables
    ("standard", "Standard", 33, "DejaVuSansCondensed-Bold.ttf", 21, font.LATIN1),
    ("small", "Small", 20, "DejaVuSansCondensed-Bold.ttf", 15, font.ASCII),
]

SOUND_NAMES = ["explosion", "laser", "ping", "extra", "timewarp", "menu_move", "menu_click"]


class Checks:
    def __init__(self):
        self.failed = []

    def ok(self, cond, text):
        if not cond:
            self.failed.append(text)
            print("CHECK FAILED: " + text)


def log(text):
    print("[%6.1fs] %s" % (time.time() - START, text), flush=True)


def make_fonts(out, checks):
    metrics = {}
    for d, family, size, ttf, px, codes in FONTS:
        m = font.build(os.path.join(out, "fonts", d), family, size, ttf, px,
                       "%s %d: %s at %d px" % (family, size, ttf, px), codes)
        metrics[family] = m
        for code, (top, bottom) in sorted(m["ink"].items()):
            checks.ok(-top <= m["asc"] and bottom <= m["desc"],
                      "%s glyph %d leaves its cell (%d above, %d below the baseline)" % (family, code, -top, bottom))
        w, h = m["sheet"]
        checks.ok(len(m["lines"]) * (m["height"] + font.PAD) <= h,
                  "%s glyphs overflow the %d x %d sheet" % (family, w, h))
    std = metrics["Standard"]
    w = font.text_width(std, "-" * 17) + font.text_width(std, "000000")
    checks.ok(w < 230, "17 dashes and six digits take %d px, not under 230" % w)
    # the name column of the tables: the name at x - 100, a score right-justified at x + 130
    widest = max(std["widths"].values())
    w = gui.NAME_LENGTH * widest + font.text_width(std, "9999999")
    checks.ok(w <= 226, "%d of the widest glyph and seven digits take %d px, not 226 or less" % (gui.NAME_LENGTH, w))
    checks.ok(std["height"] < 30, "Standard line height %d is not under 30" % std["height"])
    return metrics


def make_sounds(out, checks):
    els = []
    report = []
    for name in SOUND_NAMES:
        maker, peak_db = sfx.SOUNDS[name]
        x = maker()
        x = x / np.abs(x).max() * 10 ** (peak_db / 20.0)
        for _ in range(4):
            dec = audio.encode(x, os.path.join(out, "sounds", name + ".ogg"), name)
            peak = np.abs(dec).max()
            if peak < 10 ** (-0.3 / 20):
                break
            x = x * 0.93
        checks.ok(peak < 1.0, "sound %s peaks at %.2f dBFS" % (name, audio.db(peak)))
        checks.ok(dec.ndim == 1, "sound %s is not mono" % name)
        report.append((name, len(x) / audio.SR, audio.db(peak)))
        els.append(E("sample", name=name, filename=name + ".ogg", priority=0))
    return els, report


def make_music(out, checks):
    els = []
    report = []
    target = 10 ** (-1.5 / 20.0)
    for tune in music.TUNES:
        log("music " + tune.name)
        intro, loop, W, cut, ln = music.render_tune(tune)
        gain = target / np.abs(W[:cut + 2 * ln]).max()
        for _ in range(4):
            di = audio.encode(intro * gain, os.path.join(out, "music", tune.name + "_intro.ogg"), tune.name + "_intro")
            dl = audio.encode(loop * gain, os.path.join(out, "music", tune.name + "_loop.ogg"), tune.name + "_loop")
            peak = max(np.abs(di).max(), np.abs(dl).max())
            if peak < 10 ** (-0.3 / 20):
                break
            gain *= 0.93
        checks.ok(peak < 1.0, "%s peaks at %.2f dBFS" % (tune.name, audio.db(peak)))
        checks.ok(len(dl) == len(loop) and len(di) == len(intro), "%s decodes to another length" % tune.name)
        # the joins, decoded, against the continuous performance: intro into
        # loop, and the loop's end into its own start
        w = 512
        ideal_in = W[cut - w:cut + w] * gain
        ideal_wrap = W[cut + 2 * ln - w:cut + 2 * ln + w] * gain
        e_in = audio.seam_error(di, dl, ideal_in, w)
        e_wrap = audio.seam_error(dl, dl, ideal_wrap, w)
        e_codec = audio.codec_error(dl, loop * gain)
        checks.ok(e_wrap <= 2 * e_codec, "%s loop seam error %.4f (coding error %.4f)" % (tune.name, e_wrap, e_codec))
        checks.ok(e_in <= 2 * e_codec, "%s intro seam error %.4f (coding error %.4f)" % (tune.name, e_in, e_codec))
        j1, j2 = e_wrap / e_codec, e_in / e_codec
        # level and slope across the loop's own join, against a typical step
        typ = np.percentile(np.abs(np.diff(dl, axis=0)), 99)
        jump = np.abs(dl[0] - dl[-1]).max() / typ
        bend = np.abs((dl[1] - dl[0]) - (dl[-1] - dl[-2])).max() / typ
        # before encoding the cut is exact: the middle repetition equals
        # the first, which follows the intro
        exact = np.abs(W[cut:cut + ln] - W[cut + ln:cut + 2 * ln]).max()
        checks.ok(exact < 1e-9, "%s repetitions differ by %g" % (tune.name, exact))
        report.append((tune.name, len(intro) / audio.SR, len(loop) / audio.SR, audio.db(peak), j1, j2, jump, bend))
        els.append(E("stream", name=tune.name + "_intro", filename=tune.name + "_intro.ogg"))
        els.append(E("stream", name=tune.name + "_loop", filename=tune.name + "_loop.ogg", loop=True))
    log("music music_death")
    d = music.render_death()
    gain = target / np.abs(d).max()
    dd = audio.encode(d * gain, os.path.join(out, "music", "music_death.ogg"), "music_death")
    peak = np.abs(dd).max()
    checks.ok(peak < 1.0, "music_death peaks at %.2f dBFS" % audio.db(peak))
    checks.ok(np.abs(dd[-64:]).max() < 1e-3, "music_death does not end in silence")
    report.append(("music_death", len(d) / audio.SR, None, audio.db(peak), None, None, None, None))
    # keep the game's order of tracks
    order = ["music_title_intro", "music_title_loop", "music_game_a_intro", "music_game_a_loop",
             "music_game_b_intro", "music_game_b_loop", "music_death", "music_highscores_intro",
             "music_highscores_loop", "music_gameover_intro", "music_gameover_loop"]
    death = E("stream", name="music_death", filename="music_death.ogg")
    byname = {dict(e.attrs)["name"]: e for e in els}
    byname["music_death"] = death
    return [byname[n] for n in order], report


def check_layout(desc, checks):
    """Panels fit their bands at 800 x 600 with their 16-pixel frames."""
    band = {"pMainMenu", "pSettings", "pCredits", "pSoundSettings", "pQuit"}
    for el, depth in gui.walk(desc):
        if el.name != "Pane":
            continue
        a = dict(el.attrs)
        area = gui.BAND_H if a["name"] in band else gui.SCREEN_H
        checks.ok(a["height"] + 32 <= area, "%s (%d high) does not fit %d" % (a["name"], a["height"], area))
        checks.ok(a["width"] + 32 <= gui.SCREEN_W, "%s is too wide" % a["name"])
        for c in el.children:
            if isinstance(c, str):
                continue
            ca = dict(c.attrs)
            if not ca.get("visible", True) and c.name == "Button":
                continue
            checks.ok(ca["x"] >= 0 and ca["y"] >= 0 and ca["x"] + ca["width"] <= a["width"]
                      and ca["y"] + ca["height"] <= a["height"], "%s leaves %s" % (ca["name"], a["name"]))


def total_size(path):
    tot, files = 0, []
    for root, _, names in os.walk(path):
        for n in sorted(names):
            p = os.path.join(root, n)
            s = os.path.getsize(p)
            tot += s
            files.append((os.path.relpath(p, path), s))
    return tot, sorted(files)


def main():
    global START
    START = time.time()
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", default=DEFAULT_OUT)
    args = ap.parse_args()
    final = os.path.abspath(args.out)
    out = os.path.join(tempfile.mkdtemp(prefix="quellon-data-"), "resources")
    os.makedirs(out)
    checks = Checks()

    log("fonts")
    make_fonts(out, checks)
    log("game images")
    game, anims = art.game_images(os.path.join(out, "images_game"), log)
    log("HUD images")
    hudb = art.hud_images(os.path.join(out, "images_hud"))
    log("GUI images")
    guib = art.gui_images(os.path.join(out, "images_gui"))
    log("sounds")
    sound_els, sound_report = make_sounds(out, checks)
    music_els, music_report = make_music(out, checks)

    log("descriptions")
    desc = gui.description()
    check_layout(desc, checks)
    root = E("resources")
    root.add("input evaluators first: the GUI names their triggers")
    root.add(inputs.evaluators())
    root.add(E("fonts", dict(name="fonts", dir="fonts/"), [E("bitmapfont", dir=d + "/") for d, *_ in FONTS]))
    root.add(E("images", dict(name="imagesGui", dir="images_gui/"), guib.elements))
    root.add(E("images", dict(name="imagesHud", dir="images_hud/"), hudb.elements))
    root.add(E("images", dict(name="imagesGame", dir="images_game/"), game.elements))
    root.add(E("animations", dict(name="animationsGame", imageBank="imagesGame"), anims.elements))
    root.add(desc)
    root.add(E("samples", dict(name="sounds", dir="sounds/"), sound_els))
    root.add(E("samples", dict(name="music", dir="music/"), music_els))
    write_xml(os.path.join(out, "resources.xml"), root)
    write_xml(os.path.join(out, "controls.xml"), inputs.default_controls())

    tot, files = total_size(out)
    checks.ok(tot < MAX_TOTAL, "the data set takes %d bytes" % tot)
    if checks.failed:
        print("%d checks failed; %s left for inspection, %s unchanged" % (len(checks.failed), out, final))
        sys.exit(1)
    if os.path.exists(final):
        shutil.rmtree(final)
    shutil.move(out, final)
    os.rmdir(os.path.dirname(out))
    log("done: %d files, %.2f MB in %s" % (len(files), tot / 1048576.0, final))
    for name, sec, pk in sound_report:
        print("  sound %-11s %5.2f s  peak %6.2f dBFS" % (name, sec, pk))
    for name, si, sl, pk, s1, s2, jump, bend in music_report:
        if sl is None:
            print("  music %-17s %5.2f s, peak %6.2f dBFS, ends in silence" % (name, si, pk))
            continue
        print("  music %-17s intro %5.2f s  loop %5.2f s  peak %6.2f dBFS  join error / coding error: loop %.2f, "
              "intro %.2f; loop end to start: step %.2f, slope change %.2f (of a typical step)"
              % (name, si, sl, pk, s1, s2, jump, bend))


START = time.time()

if __name__ == "__main__":
    main()
