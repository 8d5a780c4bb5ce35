"""The program's icon: a house drawn in dark line on a cream art board, its roof and wall coloured with
pencil hatching, and a blue coloured pencil lying across the corner. One description of the shapes in
a 256-unit square gives both the scalable SVG and the PNGs, which are drawn four times larger and
reduced, so that every size is smooth and the output depends only on this code."""

import math

from PIL import Image, ImageDraw

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
SUPERSAMPLE = 4

BOARD = (243, 235, 221)
BOARD_EDGE = (138, 127, 112)
LINE = (52, 50, 48)
ROOF = (196, 86, 62)
WALL = (132, 168, 120)
WINDOW = (104, 150, 196)
PENCIL_BODY = (46, 104, 170)
PENCIL_WOOD = (233, 199, 154)
PENCIL_LEAD = (30, 72, 130)


def _pencil():
    """The pencil's three polygons (body, sharpened wood, lead), lying from the lower right towards the
    middle of the board at 45 degrees."""
    angle = math.radians(-135)  # pointing up and to the left
    ux, uy = math.cos(angle), math.sin(angle)
    vx, vy = -uy, ux  # across the pencil
    tail = (236.0, 236.0)
    half = 15.0
    body, wood, lead = 104.0, 34.0, 12.0

    def at(along, across):
        return (tail[0] + ux * along + vx * across, tail[1] + uy * along + vy * across)

    body_poly = [at(0, -half), at(body, -half), at(body, half), at(0, half)]
    wood_poly = [at(body, -half), at(body + wood, -half * 0.35), at(body + wood, half * 0.35), at(body, half)]
    lead_poly = [at(body + wood, -half * 0.35), at(body + wood + lead, 0), at(body + wood, half * 0.35)]
    return body_poly, wood_poly, lead_poly


# The house: a gable roof over a wall with a door and a window; closed outlines in board units.
ROOF_POLY = [(40, 122), (128, 48), (216, 122)]
WALL_POLY = [(60, 122), (196, 122), (196, 206), (60, 206)]
DOOR_POLY = [(82, 206), (82, 152), (112, 152), (112, 206)]
WINDOW_POLY = [(134, 140), (176, 140), (176, 176), (134, 176)]
# Hatching strokes over the wall and roof, as a coloured pencil leaves them: (start, end, colour).
HATCHING = [((70, 200), (104, 128), WALL), ((120, 202), (156, 128), WALL), ((160, 202), (190, 140), WALL),
            ((78, 116), (128, 62), ROOF), ((118, 118), (160, 74), ROOF), ((160, 118), (190, 92), ROOF)]
LINE_WIDTH = 9
HATCH_WIDTH = 7


def _svg_points(points):
    return " ".join(f"{x:.2f},{y:.2f}" for x, y in points)


def svg():
    """The scalable icon as SVG text."""
    body, wood, lead = _pencil()
    rgb = "#{:02x}{:02x}{:02x}".format
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
        f'  <rect x="12" y="12" width="232" height="232" rx="28" fill="{rgb(*BOARD)}" '
        f'stroke="{rgb(*BOARD_EDGE)}" stroke-width="6"/>',
        f'  <polygon points="{_svg_points(ROOF_POLY)}" fill="{rgb(*ROOF)}" fill-opacity="0.35"/>',
        f'  <polygon points="{_svg_points(WALL_POLY)}" fill="{rgb(*WALL)}" fill-opacity="0.35"/>',
        f'  <polygon points="{_svg_points(WINDOW_POLY)}" fill="{rgb(*WINDOW)}"/>',
    ]
    for start, end, colour in HATCHING:
        parts.append(f'  <line x1="{start[0]}" y1="{start[1]}" x2="{end[0]}" y2="{end[1]}" stroke="{rgb(*colour)}" '
                     f'stroke-width="{HATCH_WIDTH}" stroke-linecap="round"/>')
    for outline, closed in [(ROOF_POLY, False), (WALL_POLY, True), (DOOR_POLY, False), (WINDOW_POLY, True)]:
        kind = "polygon" if closed else "polyline"
        parts.append(f'  <{kind} points="{_svg_points(outline)}" fill="none" stroke="{rgb(*LINE)}" '
                     f'stroke-width="{LINE_WIDTH}" stroke-linejoin="round" stroke-linecap="round"/>')
    for poly, colour in [(body, PENCIL_BODY), (wood, PENCIL_WOOD), (lead, PENCIL_LEAD)]:
        parts.append(f'  <polygon points="{_svg_points(poly)}" fill="{rgb(*colour)}" stroke="{rgb(*LINE)}" '
                     'stroke-width="3" stroke-linejoin="round"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def _blend(colour, opacity):
    return tuple(round(c * opacity + b * (1 - opacity)) for c, b in zip(colour, BOARD))


def png(size):
    """The icon drawn at size x size pixels, RGBA."""
    big = size * SUPERSAMPLE
    k = big / 256.0
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def scaled(points):
        return [(x * k, y * k) for x, y in points]

    def width(units):
        return max(1, round(units * k))

    draw.rounded_rectangle([12 * k, 12 * k, 244 * k, 244 * k], radius=28 * k, fill=BOARD + (255,),
                           outline=BOARD_EDGE + (255,), width=width(6))
    draw.polygon(scaled(ROOF_POLY), fill=_blend(ROOF, 0.35) + (255,))
    draw.polygon(scaled(WALL_POLY), fill=_blend(WALL, 0.35) + (255,))
    draw.polygon(scaled(WINDOW_POLY), fill=WINDOW + (255,))
    for start, end, colour in HATCHING:
        draw.line(scaled([start, end]), fill=colour + (255,), width=width(HATCH_WIDTH))
        for x, y in scaled([start, end]):  # round caps
            r = width(HATCH_WIDTH) / 2
            draw.ellipse([x - r, y - r, x + r, y + r], fill=colour + (255,))
    for outline, closed in [(ROOF_POLY, False), (WALL_POLY, True), (DOOR_POLY, False), (WINDOW_POLY, True)]:
        points = scaled(outline + ([outline[0]] if closed else []))
        draw.line(points, fill=LINE + (255,), width=width(LINE_WIDTH), joint="curve")
        for x, y in points:
            r = width(LINE_WIDTH) / 2
            draw.ellipse([x - r, y - r, x + r, y + r], fill=LINE + (255,))
    for poly, colour in zip(_pencil(), [PENCIL_BODY, PENCIL_WOOD, PENCIL_LEAD]):
        draw.polygon(scaled(poly), fill=colour + (255,), outline=LINE + (255,), width=width(3))
    return image.resize((size, size), Image.LANCZOS)


def generate(root):
    """Writes the hicolor theme's icons below root: scalable/apps/tintsmith.svg and
    NxN/apps/tintsmith.png for every size."""
    scalable = root / "scalable" / "apps"
    scalable.mkdir(parents=True, exist_ok=True)
    (scalable / "tintsmith.svg").write_text(svg(), encoding="utf-8")
    for size in SIZES:
        folder = root / f"{size}x{size}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        png(size).save(folder / "tintsmith.png", optimize=False, compress_level=9)
