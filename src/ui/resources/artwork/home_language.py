"""The home view's pictures that carry text: the scan button (three states)
and the banner, one set per language, with the language's own texts from
language.ini drawn in a font that has the script's glyphs.

The scan button says "home_start_scan". The banner shows two features: the
weekly scan ("config_scheduled_task", "config_enable_scheduled_automatic_scan")
and signed drivers ("download_cbb_best", "sidebar_whql")."""
from PIL import Image, ImageDraw

import glyphs
from language_texts import text_of
from paint import Canvas, draw_text, font, rgb, text_width, wrap
from skin_pictures import BAND, SIDE_EDGE, WHITE

# (language section, first id of the scan button's three images, banner id)
# as the program picks them by the interface language; Chinese and any
# language without its own pictures use the English ones.
LANGUAGE_PICTURES = (
    ("English", 290, 300),
    ("العربية", 416, 412),
    ("Nederlands", 419, 413),
    ("Português", 422, 414),
    ("Italiano", 425, 415),
    ("Deutsch", 456, 452),
    ("Français", 459, 453),
    ("日本語", 462, 454),
    ("Español", 465, 455),
)

RIGHT_TO_LEFT = {"العربية"}

# Fonts tried in order per language; the first that has every glyph of a
# text draws it (the Arabic texts quote Latin names).
_FACES = {
    "日本語": ("Noto Sans CJK JP", "DejaVu Sans"),
    "العربية": ("Noto Sans Arabic", "DejaVu Sans"),
}
_LATIN_FACES = ("Noto Sans", "DejaVu Sans")


def _glyph(face, ch):
    picture = Image.new("L", (face.size * 2, face.size * 2), 0)
    ImageDraw.Draw(picture).text((2, 2), ch, font=face, fill=255)
    return picture.tobytes()


def _covers(face, text):
    """Whether every character draws as itself, not as the missing-glyph box."""
    missing = _glyph(face, "\U000EFFFD")
    return all(ch.isspace() or _glyph(face, ch) != missing for ch in set(text))


def face_for(language, text, pixels, bold):
    families = _FACES.get(language, _LATIN_FACES)
    for family in families:
        candidate = font(family + (":bold" if bold else ""), pixels)
        if _covers(candidate, text):
            return candidate, family + (":bold" if bold else "")
    raise RuntimeError(f"no installed font has every glyph of {text!r} ({language})")


def _fit(language, text, max_width, largest, smallest, bold, direction):
    """The largest font from largest down in which text fits on one line."""
    face, pattern = face_for(language, text, largest, bold)
    size = largest
    while size > smallest and text_width(face, text, direction) > max_width:
        size -= 1
        face = font(pattern, size)
    return face


# -- scan button ----------------------------------------------------------------
_SCAN_COLOURS = {  # face top, face bottom, lip
    "normal": ("#3590E6", "#1B62B3", "#134B8A"),
    "hover": ("#4AA2F2", "#2573C6", "#134B8A"),
    "pressed": ("#1D64B5", "#155092", None),
}


def scan_button(sections, language, state):
    """450 by 120: a large flat button with a magnifier and the words."""
    top, bottom, lip = _SCAN_COLOURS[state]
    rtl = language in RIGHT_TO_LEFT
    shift = 0 if lip else 4
    c = Canvas(450, 120)
    if lip:
        c.rounded((4, 8, 446, 116), 16, fill=rgb(lip))
    face_box = (4, 4 + shift, 446, 112 + shift)
    c.rounded(face_box, 16, fill=c.vertical_gradient(rgb(top), rgb(bottom), face_box[1], face_box[3]),
              outline=rgb("#FFFFFF", 60), width=1.2)
    circle_x = 382 if rtl else 68
    cy = 58 + shift
    c.ellipse((circle_x - 38, cy - 38, circle_x + 38, cy + 38), fill=WHITE)
    glyphs.magnifier(c, circle_x + 2, cy + 2, 46, rgb("#1F6FC5"))
    picture = c.picture()

    text = text_of(sections, language, "home_start_scan")
    direction = "rtl" if rtl else None
    face = _fit(language, text, 300, 40, 16, True, direction)
    text_x = 175 if rtl else 275
    draw_text(picture, (text_x, cy), text, face, WHITE, direction, anchor="mm")
    return picture


# -- banner ---------------------------------------------------------------------
def _feature(picture, language, left, right, draw_icon, title, body, rtl):
    """One half of the banner: a round icon and a title over a wrapped text."""
    c = Canvas(picture.width, picture.height)
    icon_x = right - 32 if rtl else left + 32
    c.ellipse((icon_x - 22, 28, icon_x + 22, 72), fill=c.vertical_gradient(rgb("#3A8BE0"), BAND, 28, 72))
    draw_icon(c, icon_x, 50)
    picture.alpha_composite(c.picture())

    direction = "rtl" if rtl else None
    text_left, text_right = (left + 8, right - 62) if rtl else (left + 62, right - 8)
    width = text_right - text_left
    title_face = _fit(language, title, width, 15, 10, True, direction)
    # the body shrinks until all of it fits below the title
    for size in range(12, 7, -1):
        body_face = face_for(language, body, size, False)[0]
        lines = wrap(body_face, body, width, direction)
        line_height = round(size * 1.35)
        if 19 + line_height * len(lines) <= picture.height - 12:
            break
    else:
        raise RuntimeError(f"{language}: the banner text does not fit: {body!r}")
    # lines are placed by their baselines, so scripts with tall ascenders
    # line up with the others
    block = 19 + line_height * len(lines)
    top = (picture.height - block) // 2
    x, anchor = (text_right, "rs") if rtl else (text_left, "ls")
    draw_text(picture, (x, top + 14), title, title_face, BAND, direction, anchor)
    for index, line in enumerate(lines):
        baseline = top + 19 + index * line_height + size
        draw_text(picture, (x, baseline), line, body_face, rgb("#46709E"), direction, anchor)


def banner(sections, language):
    """520 by 100 under the home view's automatic-scan line."""
    rtl = language in RIGHT_TO_LEFT
    c = Canvas(520, 100)
    c.rounded((0, 0, 520, 100), 8, fill=c.vertical_gradient(WHITE, rgb("#EAF3FD")), outline=SIDE_EDGE)
    c.line([(260, 16), (260, 84)], SIDE_EDGE, 1)
    picture = c.picture()

    def text(key):
        return text_of(sections, language, key)

    clock = lambda c, x, y: glyphs.clock(c, x, y, 26, WHITE)  # noqa: E731
    shield = lambda c, x, y: glyphs.shield_check(c, x, y, 26, WHITE, BAND)  # noqa: E731
    halves = [(clock, "config_scheduled_task", "config_enable_scheduled_automatic_scan"),
              (shield, "download_cbb_best", "sidebar_whql")]
    if rtl:
        halves.reverse()  # read from the right: the weekly scan comes first
    for (left, right), (icon, title, body) in zip(((4, 256), (264, 516)), halves):
        _feature(picture, language, left, right, icon, text(title), text(body), rtl)
    return picture


def language_pictures(sections):
    """{resource id: picture} of every language's scan button and banner."""
    pictures = {}
    for language, button_id, banner_id in LANGUAGE_PICTURES:
        if language not in sections:
            raise KeyError(f"language.ini has no section [{language}]")
        for offset, state in enumerate(("normal", "hover", "pressed")):
            pictures[button_id + offset] = scan_button(sections, language, state)
        pictures[banner_id] = banner(sections, language)
    return pictures

