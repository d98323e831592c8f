"""Input evaluators: triggers with their codes and default bindings."""

from .xmlout import E

# Joystick axes: a dead zone of 4000 and full scale at 30000 raw units.
DEAD, FULL = 4000, 30000


def key(name, value=None, state=None):
    return E("keyTranslator", key=name, value=value, state=state)


def joy_button(joy, button, value=None):
    return E("joyButtonTranslator", joy=joy, button=button, value=value)


def joy_axis(joy, axis, direction):
    return E("joyAxisTranslator", joy=joy, axis=axis, direction=direction, min=DEAD, max=FULL)


def trigger(name, code, description, children=(), **kw):
    return E("trigger", dict(code=code, name=name, description=description), list(children), **kw)


def axis(name, code, description, children=()):
    return E("axis", dict(code=code, name=name, description=description, max=1), list(children))


# Triggers fired by GUI widgets (by their full names "evaluatorGui.<name>").
# This evaluator has no bindings and is never put in the control queue.
GUI_TRIGGERS = [
    ("back", 1, "Back", {}),
    ("confirm", 2, "Confirm", {}),
    ("fullscreen", 3, "Toggle full screen", {}),
    ("startGameA", 100, "Start single player mode A", {}),
    ("startGameB", 101, "Start single player mode B", {}),
    ("startMultiplayer", 102, "Start multiplayer", {}),
    ("settings", 103, "Open settings", {}),
    ("credits", 104, "Open credits", {}),
    ("controlsSingle", 120, "Single player controls", {"data": 0}),
    ("controlsMulti1", 121, "Player 1 controls", {"data": 0}),
    ("controlsMulti2", 121, "Player 2 controls", {"data": 1}),
    ("getKeyLeft", 122, "Bind left", {"data": -1, "dataString": "x"}),
    ("getKeyRight", 122, "Bind right", {"data": 1, "dataString": "x"}),
    ("getKeyUp", 122, "Bind up", {"data": -1, "dataString": "y"}),
    ("getKeyDown", 122, "Bind down", {"data": 1, "dataString": "y"}),
    ("getKeyFire", 122, "Bind fire", {"data": 0, "dataString": "fire"}),
    ("getKeyShield", 122, "Bind shield", {"data": 0, "dataString": "shield"}),
    ("getKeyTimeWarp", 122, "Bind time warp", {"data": 0, "dataString": "timewarp"}),
    ("getKeyPause", 122, "Bind pause", {"data": 0, "dataString": "pause"}),
    ("capturedKey", 123, "A key was captured", {}),
    ("capturedJoyButton", 124, "A joystick button was captured", {}),
    ("capturedJoyAxis", 125, "A joystick axis was captured", {}),
    ("soundSettings", 126, "Open sound settings", {}),
    ("volumeSounds", 127, "Effects volume changed", {}),
    ("volumeMusic", 128, "Music volume changed", {}),
    ("abortGame", 201, "Abort the game", {}),
]


def evaluators():
    """The evaluator elements, in the order the GUI's readers need them."""
    gui = E("inputEvaluator", name="evaluatorGui", comment="triggers that GUI widgets fire")
    for name, code, desc, extra in GUI_TRIGGERS:
        gui.add(trigger(name, code, desc, **extra))

    core = E("inputEvaluator", name="evaluatorCore", comment="active in every state")
    core.add(
        trigger("back", 1, "Back", [key("esc")]),
        trigger("fullscreen", 3, "Toggle full screen", [key("f11")]),
        trigger("screenshot", 4, "Screenshot", [key("f12"), key("printscreen")]),
        # also queued by the game when the window loses the input focus
        trigger("pause", 5, "Pause", [key("pause")]),
    )

    menu = E("inputEvaluator", name="evaluatorMenu", comment="the title menu")
    menu.add(
        trigger("back", 1, "Back", [key("esc"), joy_button(-1, 1)]),
        trigger("confirm", 2, "Confirm", [key("return"), key("enter")]),
    )

    game = E("inputEvaluator", name="evaluatorGameCore", comment="a running game")
    game.add(
        trigger("back", 1, "Back", [key("esc")]),
        trigger("confirm", 2, "Confirm", [key("return"), key("enter")]),
        trigger("menu", 5, "In-game menu", [key("p")]),
    )

    player = E("inputEvaluator", name="evaluatorGamePlayer", comment="a player's ship; cloned for two players")
    player.add(
        axis("x", 202, "Horizontal", [key("left", -1), key("right", 1), joy_axis(0, 0, -1), joy_axis(0, 0, 1)]),
        axis("y", 203, "Vertical", [key("up", -1), key("down", 1), joy_axis(0, 1, -1), joy_axis(0, 1, 1)]),
        trigger("fire", 204, "Fire", [key("space"), joy_button(0, 0)], defaultKeyState="pressed"),
        trigger("shield", 205, "Shield", [key("x"), joy_button(0, 1)], defaultKeyState="pressed"),
        trigger("timewarp", 206, "Time Warp", [key("c"), joy_button(0, 2)]),
        # code 1 (back) pauses a game; it takes joystick buttons only
        trigger("pause", 1, "Pause", [joy_button(0, 7)]),
    )
    return [gui, core, menu, game, player]


# The two multiplayer ships share one keyboard: player 1 flies the right ship from the arrow keys
# and the keys around them, player 2 the left ship from W, A, S, D and the keys around them;
# each has a joystick of its own. No key serves both.
MULTI_CONTROLS = [
    ("multi 1", 0, dict(left="left", right="right", up="up", down="down",
                        fire="rctrl", shield="rshift", timewarp="end")),
    ("multi 2", 1, dict(left="a", right="d", up="w", down="s",
                        fire="lctrl", shield="lshift", timewarp="q")),
]


def default_controls():
    """The settings-file document holding the multiplayer players' default bindings."""
    root = E("settings", comment="default controls of the two multiplayer players")
    for group, joy, keys in MULTI_CONTROLS:
        root.add(E("controls", {"name": group}, [
            E("trigger", {"name": "fire"}, [key(keys["fire"]), joy_button(joy, 0)]),
            E("trigger", {"name": "pause"}, [joy_button(joy, 7)]),
            E("trigger", {"name": "shield"}, [key(keys["shield"]), joy_button(joy, 1)]),
            E("trigger", {"name": "timewarp"}, [key(keys["timewarp"]), joy_button(joy, 2)]),
            E("trigger", {"name": "x"}, [key(keys["left"], -1), key(keys["right"], 1),
                                         joy_axis(joy, 0, -1), joy_axis(joy, 0, 1)]),
            E("trigger", {"name": "y"}, [key(keys["up"], -1), key(keys["down"], 1),
                                         joy_axis(joy, 1, -1), joy_axis(joy, 1, 1)]),
        ]))
    return root


def describe():
    """Rows for the report: (evaluator, trigger, code, bindings)."""
    rows = []
    for ev in evaluators():
        evname = dict(ev.attrs)["name"]
        for t in ev.children:
            if isinstance(t, str):
                continue
            a = dict(t.attrs)
            binds = []
            for tr in t.children:
                b = dict(tr.attrs)
                if tr.name == "keyTranslator":
                    binds.append("key %s%s" % (b["key"], "" if b.get("value") is None else " (%+d)" % b["value"]))
                elif tr.name == "joyButtonTranslator":
                    binds.append("joy %s button %s" % (b["joy"], b["button"]))
                else:
                    binds.append("joy %s axis %s %s" % (b["joy"], b["axis"], "+" if b["direction"] > 0 else "-"))
            rows.append((evname, a["name"], a["code"], ", ".join(binds)))
    return rows
