#!/usr/bin/env python3
"""Draws the MERIDOVAN logo and program icon.

Usage: make_artwork.py OUTPUT_DIR

Writes logo.bmp (365 x 122, 24 bpp, pure green background as the transparent
key), logo.png (the same picture with a real alpha channel), icon.ico (16, 32
and 48 pixels at 32 bpp), icon-16/24/32/48/64/128/256.png and icon.svg, the
scalable icon drawn from the same shapes.

Everything is drawn at several times the target size and scaled down, so edges
are smooth. The logo is later shrunk with a colour key (no blending), so its
soft edges are pre-blended against a light dialog grey instead of the key
green; otherwise a green fringe would show around every letter.
"""

import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

NAVY = (24, 52, 92)
STEEL = (70, 110, 160)
ORANGE = (240, 130, 30)
WHITE = (255, 255, 255)
KEY_GREEN = (0, 255, 0)
DIALOG_GREY = (240, 240, 240)

LOGO_SIZE = (365, 122)
ICON_SIZES = (16, 32, 48)
PNG_ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
SVG_ICON_SIZE = 256
SUPERSAMPLE = 4

FONT_DIR = Path("/usr/share/fonts/truetype/dejavu")


def load_font(name, size):
    try:
        return ImageFont.truetype(str(FONT_DIR / name), size)
    except OSError:
        return ImageFont.truetype(name, size)


def draw_emblem(draw, box, detail):
    """A speed gauge in a navy disc: orange scale arc, white needle, hub.

    `detail` is False for the smallest icon, where tick marks would only blur.
    """
    left, top, right, bottom = box
    size = right - left
    cx = (left + right) / 2
    cy = (top + bottom) / 2

    draw.ellipse(box, fill=NAVY)

    ring = size * 0.13
    inset = size * 0.14
    arc_box = (left + inset, top + inset, right - inset, bottom - inset)
    # PIL angles run clockwise from 3 o'clock; the gauge opens at the bottom.
    draw.arc(arc_box, start=135, end=405, fill=ORANGE, width=max(1, round(ring)))

    if detail:
        import math

        radius_outer = (size / 2) - inset - ring - size * 0.03
        radius_inner = radius_outer - size * 0.07
        for step in range(7):
            angle = math.radians(135 + step * 45)
            x0 = cx + radius_inner * math.cos(angle)
            y0 = cy + radius_inner * math.sin(angle)
            x1 = cx + radius_outer * math.cos(angle)
            y1 = cy + radius_outer * math.sin(angle)
            draw.line((x0, y0, x1, y1), fill=STEEL, width=max(1, round(size * 0.035)))

    # Needle pointing to the upper right: the "full speed" end of the scale.
    import math

    angle = math.radians(-40)
    length = size * 0.34
    tip = (cx + length * math.cos(angle), cy + length * math.sin(angle))
    half = size * 0.065
    normal = angle + math.pi / 2
    base_a = (cx + half * math.cos(normal), cy + half * math.sin(normal))
    base_b = (cx - half * math.cos(normal), cy - half * math.sin(normal))
    draw.polygon((tip, base_a, base_b), fill=WHITE)
    hub = size * 0.10
    draw.ellipse((cx - hub, cy - hub, cx + hub, cy + hub), fill=WHITE)


def svg_colour(colour):
    return "#%02x%02x%02x" % colour


class SvgCanvas:
    """Records the ImageDraw calls draw_emblem makes as SVG elements, with PIL's geometry.

    PIL's arcs and ellipses take a bounding box; an arc's stroke lies inside that box and its
    angles run clockwise from 3 o'clock, which is SVG's direction too (y grows downwards).
    """

    def __init__(self):
        self.elements = []

    @staticmethod
    def _number(value):
        return f"{value:.2f}".rstrip("0").rstrip(".")

    def ellipse(self, box, fill):
        left, top, right, bottom = box
        n = self._number
        self.elements.append(
            f'<ellipse cx="{n((left + right) / 2)}" cy="{n((top + bottom) / 2)}" '
            f'rx="{n((right - left) / 2)}" ry="{n((bottom - top) / 2)}" fill="{svg_colour(fill)}"/>')

    def arc(self, box, start, end, fill, width):
        import math

        left, top, right, bottom = box
        cx, cy = (left + right) / 2, (top + bottom) / 2
        radius = (right - left) / 2 - width / 2
        a, b = math.radians(start), math.radians(end)
        n = self._number
        large = 1 if (end - start) % 360 > 180 else 0
        self.elements.append(
            f'<path d="M {n(cx + radius * math.cos(a))} {n(cy + radius * math.sin(a))} '
            f'A {n(radius)} {n(radius)} 0 {large} 1 {n(cx + radius * math.cos(b))} '
            f'{n(cy + radius * math.sin(b))}" fill="none" stroke="{svg_colour(fill)}" '
            f'stroke-width="{n(width)}"/>')

    def line(self, points, fill, width):
        x0, y0, x1, y1 = points
        n = self._number
        self.elements.append(
            f'<line x1="{n(x0)}" y1="{n(y0)}" x2="{n(x1)}" y2="{n(y1)}" '
            f'stroke="{svg_colour(fill)}" stroke-width="{n(width)}"/>')

    def polygon(self, points, fill):
        n = self._number
        coordinates = " ".join(f"{n(x)},{n(y)}" for x, y in points)
        self.elements.append(f'<polygon points="{coordinates}" fill="{svg_colour(fill)}"/>')


def emblem_svg(size):
    canvas = SvgCanvas()
    draw_emblem(canvas, (0, 0, size, size), detail=True)
    body = "\n  ".join(canvas.elements)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 {size} {size}">\n  {body}\n</svg>\n')


def render_emblem(size):
    big = size * SUPERSAMPLE
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw_emblem(ImageDraw.Draw(image), (0, 0, big - 1, big - 1), detail=size >= 32)
    return image.resize((size, size), Image.LANCZOS)


def render_logo_rgba():
    width, height = (d * SUPERSAMPLE for d in LOGO_SIZE)
    image = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    s = SUPERSAMPLE

    emblem_size = 104 * s
    emblem_top = (height - emblem_size) // 2
    draw_emblem(draw, (4 * s, emblem_top, 4 * s + emblem_size, emblem_top + emblem_size), detail=True)

    text_left = 120 * s
    text_right = width - 6 * s
    word = "MERIDOVAN"
    font = load_font("DejaVuSans-Bold.ttf", 48 * s)
    # Fit the wordmark into the space right of the emblem with wide tracking.
    tracking = 2 * s
    widths = [draw.textlength(ch, font=font) for ch in word]
    natural = sum(widths) + tracking * (len(word) - 1)
    scale = (text_right - text_left) / natural
    font = load_font("DejaVuSans-Bold.ttf", int(48 * s * scale))
    widths = [draw.textlength(ch, font=font) for ch in word]
    tracking = ((text_right - text_left) - sum(widths)) / (len(word) - 1)

    ascent, _ = font.getmetrics()
    cap_top = font.getbbox("M")[1]
    cap_height = font.getbbox("M")[3] - cap_top
    baseline_y = 60 * s
    x = text_left
    for ch, w in zip(word, widths):
        draw.text((x, baseline_y - cap_height - cap_top), ch, font=font, fill=NAVY)
        x += w + tracking

    bar_top = baseline_y + 9 * s
    draw.rectangle((text_left, bar_top, text_right, bar_top + 5 * s), fill=ORANGE)

    tag_font = load_font("DejaVuSansCondensed-Bold.ttf", 21 * s)
    tagline = "DRIVE CONTROL"
    tag_widths = [draw.textlength(ch, font=tag_font) for ch in tagline]
    tag_tracking = ((text_right - text_left) - sum(tag_widths)) / (len(tagline) - 1)
    tag_top = bar_top + 11 * s
    x = text_left
    for ch, w in zip(tagline, tag_widths):
        draw.text((x, tag_top), ch, font=tag_font, fill=STEEL)
        x += w + tag_tracking

    return image.resize(LOGO_SIZE, Image.LANCZOS)


def keyed_logo(rgba):
    """Flattens the logo for colour-key drawing: opaque pixels over dialog grey, the rest green."""
    flat = Image.new("RGB", rgba.size, DIALOG_GREY)
    flat.paste(rgba, mask=rgba.getchannel("A"))
    alpha = rgba.getchannel("A").point(lambda a: 255 if a >= 40 else 0)
    keyed = Image.new("RGB", rgba.size, KEY_GREEN)
    keyed.paste(flat, mask=alpha)
    # A drawn pixel that happens to be exactly the key colour would vanish.
    pixels = keyed.load()
    for y in range(keyed.height):
        for x in range(keyed.width):
            if pixels[x, y] == KEY_GREEN and alpha.getpixel((x, y)):
                pixels[x, y] = (0, 254, 0)
    return keyed


def dib_icon_entry(image):
    """One 32 bpp icon image: BITMAPINFOHEADER, bottom-up BGRA rows, AND mask."""
    size = image.width
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        row = bytearray()
        for x in range(size):
            r, g, b, a = image.getpixel((x, y))
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((size + 31) // 32) * 4
    mask_rows = []
    for y in reversed(range(size)):
        bits = bytearray(mask_stride)
        for x in range(size):
            if image.getpixel((x, y))[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(bits))
    return header + b"".join(rows) + b"".join(mask_rows)


def write_ico(path, images):
    entries = [dib_icon_entry(image) for image in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for image, data in zip(images, entries):
        dim = image.width if image.width < 256 else 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    path.write_bytes(bytes(out))


def main(argv):
    if len(argv) != 2:
        print("usage: make_artwork.py OUTPUT_DIR", file=sys.stderr)
        return 2
    out = Path(argv[1])
    out.mkdir(parents=True, exist_ok=True)

    logo = render_logo_rgba()
    logo.save(out / "logo.png")
    keyed_logo(logo).save(out / "logo.bmp")

    icons = {size: render_emblem(size) for size in PNG_ICON_SIZES}
    for size, image in icons.items():
        image.save(out / f"icon-{size}.png")
    write_ico(out / "icon.ico", [icons[size] for size in ICON_SIZES])
    (out / "icon.svg").write_text(emblem_svg(SVG_ICON_SIZE), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
