"""Drawing on a canvas that is painted four times larger and scaled down, so
every edge is anti-aliased; shapes are composited one over the other.

Coordinates are in the final picture's pixels (floats allowed)."""
import re
import subprocess

from PIL import Image, ImageDraw, ImageFont

SCALE = 4


def rgb(hex_colour, alpha=255):
    """'#155092' -> (0x15, 0x50, 0x92, alpha)."""
    value = hex_colour.lstrip("#")
    return (int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16), alpha)


def mix(first, second, t):
    """The colour t of the way from first to second."""
    return tuple(round(a + (b - a) * t) for a, b in zip(first, second))


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.image = Image.new("RGBA", (width * SCALE, height * SCALE), (0, 0, 0, 0))

    # -- composition -----------------------------------------------------
    def _fill_through(self, mask_shape, fill):
        """Paints fill (a colour or a picture of the canvas's scaled size)
        through the mask of a shape."""
        mask = Image.new("L", self.image.size, 0)
        mask_shape(ImageDraw.Draw(mask))
        paint = fill if isinstance(fill, Image.Image) else Image.new("RGBA", self.image.size, fill)
        clear = Image.new("RGBA", self.image.size, (0, 0, 0, 0))
        self.image.alpha_composite(Image.composite(paint, clear, mask))

    @staticmethod
    def _box(box):
        return [v * SCALE for v in box]

    @staticmethod
    def _points(points):
        return [(x * SCALE, y * SCALE) for x, y in points]

    # -- fills -------------------------------------------------------------
    def vertical_gradient(self, top_colour, bottom_colour, top=0, bottom=None):
        """A picture of the canvas's scaled size shading from top to bottom."""
        bottom = self.height if bottom is None else bottom
        column = Image.new("RGBA", (1, self.image.height))
        for y in range(self.image.height):
            t = min(max((y / SCALE - top) / max(bottom - top, 1e-6), 0.0), 1.0)
            column.putpixel((0, y), mix(top_colour, bottom_colour, t))
        return column.resize(self.image.size, Image.NEAREST)

    @staticmethod
    def _pixel_box(box):
        """A box whose right and bottom edges are excluded, as Pillow's
        rectangles include them."""
        x0, y0, x1, y1 = (v * SCALE for v in box)
        return [x0, y0, x1 - 1, y1 - 1]

    def rect(self, box, fill):
        self._fill_through(lambda d: d.rectangle(self._pixel_box(box), fill=255), fill)

    def _ring(self, draw_outer, draw_inner, colour):
        """Paints the part of the outer shape that the inner one leaves."""
        def shape(d):
            draw_outer(d, 255)
            draw_inner(d, 0)
        self._fill_through(shape, colour)

    def rounded(self, box, radius, fill=None, outline=None, width=1.0):
        """A rounded rectangle; the outline lies inside the box."""
        outer = self._box(box)
        inset = width * SCALE
        inner = [outer[0] + inset, outer[1] + inset, outer[2] - inset, outer[3] - inset]
        inner_radius = max(radius - width, 0) * SCALE
        if fill is not None:
            inside = inner if outline is not None else outer
            r = inner_radius if outline is not None else radius * SCALE
            self._fill_through(lambda d: d.rounded_rectangle(inside, r, fill=255), fill)
        if outline is not None:
            self._ring(lambda d, v: d.rounded_rectangle(outer, radius * SCALE, fill=v),
                       lambda d, v: d.rounded_rectangle(inner, inner_radius, fill=v), outline)

    def ellipse(self, box, fill=None, outline=None, width=1.0):
        outer = self._box(box)
        inset = width * SCALE
        inner = [outer[0] + inset, outer[1] + inset, outer[2] - inset, outer[3] - inset]
        if fill is not None:
            inside = inner if outline is not None else outer
            self._fill_through(lambda d: d.ellipse(inside, fill=255), fill)
        if outline is not None:
            self._ring(lambda d, v: d.ellipse(outer, fill=v), lambda d, v: d.ellipse(inner, fill=v), outline)

    def polygon(self, points, fill):
        self._fill_through(lambda d: d.polygon(self._points(points), fill=255), fill)

    def line(self, points, colour, width=1.0):
        """A polyline with round joints and ends."""
        scaled = self._points(points)
        w = max(int(round(width * SCALE)), 1)

        def shape(d):
            d.line(scaled, fill=255, width=w, joint="curve")
            r = w / 2
            for x, y in (scaled[0], scaled[-1]):
                d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        self._fill_through(shape, colour)

    def arc(self, box, start, end, colour, width=1.0):
        """Degrees clockwise from three o'clock, as Pillow counts them."""
        scaled = self._box(box)
        self._fill_through(lambda d: d.arc(scaled, start, end, fill=255, width=max(int(width * SCALE), 1)), colour)

    def punch_ellipse(self, box):
        """Clears an ellipse back to transparent."""
        mask = Image.new("L", self.image.size, 0)
        ImageDraw.Draw(mask).ellipse(self._box(box), fill=255)
        self.image.paste((0, 0, 0, 0), None, mask)

    def erase(self, box):
        """Clears a rectangle back to transparent."""
        ImageDraw.Draw(self.image).rectangle(self._pixel_box(box), fill=(0, 0, 0, 0))

    # -- result ------------------------------------------------------------
    def picture(self):
        """The final-size picture (scaled down with premultiplied alpha)."""
        small = self.image.convert("RGBa").resize((self.width, self.height), Image.BOX)
        return small.convert("RGBA")


# -- text ------------------------------------------------------------------
_font_files = {}


def font_file(pattern):
    """(file, face index) of the installed font fontconfig picks for a
    pattern such as 'Noto Sans:bold'."""
    if pattern not in _font_files:
        found = subprocess.run(["fc-match", "-f", "%{file}:%{index}", pattern],
                               check=True, capture_output=True, text=True).stdout
        path, _, index = found.rpartition(":")
        _font_files[pattern] = (path, int(index or 0))
    return _font_files[pattern]


def font(pattern, pixels):
    path, index = font_file(pattern)
    return ImageFont.truetype(path, pixels, index=index, layout_engine=ImageFont.Layout.RAQM)


def text_width(face, text, direction=None):
    left, _, right, _ = face.getbbox(text, direction=direction)
    return right - left


def fitting_font(pattern, text, max_width, largest, smallest=8, direction=None):
    """The largest size from largest down whose one line fits max_width."""
    size = largest
    while size > smallest and text_width(font(pattern, size), text, direction) > max_width:
        size -= 1
    return font(pattern, size)


# Breaking points: spaces; and around every Chinese or Japanese character,
# which are written without spaces (a closing mark stays with the character
# before it).
_TOKENS = re.compile(r"\s+|[\u3000-\u30ff\u3400-\u9fff\uff00-\uffef][、。，．）」』！？ー]*"
                     r"|[^\s\u3000-\u30ff\u3400-\u9fff\uff00-\uffef]+")


def wrap(face, text, max_width, direction=None):
    """Lines of text, each fitting max_width (a single character wider than
    that stands alone on its line)."""
    tokens = []
    for token in _TOKENS.findall(text):
        # a word wider than the line breaks inside itself
        tokens.extend(token if text_width(face, token, direction) > max_width else [token])
    lines, line = [], ""
    for token in tokens:
        candidate = line + token
        if line.strip() and text_width(face, candidate.rstrip(), direction) > max_width:
            lines.append(line.rstrip())
            line = token.lstrip()
        else:
            line = candidate
    if line.strip():
        lines.append(line.rstrip())
    return lines


def draw_text(picture, position, text, face, colour, direction=None, anchor="la"):
    """Draws text at full size on a picture (hinted, not scaled)."""
    layer = Image.new("RGBA", picture.size, (0, 0, 0, 0))
    ImageDraw.Draw(layer).text(position, text, font=face, fill=colour, direction=direction, anchor=anchor)
    picture.alpha_composite(layer)
