#!/usr/bin/env python3
"""Checks the generated skin resources against what the windows expect:

    check_artwork.py ARTWORK_DIR

Every bitmap id of the skin at its exact size, as a 32-bit bitmap with
premultiplied alpha (no colour channel above alpha); the tiles and the
pictures drawn with a transparent colour fully opaque; the three states of
every button different; each language's scan button and banner different
from the English ones; the icons as .ico files whose entries are 32-bit DIBs (not
PNG) with a matching AND mask. Reads the files with struct only, so it does
not share code with the generator."""
import os
import re
import struct
import sys

# (ids, width, height) of every skin bitmap
EXPECTED = [
    (range(236, 239), 80, 70), (range(239, 242), 80, 70), (range(258, 261), 80, 70),
    (range(264, 267), 80, 70), (range(270, 273), 80, 70),
    ([273], 5, 24),
    (range(274, 280), 24, 21), (range(280, 289), 23, 21),
    ([335], 184, 50),
    (range(323, 326), 31, 21),
    ([351, 352, 353, 354], 48, 48),
    ([356, 357, 358], 70, 24),
    ([340], 64, 64), ([341], 460, 2),
    ([348, 349, 350], 130, 24),
    (list(range(290, 293)) + list(range(416, 428)) + list(range(456, 468)), 450, 120),
    ([300] + list(range(412, 416)) + list(range(452, 456)), 520, 100),
    ([293], 18, 2), ([294], 24, 24), ([297], 470, 70), ([298], 5, 40),
    ([295], 48, 48),
    ([301], 60, 60), ([302], 520, 20), ([303], 160, 60),
    (range(307, 310), 80, 22),
    ([310], 5, 40), ([363], 7, 21), ([365], 38, 32),
    ([359, 360, 361, 364], 16, 16),
    ([366, 368, 369], 106, 27),
    ([468, 469, 470], 220, 100),
    ([471, 472, 475], 16, 16), ([474], 65, 20),
    (range(329, 332), 80, 22), ([332], 2, 160),
]

# pattern-brush tiles and pictures drawn with a transparent colour: no alpha
OPAQUE = [273, 293, 298, 302, 310, 341, 363, 474, 295, 359, 360, 361, 364]

# button images that belong together: each must differ from the others
STATE_GROUPS = [(236, 237, 238), (239, 240, 241), (258, 259, 260), (264, 265, 266), (270, 271, 272),
                (274, 275, 276), (277, 278, 279), (280, 281, 282), (283, 284, 285), (286, 287, 288),
                (323, 324, 325), (356, 357, 358), (348, 349, 350), (307, 308, 309), (366, 368, 369),
                (468, 469, 470), (329, 330, 331), (290, 291, 292)]

# each language's normal scan button and banner, after the English one: every
# language words them differently from English (two languages may share words)
LANGUAGE_BUTTONS = [290, 416, 419, 422, 425, 456, 459, 462, 465]
LANGUAGE_BANNERS = [300, 412, 413, 414, 415, 452, 453, 454, 455]

ICON_IDS = [128, 373]
ICON_SIZES_REQUIRED = {16, 32, 48}


class Failures(list):
    def check(self, condition, message):
        if not condition:
            self.append(message)


def read_rc(path):
    """{(kind, id): file} from the resource script."""
    entries = {}
    with open(path, encoding="utf-8") as rc:
        for line in rc:
            match = re.match(r'^\s*(\d+)\s+(BITMAP|ICON)\s+"(.+)"\s*$', line)
            if match:
                entries[(match.group(2), int(match.group(1)))] = match.group(3)
    return entries


def read_bmp(path):
    """(width, height, bits per pixel, compression, pixel bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    size, width, height, _, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    if size < 40:
        raise ValueError("old-style header")
    return width, abs(height), bpp, compression, data[offset:offset + width * abs(height) * bpp // 8]


def check_bitmaps(entries, failures):
    pixels = {}
    for ids, width, height in EXPECTED:
        for rid in ids:
            path = entries.get(("BITMAP", rid))
            if not path:
                failures.append(f"bitmap {rid}: missing from the resource script")
                continue
            w, h, bpp, compression, data = read_bmp(path)
            failures.check((w, h) == (width, height), f"bitmap {rid}: {w}x{h}, expected {width}x{height}")
            failures.check(bpp == 32 and compression == 0, f"bitmap {rid}: {bpp} bpp, compression {compression}")
            over = sum(1 for i in range(0, len(data), 4) if max(data[i:i + 3]) > data[i + 3])
            failures.check(over == 0, f"bitmap {rid}: {over} pixels with a colour above alpha (not premultiplied)")
            if rid in OPAQUE:
                clear = sum(1 for i in range(3, len(data), 4) if data[i] != 255)
                failures.check(clear == 0, f"bitmap {rid}: {clear} pixels not opaque")
            failures.check(any(data[i] for i in range(3, len(data), 4)), f"bitmap {rid}: fully transparent")
            pixels[rid] = data
    return pixels


def check_differences(pixels, failures):
    for group in STATE_GROUPS:
        for a in group:
            for b in group:
                if a < b and a in pixels and b in pixels:
                    failures.check(pixels[a] != pixels[b], f"bitmaps {a} and {b}: the same picture for two states")
    for english, *others in (LANGUAGE_BUTTONS, LANGUAGE_BANNERS):
        for rid in others:
            if rid in pixels and english in pixels:
                failures.check(pixels[rid] != pixels[english], f"bitmap {rid}: the same as the English {english}")


def check_icon(rid, path, failures):
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    failures.check(reserved == 0 and kind == 1 and count > 0, f"icon {rid}: not an icon file")
    sizes = set()
    for index in range(count):
        w, h, _, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * index)
        w, h = w or 256, h or 256
        entry = data[offset:offset + length]
        failures.check(not entry.startswith(b"\x89PNG"), f"icon {rid} {w}: a PNG entry (Windows XP cannot read it)")
        header, dib_w, dib_h, _, dib_bpp = struct.unpack_from("<IiiHH", entry, 0)
        failures.check(header == 40 and dib_w == w and dib_h == 2 * h and dib_bpp == 32,
                       f"icon {rid} {w}: DIB header {header}, {dib_w}x{dib_h}, {dib_bpp} bpp")
        mask_row = ((w + 31) // 32) * 4
        failures.check(length == 40 + w * h * 4 + mask_row * h, f"icon {rid} {w}: entry of {length} bytes")
        colour = entry[40:40 + w * h * 4]
        mask = entry[40 + w * h * 4:]
        # the mask hides exactly the fully transparent pixels
        for y in range(h):
            for x in range(w):
                alpha = colour[(y * w + x) * 4 + 3]
                masked = bool(mask[y * mask_row + x // 8] & (0x80 >> (x % 8)))
                if masked != (alpha == 0):
                    failures.append(f"icon {rid} {w}: mask disagrees with alpha at {x},{y}")
                    break
            else:
                continue
            break
        sizes.add(w)
    missing = ICON_SIZES_REQUIRED - sizes
    failures.check(not missing, f"icon {rid}: no entry of size {sorted(missing)}")


def main(artwork_dir):
    failures = Failures()
    entries = read_rc(os.path.join(artwork_dir, "artwork.rc"))
    pixels = check_bitmaps(entries, failures)
    check_differences(pixels, failures)
    for rid in ICON_IDS:
        path = entries.get(("ICON", rid))
        if path:
            check_icon(rid, path, failures)
        else:
            failures.append(f"icon {rid}: missing from the resource script")
    for failure in failures:
        print("FAIL", failure)
    checked = sum(len(list(ids)) for ids, _, _ in EXPECTED) + len(ICON_IDS)
    print(f"{checked} resources checked, {len(failures)} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check_artwork.py ARTWORK_DIR")
    sys.exit(main(sys.argv[1]))
