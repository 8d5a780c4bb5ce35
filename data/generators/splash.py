"""The splash pictures SplashS.tsl, SplashM.tsl and SplashL.tsl: a small house sketched in graphite
and coloured with pencil on art board, under the program's name.

Each is stored as an image .tsl file: seven 32-bit little-endian header words (the second 0, the
others free, the last non-zero) followed by an image record: width, height, two settings words,
bytes per pixel (3), the byte count (row stride x height, rows padded to 4 bytes), then the rows from
the top, each pixel blue, green, red.
"""

import struct

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

from . import boards, noise

FONT_FOLDER = "/usr/share/fonts/truetype/dejavu/"
SIZES = {"SplashS.tsl": (320, 240), "SplashM.tsl": (480, 360), "SplashL.tsl": (640, 480)}
SUPERSAMPLE = 3

GRAPHITE = (62, 62, 70)
TITLE = (150, 40, 52)
BRICK = (196, 104, 72)
OCHRE = (214, 170, 84)
SLATE = (92, 112, 150)
SKY = (140, 185, 225)
GLASS = (120, 160, 200)
LAWN = (112, 160, 84)
SHADOW = (150, 120, 140)


def tsl_bytes(picture):
    """The image .tsl file of an RGB picture."""
    width, height = picture.size
    stride = (width * 3 + 3) // 4 * 4
    bgr = np.asarray(picture.convert("RGB"))[:, :, ::-1]
    rows = np.zeros((height, stride), dtype=np.uint8)
    rows[:, : width * 3] = bgr.reshape(height, width * 3)
    header = struct.pack("<8i", 1, 0, 0, 0, 0, 0, 0, 1)
    record = struct.pack("<6i", width, height, 0, 0, 3, stride * height)
    return header + record + rows.tobytes()


class Sketch:
    """A picture being coloured: paper with a tooth; pencil layers multiply into it where the tooth
    catches the lead, so the paper grain stays visible through every colour."""

    def __init__(self, width, height, rng):
        self.width, self.height = width, height
        tile = np.asarray(boards.cold_press(256, rng), dtype=np.float64)
        tile = tile.mean(axis=(0, 1)) + 0.6 * (tile - tile.mean(axis=(0, 1)))  # seen from further off
        reps = (height // 256 + 1, width // 256 + 1, 1)
        self.rgb = np.tile(tile, reps)[:height, :width].copy()
        tooth = noise.spectral_noise(256, rng, beta=0.6, shortest=1.0, longest=8)
        self.tooth = np.tile(tooth, reps[:2])[:height, :width]

    def coverage(self, draw_fn):
        """Coverage 0..1 of shapes drawn by draw_fn(draw, scale) on a supersampled canvas."""
        big = Image.new("L", (self.width * SUPERSAMPLE, self.height * SUPERSAMPLE), 0)
        draw_fn(ImageDraw.Draw(big), SUPERSAMPLE)
        small = big.resize((self.width, self.height), Image.LANCZOS)
        return np.asarray(small, dtype=np.float64) / 255.0

    def pencil(self, cover, colour, pressure=0.85):
        """Lays colour over the covered area; light pressure leaves the hollows of the tooth white."""
        caught = np.clip(pressure + 0.35 * self.tooth, 0.0, 1.0) * cover
        tint = np.asarray(colour, dtype=np.float64) / 255.0
        self.rgb *= 1.0 - caught[:, :, None] * (1.0 - tint)

    def picture(self):
        return Image.fromarray(np.clip(np.rint(self.rgb), 0, 255).astype(np.uint8), "RGB")


def _hatch(draw, scale, box, spacing, angle_slope, width, rng, fill=255):
    """Parallel strokes across box (x0, y0, x1, y1) in output pixels, each a little crooked."""
    x0, y0, x1, y1 = (v * scale for v in box)
    span = (y1 - y0) + abs(angle_slope) * (x1 - x0)
    offset = -abs(angle_slope) * (x1 - x0)
    step = spacing * scale
    while offset < span:
        jitter = rng.normal(0.0, 0.6 * scale, 4)
        start = (x0 + jitter[0], y0 + offset + jitter[1])
        end = (x1 + jitter[2], y0 + offset + angle_slope * (x1 - x0) + jitter[3])
        draw.line([start, end], fill=fill, width=max(1, int(width * scale)))
        offset += step * rng.uniform(0.8, 1.2)


def _mask_polygon(sketch, points, soften):
    cover = sketch.coverage(lambda d, s: d.polygon([(x * s, y * s) for x, y in points], fill=255))
    if soften:
        # A loosely coloured area fades out towards its edges.
        cover = np.clip(2.0 * _blur(cover, soften) - 0.6, 0.0, 1.0)
    return cover


def _blur(field, sigma):
    picture = Image.fromarray(np.clip(field * 255.0, 0, 255).astype(np.uint8), "L")
    return np.asarray(picture.filter(ImageFilter.GaussianBlur(sigma)), dtype=np.float64) / 255.0


def _fill(sketch, rng, points, colour, spacing, slope, pressure=0.8, soften=0.0):
    """Hatches colour inside the polygon; soften (pixels) fades the edges of a loose area."""
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    box = (min(xs) - 4, min(ys) - 4, max(xs) + 4, max(ys) + 4)
    strokes = sketch.coverage(lambda d, s: _hatch(d, s, box, spacing, slope, 1.2, rng))
    sketch.pencil(strokes * _mask_polygon(sketch, points, soften), colour, pressure)


def _graphite_lines(sketch, rng, segments, weight):
    """Architectural sketch lines: each drawn twice, slightly apart, running past the corners."""

    def draw(d, s):
        for (ax, ay), (bx, by) in segments:
            dx, dy = bx - ax, by - ay
            length = max((dx * dx + dy * dy) ** 0.5, 1e-6)
            over = rng.uniform(0.008, 0.025) * sketch.height / length
            for _ in range(2):
                j = rng.normal(0.0, 0.35, 4)
                start = ((ax - dx * over + j[0]) * s, (ay - dy * over + j[1]) * s)
                end = ((bx + dx * over + j[2]) * s, (by + dy * over + j[3]) * s)
                d.line([start, end], fill=255, width=max(1, int(weight * s)))

    sketch.pencil(sketch.coverage(draw), GRAPHITE, 0.95)


def _on_wall(wall, s, t):
    """The point at s across and t up a wall given as (bottom-left, bottom-right, top-right,
    top-left), interpolated bilinearly, which is close enough to perspective for a sketch."""
    (ax, ay), (bx, by), (cx, cy), (dx, dy) = wall
    bottom = (ax + (bx - ax) * s, ay + (by - ay) * s)
    top = (dx + (cx - dx) * s, dy + (cy - dy) * s)
    return (bottom[0] + (top[0] - bottom[0]) * t, bottom[1] + (top[1] - bottom[1]) * t)


def _opening(wall, s0, s1, t0, t1):
    return [_on_wall(wall, s0, t0), _on_wall(wall, s1, t0), _on_wall(wall, s1, t1),
            _on_wall(wall, s0, t1)]


def _house(width, height):
    """Outlines of a gabled house in two-point perspective, in output pixels."""
    u = height / 100.0
    cx, ground = width * 0.50, height * 0.86
    near, near_up = (cx, ground), (cx, ground - 26 * u)
    far_left, far_left_top = (cx - 30 * u, ground - 7 * u), (cx - 30 * u, ground - 24 * u)
    far_right, far_right_top = (cx + 44 * u, ground - 5 * u), (cx + 44 * u, ground - 21 * u)
    ridge_near = ((far_left_top[0] + near_up[0]) / 2, (far_left_top[1] + near_up[1]) / 2 - 17 * u)
    run = (0.92 * (far_right_top[0] - near_up[0]), 0.92 * (far_right_top[1] - near_up[1]))
    ridge_far = (ridge_near[0] + run[0], ridge_near[1] + run[1])
    gable = (far_left, near, near_up, far_left_top)
    side = (near, far_right, far_right_top, near_up)
    return {
        "left_wall": [far_left, near, near_up, ridge_near, far_left_top],
        "right_wall": list(side),
        "roof": [near_up, far_right_top, ridge_far, ridge_near],
        "door": _opening(side, 0.14, 0.27, 0.0, 0.6),
        "window_right": _opening(side, 0.45, 0.78, 0.3, 0.75),
        "window_left": _opening(gable, 0.28, 0.68, 0.3, 0.75),
    }


def _edges(polygon):
    return [(polygon[k], polygon[(k + 1) % len(polygon)]) for k in range(len(polygon))]


def splash_picture(width, height, seed):
    """The splash picture at the given size."""
    rng = np.random.default_rng(seed)
    sketch = Sketch(width, height, rng)
    u = height / 100.0
    house = _house(width, height)

    # Sky and lawn first, loosely; then the building, then the lines over everything.
    _fill(sketch, rng, [(width * 0.08, 30 * u), (width * 0.92, 30 * u), (width * 0.92, 62 * u),
                        (width * 0.08, 70 * u)], SKY, 2.6, 0.35, 0.5, soften=8 * u)
    _fill(sketch, rng, [(width * 0.05, 84 * u), (width * 0.95, 82 * u), (width * 0.95, 94 * u),
                        (width * 0.05, 95 * u)], LAWN, 2.0, -0.2, 0.75, soften=3 * u)
    _fill(sketch, rng, house["left_wall"], OCHRE, 2.2, 0.6, 0.8)
    _fill(sketch, rng, house["left_wall"], SHADOW, 3.0, -0.6, 0.45)
    _fill(sketch, rng, house["right_wall"], BRICK, 2.0, 0.6, 0.85)
    _fill(sketch, rng, house["roof"], SLATE, 2.0, -0.4, 0.85)
    for name in ("door", "window_right", "window_left"):
        _fill(sketch, rng, house[name], GLASS if name != "door" else SLATE, 1.6, 1.2, 0.9)

    segments = []
    for name in ("left_wall", "right_wall", "roof", "door", "window_right", "window_left"):
        segments += _edges(house[name])
    segments.append(((width * 0.06, 86 * u), (width * 0.94, 84.5 * u)))  # ground line
    _graphite_lines(sketch, rng, segments, 0.9 * max(1.0, u / 2.4))

    title_size = int(17 * u)
    font = ImageFont.truetype(FONT_FOLDER + "DejaVuSerif-Bold.ttf", title_size * SUPERSAMPLE)
    small = ImageFont.truetype(FONT_FOLDER + "DejaVuSans-Oblique.ttf", int(5.2 * u) * SUPERSAMPLE)

    def title(d, s):
        d.text((width * s / 2, 15 * u * s), "Tintsmith", font=font, fill=255, anchor="mm")

    def subtitle(d, s):
        d.text((width * s / 2, 27 * u * s), "coloured pencil on art board", font=small, fill=255,
               anchor="mm")

    sketch.pencil(sketch.coverage(title), TITLE, 0.95)
    sketch.pencil(sketch.coverage(subtitle), GRAPHITE, 0.9)
    return sketch.picture()


def generate(folder, seed=11):
    """Writes the three splash files into folder (a pathlib.Path)."""
    for number, (name, (width, height)) in enumerate(SIZES.items()):
        picture = splash_picture(width, height, seed + number)
        (folder / name).write_bytes(tsl_bytes(picture))
