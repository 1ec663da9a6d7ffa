"""The window frame's pictures: caption band, caption and navigation buttons,
logo, dialog close button, message box and about dialog pictures, and the
flat buttons every view shares."""
from PIL import Image

import glyphs
from paint import Canvas, draw_text, font, mix, rgb

BAND = rgb("#155092")
BAND_LIGHT = rgb("#1D5FA6")
BAND_DARK = rgb("#0E3C70")
CAPTION_TEXT = rgb("#E9F3FF")
HEADING = rgb("#4C92CE")
SIDE_BAR = rgb("#E2F0FD")
SIDE_EDGE = rgb("#C2DAF4")
FRAME = rgb("#8AB9F1")
WHITE = rgb("#FFFFFF")
CLOSE_RED = rgb("#D9403A")
CLOSE_RED_DARK = rgb("#A92A25")

STATES = ("normal", "hover", "pressed")

# Flat buttons: fill, edge and the darker lip along the bottom, per state.
# "light" buttons stand on white or light-blue areas, "dark" ones on the band.
_BUTTON_COLOURS = {
    "light": {"normal": ("#2C76C7", "#1F62AC", "#1B5595"),
              "hover": ("#3D8ADB", "#2C76C7", "#1F62AC"),
              "pressed": ("#1B5595", "#154A85", None)},
    "dark": {"normal": ("#2B6CB5", "#5A93D3", "#0E3C70"),
             "hover": ("#3A80CB", "#8AB9F1", "#0E3C70"),
             "pressed": ("#0E3C70", "#2B6CB5", None)},
}


def flat_button(width, height, state, family="light", radius=4):
    """A flat rounded button; the program draws its label over it. Pressed
    loses the lip, so the face looks pushed in."""
    fill, edge, lip = _BUTTON_COLOURS[family][state]
    c = Canvas(width, height)
    if lip:
        c.rounded((0, 1, width, height), radius, fill=rgb(lip))
        face = (0, 0, width, height - 1.5)
    else:
        face = (0, 1, width, height)
    top = mix(rgb(fill), WHITE, 0.08)
    c.rounded(face, radius, fill=c.vertical_gradient(top, rgb(fill), face[1], face[3]), outline=rgb(edge))
    return c.picture()


def solid(width, height, colour):
    return Image.new("RGBA", (width, height), colour)


# -- caption band --------------------------------------------------------------
def caption_tile():
    """273: the top 24 pixels of the main window's band."""
    c = Canvas(5, 24)
    c.rect((0, 0, 5, 24), c.vertical_gradient(BAND_LIGHT, BAND))
    c.rect((0, 0, 5, 1), rgb("#2D6CB2"))
    return c.picture()


def _restore_glyph(c, x, y, colour=CAPTION_TEXT):
    # the back window shows only where the front one leaves it
    for box in ((x - 2, y - 5, x + 6, y - 3), (x + 5, y - 5, x + 6, y + 3), (x + 3, y + 2, x + 6, y + 3),
                (x - 2, y - 5, x - 1, y - 2)):
        c.rect(box, colour)
    c.rect((x - 5, y - 2, x + 3, y + 6), colour)
    c.erase((x - 4, y, x + 2, y + 5))


# Caption glyphs on whole pixels, so their lines stay sharp; (x, y) is the
# pixel centre of the button rounded down.
_CAPTION_GLYPHS = {
    "dropdown": lambda c, x, y: c.polygon([(x - 4.5, y - 1.5), (x + 4.5, y - 1.5), (x, y + 3.5)], CAPTION_TEXT),
    "minimise": lambda c, x, y: c.rect((x - 5, y + 3, x + 5, y + 5), CAPTION_TEXT),
    "maximise": lambda c, x, y: (c.rect((x - 5, y - 5, x + 5, y + 5), CAPTION_TEXT),
                                 c.erase((x - 4, y - 3, x + 4, y + 4))),
    "restore": _restore_glyph,
    "close": lambda c, x, y: glyphs.cross(c, x + 0.5, y + 0.5, 14, CAPTION_TEXT, 1.7),
}


def caption_button(kind, state, width, height=21):
    """274-288 and the dialogs' 323-325: a white glyph; hover lightens,
    pressed darkens, and close turns red."""
    c = Canvas(width, height)
    closing = kind == "close"
    if state == "hover":
        c.rounded((0, 0, width, height), 2, fill=CLOSE_RED if closing else rgb("#FFFFFF", 48))
    elif state == "pressed":
        c.rounded((0, 0, width, height), 2, fill=CLOSE_RED_DARK if closing else rgb("#000000", 70))
    picture = c.picture()
    glyph = Canvas(width, height)  # its own layer: erasing inside it keeps the background
    _CAPTION_GLYPHS[kind](glyph, width // 2, height // 2)
    picture.alpha_composite(glyph.picture())
    return picture


# -- navigation buttons ----------------------------------------------------------
_NAV_GLYPHS = {
    "home": glyphs.house,
    "download": glyphs.download,
    "backup": glyphs.archive,
    "restore": lambda c, x, y, s, col: glyphs.circular_arrow(c, x, y, s * 1.05, col, s * 0.1),
    "settings": lambda c, x, y, s, col: glyphs.gear(c, x, y, s * 0.95, col),
}


def nav_button(kind, state):
    """80 by 70: the glyph in the upper part, room below for the label the
    program draws (white, or #4C92CE while pressed)."""
    c = Canvas(80, 70)
    colour = CAPTION_TEXT
    if state == "hover":
        c.rounded((2, 0, 78, 68), 6, fill=rgb("#FFFFFF", 36), outline=rgb("#FFFFFF", 80))
    elif state == "pressed":
        c.rounded((2, 0, 78, 68), 6, fill=rgb("#F4F8FE"), outline=rgb("#FFFFFF"))
        colour = BAND
    picture = c.picture()
    # the glyph on a layer of its own, so its holes show the button behind
    glyph = Canvas(80, 70)
    _NAV_GLYPHS[kind](glyph, 40, 24, 34, colour)
    picture.alpha_composite(glyph.picture())
    return picture


# -- logo and product mark -------------------------------------------------------
def product_mark(size, badge=False):
    """The product's mark: a blue rounded square with a chip and an upward
    arrow; the tray's attention form adds an orange badge."""
    c = Canvas(size, size)
    m = max(size * 0.03, 0.5)
    c.rounded((m, m, size - m, size - m), size * 0.2, fill=c.vertical_gradient(rgb("#3A8BE0"), rgb("#134B8A")),
              outline=rgb("#0E3C70"), width=max(size / 32, 0.75))
    if size >= 24:
        glyphs.chip(c, size / 2, size / 2, size * 0.78, rgb("#A9CFF5"), pins=size >= 32)
    # the arrow with a band-blue rim, so it stands out from the chip
    arrow_size = size * (0.62 if size >= 24 else 0.78)
    stroke = size * (0.13 if size >= 24 else 0.17)
    centre_y = size / 2 + size * 0.02
    if size >= 24:
        glyphs.arrow_up(c, size / 2, centre_y, arrow_size, rgb("#134B8A"), stroke + size * 0.08)
    glyphs.arrow_up(c, size / 2, centre_y, arrow_size, rgb("#5EE06E"), stroke)
    if badge:
        r = size * 0.24
        cx, cy = size - r - m * 0.5, r + m * 0.5
        c.ellipse((cx - r, cy - r, cx + r, cy + r), fill=rgb("#F28C1E"), outline=rgb("#FFFFFF"),
                  width=max(size / 24, 0.75))
        if size >= 24:
            glyphs.exclamation(c, cx, cy, r * 1.5, rgb("#FFFFFF"))
    return c.picture()


def logo():
    """335, 184 by 50, on the band: the mark and the product's name."""
    picture = Image.new("RGBA", (184, 50), (0, 0, 0, 0))
    picture.alpha_composite(product_mark(40), (4, 5))
    draw_text(picture, (52, 4), "Tavrill", font("Noto Sans:bold", 22), WHITE)
    draw_text(picture, (53, 30), "Driver Updater", font("Noto Sans", 13), rgb("#BFD9F7"))
    return picture


# -- message box and about dialog -------------------------------------------------
def message_icon(kind):
    """351 error, 352 warning, 353 information, 354 question; 48 by 48."""
    c = Canvas(48, 48)
    if kind == "warning":
        c.polygon([(24, 4), (45, 42), (3, 42)], rgb("#F2A81D"))
        c.polygon([(24, 8.5), (41.5, 40), (6.5, 40)], c.vertical_gradient(rgb("#FFD25A"), rgb("#F5B12A")))
        glyphs.exclamation(c, 24, 28, 22, rgb("#5A3B00"))
        return c.picture()
    fills = {"error": ("#F0605A", "#C7302B"), "information": ("#5AA3EA", "#1F63AD"),
             "question": ("#5AA3EA", "#1F63AD")}[kind]
    c.ellipse((3, 3, 45, 45), fill=c.vertical_gradient(rgb(fills[0]), rgb(fills[1])))
    c.ellipse((3, 3, 45, 45), outline=rgb("#FFFFFF", 90), width=1.2)
    draw = {"error": lambda: glyphs.cross(c, 24, 24, 28, WHITE, 4.2),
            "information": lambda: glyphs.info(c, 24, 25, 28, WHITE),
            "question": lambda: glyphs.question(c, 24, 25, 28, WHITE)}[kind]
    draw()
    return c.picture()


def about_separator():
    """341, 460 by 2: an engraved line on the band."""
    picture = Image.new("RGBA", (460, 2), BAND_DARK)
    picture.paste(rgb("#3472B8"), (0, 1, 460, 2))
    return picture
