"""One PNG with every picture at 1:1, labelled with its id and size: those
drawn on the dark-blue band over the band's colour, the others over a
checkerboard, so their transparency shows."""
from PIL import Image, ImageDraw

from paint import font

SHEET_WIDTH = 1200
GAP = 10
LABEL = 14
BAND = (0x15, 0x50, 0x92, 255)


def _checker(width, height, square=6):
    board = Image.new("RGBA", (width, height), (236, 236, 236, 255))
    draw = ImageDraw.Draw(board)
    for y in range(0, height, square):
        for x in range((y // square % 2) * square, width, 2 * square):
            draw.rectangle((x, y, x + square - 1, y + square - 1), fill=(206, 206, 206, 255))
    return board


def _cells(bitmaps, icons):
    for rid in sorted(icons):
        for picture in icons[rid]:
            yield f"icon {rid} {picture.width}", picture, rid
    for rid in sorted(bitmaps):
        picture = bitmaps[rid]
        yield f"{rid}  {picture.width}x{picture.height}", picture, rid


def save(bitmaps, icons, path, on_band=()):
    """on_band: the ids of the pictures drawn on the band."""
    label_font = font("DejaVu Sans", 10)
    placed, x, y, row_height = [], GAP, GAP, 0
    for label, picture, rid in _cells(bitmaps, icons):
        width = max(picture.width, 70)
        if x + width > SHEET_WIDTH - GAP:
            x, y, row_height = GAP, y + row_height + GAP, 0
        placed.append((x, y, label, picture, rid in on_band))
        x += width + GAP
        row_height = max(row_height, picture.height + LABEL)
    sheet = Image.new("RGBA", (SHEET_WIDTH, y + row_height + GAP), (255, 255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    for x, y, label, picture, dark in placed:
        if dark:
            cell = Image.new("RGBA", picture.size, BAND)
        else:
            cell = _checker(picture.width, picture.height)
        cell.alpha_composite(picture)
        sheet.paste(cell, (x, y))
        draw.text((x, y + picture.height + 1), label, font=label_font, fill=(60, 60, 60, 255))
    sheet.convert("RGB").save(path)
