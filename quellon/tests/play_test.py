#!/usr/bin/python3
"""The real program played from outside: X key and pointer events (XTest) into its
full-screen window on an X server of its own, what it played (OpenAL Soft's wave output), logged
and left in its working directory; and the same under faults. Usage: play_test.py PROGRAM DATA
SCENARIO."""
import ctypes
import faulthandler
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from xml.etree import ElementTree

import numpy
from PIL import Image, ImageChops, ImageGrab, ImageStat

# A crash in a library call through ctypes (Xlib's) leaves the test's stack in its output.
faulthandler.enable()
PROGRAM, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
# The wave output: a 68-byte header, then 44100 stereo 32-bit float frames a second.
RATE, WAV_HEADER, FRAME_BYTES = 44100, 68, 8
# Strips of the GUI's panels (window coordinates, y down).
PAUSE_MENU, CONTROLS, KEY_CAPTURE, NAME_ENTRY, QUIT, CREDITS, SOUND = (244, 115, 256, 485), \
    (44, 60, 56, 540), (154, 240, 166, 360), (176, 240, 188, 360), (244, 320, 256, 420), \
    (154, 245, 166, 495), (144, 280, 156, 460)
# The left of the name entry's text field, where the first letters and the text cursor stand.
NAME_TEXT = (212, 289, 330, 321)
MUSIC_OFF = '<settings><sound volumeSfx="100" volumeMusic="0"/></settings>'
SETTINGS = b"""<?xml version="1.0" encoding="ISO-8859-1" ?>
<settings>
 <screen fullscreen="true" xRes="800" yRes="600"/>
 <sound volumeMusic="0" volumeSfx="55"/>
</settings>
"""
RUNS = []
# The recording the count of laser sounds is tried on, and the laser it was made with.
HERE = os.path.dirname(os.path.abspath(__file__))
EXCERPT = os.path.join(HERE, "data", "lasers-into-an-explosion.wav")
LASER = os.path.join(HERE, "..", "..", "resources", "sounds", "laser.ogg")
# The exit status of a test this machine cannot run.
SKIPPED = 77
# Window boxes of buttons: the main menu's first two, "Settings", "Credits" and "Quit", the quit
# panel's "Yes" and "No", and the part of the settings' "Done" below the main menu's "Quit".
SINGLE_A, SINGLE_B, MENU_SETTINGS, CREDITS_BUTTON, MENU_QUIT, QUIT_YES, QUIT_NO, SETTINGS_DONE = \
    (262, 241, 538, 271), (262, 287, 538, 317), (262, 379, 538, 409), (262, 425, 538, 455), \
    (262, 471, 538, 501), (268, 379, 384, 409), (416, 379, 532, 409), (262, 507, 538, 519)

XLIB = ctypes.CDLL("libX11.so.6")
XLIB.XOpenDisplay.restype = ctypes.c_void_p
XLIB.XOpenDisplay.argtypes = [ctypes.c_char_p]
XLIB.XCloseDisplay.argtypes = [ctypes.c_void_p]
XLIB.XStringToKeysym.restype = ctypes.c_ulong
XLIB.XStringToKeysym.argtypes = [ctypes.c_char_p]
XLIB.XKeysymToKeycode.restype = ctypes.c_ubyte
XLIB.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
XLIB.XDefaultRootWindow.restype = ctypes.c_ulong
XLIB.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
XLIB.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_int, ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong,
                              ctypes.c_ulong]
XLIB.XFlush.argtypes = [ctypes.c_void_p]
XLIB.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
XLIB.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                  ctypes.POINTER(ctypes.c_int)]
XLIB.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
XLIB.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                     ctypes.POINTER(ctypes.c_int)]
XLIB.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                        ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
XLIB.XFree.argtypes = [ctypes.c_void_p]
# The game's own decoder, for the samples it plays.
VORBIS = ctypes.CDLL("libvorbisfile.so.3")
VORBIS.ov_fopen.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
VORBIS.ov_info.restype = ctypes.POINTER(ctypes.c_int)
VORBIS.ov_info.argtypes = [ctypes.c_void_p, ctypes.c_int]
VORBIS.ov_read.restype = ctypes.c_long
VORBIS.ov_read.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_int,
                           ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
VORBIS.ov_clear.argtypes = [ctypes.c_void_p]
XTEST = ctypes.CDLL("libXtst.so.6")
XTEST.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
XTEST.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_ulong]
XTEST.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]


def decoded(path):
    """An Ogg Vorbis file's samples, its channels mixed into one."""
    # Room for an OggVorbis_File, which is under 1 KB.
    handle, chunk, section = ctypes.create_string_buffer(4096), ctypes.create_string_buffer(
        1 << 16), ctypes.c_int()
    if VORBIS.ov_fopen(path.encode(), handle):
        raise AssertionError("the test could not decode " + path)
    channels, data = VORBIS.ov_info(handle, -1)[1], bytearray()
    while (got := VORBIS.ov_read(handle, chunk, len(chunk), 0, 2, 1, ctypes.byref(section))) > 0:
        data += chunk.raw[:got]
    VORBIS.ov_clear(handle)
    return numpy.frombuffer(bytes(data), "<i2").reshape(-1, channels).mean(axis=1) / 32768


def read_frames(path, start=0, end=None):
    """The stereo frames of OpenAL Soft's wave output between two marks."""
    count = -1 if end is None else 2 * (end - start)
    return numpy.fromfile(path, "<f4", count, offset=WAV_HEADER + start * FRAME_BYTES) \
        .reshape(-1, 2)


def laser_sounds(frames, laser):
    """How often the laser's sample starts in stereo frames, whatever else sounds with it. At
    each moment, the least-squares level of the sample in the two channels together (their dot
    product with it, over its own) is the level it started at there: 0.8 at full effects volume
    with the ship in the middle of the screen, even where an explosion starts with it or rumbles
    on. Other sounds make next to none: an explosion played as loud makes 0.12, a pick-up 0.23.
    Each start is the highest level above 0.35 a sample's length apart from a higher one. A
    laser that makes no sound is never found."""
    played, energy = frames.sum(axis=1), float(laser @ laser)
    if not energy or not len(played):
        return 0
    size = 1 << (len(played) + len(laser)).bit_length()
    level = numpy.fft.irfft(numpy.fft.rfft(played, size) * numpy.conj(numpy.fft.rfft(laser, size)),
                            size)[:len(played)] / energy
    starts = []
    for i in sorted(numpy.flatnonzero(level > 0.35), key=lambda i: -level[i]):
        if all(abs(i - j) >= len(laser) for j in starts):
            starts.append(i)
    return len(starts)


class ShipLost(Exception):
    """Asteroids are random: a ship hit before the checks were done is chance, not a fault."""


def wait_for(condition, what, timeout=30, fail=True):
    """The condition's value once it holds; after the timeout a failure, or None if asked."""
    end = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > end:
            if not fail:
                return None
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)
    return value


def check(condition, message):
    if not condition:
        raise AssertionError(message)
    print("ok -", message)


def write(directory, files):
    for name, data in files.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data.encode() if isinstance(data, str) else data)


def highscores_xml(rows):
    entries = "".join('<entry name="%s" score="%d"/>' % row for row in rows)
    return "<highscores>%s</highscores>" % "".join(
        "<%s>%s</%s>" % (t, entries, t) for t in ("singleA", "singleB", "multi"))


def x_server(log):
    """An X server and its display, from :400 on, clear of xvfb-run's. Its lock file tells
    whose the number is (a server left to pick its own holds none, and a later one can take
    its socket); -noreset keeps it up when its last client leaves (a reset drops whoever
    connects meanwhile); -r makes a held key one key press. What the servers tried said goes
    into the log file given."""
    for number in range(400, 600):
        lock, display = "/tmp/.X%d-lock" % number, ":%d" % number
        if os.path.exists(lock):
            continue
        with open(log, "ab") as errors:
            server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24",
                                       "+extension", "GLX", "-nolisten", "tcp", "-noreset", "-r"],
                                      stderr=errors)
        while server.poll() is None:
            try:
                with open(lock) as f:
                    ours = int(f.read()) == server.pid
            except (OSError, ValueError):
                ours = False
            if ours and subprocess.run(["xdotool", "getmouselocation"], capture_output=True,
                                       env=dict(os.environ, DISPLAY=display)).returncode == 0:
                return server, display
            time.sleep(0.05)
    with open(log, errors="replace") as errors:
        raise AssertionError("no X server could start; the last said:\n" +
                             "\n".join(errors.read().splitlines()[-15:]))


def add_key(display, name, instead):
    """Puts a key symbol on the key of another, as a keyboard layout with that letter has it
    (xdotool's own mapping of a missing letter, undone at once, races the program; SDL 2 drops
    the keys of key codes it has no scan code for)."""
    low, high, per = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    XLIB.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
    symbols = XLIB.XGetKeyboardMapping(display, low.value, high.value - low.value + 1,
                                       ctypes.byref(per))
    old = XLIB.XStringToKeysym(instead.encode())
    code = next(low.value + i for i in range(high.value - low.value + 1)
                if symbols[i * per.value] == old)
    XLIB.XFree(symbols)
    XLIB.XChangeKeyboardMapping(display, code, 1,
                                (ctypes.c_ulong * 1)(XLIB.XStringToKeysym(name.encode())), 1)
    XLIB.XFlush(display)


def highlighted(image, box):
    """The amber focus frame on a button, not its blue."""
    r, _, b = ImageStat.Stat(image.crop(box)).mean[:3]
    return r > b + 30


def panel_shown(image, box):
    """A panel fills the strip: an even dark blue, not the black of space."""
    stat = ImageStat.Stat(image.crop(box))
    r, g, b = stat.mean[:3]
    return 25 < b < 70 and b > r + 12 and max(stat.stddev[:3]) < 16


def ships(image):
    """The middles of player 1's red and player 2's blue stripes below the HUD (falsy when
    not seen). Explosions have reds too, but with far less blue than green. Every other pixel
    of every other row is enough, and four times as fast: on a busy machine a slow look keeps
    the ships longer among the asteroids."""
    below = image.crop((0, 170, image.width, image.height))
    below = below.resize((below.width // 2, below.height // 2), Image.NEAREST)
    w = below.width
    middle = lambda values: sorted(values)[len(values) // 2]
    found = []
    for stripe in (lambda r, g, b: r > 150 and 25 <= b < 100 and abs(g - b) <= 20,
                   lambda r, g, b: b > 200 and r < 100 and g < 150):
        points = [i for i, pixel in enumerate(below.getdata()) if stripe(*pixel[:3])]
        found.append(points and (2 * middle([i % w for i in points]),
                                 170 + 2 * middle([i // w for i in points])))
    return found


def laser_pairs(image, x, y):
    """The lower ends of the laser shots in flight above a ship at (x, y), top first: rows where
    the thin green rays 15 pixels either side of it both pass, with no green between them (as
    the laser upgrade has). A shot flies half a pixel a millisecond of game time; one still
    leaving the ship ends 31 pixels above it."""
    pixels = image.load()

    def green(middle, row, half=4):
        return any(g > 100 and g > max(r, b) + 30 for r, g, b in
                   (pixels[c, row][:3] for c in range(middle - half, middle + half + 1)))
    ends = []
    for row in range(0, y - 30):
        if green(x - 15, row) and green(x + 15, row) and not green(x, row, 7):
            if ends and row - ends[-1] <= 2:
                ends[-1] = row
            else:
                ends.append(row)
    return ends


def game_over_page(image):
    """The page of a game over without a name to enter: its red title and white line."""
    title = sum(r > 180 and g < 130 and b < 130 for r, g, b in image.crop((290, 45, 510, 70))
                .getdata())
    line = sum(min(pixel[:3]) > 200 for pixel in image.crop((220, 505, 580, 532)).getdata())
    return title > 300 and line > 600


def field_text(image):
    """The white pixels of the name field's first letters and text cursor (what is behind the
    panel shows dimmed; the GUI's pointer, which the test never moves, stands further right)."""
    return sum(min(pixel[:3]) > 150 for pixel in image.crop(NAME_TEXT).getdata())


def huds(image):
    """Whether player 1's HUD (top right) and player 2's (top left) are drawn: the game draws
    a player's only while the ship lives, when the ship's stripes may still be those of its
    explosion. A HUD lights some 170 pixels of its corner, the stars there about 30."""
    return [sum(max(pixel[:3]) > 80 for pixel in image.crop(box).getdata()) > 100
            for box in ((690, 5, 795, 110), (5, 5, 110, 110))]


class Game:
    """One run of the program in a fresh working directory (or the one given) holding the files
    given, on an X server of its own: keys go to the window with the focus, which no other
    test's window may take; and what a player does with it."""

    def __init__(self, files=None, data=DATA, wav=False, directory=None, players=1, grab=False):
        self.scratch = tempfile.mkdtemp(prefix="quellon-play-")
        self.dir = directory or os.path.join(self.scratch, "work")
        os.makedirs(self.dir, exist_ok=True)
        if not os.path.lexists(self.path("resources")):
            os.symlink(data, self.path("resources"))
        write(self.dir, files or {})
        self.x, display = x_server(os.path.join(self.scratch, "xvfb.log"))
        # A client of our own: the server's key codes, and a pointer grab when asked for, held
        # as another program in full screen would hold it.
        self.display = XLIB.XOpenDisplay(display.encode())
        if not self.display:
            self.x.terminate()
            raise AssertionError("the test could not connect to its X server " + display)
        # A Latin-1 letter for the name entry, on the keyboard before the program starts.
        add_key(self.display, "ediaeresis", "grave")
        if grab:
            XLIB.XGrabPointer(self.display, XLIB.XDefaultRootWindow(self.display), 0, 0, 1, 1, 0,
                              0, 0)
            XLIB.XFlush(self.display)
        # On the SDL 1.2 compatibility library, a full-screen window stays small without a
        # window manager, and SDL 2 would draw its picture scaled to the screen into it. Mesa
        # writes its shader cache from a thread of the lowest priority, which a busy machine
        # starves for half a minute, and the program cannot end before that thread does.
        self.env = dict(os.environ, DISPLAY=display, ALSOFT_DRIVERS="null",
                        SDL12COMPAT_OPENGL_SCALING="0", MESA_SHADER_CACHE_DISABLE="true")
        RUNS.append(self)
        if wav:
            self.wav, conf = (os.path.join(self.scratch, n) for n in ("out.wav", "alsoft.conf"))
            write(self.scratch, {"alsoft.conf": "[wave]\nfile=%s\n" % self.wav})
            self.env.update(ALSOFT_DRIVERS="wave", ALSOFT_CONF=conf)
        self.out = os.path.join(self.scratch, "out.log")
        with open(self.out, "w") as out:
            self.process = subprocess.Popen([PROGRAM], cwd=self.dir, stdout=out,
                                            stderr=subprocess.STDOUT, env=self.env)
        self.window, self.players, self.games = None, players, 0
        settings = (files or {}).get("settings.xml", b"")
        self.windowed = b'fullscreen="false"' in (
            settings.encode() if isinstance(settings, str) else settings)

    def path(self, name):
        return os.path.join(self.dir, name)

    def log(self):
        with open(self.out, errors="replace") as f:
            return f.read()

    def xml(self, name):
        return ElementTree.parse(self.path(name)).getroot()

    def table(self):
        return [(e.get("name"), int(e.get("score"))) for e in self.xml("highscores.xml")
                .find("singleA")]

    def complete_settings(self):
        root = self.xml("settings.xml")
        return root.find("screen") is not None and root.find("sound") is not None and \
            [c.get("name") for c in root.iter("controls")] == ["single", "multi 1", "multi 2"]

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              text=True).stdout

    def send(self, names, press):
        """Keys go down or up by their key codes, as a keyboard sends them: xdotool would send a
        modifier named by its key symbol through the first key bound to that modifier (Left Ctrl
        for Right Ctrl) before the key itself. The server has stamped them with its time when
        this returns: a busy server that took a key's release and its next press together would
        give them one time, and SDL drops such a pair as a held key's repeat."""
        for name in names:
            code = XLIB.XKeysymToKeycode(self.display, XLIB.XStringToKeysym(name.encode()))
            if not code:
                raise AssertionError("no key for " + name)
            XTEST.XTestFakeKeyEvent(self.display, code, press, 0)
        XLIB.XSync(self.display, 0)

    def key(self, *names):
        for name in names:
            self.send([name], True)
            time.sleep(0.05)
            self.send([name], False)
            time.sleep(0.05)

    def down(self, *names):
        self.send(names, True)

    def up(self, *names):
        self.send(names, False)

    def hold(self, name, seconds):
        self.down(name)
        time.sleep(seconds)
        self.up(name)

    def point(self, x, y):
        """The pointer moves to a point of the window as a mouse moves it: SDL 2 misses the
        warp that xdotool makes of it."""
        self.screen()
        XTEST.XTestFakeMotionEvent(self.display, 0, self.window[0] + x, self.window[1] + y, 0)
        XLIB.XFlush(self.display)

    def click(self):
        """The left button goes down and up where the pointer is."""
        for press in (True, False):
            XTEST.XTestFakeButtonEvent(self.display, 1, press, 0)
            XLIB.XFlush(self.display)
            time.sleep(0.05)

    def screen(self):
        """The window's part of the screen: SDL centres a smaller full-screen picture, and a
        window stands where X says."""
        if not self.window:
            size = wait_for(lambda: dict(line.split("=") for line in self.xdotool(
                "search", "--name", "^Quellon$", "getwindowgeometry", "--shell").split()),
                "the window")
            w, h = int(size["WIDTH"]), int(size["HEIGHT"])
            root = ImageGrab.grab(xdisplay=self.env["DISPLAY"]).size
            x, y = (int(size["X"]), int(size["Y"])) if self.windowed else \
                ((root[0] - w) // 2, (root[1] - h) // 2)
            self.window = (x, y, x + w, y + h)
        return ImageGrab.grab(xdisplay=self.env["DISPLAY"]).crop(self.window)

    def shows(self, panel):
        return panel_shown(self.screen(), panel)

    def loaded(self):
        """Waits for the main menu after the start: loading every image takes the sanitizer build
        seconds of CPU time, which a machine busy with other tests stretches past half a minute
        (a start that hangs meets the test's own time limit)."""
        wait_for(self.menu_ready, "the main menu", timeout=150)

    def menu_ready(self):
        """The images are in: the credits gave way to the main menu, its amber focus frame on
        "Single Player A"."""
        image = self.screen()
        r, _, b = ImageStat.Stat(image.crop((262, 241, 538, 271))).mean[:3]
        return not panel_shown(image, CREDITS) and r > b + 30

    def alive(self, image=None):
        """Where the ships are; a ship out of sight or without its HUD, or a game started anew
        since `start` (the held fire key restarts a lost game), is a ship lost, whatever the
        game shows next."""
        image = image or self.screen()
        found = ships(image)
        if not all(found[:self.players] + huds(image)[:self.players]) or self.restarted():
            raise ShipLost()
        return found

    def wait_playing(self, condition, what):
        """wait_for, while the ships live."""
        def holds():
            image = self.screen()
            self.alive(image)
            return condition(image)
        return wait_for(holds, what)

    def restarted(self):
        return self.log().count("New game:") > self.games

    def start(self, menu=True):
        """Once the images are in, into "Single Player A" (unless the game is started already);
        the checks follow this game."""
        if menu:
            self.loaded()
            self.key("Return")
        wait_for(lambda: all(ships(self.screen())[:self.players]), "the ships")
        self.games = self.log().count("New game:")

    def pause(self):
        """Esc pauses; the ship stays in sight below the menu, unless it was lost. The picture."""
        self.key("Escape")
        return self.wait_playing(lambda image: panel_shown(image, PAUSE_MENU) and image,
                                 "the pause menu")

    def resume(self):
        """Esc out of the pause, without waiting to see the game go on."""
        self.send(["Escape"], True)
        self.send(["Escape"], False)

    def flight(self, keys):
        """From the pause the game goes on for a moment with the keys held, and pauses again; the
        picture. A check so takes only the game time its keys need, however slow the machine,
        and none while the test looks. Esc and the keys go down together: each key's triggers
        are handled before the next key."""
        self.resume()
        self.down(*keys)
        time.sleep(0.05)
        self.up(*keys)
        return self.pause()

    def fly_until(self, keys, condition):
        """Flights until the condition holds on the picture and the ships in it, 40 at most; the
        last picture and ships."""
        for _ in range(40):
            image = self.flight(keys)
            found = self.alive(image)
            if condition(image, found):
                break
        return image, found

    def abort(self):
        """Abort Game from the pause menu: every ship explodes, the game over page follows."""
        self.key(*["Down"] * 6, "Return")
        wait_for(lambda: not self.shows(PAUSE_MENU), "the game over page")

    def new_game(self, key):
        """A fire key starts a new game once the last one has been over for 2 s of game time,
        Return at once; the checks follow it."""
        wait_for(lambda: self.key(key) or self.restarted(), key + " to start a new game")
        self.start(menu=False)

    def quit_by_panel(self):
        """Back to the main menu, then Quit: Yes; the exit status."""
        self.key("Escape")
        wait_for(self.menu_ready, "the main menu")
        self.key("Escape")
        wait_for(lambda: self.shows(QUIT), "the quit panel")
        self.key("Left", "Return")
        return self.wait_exit()

    def abort_and_quit(self):
        """A player starts a game, takes a screenshot, aborts the game and quits."""
        self.start()
        self.key("F12")
        self.pause()
        self.abort()
        return self.quit_by_panel()

    def wav_frames(self):
        """Frames written so far: a mark of the time in what was played."""
        return max(0, os.path.getsize(self.wav) - WAV_HEADER) // FRAME_BYTES

    def loudest(self, start, end):
        """The loudest sample between two marks."""
        return float(numpy.abs(read_frames(self.wav, start, end)).max(initial=0))

    def lasers(self, key):
        """Holds the fire key until three shots have been seen in flight (a shot at once, then
        one each 0.5 s of game time, which a slow machine stretches on its clock but not on the
        screen) and two of them together; the shots, the shortest distance between two in
        flight (250 pixels), and the laser sounds heard meanwhile. Asteroids may be down
        already, however soon after the start the test gets here: a shot they take is gone, and
        the explosions they make sound with the lasers. The picture of the closest two is kept
        as lasers.png in the scratch directory. OpenAL's mixer, which a busy machine holds up,
        writes a sound at the first place it mixes after the sound started. The game is left in
        its pause."""
        start = max(0, self.wav_frames() - RATE // 10)  # the file lags what was mixed by a buffer
        shots, newest, apart = 0, None, []
        self.down(key)
        end = time.monotonic() + 30
        while (shots < 3 or not apart) and time.monotonic() < end:
            image = self.screen()
            ship = self.alive(image)[0]
            pairs = laser_pairs(image, *ship)
            # The newest shot is the lowest; one that hits an asteroid is gone.
            if pairs and (newest is None or pairs[-1] > newest + 20):
                shots += 1
            newest = pairs[-1] if pairs else newest
            flying = [p for p in pairs if p < ship[1] - 31]
            distances = [b - a for a, b in zip(flying, flying[1:])]
            if distances and min(distances) < min(apart, default=9999):
                image.save(os.path.join(self.scratch, "lasers.png"))
            apart += distances
        mixed = self.wav_frames()
        self.up(key)
        # The game waits in its pause, the ship out of the asteroids' way, while the test counts.
        self.pause()
        wait_for(lambda: self.wav_frames() > mixed + RATE // 3, "the mixer to write the shots")
        laser = decoded(os.path.join(self.path("resources"), "sounds", "laser.ogg"))
        return (shots, min(apart, default=None),
                laser_sounds(read_frames(self.wav, start, self.wav_frames()), laser))

    def wait_exit(self, timeout=30):
        # Polled each millisecond: Popen.wait with a time-out sleeps up to 50 ms between polls.
        end = time.monotonic() + timeout
        while self.process.poll() is None:
            if time.monotonic() > end:
                raise AssertionError("the program did not end")
            time.sleep(0.001)
        return self.process.returncode

    def close(self, remove):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.display:
            XLIB.XCloseDisplay(self.display)
            self.display = None
        self.x.terminate()
        self.x.wait()
        if remove:
            if os.path.ismount(self.dir):
                subprocess.run(["umount", self.dir], check=True)
                os.rmdir(self.dir)
            shutil.rmtree(self.scratch)


def screenshot(path):
    """The PNG once it is completely written."""
    try:
        with Image.open(path) as image:
            return image.convert("RGB")
    except (OSError, SyntaxError):
        return None


def fired(game, key, what):
    """Checks the shots of Game.lasers: 0.5 s of game time apart, each with its sound."""
    shots, closest, sounds = game.lasers(key)
    good = shots >= 3 and closest and 240 <= closest <= 310
    check(good, "%s fires a shot each 0.5 s of game time (%d shots, %s)" % (
        what, shots, "never two in flight at once" if not closest else
        "the closest two %d pixels apart%s" % (
            closest, "" if good else ", seen in " + os.path.join(game.scratch, "lasers.png"))))
    check(sounds >= shots, "the laser sounds at each shot (%d shots, %d laser sounds)"
          % (shots, sounds))


def play_single():
    scores = [("Ann", 5000), ("Bob", 4000), ("Cyd", 3000), ("Dee", 20), ("Eve", 10)] + \
        [("Low%d" % i, 0) for i in range(5)]
    game = Game({"settings.xml": MUSIC_OFF, "highscores.xml": highscores_xml(scores)}, wav=True)
    # The count of laser sounds that Play.single relies on, on a recording of a busy machine's
    # run: an explosion starts with the second of three lasers, the third starts in its rumble.
    check(laser_sounds(read_frames(EXCERPT), decoded(LASER)) == 3,
          "the three lasers of a recording are counted, one starting with an explosion, one in "
          "its rumble")
    game.start()
    time.sleep(0.5)
    quiet = game.loudest(game.wav_frames() - RATE // 4, game.wav_frames()) < 1e-3
    # However soon the test looks, asteroids may be down: one that hit the ship is heard.
    game.alive()
    check(quiet, "nothing plays before the player fires (music off)")
    fired(game, "space", "holding Space")

    game.key("F12")
    shot = wait_for(lambda: screenshot(game.path("screenshot.png")), "screenshot.png")
    shown = game.screen()
    check(shot.size == shown.size == (800, 600), "F12 saves a picture of the window's size")
    check(len(shot.getcolors(1 << 16) or range(1 << 16)) > 100, "the picture is not one colour")
    differing = sum(v > 24 for v in ImageChops.difference(shot, shown).convert("L").getdata())
    check(differing < 800 * 6, "it is what the screen shows (%d pixels differ)" % differing)

    game.key("Down", "Down", "Return")
    wait_for(lambda: game.shows(CONTROLS), "the controls window")
    game.key(*["Down"] * 4, "Return")
    wait_for(lambda: game.shows(KEY_CAPTURE), "the key capture")
    game.key("v", *["Down"] * 4, "Return")
    wait_for(lambda: not game.shows(CONTROLS), "the pause menu again")
    # V is tried in a new game, which Return starts: the press of a fire key that starts one
    # fires too, before the new ship has come up from below the screen, and that shot would fly
    # lower than the next.
    game.key("Escape")
    wait_for(lambda: not game.shows(PAUSE_MENU), "the game to continue")
    game.pause()
    game.abort()
    game.new_game("Return")
    fired(game, "v", "after Fire is bound to V in the pause menu, V")

    # Up into the asteroids, firing, until the ship is hit with a score. The name field a score
    # brings up shows the moment the ship is hit and listens after half a second of game time,
    # which a busy machine may let pass before the test sees it: what is pressed anew then is
    # the player's. So fire and thrust are pressed only where no name can follow: as the game
    # goes on from the pause the shots left it in, and in a new game, before it has a score. A
    # game over lets go of every held control; one lost without a score shows its page, where
    # fire starts the next game.
    game.resume()
    game.down("Up", "v")
    for i in range(200):
        image = game.screen()
        if panel_shown(image, NAME_ENTRY):
            break
        if game_over_page(image):
            game.up("v", "Up")
            game.new_game("v")
            game.down("Up", "v")
        steer = ("Left", "Right")[i // 2 % 2]
        game.down(steer)
        time.sleep(0.4)
        game.up(steer)
    check(game.shows(NAME_ENTRY), "a score above the lowest row asks for a name")
    # Keys held or pressed as the ship exploded are not in the field, nor is fire held on for a
    # second and a half, as a player's finger would: a repeat of it must not type once the field
    # listens, after half a second of game time. A slow machine stretches that: a letter typed
    # until it shows, each given time to show, then erased, tells when. The six characters are
    # all the name takes. The rest is typed while Left Ctrl (player 2's fire in multiplayer) is
    # held, which X applies to the characters (Ctrl+S is 19, Ctrl+2 none), and Return enters it.
    # The Latin-1 letter reaches the file as itself.
    shown = field_text(game.screen())
    time.sleep(1.5)
    game.up("v", "Up")
    for _ in range(20):
        game.key("o")
        if wait_for(lambda: field_text(game.screen()) > shown + 10, "", 3, fail=False):
            break
    else:
        raise AssertionError("the name field took no letter in a minute")
    game.key("BackSpace")
    wait_for(lambda: abs(field_text(game.screen()) - shown) < 4,
             "the name field as it was: nothing pressed before is in it")
    game.xdotool("type", "--delay", "80", "Te")
    game.down("Control_L")
    game.key("s", "2", "ediaeresis", "r", "Return")
    game.up("Control_L")
    wait_for(lambda: not game.shows(NAME_ENTRY), "the name to be entered")
    entered = wait_for(lambda: [row for row in game.table() if row not in scores],
                       "a new row in highscores.xml")[0]
    check(entered[0] == "Tes2\u00ebr", "the name saved is the one typed once the field listened, "
          "nothing pressed before (%r)" % entered[0])
    row = sum(s >= entered[1] for _, s in scores)
    check(game.table() == (scores[:row] + [entered] + scores[row:])[:10],
          "the name is saved at row %d with its score %d, the rows below move down"
          % (row + 1, entered[1]))

    check(game.quit_by_panel() == 0, "the quit panel ends the program with status 0")
    check(game.complete_settings(), "it leaves a complete settings.xml")
    single = [c for c in game.xml("settings.xml").iter("controls") if c.get("name") == "single"]
    fire = [t for t in single[0] if t.get("name") == "fire"][0]
    check([k.get("key") for k in fire.iter("keyTranslator")] == ["v"],
          "settings.xml holds V, not Space, for the single player's fire")


def menu_by_keys_after_the_mouse(game):
    """The pointer off the buttons takes the highlight; keys bring it back before they act, and
    Return with nothing highlighted neither starts nor quits anything."""
    game.loaded()
    # SDL 2 may take pointer motion after a later key: each key waits for the pointer's effect.
    game.point(400, 440)
    wait_for(lambda: highlighted(game.screen(), CREDITS_BUTTON), "the pointer on Credits")
    game.key("Down")
    wait_for(lambda: highlighted(game.screen(), MENU_QUIT), "Down to move the focus to Quit")
    game.click()
    # The quit panel's strip lies on the main menu too: it is told by its highlighted "No".
    wait_for(lambda: game.shows(CREDITS) or highlighted(game.screen(), QUIT_NO), "a panel to open")
    check(game.shows(CREDITS),
          "a click acts on Credits, where the pointer is, not on the highlighted Quit")
    game.key("Escape")
    game.point(400, 256)
    wait_for(lambda: highlighted(game.screen(), SINGLE_A), "the pointer on Single Player A")
    game.point(400, 80)
    wait_for(lambda: not highlighted(game.screen(), SINGLE_A), "the pointer to take the focus")
    game.key("Return")
    wait_for(lambda: highlighted(game.screen(), SINGLE_A), "Return to show the focus again")
    game.point(420, 70)
    wait_for(lambda: not highlighted(game.screen(), SINGLE_A), "the pointer to take the focus")
    game.key("Down")
    wait_for(lambda: highlighted(game.screen(), SINGLE_A), "Down to show the focus again")
    game.key("Down")
    wait_for(lambda: highlighted(game.screen(), SINGLE_B), "Down to move it on")
    # The quit panel would hide the main menu's buttons.
    check(game.process.poll() is None and "New game:" not in game.log(),
          "with the pointer off the buttons, keys steer the main menu and Return starts nothing")
    game.key("Escape")
    wait_for(lambda: highlighted(game.screen(), QUIT_NO), "the quit panel")
    game.point(326, 394)
    wait_for(lambda: highlighted(game.screen(), QUIT_YES), "the pointer on Yes")
    game.point(400, 80)
    wait_for(lambda: not highlighted(game.screen(), QUIT_YES), "the pointer off Yes")
    game.key("Return")
    wait_for(lambda: highlighted(game.screen(), QUIT_YES), "Return to show the focus again")
    time.sleep(0.5)
    check(game.process.poll() is None and game.shows(QUIT),
          "Return with nothing highlighted on the quit panel does not quit")
    game.key("Escape")
    wait_for(lambda: highlighted(game.screen(), MENU_QUIT), "the main menu")


# The default keys of the two players, in the order of the controls window's rows.
MULTI_KEYS = {"multi 1": ("Left", "Right", "Up", "Down", "Control_R", "Shift_R", "End"),
              "multi 2": ("a", "d", "w", "s", "Control_L", "Shift_L", "q")}


def key_bindings(root, group):
    """Each (control, key) of a control group of a settings file."""
    controls = [c for c in root.iter("controls") if c.get("name") == group][0]
    return {(t.get("name"), k.get("key")) for t in controls for k in t.iter("keyTranslator")}


def lasers(image, x, y):
    """Green laser pixels in the 150 pixels above a ship, which a shot leaves in 0.3 s."""
    box = image.crop((max(0, x - 45), max(170, y - 170), x + 45, max(171, y - 20)))
    return sum(g > 150 and g - max(r, b) > 60 for r, g, b in box.getdata())


def play_multi():
    # In a window: without a window manager, SDL 2 places pointer motion wrongly in full screen.
    game = Game({"settings.xml": '<settings><screen fullscreen="false"/>'
                                 '<sound volumeSfx="100" volumeMusic="0"/></settings>'},
                players=2)
    menu_by_keys_after_the_mouse(game)
    # The program's own key capture names the key it got: each player's default keys, bound
    # again in the controls windows, come back as they were, so each reaches the program alone
    # (Right Ctrl without Left Ctrl, and so on).
    game.key("Up", "Up", "Return")
    wait_for(lambda: highlighted(game.screen(), SETTINGS_DONE), "the settings")
    game.key("Down", "Down", "Return")
    for group in ("multi 1", "multi 2"):
        wait_for(lambda: game.shows(CONTROLS), "the controls window")
        for row, name in enumerate(MULTI_KEYS[group]):
            game.key(*["Down"] * (row > 0), "Return")
            wait_for(lambda: game.shows(KEY_CAPTURE), "the key capture")
            game.key(name)
            wait_for(lambda: not game.shows(KEY_CAPTURE), "the key to be taken")
        game.key("Down", "Down", "Return")
        wait_for(lambda: not game.shows(CONTROLS), "the settings again")
        if group == "multi 1":
            game.key("Down", "Return")
    game.key("Escape")
    wait_for(lambda: highlighted(game.screen(), MENU_SETTINGS), "the main menu")
    defaults = ElementTree.parse(os.path.join(DATA, "controls.xml")).getroot()
    saved = wait_for(lambda: os.path.exists(game.path("settings.xml")) and game.xml("settings.xml"),
                     "settings.xml")
    for group, names in MULTI_KEYS.items():
        check(key_bindings(saved, group) == key_bindings(defaults, group),
              "the program takes %s as %s's keys" % (", ".join(names), group))

    game.key("Up", "Return")
    game.start(menu=False)
    before = game.alive(game.pause())
    check(before[0][0] > 400 > before[1][0], "player 1's ship is on the right, player 2's left")
    # The pointer moves in flight, where the menus do not see it; in the pause menu a click
    # acts where it is, on "Sound", not on the highlighted "Continue". Esc, the move and Esc
    # again go together, each handled before the next: the game goes on for a moment only,
    # however long a busy machine takes to show it.
    game.resume()
    game.point(400, 228)
    game.pause()
    game.click()
    wait_for(lambda: game.shows(SOUND) or not game.shows(PAUSE_MENU), "the click to act")
    check(game.shows(SOUND), "after the mouse moved in flight, a click in the pause menu acts "
          "where the pointer is")
    game.key("Escape")
    wait_for(lambda: game.shows(PAUSE_MENU), "the pause menu again")
    # The game goes on only in flights with a check's keys down, and four games share the
    # checks: an asteroid needs 1.6 s of game time to reach a ship. A ship that steers sideways
    # banks, which shifts its stripes by up to some 20 px, and stays so in the pause that comes
    # with the key's release: each game steers one ship only, so that the other one's stripes
    # stay put. A later game that checks a fire key is started by it, so that no other
    # player's lasers are about. A ship that goes up from the bottom moves away from the pause
    # menu, which would hide it, and back.
    for turn, (player, fire, steps) in enumerate((
            (1, "Control_L", (("w", 0, -1), ("s", 0, 1))),
            (0, "Control_R", (("Up", 0, -1), ("Down", 0, 1))),
            (1, None, (("a", -1, 0), ("d", 1, 0))),
            (0, None, (("Right", 1, 0), ("Left", -1, 0))))):
        if turn:
            game.abort()
            game.new_game(fire or "Control_L")
            before = game.alive(game.pause())
        if fire:
            # A shot that started the game holds the next one back for a moment.
            shot = lambda image, found: lasers(image, *found[player])
            image, before = game.fly_until([fire], shot)
            check(lasers(image, *before[player]) and not lasers(image, *before[1 - player]),
                  "%s fires player %d's lasers only" % (fire, player + 1))
        for key, dx, dy in steps:
            along = lambda found: (found[player][0] - before[player][0]) * dx + \
                (found[player][1] - before[player][1]) * dy
            _, after = game.fly_until([key], lambda image, found: along(found) > 50)
            moved = [(a[0] - b[0], a[1] - b[1]) for a, b in zip(after, before)]
            mx, my = moved[player]
            # An explosion's glow on a ship shifts its stripes a little.
            check(mx * dx + my * dy > 50 and max(map(abs, moved[1 - player])) < 20,
                  "%s moves player %d's ship only %s" % (key, player + 1, moved))
            before = after
    # How fast it ends is timed by the program's own tests, with nothing running beside.
    game.process.send_signal(signal.SIGTERM)
    check(game.wait_exit() == 0, "SIGTERM ends it with status 0")
    check(game.complete_settings(), "it leaves a complete settings.xml")


def held_start():
    """Another program holds the pointer, so SDL waits to take it for the full screen: the start
    is held up inside SDL's set-up of the video mode, and SIGTERM still ends it, once no main
    loop has taken it up for a second. SDL 2 under the compatibility library sets the mode and
    tries to take the pointer in the main loop instead, for 5 s, and only then takes the request
    up: it is sent at the main menu there."""
    game = Game({"settings.xml": SETTINGS}, grab=True)
    # The window shows once SDL sets the mode up, after the program took SIGTERM over: a busy
    # machine takes seconds to get there.
    wait_for(lambda: game.xdotool("search", "--onlyvisible", "--class", "quellon"), "a window")
    with open("/proc/%d/maps" % game.process.pid) as maps:
        if "libSDL2" in maps.read():
            game.loaded()
    print("- the start is %sheld up" % ("" if "highscores" not in game.log() else "not "))
    game.process.send_signal(signal.SIGTERM)
    # A busy machine takes seconds to shut the program down in order: a start held up for good
    # would never end.
    check(game.wait_exit() == 0, "SIGTERM ends a start held up in SDL with status 0")


def faults_disk(read_only):
    """A tmpfs, read-only or full, mounted in the test's own mount namespace (nothing stays
    mounted after it): every save fails and the files there stay as they were."""
    directory = tempfile.mkdtemp(prefix="quellon-fs-")
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + ("1m" if read_only else "64k"),
                    "tmpfs", directory], check=True)
    os.symlink(DATA, os.path.join(directory, "resources"))
    # A damaged file that cannot be moved aside is not written over either.
    write(directory, {"settings.xml": SETTINGS, "highscores.xml": "<highscores><sin" if read_only
                      else highscores_xml([("Kept", 900 - 10 * i) for i in range(10)])})
    subprocess.run(["mount", "-o", "remount,ro", directory] if read_only else
                   ["dd", "if=/dev/zero", "of=" + os.path.join(directory, "filler"), "bs=4096"],
                   stderr=None if read_only else subprocess.DEVNULL, check=read_only)
    contents = lambda: {name: open(os.path.join(directory, name), "rb").read()
                        for name in os.listdir(directory) if name != "resources"}
    before = contents()
    game = Game(directory=directory)
    where = "in a read-only directory" if read_only else "on a full disk"
    check(game.abort_and_quit() == 0, where + " the game starts, plays and quits with status 0")
    for what in ("the settings", "highscores", "the screenshot"):
        check("(error) Could not save " + what in game.log(),
              "it reports that it could not save " + what)
    check(not read_only or "Could not move the unreadable \"highscores.xml\"" in game.log(),
          "it reports that it could not move the damaged highscores.xml aside")
    check(contents() == before, "the files there are intact, nothing else is left there")


def faults_corrupt():
    """Files cut short are moved aside under the names the log gives before anything replaces
    them: the first game over writes the default tables, and the old scores stay in the copy."""
    old = {"settings.xml": SETTINGS[:90],
           "highscores.xml": highscores_xml([("Kept", 900 - 10 * i) for i in range(10)])[:-30]}
    game = Game(old)
    game.loaded()
    for what in ("settings", "highscores"):
        check("(warning) Could not load %s: " % what in game.log() and
              '"%s.xml.damaged"' % what in game.log(),
              "a truncated %s.xml is reported, with the name it is kept under" % what)
    check(game.abort_and_quit() == 0, "the game plays and quits with status 0")
    for name, data in old.items():
        check(open(game.path(name + ".damaged"), "rb").read() ==
              (data.encode() if isinstance(data, str) else data),
              "the game over and the exit leave the kept %s as it was" % name)
    check(game.complete_settings() and
          game.xml("settings.xml").find("sound").get("volumeSfx") == "70",
          "settings.xml is replaced by a complete one with the defaults")
    check(game.table()[0] == ("-" * 17, 100000),
          "highscores.xml is replaced by a complete one with the default tables")


def faults_missing():
    for folder, name in (("images_game", "asteroidSmall_07.png"), ("sounds", "laser.ogg")):
        # The data set linked file by file, less one.
        data = os.path.join(tempfile.mkdtemp(prefix="quellon-data-"), "resources")
        shutil.copytree(DATA, data, copy_function=os.symlink,
                        ignore=lambda d, names: {name} if os.path.basename(d) == folder else ())
        game = Game(data=data)
        status = game.wait_exit()
        shutil.rmtree(os.path.dirname(data))
        check(status == 1 and "%s/%s" % (folder, name) in game.log(),
              "a data set without %s/%s ends the start with status 1, naming it" % (folder, name))


SCENARIOS = {"single": play_single, "multi": play_multi, "held-start": held_start,
             "corrupt": faults_corrupt,
             "read-only": lambda: faults_disk(True), "full-disk": lambda: faults_disk(False),
             "missing": faults_missing}


def mount_namespace():
    """The options of unshare that give this test a mount namespace of its own (for a user other
    than root, or root without the right to make one, in a user namespace), or ends the test as
    skipped (CTest's SKIP_RETURN_CODE) where the machine refuses namespaces."""
    refused = ""
    for user in ([[]] if os.geteuid() == 0 else []) + [["--map-root-user"]]:
        probe = subprocess.run(["unshare", "--mount", "--propagation", "private", *user, "true"],
                               capture_output=True, text=True)
        if probe.returncode == 0:
            return ["--mount", "--propagation", "private", *user]
        refused = probe.stderr.strip()
    print("Skipped: this machine does not allow a mount namespace (%s)" % refused)
    sys.exit(SKIPPED)


if __name__ == "__main__":
    if sys.argv[3] in ("read-only", "full-disk") and "QUELLON_PLAY_MOUNTS" not in os.environ:
        # Mounting needs a mount namespace.
        os.environ["QUELLON_PLAY_MOUNTS"] = "1"
        os.execvp("unshare", ["unshare", *mount_namespace(), sys.executable, *sys.argv])
    for attempt in range(3):
        try:
            SCENARIOS[sys.argv[3]]()
            break
        except ShipLost:
            print("- a ship was hit before the checks were done: a new run")
            for run in RUNS:
                run.close(True)
            RUNS.clear()
        except Exception as failure:
            # A fault of the test itself, too, must not leave the program and its server running.
            if not isinstance(failure, AssertionError):
                traceback.print_exc()
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
