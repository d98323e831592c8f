#!/usr/bin/python3
"""The real program played from outside, as a player meets it: real X key events (xdotool) into
its full-screen window on an X server of its own, what it played (OpenAL Soft's wave output),
what it logged and the files it left in its working directory; and the same under faults.
Usage: play_test.py PROGRAM DATA SCENARIO (the scenarios are listed at the end)."""
import array
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from xml.etree import ElementTree

from PIL import Image, ImageChops, ImageGrab, ImageStat

PROGRAM, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
# The wave output: a 68-byte header, then 44100 stereo 32-bit float frames a second, written as
# they are played.
RATE, WAV_HEADER, FRAME_BYTES = 44100, 68, 8
RUNS = []


def wait_for(condition, what, timeout=30):
    """Polls the condition until it holds and returns its value; fails after the timeout."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


def check(condition, message):
    if not condition:
        raise AssertionError(message)
    print("ok -", message)


def lock_holder(number):
    try:
        with open("/tmp/.X%d-lock" % number) as lock:
            return int(lock.read())
    except (OSError, ValueError):
        return None


def x_server():
    """An X server of its own and its display. It holds a lock file for its number (one that
    picks its own number holds none, and a later one can take its socket), from 400 on, clear
    of xvfb-run's; it does not reset when its last client leaves (a reset drops whoever
    connects meanwhile); a held key is one key press (no auto-repeat)."""
    for number in range(400, 600):
        if os.path.exists("/tmp/.X%d-lock" % number):
            continue
        display = ":%d" % number
        server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "+extension",
                                   "GLX", "-nolisten", "tcp", "-noreset", "-r"],
                                  stderr=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=display)
        while server.poll() is None:
            # Another test's server may have taken the number first: the lock tells whose it is.
            if lock_holder(number) == server.pid and subprocess.run(
                    ["xdotool", "getmouselocation"], env=env, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL).returncode == 0:
                return server, display
            time.sleep(0.05)
    raise AssertionError("no X server could start")


class Game:
    """One run of the program in a fresh working directory (or the one given) seeded with the
    files given, on an X server of its own: key events go to the window that has the focus, so
    no other test's window may take it."""

    def __init__(self, files=None, data=DATA, wav=False, directory=None, env=None):
        self.scratch = tempfile.mkdtemp(prefix="quellon-play-")
        self.dir = directory or os.path.join(self.scratch, "work")
        os.makedirs(self.dir, exist_ok=True)
        if not os.path.lexists(self.path("resources")):
            os.symlink(data, self.path("resources"))
        for name, text in (files or {}).items():
            with open(self.path(name), "wb") as f:
                f.write(text.encode() if isinstance(text, str) else text)
        self.x, display = x_server()
        # On the SDL 1.2 compatibility library, a full-screen window stays small without a
        # window manager, and SDL 2 would draw its picture scaled to the screen into it.
        self.env = dict(os.environ, DISPLAY=display, ALSOFT_DRIVERS="null",
                        SDL12COMPAT_OPENGL_SCALING="0")
        RUNS.append(self)
        if wav:
            self.wav = os.path.join(self.scratch, "out.wav")
            with open(os.path.join(self.scratch, "alsoft.conf"), "w") as f:
                f.write("[wave]\nfile=%s\n" % self.wav)
            self.env.update(ALSOFT_DRIVERS="wave", ALSOFT_CONF=f.name)
        self.out = os.path.join(self.scratch, "out.log")
        with open(self.out, "w") as out:
            self.process = subprocess.Popen([PROGRAM], cwd=self.dir, stdout=out,
                                            stderr=subprocess.STDOUT,
                                            env={**self.env, **(env or {})})
        self.window = None
        self.players = 1

    def path(self, name):
        return os.path.join(self.dir, name)

    def log(self):
        with open(self.out, errors="replace") as f:
            return f.read()

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True).stdout

    def key(self, *names):
        self.xdotool("key", "--delay", "100", *names)

    def hold(self, name, seconds):
        self.xdotool("keydown", name)
        time.sleep(seconds)
        self.xdotool("keyup", name)

    def screen(self):
        """What the X server shows of the window: SDL centres a full-screen picture smaller
        than the screen."""
        if not self.window:
            size = wait_for(lambda: dict(line.split("=") for line in self.xdotool(
                "search", "--name", "^Quellon$", "getwindowgeometry", "--shell").split()),
                "the window")
            w, h = int(size["WIDTH"]), int(size["HEIGHT"])
            root = ImageGrab.grab(xdisplay=self.env["DISPLAY"]).size
            x, y = (root[0] - w) // 2, (root[1] - h) // 2
            self.window = (x, y, x + w, y + h)
        return ImageGrab.grab(xdisplay=self.env["DISPLAY"]).crop(self.window)

    def wav_frames(self):
        """Frames written so far: a mark of the time in what was played."""
        return max(0, os.path.getsize(self.wav) - WAV_HEADER) // FRAME_BYTES

    def peaks(self, start, end):
        """The loudest sample of each 20 ms between two marks."""
        with open(self.wav, "rb") as f:
            f.seek(WAV_HEADER + start * FRAME_BYTES)
            samples = array.array("f", f.read((end - start) * FRAME_BYTES))
        block = RATE // 50 * 2
        return [max(map(abs, samples[i:i + block])) for i in range(0, len(samples), block)]

    def wait_exit(self):
        # Polled each millisecond: Popen.wait with a time-out sleeps up to 50 ms between polls.
        end = time.monotonic() + 30
        while self.process.poll() is None:
            if time.monotonic() > end:
                raise AssertionError("the program did not end")
            time.sleep(0.001)
        return self.process.returncode

    def close(self, remove):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.x.terminate()
        self.x.wait()
        if remove:
            if os.path.ismount(self.dir):
                subprocess.run(["umount", self.dir], check=True)
                os.rmdir(self.dir)
            shutil.rmtree(self.scratch)


# What the screen shows, told by a few pixels of the GUI's layout (window coordinates, y down).
PAUSE_MENU, CONTROLS, KEY_CAPTURE, NAME_ENTRY, QUIT = (244, 115, 256, 485), (44, 60, 56, 540), \
    (154, 240, 166, 360), (176, 240, 188, 360), (244, 320, 256, 420)


def panel_shown(image, box):
    """The GUI's panel fills the strip: an even dark blue, not the black of space."""
    stat = ImageStat.Stat(image.crop(box))
    r, g, b = stat.mean[:3]
    return 25 < b < 70 and b > r + 12 and max(stat.stddev[:3]) < 16


def menu_ready(image):
    """The images have loaded: the credits panel gave way to the main menu, with the focus (an
    amber frame) on "Single Player A"."""
    r, _, b = ImageStat.Stat(image.crop((262, 241, 538, 271))).mean[:3]
    return not panel_shown(image, (154, 245, 166, 495)) and r > b + 30


def ships(image):
    """The middles of player 1's red and player 2's blue stripes below the HUD (or None).
    Explosions have reds too, but with far less blue than green."""
    found = []
    below = image.crop((0, 170, image.width, image.height))
    for stripe in (lambda r, g, b: r > 150 and 25 <= b < 100 and abs(g - b) <= 20,
                   lambda r, g, b: b > 200 and r < 100 and g < 150):
        points = [i for i, pixel in enumerate(below.getdata()) if stripe(*pixel[:3])]
        middle = lambda values: sorted(values)[len(values) // 2]
        found.append(points and (middle([i % below.width for i in points]),
                                 170 + middle([i // below.width for i in points])))
    return found


class ShipLost(Exception):
    """Asteroids are random: a ship hit before the checks were done is chance, not a fault."""


def alive(game):
    """The ships' places; raises ShipLost when one is gone."""
    found = ships(game.screen())
    if not all(found[:game.players]):
        raise ShipLost()
    return found


def start(game, downs=0):
    """From the title screen, once the images have loaded, into the mode `downs` rows below
    "Single Player A"; returns when the ships show."""
    wait_for(lambda: menu_ready(game.screen()), "the main menu")
    game.key(*["Down"] * downs, "Return")
    wait_for(lambda: all(ships(game.screen())[:game.players]), "the ships")


def pause(game):
    """Esc pauses the game; the ship stays in sight below the menu, unless it was lost."""
    game.key("Escape")

    def state():
        image = game.screen()
        return "paused" if panel_shown(image, PAUSE_MENU) else not ships(image)[0] and "lost"

    if wait_for(state, "the pause menu") == "lost":
        raise ShipLost()


def quit_by_panel(game):
    """Back to the main menu, then Quit: Yes; the exit status."""
    game.key("Escape")
    wait_for(lambda: menu_ready(game.screen()), "the main menu")
    game.key("Escape")
    wait_for(lambda: panel_shown(game.screen(), QUIT), "the quit panel")
    game.key("Left", "Return")
    return game.wait_exit()


def lasers_heard(game, key):
    """Holds the key for 2 s (a shot at once, then one each 0.5 s) and counts the sounds that
    start: 20 ms 4 times louder than the 20 ms before (a laser starts even in an explosion's
    tail)."""
    start = game.wav_frames() - RATE // 10  # the file lags what was mixed by a buffer
    game.hold(key, 2)
    time.sleep(0.3)
    peaks = game.peaks(start, game.wav_frames())
    alive(game)
    return sum(p > 0.03 and p > 4 * q for q, p in zip([0] + peaks, peaks))


def xml(path):
    return ElementTree.parse(path).getroot()


def highscores_xml(rows):
    entries = "".join('<entry name="%s" score="%d"/>' % row for row in rows)
    return "<highscores>%s</highscores>" % "".join(
        "<%s>%s</%s>" % (t, entries, t) for t in ("singleA", "singleB", "multi"))


def table(path):
    return [(e.get("name"), int(e.get("score"))) for e in xml(path).find("singleA")]


def complete_settings(path):
    root = xml(path)
    return root.find("screen") is not None and root.find("sound") is not None and \
        [c.get("name") for c in root.iter("controls")] == ["single", "multi 1", "multi 2"]


def fire_keys(path):
    single = [c for c in xml(path).iter("controls") if c.get("name") == "single"][0]
    fire = [t for t in single if t.get("name") == "fire"][0]
    return [k.get("key") for k in fire.iter("keyTranslator")]


def screenshot(path):
    """The PNG once it is completely written."""
    try:
        with Image.open(path) as image:
            return image.convert("RGB")
    except (OSError, SyntaxError):
        return None


MUSIC_OFF = '<settings><sound volumeSfx="100" volumeMusic="0"/></settings>'


def play_single():
    scores = [("Ann", 5000), ("Bob", 4000), ("Cyd", 3000), ("Dee", 20), ("Eve", 10)] + \
        [("Low%d" % i, 0) for i in range(5)]
    game = Game(wav=True, files={"settings.xml": MUSIC_OFF,
                                 "highscores.xml": highscores_xml(scores)})
    # The first asteroids take 2 s to come down: the checks that need the ship come first.
    start(game)
    time.sleep(0.5)
    check(max(game.peaks(game.wav_frames() - RATE // 4, game.wav_frames())) < 1e-3,
          "nothing plays before the player fires (music off)")
    heard = lasers_heard(game, "space")
    check(heard >= 3, "holding Space for 2 s plays the laser at each shot (%d sounds)" % heard)

    pause(game)
    game.key("F12")
    shot = wait_for(lambda: screenshot(game.path("screenshot.png")), "screenshot.png")
    shown = game.screen()
    check(shot.size == shown.size == (800, 600), "F12 saves a picture of the window's size")
    check(len(shot.getcolors(1 << 16) or range(1 << 16)) > 100, "the picture is not one colour")
    differing = sum(v > 24 for v in ImageChops.difference(shot, shown).convert("L").getdata())
    check(differing < 800 * 6, "it is what the screen shows (%d pixels differ)" % differing)

    game.key("Down", "Down", "Return")
    wait_for(lambda: panel_shown(game.screen(), CONTROLS), "the controls window")
    game.key(*["Down"] * 4, "Return")
    wait_for(lambda: panel_shown(game.screen(), KEY_CAPTURE), "the key capture")
    game.key("v", *["Down"] * 4, "Return")
    wait_for(lambda: not panel_shown(game.screen(), CONTROLS), "the pause menu again")
    game.key("Escape")
    wait_for(lambda: not panel_shown(game.screen(), PAUSE_MENU), "the game to continue")
    heard = lasers_heard(game, "v")
    check(heard >= 3, "after Fire is bound to V in the pause menu, V fires (%d sounds)" % heard)

    # Up into the asteroids, firing, until the ship is hit with a score; a game lost without
    # one starts again while fire is held.
    game.xdotool("keydown", "v", "keydown", "Up")
    for i in range(200):
        game.hold(("Left", "Right")[i // 2 % 2], 0.4)
        if panel_shown(game.screen(), NAME_ENTRY):
            break
    game.xdotool("keyup", "v", "keyup", "Up")
    check(panel_shown(game.screen(), NAME_ENTRY), "a score above the lowest row asks for a name")
    # Fire may have been pressed into the name field: a player deletes that.
    game.key(*["BackSpace"] * 17)
    game.xdotool("type", "--delay", "80", "Tester")
    game.key("Return")
    saved = wait_for(lambda: [s for name, s in table(game.path("highscores.xml"))
                              if name == "Tester"], "the name in highscores.xml")
    row = sum(s >= saved[0] for _, s in scores)
    check(table(game.path("highscores.xml")) ==
          (scores[:row] + [("Tester", saved[0])] + scores[row:])[:10],
          "the name is saved at row %d with its score %d, the rows below move down"
          % (row + 1, saved[0]))

    check(quit_by_panel(game) == 0, "the quit panel ends the program with status 0")
    check(complete_settings(game.path("settings.xml")), "it leaves a complete settings.xml")
    check(fire_keys(game.path("settings.xml")) == ["v"],
          "settings.xml holds V, not Space, for the single player's fire")


def play_multi():
    game = Game(files={"settings.xml": MUSIC_OFF})
    game.players = 2
    start(game, downs=2)
    before = alive(game)
    check(before[0][0] > 400 > before[1][0], "player 1's ship is on the right, player 2's left")
    # Both fire all along: their lasers clear the asteroids above them.
    game.xdotool("keydown", "Control_R", "keydown", "Control_L")
    for key, moving, dx, dy in [("a", 1, -1, 0), ("Left", 0, -1, 0), ("w", 1, 0, -1),
                                ("Up", 0, 0, -1), ("d", 1, 1, 0), ("Right", 0, 1, 0),
                                ("s", 1, 0, 1), ("Down", 0, 0, 1)]:
        game.hold(key, 0.3)
        time.sleep(0.1)
        after = alive(game)
        moved = [(a[0] - b[0], a[1] - b[1]) for a, b in zip(after, before)]
        mx, my = moved[moving]
        # A ship moves some 100 px; an explosion's glow on a ship shifts its stripes a little.
        check(mx * dx + my * dy > 50 and max(map(abs, moved[1 - moving])) < 20,
              "%s moves player %d's ship only %s" % (key, moving + 1, moved))
        before = after
    game.xdotool("keyup", "Control_R", "keyup", "Control_L")

    # How fast it ends is timed by the program's own tests, with nothing running beside.
    game.process.send_signal(signal.SIGTERM)
    check(game.wait_exit() == 0, "SIGTERM ends it with status 0")
    check(complete_settings(game.path("settings.xml")), "it leaves a complete settings.xml")


# Faults. The file systems are mounted in a mount namespace of the test's own, so that nothing
# stays mounted after it.
SETTINGS = b"""<?xml version="1.0" encoding="ISO-8859-1" ?>
<settings>
 <screen fullscreen="true" xRes="800" yRes="600"/>
 <sound volumeMusic="0" volumeSfx="55"/>
</settings>
"""
SCORES = highscores_xml([("Kept", 900 - 10 * i) for i in range(10)]).encode()


def tmpfs(size, files):
    directory = tempfile.mkdtemp(prefix="quellon-fs-")
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", directory],
                   check=True)
    os.symlink(DATA, os.path.join(directory, "resources"))
    for name, data in files.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)
    return directory


def contents(directory):
    return {name: open(os.path.join(directory, name), "rb").read()
            for name in os.listdir(directory) if name != "resources"}


def play_abort_and_quit(game):
    """A player starts a game, takes a screenshot, aborts the game and quits."""
    start(game)
    game.key("F12")
    pause(game)
    game.key(*["Down"] * 6, "Return")
    wait_for(lambda: not panel_shown(game.screen(), PAUSE_MENU), "the game over page")
    return quit_by_panel(game)


def faults_read_only():
    directory = tmpfs("1m", {"settings.xml": SETTINGS})
    subprocess.run(["mount", "-o", "remount,ro", directory], check=True)
    game = Game(directory=directory)
    check(play_abort_and_quit(game) == 0,
          "in a read-only directory the game starts, plays and quits with status 0")
    for what in ("the settings", "highscores", "the screenshot"):
        check("(error) Could not save " + what in game.log(),
              "it reports that it could not save " + what)
    check(contents(directory) == {"settings.xml": SETTINGS}, "nothing is written there")


def faults_full_disk():
    directory = tmpfs("64k", {"settings.xml": SETTINGS, "highscores.xml": SCORES})
    try:
        with open(os.path.join(directory, "filler"), "wb") as f:
            while True:
                f.write(b"x" * 4096)
                f.flush()
    except OSError:
        pass
    before = contents(directory)
    game = Game(directory=directory)
    check(play_abort_and_quit(game) == 0, "on a full disk the game plays and quits with status 0")
    for what in ("the settings", "highscores", "the screenshot"):
        check("(error) Could not save " + what in game.log(),
              "it reports that it could not save " + what)
    check(contents(directory) == before,
          "settings.xml and highscores.xml are intact, nothing else is left there")


def faults_corrupt():
    game = Game(files={"settings.xml": SETTINGS[:90], "highscores.xml": b"<highscores><sin\x01"})
    wait_for(lambda: menu_ready(game.screen()), "the main menu")
    for what in ("settings", "highscores"):
        check("(warning) Could not load %s: " % what in game.log(),
              "a truncated or corrupt %s.xml is reported" % what)
    check(open(game.path("settings.xml"), "rb").read() == SETTINGS[:90],
          "the broken settings.xml stays until a complete one replaces it")
    check(play_abort_and_quit(game) == 0, "the game plays and quits with status 0")
    check(complete_settings(game.path("settings.xml")) and
          xml(game.path("settings.xml")).find("sound").get("volumeSfx") == "70",
          "settings.xml is replaced by a complete one with the defaults")
    check(table(game.path("highscores.xml"))[0] == ("-" * 17, 100000),
          "highscores.xml is replaced by a complete one with the default tables")


def faults_missing():
    for folder, name in (("images_game", "asteroidSmall_07.png"), ("sounds", "laser.ogg")):
        # The data set linked file by file, less one.
        data = tempfile.mkdtemp(prefix="quellon-data-")
        for entry in os.listdir(DATA):
            if entry != folder:
                os.symlink(os.path.join(DATA, entry), os.path.join(data, entry))
        os.mkdir(os.path.join(data, folder))
        for entry in set(os.listdir(os.path.join(DATA, folder))) - {name}:
            os.symlink(os.path.join(DATA, folder, entry), os.path.join(data, folder, entry))
        game = Game(data=data)
        status = game.wait_exit()
        shutil.rmtree(data)
        check(status == 1 and "%s/%s" % (folder, name) in game.log(),
              "a data set without %s/%s ends the start with status 1, naming it" % (folder, name))


SCENARIOS = {"single": play_single, "multi": play_multi, "read-only": faults_read_only,
             "full-disk": faults_full_disk, "corrupt": faults_corrupt, "missing": faults_missing}

if __name__ == "__main__":
    if sys.argv[3] in ("read-only", "full-disk") and "QUELLON_PLAY_MOUNTS" not in os.environ:
        # Mounting needs a mount namespace (and, for a user other than root, a user namespace).
        os.environ["QUELLON_PLAY_MOUNTS"] = "1"
        user = [] if os.geteuid() == 0 else ["--map-root-user"]
        os.execvp("unshare", ["unshare", "--mount", "--propagation", "private", *user,
                              sys.executable, *sys.argv])
    for attempt in range(3):
        try:
            SCENARIOS[sys.argv[3]]()
            break
        except ShipLost:
            print("- a ship was hit before the checks were done: a new run")
            for run in RUNS:
                run.close(True)
            RUNS.clear()
        except AssertionError as failure:
            for run in RUNS:
                print("--- the log of the run in %s (status %s, display %s):\n%s" % (
                    run.dir, run.process.poll(), run.env["DISPLAY"], run.log()))
                if run.process.poll() is None and run.window:
                    run.screen().save(os.path.join(run.scratch, "screen.png"))
                    print("--- the screen:", os.path.join(run.scratch, "screen.png"))
                run.close(False)
            sys.exit("FAILED: %s" % failure)
    else:
        sys.exit("FAILED: a ship was hit before the checks were done in each of 3 runs")
    for run in RUNS:
        run.close(True)
