"""The one palette every picture draws from."""

HULL_LIGHT = (0.80, 0.83, 0.88)
HULL_MID = (0.56, 0.60, 0.68)
HULL_DARK = (0.30, 0.33, 0.40)
HULL_DEEP = (0.18, 0.20, 0.26)
GLASS = (0.30, 0.80, 1.00)
PLASMA = (0.45, 0.78, 1.00)
WHITE = (1.0, 1.0, 1.0)

RED = (0.92, 0.20, 0.18)      # player 1
BLUE = (0.20, 0.48, 1.00)     # player 2

FOE_HULL = (0.62, 0.33, 0.32)
FOE_DARK = (0.32, 0.16, 0.18)
FOE_ACCENT = (1.00, 0.52, 0.12)
FOE_LIGHT = (1.00, 0.80, 0.25)

LASER_GREEN = (0.35, 1.00, 0.45)
LASER_RED = (1.00, 0.32, 0.18)

ROCK = (0.80, 0.77, 0.73)

FIRE_RAMP = [
    (0.00, (0.00, 0.00, 0.00)),
    (0.18, (0.45, 0.06, 0.02)),
    (0.40, (0.95, 0.32, 0.06)),
    (0.65, (1.00, 0.60, 0.14)),
    (0.85, (1.00, 0.82, 0.40)),
    (1.00, (1.00, 1.00, 0.95)),
]

# Extras, containers and HUD gauges share these colour codes.
C_LASER = (0.35, 1.00, 0.45)
C_SPEED = (1.00, 0.88, 0.22)
C_FIRE = (1.00, 0.50, 0.14)
C_SHIELD = (0.30, 0.70, 1.00)
C_WARP = (0.72, 0.42, 1.00)
C_SCORE = (0.55, 1.00, 0.95)

GUI_PANEL = (0.04, 0.07, 0.15)
GUI_EDGE = (0.36, 0.66, 0.88)
GUI_FOCUS = (1.00, 0.74, 0.20)
GUI_TEXT = (0.82, 0.90, 1.00)
