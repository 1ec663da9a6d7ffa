"""Writes pictures as the resource files Windows XP and later read.

Bitmaps: 32-bit BI_RGB DIBs, bottom-up, with premultiplied alpha in the
fourth byte (what AlphaBlend with AC_SRC_ALPHA expects). Icons: .ico files
whose every entry is a 32-bit DIB with straight alpha and its AND mask, not
PNG, since Windows XP cannot read PNG entries.
"""
import struct

from PIL import Image



def _dib_rows(picture, premultiply):
    """BGRA rows, bottom row first."""
    rgba = picture.convert("RGBA")
    if premultiply:
        rgba = rgba.convert("RGBa")  # Pillow's premultiplied mode
    width, height = rgba.size
    red, green, blue, alpha = rgba.split()
    raw = Image.merge("RGBA", (blue, green, red, alpha)).tobytes()
    stride = width * 4
    return b"".join(raw[y * stride:(y + 1) * stride] for y in reversed(range(height)))


def _info_header(width, height, image_bytes):
    # BITMAPINFOHEADER: 32 bpp, BI_RGB, 96 dpi
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, image_bytes, 3780, 3780, 0, 0)


def write_bmp(picture, path):
    """A 32-bit bitmap file with premultiplied alpha."""
    width, height = picture.size
    pixels = _dib_rows(picture, premultiply=True)
    header = _info_header(width, height, len(pixels))
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(file_header + header + pixels)


def _and_mask(picture):
    """1 bit per pixel, rows padded to 32 bits, bottom row first; set where
    the pixel is fully transparent (older systems draw the mask)."""
    alpha = picture.convert("RGBA").getchannel("A")
    width, height = picture.size
    row_bytes = ((width + 31) // 32) * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray(row_bytes)
        for x in range(width):
            if alpha.getpixel((x, y)) == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return b"".join(rows)


def write_ico(pictures, path):
    """An icon file with one 32-bit DIB entry per picture (sizes up to 255)."""
    entries = []
    for picture in pictures:
        width, height = picture.size
        pixels = _dib_rows(picture, premultiply=False)
        mask = _and_mask(picture)
        # the DIB's height covers the colour rows and the mask rows
        entries.append(_info_header(width, height * 2, len(pixels) + len(mask)) + pixels + mask)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    records = b""
    for picture, data in zip(pictures, entries):
        width, height = picture.size
        records += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + records + b"".join(entries))
