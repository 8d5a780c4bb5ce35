"""Textures/ED/PencilShadow.png: the grain of shading laid by hand with a pencil.

The program keeps one bit per pixel of it (set where the first colour byte is below 128) and darkens
shaded pixels a little more where the bit is set, so the picture is a grey field centred on 128 whose
dark side is the lead. It is drawn as a hand shades: patches of strokes laid side by side, each patch
in its own direction near the usual right-handed slant, each stroke of its own length, pressing in
at its start, heavier in its middle and lifting off at its end, broken up by the tooth of the paper.
About 40 % of the pixels are dark. Strokes are laid on the torus, so the picture tiles.
"""

import math

import numpy as np

from . import noise

DARK_SHARE = 0.40
SLANT = math.radians(-52.0)  # up and to the right, as a right hand shades
STEP = 0.5  # pixels between the points a stroke is drawn with


def _stroke_points(rng, cx, cy, angle, length, bend):
    """Points (x, y) and pressure along one slightly curved stroke centred at (cx, cy)."""
    count = max(int(length / STEP), 2)
    t = np.linspace(-0.5, 0.5, count)
    heading = angle + bend * t
    dx = np.cumsum(np.cos(heading)) * STEP
    dy = np.cumsum(np.sin(heading)) * STEP
    x = cx + dx - dx.mean()
    y = cy + dy - dy.mean()
    # Pressed in quickly, eased off slowly: a hand shades in strokes that start firm.
    s = t + 0.5
    pressure = np.clip(s / 0.12, 0.0, 1.0) * np.clip((1.0 - s) / 0.35, 0.0, 1.0) ** 0.7
    pressure *= 1.0 + 0.15 * np.sin(2 * math.pi * (s * rng.uniform(1.0, 2.5) + rng.random()))
    return x, y, pressure


def pencil_shadow(size, rng):
    """Grey values (float array) of the shading grain; size must be a power of two so that the
    picture also tiles the program's 4096 x 4096 mask."""
    xs, ys, ws = [], [], []
    # A patch: a run of strokes side by side, as the hand moves along while shading back and forth.
    # Patches spread evenly, one somewhere in each square of a grid, so no wide gap is left bare.
    cells = size // 16
    for patch in range(cells * cells):
        cx, cy = (np.array([patch % cells, patch // cells % cells]) + rng.random(2)) * (size / cells)
        angle = SLANT + rng.normal(0.0, 0.22)
        across = angle + math.pi / 2
        strokes = int(rng.integers(2, 6))
        spacing = rng.uniform(3.2, 4.6)
        length = rng.uniform(10.0, 40.0)
        patch_pressure = rng.uniform(0.45, 1.0)
        for k in range(strokes):
            offset = (k - (strokes - 1) / 2) * spacing + rng.normal(0.0, 0.5)
            along = rng.normal(0.0, 0.18 * length)
            px = cx + offset * math.cos(across) + along * math.cos(angle)
            py = cy + offset * math.sin(across) + along * math.sin(angle)
            x, y, pressure = _stroke_points(rng, px, py, angle + rng.normal(0.0, 0.05),
                                            length * rng.uniform(0.6, 1.25), rng.normal(0.0, 0.12))
            xs.append(x)
            ys.append(y)
            ws.append(pressure * patch_pressure * rng.uniform(0.7, 1.0))
    x, y, w = np.concatenate(xs), np.concatenate(ys), np.concatenate(ws)
    # Splat every point onto its four nearest pixels, wrapping around the edges.
    lead = np.zeros((size, size))
    x0, y0 = np.floor(x), np.floor(y)
    fx, fy = x - x0, y - y0
    x0, y0 = x0.astype(np.int64), y0.astype(np.int64)
    for ox, oy, weight in ((0, 0, (1 - fx) * (1 - fy)), (1, 0, fx * (1 - fy)), (0, 1, (1 - fx) * fy),
                           (1, 1, fx * fy)):
        np.add.at(lead, ((y0 + oy) % size, (x0 + ox) % size), w * weight)
    lead = noise.blur(lead, 0.45)
    # Graphite piles up, but a spot cannot get darker than black: layered strokes saturate.
    lead = 1.0 - np.exp(-0.8 * lead / lead.mean())
    # The lead catches the peaks of the paper and skips its pits.
    tooth = noise.spectral_noise(size, rng, beta=0.3, shortest=1.0, longest=5)
    darkness = lead * (1.0 + 0.45 * tooth)
    values = 150.0 - 60.0 * noise.normalised(darkness)
    # Move the level so that exactly the intended share of pixels lies below 128.
    return values + (127.5 - np.quantile(values, DARK_SHARE))


def generate(path, size=512, seed=7):
    """Writes the pencil-shadow grain as an RGB PNG."""
    picture = noise.grey_picture(pencil_shadow(size, np.random.default_rng(seed)))
    picture.save(path, "PNG", optimize=True)
