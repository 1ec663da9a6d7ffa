"""The views' pictures: home, scan, results, backup and restore, settings."""
from PIL import Image

import glyphs
from paint import Canvas, draw_text, font, rgb
from skin_pictures import BAND, FRAME, HEADING, SIDE_BAR, SIDE_EDGE, WHITE

OUT_OF_DATE = rgb("#E23B30")
NO_DRIVER = rgb("#F2C200")
UP_TO_DATE = rgb("#1FAE2A")
TOTAL = rgb("#3E86CF")


def keyed(picture, backdrop, key):
    """An opaque picture for drawing with a transparent colour: the edges
    are blended over the colour it will stand on, and every pixel the
    drawing leaves empty is exactly the key colour."""
    base = Image.new("RGBA", picture.size, backdrop)
    base.alpha_composite(picture)
    alpha = picture.getchannel("A")
    key_fill = Image.new("RGBA", picture.size, key)
    empty = alpha.point(lambda a: 255 if a == 0 else 0)
    base.paste(key_fill, (0, 0), empty)
    return base


def tile(width, height, top, bottom, last_row=None):
    """An opaque band tile for pattern brushes."""
    c = Canvas(width, height)
    c.rect((0, 0, width, height), c.vertical_gradient(top, bottom))
    picture = c.picture()
    if last_row:
        picture.paste(last_row, (0, height - 1, width, height))
    return picture


# -- home -------------------------------------------------------------------
def home_separator():
    """293, 18 by 2: a dashed light-blue rule."""
    picture = Image.new("RGBA", (18, 2), WHITE)
    picture.paste(SIDE_EDGE, (0, 0, 12, 1))
    picture.paste(SIDE_BAR, (0, 1, 12, 2))
    return picture


def auto_scan_icon():
    """294, 24 by 24: clock hands inside a repeating arrow."""
    c = Canvas(24, 24)
    glyphs.circular_arrow(c, 12, 12, 26, HEADING, 2.0, gap_at=250)
    c.line([(12, 7.5), (12, 12), (15, 14)], HEADING, 1.8)
    return c.picture()


def step_picture():
    """297, 470 by 70: three numbered steps on a light strip; the program
    writes the step names at x 26, 226 and 399, y 25."""
    picture = Image.new("RGBA", (470, 70), (0, 0, 0, 0))
    c = Canvas(470, 70)
    c.rounded((0, 14, 470, 56), 8, fill=rgb("#F4F8FE"), outline=rgb("#E2F0FD"))
    c.line([(12, 63), (458, 63)], SIDE_EDGE, 2)
    for x in (112, 299, 422):  # the way from one step to the next
        c.polygon([(x - 3, 58.5), (x + 3, 63), (x - 3, 67.5)], FRAME)
    for x in (12, 212, 386):
        c.ellipse((x - 10, 25, x + 10, 45), fill=HEADING)
        c.ellipse((x - 4, 59, x + 4, 67), fill=FRAME, outline=WHITE, width=1.5)
    picture.alpha_composite(c.picture())
    number_font = font("Noto Sans:bold", 13)
    for number, x in ((1, 12), (2, 212), (3, 386)):
        draw_text(picture, (x, 35), str(number), number_font, WHITE, anchor="mm")
    return picture


def home_header_tile():
    """298, 5 by 40: white shading to light blue with a rule below."""
    return tile(5, 40, WHITE, rgb("#EAF3FD"), SIDE_EDGE)


def side_bar_icon():
    """295, 48 by 48: a computer; drawn with white as its transparent colour
    on the light-blue side bar."""
    c = Canvas(48, 48)
    glyphs.monitor(c, 24, 24, 44, rgb("#2F6DB0"), c.vertical_gradient(rgb("#7DB6EE"), rgb("#3E86CF"), 6, 32))
    glyphs.info(c, 24, 19, 14, rgb("#F4F8FE"))
    return keyed(c.picture(), SIDE_BAR, WHITE)


# -- scan -------------------------------------------------------------------
def scan_picture():
    """301, 60 by 60: a magnifier over a chip."""
    c = Canvas(60, 60)
    c.ellipse((2, 2, 58, 58), fill=rgb("#E2F0FD"))
    glyphs.chip(c, 26, 26, 34, HEADING)
    c.ellipse((26, 26, 50, 50), fill=rgb("#FFFFFF", 170), outline=BAND, width=3.5)
    c.line([(46.5, 46.5), (56, 56)], BAND, 5.5)
    return c.picture()


def progress_tile(width, segment=None):
    """302 (520 by 20): diagonal stripes that tile both ways; 474 (65 by 20):
    one block of a segmented bar with a band-coloured gap."""
    c = Canvas(width, 20)
    c.rect((0, 0, width, 20), c.vertical_gradient(rgb("#6CAEEB"), rgb("#2C76C7")))
    if segment is None:
        for x in range(-20, width + 20, 20):
            c.polygon([(x, 20), (x + 10, 20), (x + 30, 0), (x + 20, 0)], rgb("#FFFFFF", 40))
    picture = c.picture()
    picture.paste(rgb("#A9D0F5"), (0, 0, width, 1))
    if segment is not None:
        picture.paste(BAND, (width - segment, 0, width, 20))
    return picture


def scan_header_picture():
    """303, 160 by 60: the kinds of devices a scan looks at."""
    c = Canvas(160, 60)
    for x, draw in ((30, lambda c, x: glyphs.monitor(c, x, 30, 24, HEADING, rgb("#E2F0FD"))),
                    (80, lambda c, x: glyphs.chip(c, x, 30, 26, HEADING)),
                    (130, lambda c, x: glyphs.download(c, x, 31, 22, HEADING))):
        c.ellipse((x - 22, 8, x + 22, 52), fill=rgb("#F4F8FE"), outline=SIDE_EDGE, width=1.2)
        draw(c, x)
    return c.picture()


# -- results ------------------------------------------------------------------
def status_icon(kind):
    """359-361 and 364, 16 by 16, drawn with black as the transparent colour
    on white rows."""
    c = Canvas(16, 16)
    fill = {"no_driver": NO_DRIVER, "out_of_date": OUT_OF_DATE, "up_to_date": UP_TO_DATE, "total": TOTAL}[kind]
    c.ellipse((0.5, 0.5, 15.5, 15.5), fill=fill)
    if kind == "no_driver":
        glyphs.exclamation(c, 8, 8.3, 12, rgb("#5A4300"))
    elif kind == "out_of_date":
        glyphs.arrow_up(c, 8, 8.4, 11, WHITE, 1.9)
    elif kind == "up_to_date":
        glyphs.check(c, 8, 8.2, 10, WHITE, 2.0)
    else:
        glyphs.list_lines(c, 8, 8, 12, WHITE)
    return keyed(c.picture(), WHITE, (0, 0, 0, 255))


def results_header_icon():
    """365, 38 by 32, on the dark header: a chip with an update arrow."""
    c = Canvas(38, 32)
    glyphs.chip(c, 16, 16, 30, WHITE)
    c.ellipse((21, 13, 37, 29), fill=rgb("#F6C000"), outline=BAND, width=1.2)
    glyphs.arrow_up(c, 29, 21.3, 11, BAND, 2.0)
    return c.picture()


# -- backup, restore ------------------------------------------------------------
def small_heading_icon(kind):
    """471 backup settings, 472 details, 475 restore settings; 16 by 16."""
    c = Canvas(16, 16)
    if kind == "details":
        c.ellipse((0.5, 0.5, 15.5, 15.5), fill=HEADING)
        glyphs.info(c, 8, 8.3, 11, WHITE)
    elif kind == "backup":
        glyphs.archive(c, 8, 8, 15, HEADING)
    else:
        glyphs.circular_arrow(c, 8, 8, 16, HEADING, 1.7)
    return c.picture()


def settings_divider():
    """332, 2 by 160: a vertical rule between the settings' two columns,
    fading out at both ends."""
    picture = Image.new("RGBA", (2, 160), (0, 0, 0, 0))
    for y in range(160):
        fade = min(y, 159 - y) / 40.0
        alpha = round(255 * min(fade, 1.0))
        picture.putpixel((0, y), SIDE_EDGE[:3] + (alpha,))
        picture.putpixel((1, y), WHITE[:3] + (alpha,))
    return picture
