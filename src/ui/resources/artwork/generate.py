#!/usr/bin/env python3
"""Makes the program's skin bitmaps and icons from the drawings in this
folder and the texts of language.ini:

    generate.py LANGUAGE_INI OUTPUT_DIR

writes OUTPUT_DIR/bmp/<id>.bmp (32-bit, premultiplied alpha), the icons
OUTPUT_DIR/ico/<id>.ico (16 to 48 pixels, 32-bit DIB entries), the resource
script OUTPUT_DIR/artwork.rc that names them by number, the setup program's
wizard picture OUTPUT_DIR/setup/wizard.bmp (164 x 314, 24-bit: the wizard
draws it without alpha), and a contact sheet OUTPUT_DIR/artwork_sheet.png
to look at."""
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import contact_sheet  # noqa: E402
import skin_pictures as skin  # noqa: E402
import view_pictures as view  # noqa: E402
from bitmap_files import write_bmp, write_ico  # noqa: E402
from home_language import language_pictures  # noqa: E402
from language_texts import read_language_ini  # noqa: E402

ICON_SIZES = (16, 24, 32, 48)


def _three(first_id, draw):
    """Ids first..first+2 for the states normal, hover, pressed."""
    return {first_id + i: (lambda state=state: draw(state)) for i, state in enumerate(skin.STATES)}


def _states(ids, draw):
    """Ids given as (normal, hover, pressed)."""
    return {i: (lambda state=state: draw(state)) for i, state in zip(ids, skin.STATES)}


def bitmap_painters():
    """{resource id: function making the picture}, except the per-language ones."""
    p = {}
    for first, kind in ((236, "home"), (239, "download"), (258, "backup"), (264, "restore"), (270, "settings")):
        p.update(_three(first, lambda state, kind=kind: skin.nav_button(kind, state)))
    p[273] = skin.caption_tile
    for first, kind, width in ((274, "dropdown", 24), (277, "minimise", 24), (280, "maximise", 23),
                               (283, "restore", 23), (286, "close", 23)):
        p.update(_three(first, lambda state, kind=kind, width=width: skin.caption_button(kind, state, width)))
    p[335] = skin.logo
    p.update(_three(323, lambda state: skin.caption_button("close", state, 31)))
    for rid, kind in ((351, "error"), (352, "warning"), (353, "information"), (354, "question")):
        p[rid] = lambda kind=kind: skin.message_icon(kind)
    p.update(_states((356, 357, 358), lambda state: skin.flat_button(70, 24, state, "dark", 3)))
    p[340] = lambda: skin.product_mark(64)
    p[341] = skin.about_separator
    p.update(_states((348, 349, 350), lambda state: skin.flat_button(130, 24, state, "dark", 3)))
    p[293] = view.home_separator
    p[294] = view.auto_scan_icon
    p[297] = view.step_picture
    p[298] = view.home_header_tile
    p[295] = view.side_bar_icon
    p[301] = view.scan_picture
    p[302] = lambda: view.progress_tile(520)
    p[303] = view.scan_header_picture
    p.update(_three(307, lambda state: skin.flat_button(80, 22, state)))
    p[310] = lambda: view.tile(5, 40, skin.rgb("#2467AF"), skin.BAND, skin.BAND_DARK)
    p[363] = lambda: view.tile(7, 21, skin.WHITE, skin.rgb("#EEF4FC"), skin.SIDE_EDGE)
    p[365] = view.results_header_icon
    for rid, kind in ((359, "no_driver"), (360, "out_of_date"), (361, "up_to_date"), (364, "total")):
        p[rid] = lambda kind=kind: view.status_icon(kind)
    p.update(_states((366, 368, 369), lambda state: skin.flat_button(106, 27, state)))
    p.update(_states((468, 469, 470), lambda state: skin.flat_button(220, 100, state, radius=10)))
    p[471] = lambda: view.small_heading_icon("backup")
    p[472] = lambda: view.small_heading_icon("details")
    p[474] = lambda: view.progress_tile(65, segment=2)
    p[475] = lambda: view.small_heading_icon("restore")
    p.update(_states((329, 330, 331), lambda state: skin.flat_button(80, 22, state)))
    p[332] = view.settings_divider
    return p


# pictures drawn on the dark-blue band (for the contact sheet)
ON_BAND = set(range(236, 289)) | set(range(323, 326)) | {335, 341, 348, 349, 350, 356, 357, 358, 365}

ICONS = {
    128: lambda size: skin.product_mark(size),              # the application
    373: lambda size: skin.product_mark(size, badge=True),  # the tray's attention icon
}


def setup_wizard_picture():
    """The band of the program's caption, darker towards the foot, with the
    product mark: the left side of the setup's welcome and finish pages."""
    from PIL import Image

    width, height = 164, 314
    picture = Image.new("RGB", (width, height))
    top, foot = skin.BAND, skin.BAND_DARK
    for y in range(height):
        t = y / (height - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top[:3], foot[:3]))
        picture.paste(colour, (0, y, width, y + 1))
    mark = skin.product_mark(96).convert("RGBA")
    picture.paste(mark, ((width - mark.width) // 2, 48), mark)
    return picture


def main(language_ini, out_dir):
    sections = read_language_ini(language_ini)
    bitmaps = {rid: paint() for rid, paint in bitmap_painters().items()}
    bitmaps.update(language_pictures(sections))
    icons = {rid: [make(size) for size in ICON_SIZES] for rid, make in ICONS.items()}

    os.makedirs(os.path.join(out_dir, "bmp"), exist_ok=True)
    os.makedirs(os.path.join(out_dir, "ico"), exist_ok=True)
    lines = ["// Made by src/ui/resources/artwork/generate.py; edit the drawings, not this file.", ""]
    for rid in sorted(icons):
        path = os.path.join(out_dir, "ico", f"{rid}.ico")
        write_ico(icons[rid], path)
        lines.append(f'{rid} ICON "{path}"')
    for rid in sorted(bitmaps):
        path = os.path.join(out_dir, "bmp", f"{rid}.bmp")
        write_bmp(bitmaps[rid], path)
        lines.append(f'{rid} BITMAP "{path}"')
    os.makedirs(os.path.join(out_dir, "setup"), exist_ok=True)
    setup_wizard_picture().save(os.path.join(out_dir, "setup", "wizard.bmp"), "BMP")
    # written last and always, so a build that depends on it sees new pictures
    with open(os.path.join(out_dir, "artwork.rc"), "w", encoding="utf-8") as rc:
        rc.write("\n".join(lines) + "\n")
    contact_sheet.save(bitmaps, icons, os.path.join(out_dir, "artwork_sheet.png"), ON_BAND)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: generate.py LANGUAGE_INI OUTPUT_DIR")
    main(sys.argv[1], os.path.abspath(sys.argv[2]))
