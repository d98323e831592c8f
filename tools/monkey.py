#!/usr/bin/python3
"""Monkey test: random X input (keys, mouse, wheel, focus changes) hammers the game for a given
time under an X server of its own (Xvfb). Fails on a sanitizer report, a crash or an abnormal exit
status, a hang (the screen stays the same, the program answers no probe, and its main thread has
stopped: no CPU time, or less than a frame a second while it runs), a program that runs but no
longer answers (its picture stays the same through a minute of probes) or resident memory that
keeps growing. A normal end of the program (status 0, e.g. through the quit panel) is counted and
the program started again. As a window manager would, the monkey gives the game's window the
keyboard focus when it maps it again or finds the focus nowhere.

    monkey.py --program build/test/quellon/quellon --minutes 2 --seed 1
"""
import argparse
import ctypes
import hashlib
import os
import random
import re
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from PIL import Image, ImageGrab

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# No new picture for this long despite probes calls for a look at the program.
HANG_SECONDS = 5.0
# The program's main thread is watched this long; stopped all along, the program is hung. X
# itself draws into a window now and then (its background when it is mapped), a program drawing
# fewer frames than one a second has stopped too.
EXAMINE_SECONDS = 4.0
FRAMES_AT_LEAST = 4
# A program found running whose picture stays the same through the probes of this long (the
# focus given, Esc, a mouse move, F12) no longer answers: a state stuck, its input ignored.
ANSWER_SECONDS = 60.0
# The start loads the images; the window may be black meanwhile.
START_GRACE_SECONDS = 60.0
# Memory, judged for each run of the program after its first minute (check_memory_trend).
MEMORY_WARMUP_SECONDS = 60.0
MEMORY_RUNAWAY_MB = 150.0
# A run of 14 minutes or more after the first: the lowest level of each quarter of its last
# minutes (14 or more) standing above the quarter's before by more than a step, and by a rise in
# all. Quarters of spans shorter than 28 minutes are no longer than a busy game's rise, or than
# three steps of a warm-up 3 minutes apart: there the step is larger, and the last minute must
# still stand well above the one four minutes before, which a level reached does not.
MEMORY_WINDOW_MINUTES = 14
MEMORY_LONG_WINDOW_MINUTES = 28
MEMORY_RISE_MB = 20.0
MEMORY_STEP_MB = 5.0
MEMORY_SHORT_WINDOW_STEP_MB = 6.0
MEMORY_STILL_RISING_MINUTES = 4
MEMORY_STILL_RISING_MB = 10.0
# A shorter run (4 minutes or more after the first): how far its last minute's floor may stand
# above its first's, still rising. The sanitizer build warms up by 40 MB in its first 5 to 8
# minutes.
MEMORY_SHORT_RISE_MB = 60.0
MEMORY_SLOPE_MB_PER_MINUTE = 0.5

SANITIZER_TEXTS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: AddressSanitizer", "SUMMARY: UndefinedBehaviorSanitizer",
                   "Ravek parachute deployed", "Recursive call")
TERMINATION = "Ravek parachute deployed: Termination request."

# Keys the game binds somewhere, with tap weights: menus need Return and arrows, games the
# players' keys; Escape is rarer, or the monkey would mostly sit in the quit panel.
BOUND_KEYS = {
    "Return": 10, "KP_Enter": 1, "space": 7, "Up": 6, "Down": 7, "Left": 5, "Right": 5,
    "Tab": 1.5, "Escape": 2, "p": 1.5, "Pause": 0.5, "x": 2, "c": 2, "w": 1, "a": 1, "s": 1,
    "d": 1, "q": 1, "End": 1, "Control_L": 1, "Control_R": 1, "Shift_L": 1, "Shift_R": 1,
    "BackSpace": 1.5, "F11": 0.4, "F12": 0.7, "Print": 0.3,
}
UNBOUND_KEYS = ("b e f g h i j k l m n o r t u v y z 0 1 2 3 4 5 6 7 8 9 F1 F2 F3 F4 F5 F6 F7 "
                "F8 F9 F10 Home Page_Up Page_Down Insert Delete KP_0 KP_5 KP_Add KP_Divide "
                "minus equal bracketleft semicolon apostrophe comma period slash backslash "
                "grave Alt_L Alt_R Super_L Menu Scroll_Lock Num_Lock Caps_Lock less "
                "adiaeresis ssharp EuroSign").split()
HOLD_KEYS = ["Up", "Down", "Left", "Right", "space", "x", "w", "a", "s", "d", "Control_L",
             "Control_R", "Shift_L", "Shift_R", "c", "q", "End", "Return"]
TEXTS = ["Ada", "Zed 2", "  ", "ÄÖÜ äöü ß", "a&b<c>\"d\"", "x" * 30, "José", "Ωμέγα", "€",
         "tab\there", "名前"]


XLIB = ctypes.CDLL("libX11.so.6")
XLIB.XOpenDisplay.restype = ctypes.c_void_p
XLIB.XOpenDisplay.argtypes = [ctypes.c_char_p]
XLIB.XCloseDisplay.argtypes = [ctypes.c_void_p]
XLIB.XGetInputFocus.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_ulong),
                                ctypes.POINTER(ctypes.c_int)]
XLIB.XDefaultRootWindow.restype = ctypes.c_ulong
XLIB.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
XLIB.XPending.argtypes = [ctypes.c_void_p]
XLIB.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
XDAMAGE = ctypes.CDLL("libXdamage.so.1")
XDAMAGE.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                          ctypes.POINTER(ctypes.c_int)]
XDAMAGE.XDamageCreate.restype = ctypes.c_ulong
XDAMAGE.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
XDAMAGE.XDamageDestroy.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
DAMAGE_REPORT_RAW_RECTANGLES = 0


class DamageNotify(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("drawable", ctypes.c_ulong),
                ("damage", ctypes.c_ulong), ("level", ctypes.c_int), ("more", ctypes.c_int),
                ("timestamp", ctypes.c_ulong)]
# The keyboard focus that sends keys nowhere, or to the window under the pointer.
FOCUS_NONE, FOCUS_POINTER_ROOT = 0, 1


class Failure(Exception):
    pass


def log(message):
    print("monkey: " + message, flush=True)


def x(*args, check=False):
    """Runs an X tool; returns its output, or None when it failed (its message is kept in
    x.error)."""
    try:
        done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=10)
    except subprocess.TimeoutExpired:
        if check:
            raise Failure("%s did not answer in 10 s" % args[0])
        return None
    x.error = done.stderr.decode(errors="replace").strip()
    return done.stdout if done.returncode == 0 else None


def gdb(pid, *commands):
    """What gdb prints of a running process for the commands given (stacks)."""
    arguments = ["gdb", "-batch", "-nx", "-p", str(pid)]
    for command in commands:
        arguments += ["-ex", command]
    try:
        return subprocess.run(arguments, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=120).stdout.decode(errors="replace")
    except (OSError, subprocess.TimeoutExpired) as error:
        return str(error)


def frames_of(stack):
    """The functions of a gdb backtrace, innermost first: where a thread is, without addresses."""
    return [m.group(1) for m in re.finditer(r"^#\d+\s+(?:0x[0-9a-f]+ in )?(\S+)", stack, re.M)]


def pixels_of(xwd):
    """What a capture by xwd shows, its pixels' colours only (as a digest): the header around
    them carries bytes that xwd leaves unset (the pad byte of each colour-map entry), so that
    two captures of a screen that stands still differ as files."""
    fields = struct.unpack(">25I", xwd[:100])
    if fields[0] > len(xwd):
        fields = struct.unpack("<25I", xwd[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = (fields[7], fields[11], fields[12],
                                                           fields[19])
    start = header_size + 12 * ncolors
    if len(xwd) < start + bytes_per_line * height:
        raise Failure("xwd wrote %d bytes, too few for a picture of %dx%d" %
                      (len(xwd), width, height))
    data = xwd[start:start + bytes_per_line * height]
    if bits_per_pixel == 32 and fields[14:17] == (0xFF0000, 0xFF00, 0xFF):
        # The fourth byte of each pixel is no colour of a screen 24 bits deep.
        data = Image.frombuffer("RGB", (width, height), data, "raw",
                                "BGRX" if byte_order == 0 else "XRGB", bytes_per_line,
                                1).tobytes()
    else:
        used = (width * bits_per_pixel + 7) // 8
        data = b"".join(data[i:i + used] for i in range(0, len(data), bytes_per_line))
    return hashlib.md5(data).digest()


def start_xvfb():
    """Starts an X server on a display number it picks itself (no race with other servers
    starting beside it) and makes it this process's display."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                               "1280x1024x24", "+extension", "GLX", "-noreset", "-nolisten",
                               "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            sys.exit("monkey: Xvfb did not start")
        number += chunk
    os.close(read)
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    return server


def gui_targets(resources_xml):
    """The widgets one can click: kind, name and rectangle (x, y from the top, width, height)."""
    targets = []
    gui = ET.parse(resources_xml).getroot().find("gui")
    gui_height = float(gui.get("height", "600"))

    def walk(node, ox, oy):
        for child in node:
            if "x" not in child.attrib or "width" not in child.attrib:
                continue
            cx, cy = ox + float(child.get("x")), oy + float(child.get("y"))
            w, h = float(child.get("width")), float(child.get("height"))
            if child.tag in ("Button", "Checkbox", "Slider_int", "Textfield") and w > 1:
                targets.append((child.tag, child.get("name"), cx, gui_height - cy - h, w, h))
            walk(child, cx, cy)

    walk(gui, 0.0, 0.0)
    return targets


class Program:
    """One run of the game in its working directory, its log files and its memory samples."""

    def __init__(self, path, workdir, number):
        self.number = number
        self.out_path = os.path.join(workdir, "out.%d.log" % number)
        self.err_path = os.path.join(workdir, "err.%d.log" % number)
        env = dict(os.environ, ALSOFT_DRIVERS="null",
                   # A small quarantine, or memory grows until the default one is full.
                   ASAN_OPTIONS="quarantine_size_mb=16:thread_local_quarantine_size_kb=256",
                   # On the SDL 1.2 compatibility library a full-screen window stays small
                   # without a window manager, and SDL 2 would draw a picture scaled to the
                   # screen into it, whose part in sight may stand still.
                   SDL12COMPAT_OPENGL_SCALING="0")
        open(self.err_path, "wb").close()
        # Appending, the program's messages and the monkey's evidence written beside them do not
        # overwrite each other.
        with open(self.out_path, "wb") as out, open(self.err_path, "ab") as err:
            self.process = subprocess.Popen([path], cwd=workdir, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL, env=env)
        self.started = time.monotonic()
        self.samples = []
        self.terminated = False

    def age(self):
        return time.monotonic() - self.started

    def rss_mb(self):
        try:
            with open("/proc/%d/status" % self.process.pid) as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1]) / 1024.0
        except OSError:
            return None
        return None

    def main_thread(self):
        """The main thread's state letter and CPU time (clock ticks) so far; None once the
        process is gone."""
        try:
            with open("/proc/%d/task/%d/stat" % (self.process.pid, self.process.pid)) as f:
                stat = f.read().rsplit(")", 1)[1].split()
        except OSError:
            return None
        return stat[0], int(stat[11]) + int(stat[12])

    def sample_memory(self):
        rss = self.rss_mb()
        if rss is not None:
            self.samples.append((self.age(), rss))
            with open(self.out_path.replace("out.", "memory.").replace(".log", ".csv"), "a") as f:
                f.write("%.1f,%.1f\n" % self.samples[-1])

    def stderr_text(self):
        with open(self.err_path, errors="replace") as err:
            return err.read()

    def stdout_text(self):
        with open(self.out_path, errors="replace") as out:
            return out.read()

    def check_stderr(self):
        text = self.stderr_text()
        if self.terminated:
            text = text.replace(TERMINATION, "")
        for marker in SANITIZER_TEXTS:
            if marker in text:
                raise Failure("the program reported \"%s\":\n%s" % (marker, text[-6000:]))

    def memory_floors(self):
        """The lowest sample of each whole minute after the first: memory a leak holds on to
        raises them, passing peaks (a game's sprites, the quarantine filling up) do not."""
        floors = {}
        for t, m in self.samples:
            if t >= MEMORY_WARMUP_SECONDS:
                minute = int((t - MEMORY_WARMUP_SECONDS) // 60)
                floors[minute] = min(m, floors.get(minute, m))
        last = self.samples[-1][0] if self.samples else 0
        return [floors[k] for k in sorted(floors)
                if MEMORY_WARMUP_SECONDS + (k + 1) * 60 <= last]

    def check_memory_trend(self):
        """Fails on memory that keeps growing after the first minute: a runaway above the first
        minute's level, or a lowest level that rises steadily. A leak raises the lowest level of
        each quarter of the minutes since it began above the quarter's before. A step up raises one
        quarter only, and warming up comes in steps each followed by a level: memory the program
        warms up into (Mesa's software renderer takes a 64 KB block for each change of texture,
        blending or scissor in every frame it has queued, and the allocator keeps the highest level
        the busiest screen so far reached; the sanitizer build warms up by 40 MB in its first 5 to 8
        minutes). A busy game reached late raises memory for minutes (37 MB in 7). So a span of 14
        minutes is the least judged, and one shorter than 28 only while its last minutes still rise:
        its quarters are short enough for the steps of a warm-up, or a busy game's rise, to raise
        three of them, but a level follows those, while a leak goes on. A span of 28 minutes or more
        also finds the slower leaks: a warm-up stays in its first quarter or two, a busy game fills
        less than its last three. The peaks of busy screens and of the sanitizer's allocator, which
        holds freed memory and gives it back in bursts (a minute's floor 20 or 30 MB above its
        neighbours), raise no quarter's lowest level. A shorter run fails only a rise well beyond a
        warm-up's that still goes on."""
        early = [m for t, m in self.samples
                 if MEMORY_WARMUP_SECONDS / 2 <= t < MEMORY_WARMUP_SECONDS]
        if early and self.samples[-1][1] - statistics.median(early) > MEMORY_RUNAWAY_MB:
            raise Failure("resident memory ran away: %.0f MB after %.0f MB in the first minute"
                          % (self.samples[-1][1], statistics.median(early)))
        floors = self.memory_floors()
        still_rising = len(floors) > MEMORY_STILL_RISING_MINUTES and \
            floors[-1] - floors[-1 - MEMORY_STILL_RISING_MINUTES] > MEMORY_STILL_RISING_MB
        # A leak may start at any time: every span that ends now is judged.
        for length in range(MEMORY_WINDOW_MINUTES, len(floors) + 1):
            long_span = length >= MEMORY_LONG_WINDOW_MINUTES
            if not (long_span or still_rising):
                continue
            span = floors[-length:]
            n = length // 4
            ends = (0, n, n + (length - 2 * n) // 2, length - n, length)
            lows = [min(span[a:b]) for a, b in zip(ends, ends[1:])]
            step = MEMORY_STEP_MB if long_span else MEMORY_SHORT_WINDOW_STEP_MB
            if (lows[-1] - lows[0] > MEMORY_RISE_MB and
                    min(b - a for a, b in zip(lows, lows[1:])) > step):
                raise Failure("resident memory keeps growing: the lowest level of each quarter "
                              "of the last %d minutes rose from %.0f to %s MB" %
                              (length, lows[0], ", ".join("%.0f" % m for m in lows[1:])))
        if len(floors) < 4 or len(floors) >= MEMORY_WINDOW_MINUTES:
            return
        recent = floors[len(floors) // 2:]
        n = len(recent)
        mean_x, mean_y = (n - 1) / 2.0, sum(recent) / n
        slope = (sum((i - mean_x) * (f - mean_y) for i, f in enumerate(recent)) /
                 sum((i - mean_x) ** 2 for i in range(n)))
        if floors[-1] - floors[0] > MEMORY_SHORT_RISE_MB and slope > MEMORY_SLOPE_MB_PER_MINUTE:
            raise Failure("resident memory keeps growing: its lowest level per minute rose from "
                          "%.0f to %.0f MB and still rises by %.1f MB a minute" %
                          (floors[0], floors[-1], slope))

    def write_evidence(self, title, text):
        with open(self.err_path, "a") as err:
            err.write("\nmonkey: %s:\n%s\n" % (title, text))

    def write_backtrace(self):
        """Writes every thread's stack into the program's error log (a hang's evidence);
        returns the log's last lines."""
        self.write_evidence("the threads' stacks at the hang",
                            gdb(self.process.pid, "thread apply all bt"))
        return "\n".join(self.stdout_text().splitlines()[-3:])

    def stop(self):
        """Ends the program as a player's system would (SIGTERM: orderly shut-down, then the
        leak check at exit); returns its exit status."""
        if self.process.poll() is None:
            self.terminated = True
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=120)
            except subprocess.TimeoutExpired:
                self.write_backtrace()
                self.process.kill()
                self.process.wait()
                raise Failure("the program did not end within 120 s of SIGTERM")
        return self.process.returncode


class Screen:
    """The X screen: pictures of it, the game's window and its place on the screen."""

    def __init__(self):
        self.root = None
        self.window = None
        self.origin = (0, 0)
        self.size = (800, 600)
        self.hidden = False
        self.display = None

    def connect(self):
        if not self.display:
            self.display = XLIB.XOpenDisplay(os.environ["DISPLAY"].encode())
        return self.display

    def focus(self):
        """The window with the keyboard focus (FOCUS_NONE, FOCUS_POINTER_ROOT or an id)."""
        self.connect()
        window, revert = ctypes.c_ulong(), ctypes.c_int()
        XLIB.XGetInputFocus(self.display, ctypes.byref(window), ctypes.byref(revert))
        return window.value

    def focus_lost(self):
        """Keys go nowhere, to the root window, or wherever the pointer happens to be: no
        window manager gave the game's window the focus."""
        return self.focus() in (FOCUS_NONE, FOCUS_POINTER_ROOT, int(self.root or "0", 16))

    def frames(self, seconds):
        """How often anything was drawn on the screen in the seconds given: each buffer swap
        puts the new picture into the window, also one the same as the last (X's damage
        reports on the root window, which cover its children). One swap makes one report or
        several within a millisecond or two, and the program's frames are further apart."""
        display = self.connect()
        base, error = ctypes.c_int(), ctypes.c_int()
        if not XDAMAGE.XDamageQueryExtension(display, ctypes.byref(base), ctypes.byref(error)):
            raise Failure("the X server has no DAMAGE extension")
        damage = XDAMAGE.XDamageCreate(display, XLIB.XDefaultRootWindow(display),
                                       DAMAGE_REPORT_RAW_RECTANGLES)
        event = ctypes.create_string_buffer(192)
        notify = DamageNotify.from_buffer(event)
        times = set()
        first = None  # the first report tells what was there before
        end = time.monotonic() + seconds
        while True:
            while XLIB.XPending(display):
                XLIB.XNextEvent(display, event)
                if notify.type == base.value:
                    first = notify.timestamp if first is None else first
                    times.add(notify.timestamp)
            if time.monotonic() >= end:
                break
            time.sleep(0.02)
        XDAMAGE.XDamageDestroy(display, damage)
        times.discard(first)
        times = sorted(times)
        return sum(1 for i, t in enumerate(times) if i == 0 or t - times[i - 1] > 3)

    def window_state(self):
        """The keyboard focus and the game's window as X sees it: the evidence of a still
        picture."""
        focus = self.focus()
        names = {FOCUS_NONE: "None", FOCUS_POINTER_ROOT: "PointerRoot"}
        if self.root:
            names[int(self.root, 16)] = "the root window"
        lines = ["keyboard focus: %s" % names.get(focus, hex(focus))]
        tree = x("xwininfo", "-root", "-tree")
        lines.append((tree or b"").decode(errors="replace").strip())
        if self.window:
            info = x("xwininfo", "-id", self.window) or b""
            lines += ["the window %s: %s" % (self.window, line.strip())
                      for line in info.decode(errors="replace").splitlines()
                      if re.match(r"\s*(Map State|Width|Height|Absolute)", line)]
        return "\n".join(lines)

    def close(self):
        if self.display:
            XLIB.XCloseDisplay(self.display)
            self.display = None

    def picture(self):
        for _ in range(5):
            data = x("xwd", "-root", "-silent", check=True)
            if data:
                break
            time.sleep(0.2)
        else:
            raise Failure("xwd could not read the screen: %s" % x.error)
        return pixels_of(data)

    def find_window(self):
        """The game's top-level window and the origin of its drawing area: the full-screen
        window's child when that one is shown, else the top-level window itself."""
        tree = x("xwininfo", "-root", "-tree")
        if not tree:
            return False
        tree = tree.decode(errors="replace")
        match = re.search(r"Root window id: (0x[0-9a-f]+)", tree)
        self.root = match.group(1) if match else None
        # xwininfo's lines: id, name, size and place in the parent, place on the screen.
        place = r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)"
        top = re.search(r"^\s+(0x[0-9a-f]+) \"Quellon\".*?" + place, tree, re.M)
        if not top:
            return False
        self.window = top.group(1)
        self.size = (int(top.group(2)), int(top.group(3)))
        self.origin = (int(top.group(4)), int(top.group(5)))
        for child in re.finditer(r"^\s+(0x[0-9a-f]+) \(has no name\): \(\)\s+" + place, tree,
                                 re.M):
            if (int(child.group(2)), int(child.group(3))) != self.size:
                continue
            info = x("xwininfo", "-id", child.group(1))
            if info and b"IsViewable" in info:
                self.origin = (int(child.group(4)), int(child.group(5)))
        return True


class Monkey:
    def __init__(self, args):
        self.args = args
        self.xvfb = None
        self.rng = random.Random(args.seed)
        self.screen = Screen()
        self.targets = gui_targets(os.path.join(REPO, "resources", "resources.xml"))
        self.workdir = args.workdir or tempfile.mkdtemp(prefix="quellon-monkey-")
        os.makedirs(self.workdir, exist_ok=True)
        link = os.path.join(self.workdir, "resources")
        if not os.path.exists(link):
            os.symlink(os.path.join(REPO, "resources"), link)
        scores = os.path.join(self.workdir, "highscores.xml")
        if not os.path.exists(scores):
            # Empty tables: a game with any points asks for a name, so name entry is played.
            rows = "".join('  <entry name="-" score="0"/>\n' for _ in range(10))
            with open(scores, "w") as f:
                f.write('<?xml version="1.0" encoding="ISO-8859-1" ?>\n<highscores>\n' +
                        "".join(" <%s>\n%s </%s>\n" % (t, rows, t)
                                for t in ("singleA", "singleB", "multi")) + "</highscores>\n")
        self.events = 0
        self.restarts = 0
        self.focus_given = 0
        self.examinations = []
        self.runs = []
        self.held = set()
        self.counts = {}
        self.actions = self.weighted([
            (self.tap_bound, 60), (self.tap_unbound, 6), (self.hold, 18), (self.type_text, 1.5),
            (self.mouse_move, 6), (self.click_widget, 7), (self.click_anywhere, 2),
            (self.wheel, 2.5), (self.drag, 1.5), (self.focus_change, 0.6),
            (self.switch_mode, 1.5),
        ])
        # Clicking "Yes" in the quit panel ends the program: rarely.
        self.target_weights = [0.1 if t[1] == "btnQuitYes" else 1.0 for t in self.targets]

    @staticmethod
    def weighted(pairs):
        return [p[0] for p in pairs], [p[1] for p in pairs]

    def send(self, *commands, count=1):
        self.events += count
        x("xdotool", *commands)

    # Actions

    def tap_bound(self):
        keys, weights = zip(*BOUND_KEYS.items())
        self.send("key", "--clearmodifiers", self.rng.choices(keys, weights)[0])

    def tap_unbound(self):
        self.send("key", self.rng.choice(UNBOUND_KEYS))

    def hold(self):
        """Holds one to three keys as a player steers and fires, then lets them go."""
        keys = self.rng.sample(HOLD_KEYS, self.rng.choice((1, 1, 2, 3)))
        for key in keys:
            self.send("keydown", key)
            self.held.add(key)
        self.wait(self.rng.uniform(0.05, 1.2))
        for key in keys:
            self.send("keyup", key)
            self.held.discard(key)

    def type_text(self):
        self.send("type", "--delay", "30", self.rng.choice(TEXTS))

    def switch_mode(self):
        """A player's habit: pause, abort the game (Up from "Continue" wraps to "Abort Game"),
        back to the menu from the game over, and start a mode; elsewhere it is just keys."""
        for key, pause in (("p", 0.3), ("Up", 0.2), ("Return", 3.5), ("Escape", 1.5)):
            self.send("key", key)
            self.wait(pause)
        for _ in range(self.rng.randint(0, 2)):
            self.send("key", "Down")
            self.wait(0.2)
        self.send("key", "Return")

    def target(self):
        return self.rng.choices(self.targets, self.target_weights)[0]

    def point(self, rect=None):
        ox, oy = self.screen.origin
        if rect:
            _, _, rx, ry, rw, rh = rect
            return (int(ox + rx + self.rng.uniform(0.1, 0.9) * rw),
                    int(oy + ry + self.rng.uniform(0.1, 0.9) * rh))
        return self.rng.randrange(0, 1280), self.rng.randrange(0, 1024)

    def mouse_move(self):
        px, py = self.point(self.target() if self.rng.random() < 0.7 else None)
        self.send("mousemove", str(px), str(py))

    def click_widget(self):
        px, py = self.point(self.target())
        button = self.rng.choices(["1", "2", "3"], [8, 1, 1])[0]
        self.send("mousemove", str(px), str(py), "click", button, count=2)

    def click_anywhere(self):
        px, py = self.point()
        self.send("mousemove", str(px), str(py), "click", self.rng.choice("123"), count=2)

    def wheel(self):
        steps = self.rng.randint(1, 6)
        self.send("click", "--repeat", str(steps), "--delay", "20", self.rng.choice("45"),
                  count=steps)

    def drag(self):
        """Drags across a slider or any widget: press, move, release."""
        rect = self.rng.choice([t for t in self.targets if t[0] == "Slider_int"] +
                               [self.target()])
        x0, y0 = self.point(rect)
        x1 = x0 + self.rng.randint(-250, 250)
        self.send("mousemove", str(x0), str(y0), "mousedown", "1", "mousemove",
                  str(x1), str(y0), "mouseup", "1", count=4)

    def focus_change(self):
        """Takes the focus away (to the root window), hides the window, or asks for it to be
        minimised, and gives it back a moment later."""
        if not self.screen.find_window() or not self.screen.root:
            return
        window = self.screen.window
        kind = self.rng.choice(("focus", "focus", "unmap", "minimize"))
        if kind == "focus":
            self.send("windowfocus", self.screen.root)
            self.wait(self.rng.uniform(0.1, 2.0))
            self.send("windowfocus", window)
        elif kind == "unmap":
            self.screen.hidden = True
            self.send("windowunmap", window)
            self.wait(self.rng.uniform(0.1, 2.0))
            # A window manager gives a window mapped again the focus; without one it is lost.
            self.send("windowmap", "--sync", window, "windowfocus", window)
            self.screen.hidden = False
        else:
            self.send("windowminimize", window)
            self.wait(self.rng.uniform(0.1, 1.0))
            self.send("windowmap", "--sync", window, "windowfocus", window)
        self.screen.find_window()

    def give_focus(self):
        """As a window manager would: the game's window gets the keyboard focus where no
        window has it (the start, a window mapped again, a change of the video mode)."""
        if self.screen.window and self.screen.focus_lost():
            self.focus_given += 1
            x("xdotool", "windowfocus", self.screen.window)

    # Watching

    def wait(self, seconds):
        end = time.monotonic() + seconds
        while True:
            self.watch()
            left = end - time.monotonic()
            if left <= 0:
                return
            time.sleep(min(0.25, left))

    def watch(self):
        """Checks the program between actions: still running, no report, new pictures."""
        if self.xvfb.poll() is not None:
            raise Failure("the X server ended with status %d" % self.xvfb.returncode)
        program = self.program
        status = program.process.poll()
        if status is not None:
            program.check_stderr()
            if status != 0:
                raise Failure("the program ended with status %d:\n%s" %
                              (status, program.stderr_text()[-4000:]))
            return
        now = time.monotonic()
        if now - self.last_memory >= 2.0:
            self.last_memory = now
            program.sample_memory()
            if len(program.samples) % 15 == 0:
                program.check_memory_trend()
        if now - self.last_picture < 0.5:
            return
        self.last_picture = now
        if self.screen.hidden:
            # Nothing to judge while the window is unmapped.
            self.last_change = now
            return
        picture = self.screen.picture()
        if picture != self.picture:
            self.picture = picture
            self.last_change = self.picture_since = now
            self.probed = False
            self.unanswered = None
            return
        still = now - self.last_change
        limit = HANG_SECONDS + (START_GRACE_SECONDS if program.age() < START_GRACE_SECONDS else 0)
        if still > HANG_SECONDS / 2 and not self.probed:
            # A paused game shows a still picture; the GUI's cursor follows the mouse.
            self.probed = True
            self.send("mousemove", str(self.screen.origin[0] + self.rng.randrange(50, 750)),
                      str(self.screen.origin[1] + self.rng.randrange(50, 550)))
        if still > limit:
            self.probe_screenshot(program)

    def probe_screenshot(self, program):
        """The last probe: the screenshot key must write the file or change the picture. Without
        an answer the program is examined; found running, it gets the focus and Esc, and random
        input goes on until the picture changes or a minute of probes has had no answer."""
        path = os.path.join(self.workdir, "screenshot.png")
        before = os.stat(path).st_mtime_ns if os.path.exists(path) else None
        self.send("key", "F12")
        end = time.monotonic() + HANG_SECONDS
        while time.monotonic() < end:
            time.sleep(0.25)
            if program.process.poll() is not None:
                return
            after = os.stat(path).st_mtime_ns if os.path.exists(path) else None
            if after != before or self.screen.picture() != self.picture:
                self.last_change = time.monotonic()
                self.unanswered = None
                return
        now = time.monotonic()
        still = now - self.picture_since
        if self.unanswered is None or now - self.unanswered >= ANSWER_SECONDS:
            hung = self.examine(program, still)
            if hung:
                last_lines = program.write_backtrace()
                raise Failure("hang: the picture stood still for %.0f s, the screenshot key had "
                              "no answer, and %s (stacks, keyboard focus and window in %s; the "
                              "log's last lines:\n%s)" % (still, hung, program.err_path,
                                                          last_lines))
            if self.unanswered is not None:
                last_lines = program.write_backtrace()
                raise Failure("the program no longer answers: it runs and draws, but its picture "
                              "stood still for %.0f s, %.0f s of them through probes after it was "
                              "found running (the keyboard focus given, Esc, a mouse move, F12; "
                              "stacks, keyboard focus and window in %s; the log's last lines:\n%s)"
                              % (still, now - self.unanswered, program.err_path, last_lines))
            self.unanswered = time.monotonic()
        # A still picture of a running program: the keys went elsewhere (the focus), or a
        # capture of a joystick button takes every key (Esc leaves it); random input goes on.
        self.give_focus()
        self.send("key", "Escape")
        self.last_change = time.monotonic()
        self.probed = False

    def examine(self, program, still):
        """Judges a program whose picture stood still by its main thread: hung when it used no
        CPU time (stopped, or blocked for good) or drew less than a frame a second (a loop that
        spins, or a program that no longer draws) while watched. Writes what it saw, the main thread's
        stacks taken seconds apart, the keyboard focus, the window and the X server's stack
        into the program's error log; returns what says the program is hung, or None."""
        before = program.main_thread()
        frames = self.screen.frames(EXAMINE_SECONDS)
        after = program.main_thread()
        if before is None or after is None:
            return None
        cpu = after[1] - before[1]
        # gdb stops the program while it reads it: the stacks come after the counts.
        stacks = []
        for i in range(3):
            if i:
                time.sleep(1.0)
            stacks.append(gdb(program.process.pid, "thread 1", "bt"))
        in_one_place = len(set(tuple(frames_of(s)) for s in stacks)) == 1 and frames_of(stacks[0])
        if cpu == 0:
            hung = "its main thread used no CPU time in %.0f s (state %s)" % (EXAMINE_SECONDS,
                                                                           after[0])
        elif frames < FRAMES_AT_LEAST:
            hung = ("its main thread ran %d ms but drew %s in %.0f s" %
                    (cpu * 1000 // os.sysconf("SC_CLK_TCK"),
                     "%d frames" % frames if frames else "no frame", EXAMINE_SECONDS) +
                    (", its stacks staying in one place" if in_one_place else ""))
        else:
            hung = None
        window = self.screen.window_state()
        picture = os.path.join(self.workdir, "still.%d.%d.png" % (program.number,
                                                                  len(self.examinations) + 1))
        ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).save(picture)
        seen = ("the picture stood still for %.0f s; in %.0f s the main thread (state %s) used "
                "%d clock ticks and %d frames were drawn (%s; the screen in %s): %s" %
                (still, EXAMINE_SECONDS, after[0], cpu, frames, window.splitlines()[0],
                 os.path.basename(picture), "hung" if hung else "running"))
        self.examinations.append(("hung: " if hung else "running: ") + seen)
        log(seen)
        program.write_evidence(
            seen, "%s\n\nthe main thread's stacks a second apart:\n%s\n\nthe X server's "
            "stack:\n%s" % (window, "\n".join(stacks), gdb(self.xvfb.pid, "bt")))
        return hung

    # The run

    def start(self):
        self.program = Program(self.args.program, self.workdir, len(self.runs) + 1)
        self.runs.append(self.program)
        self.picture = None
        self.last_change = self.picture_since = self.last_picture = self.last_memory = \
            time.monotonic()
        self.probed = False
        # Since when a program found running has answered no probe, or None.
        self.unanswered = None
        # Input during the first seconds would mostly end the start (Escape quits while the
        # images load); the monkey waits for the window.
        end = time.monotonic() + 60
        while not self.screen.find_window():
            if self.program.process.poll() is not None or time.monotonic() > end:
                self.watch()
                raise Failure("the program showed no window within 60 s")
            time.sleep(0.5)
        self.wait(3.0)

    def release_all(self):
        for key in list(self.held):
            x("xdotool", "keyup", key)
        self.held.clear()
        x("xdotool", "mouseup", "1")

    def run(self):
        end = time.monotonic() + self.args.minutes * 60
        self.start()
        self.play(end)
        self.release_all()
        self.watch()
        status = self.program.stop()
        self.program.check_stderr()
        if status != 0:
            raise Failure("the program ended with status %d after SIGTERM" % status)

    def play(self, end):
        """Random input until the end (a time of time.monotonic), watching the program and
        starting it again after a normal end."""
        last_window_check = time.monotonic()
        while time.monotonic() < end:
            if self.program.process.poll() is not None:
                self.watch()
                self.restarts += 1
                log("the program ended normally (run %d); starting it again" % len(self.runs))
                self.release_all()
                self.start()
                continue
            if time.monotonic() - last_window_check > 3:
                last_window_check = time.monotonic()
                self.screen.find_window()
                self.give_focus()
            action = self.rng.choices(*self.actions)[0]
            self.counts[action.__name__] = self.counts.get(action.__name__, 0) + 1
            action()
            self.wait(self.rng.uniform(0.0, 0.12))

    def games(self):
        modes = {}
        for program in self.runs:
            for mode in re.findall(r"New game: ([^.]+)\.", program.stdout_text()):
                modes[mode] = modes.get(mode, 0) + 1
        return modes

    def report(self):
        first = next((p.samples for p in self.runs if p.samples), [])
        last = self.runs[-1].samples if self.runs else []
        modes = self.games()
        log("events sent: %d (%s)" % (self.events, ", ".join(
            "%s %d" % (k, v) for k, v in sorted(self.counts.items()))))
        log("games played: %d (%s)" % (sum(modes.values()), ", ".join(
            "%s %d" % (k, v) for k, v in sorted(modes.items())) or "none"))
        log("normal ends and restarts: %d" % self.restarts)
        log("keyboard focus given to the window where no window had it: %d times; still "
            "pictures of a running program: %d" %
            (self.focus_given, sum(e.startswith("running") for e in self.examinations)))
        if first and last:
            settled = [m for t, m in first if t >= MEMORY_WARMUP_SECONDS] or [first[-1][1]]
            log("resident memory: %.0f MB at the start (after the first minute: %.0f MB), "
                "%.0f MB at the end, highest %.0f MB" %
                (first[0][1], settled[0], last[-1][1],
                 max(m for p in self.runs for _, m in p.samples)))
        errors = sum(len(re.findall(r"\((error|critical)\)", p.stdout_text())) for p in self.runs)
        warnings = sum(len(re.findall(r"\(warning\)", p.stdout_text())) for p in self.runs)
        log("the program's log: %d warnings, %d errors" % (warnings, errors))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--minutes", type=float, default=2.0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--workdir", help="working directory of the program (default: new)")
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    # A test runner's time-out ends the run in order: the program and the X server go too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("monkey: terminated"))
    monkey = Monkey(args)
    log("seed %d, %.1f minutes, program %s, directory %s" %
        (args.seed, args.minutes, args.program, monkey.workdir))
    failed = None
    xvfb = monkey.xvfb = start_xvfb()
    try:
        monkey.run()
        for program in monkey.runs:
            program.check_memory_trend()
    except Failure as failure:
        failed = str(failure)
    finally:
        monkey.release_all()
        if monkey.runs and monkey.runs[-1].process.poll() is None:
            monkey.runs[-1].process.kill()
            monkey.runs[-1].process.wait()
        monkey.screen.close()
        xvfb.terminate()
        xvfb.wait()
    monkey.report()
    if not failed and not args.workdir:
        shutil.rmtree(monkey.workdir, ignore_errors=True)
    if failed:
        log("FAILED (seed %d, after %d events; logs in %s): %s" %
            (args.seed, monkey.events, monkey.workdir, failed))
        print("monkey: 0 passed, 1 failed")
        sys.exit(1)
    print("monkey: 1 passed, 0 failed")


if __name__ == "__main__":
    main()
