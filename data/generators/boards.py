"""The board textures of Textures/Board and the custom backdrop textures beside them.

A board texture is a near-white picture of a paper or cloth surface. The program takes out its
8 x 8 block averages before use and keeps only the fine grain, which it adds to the pencil colour,
so the grain is built from features of a few pixels; anything broader is only there to make the
picture itself look natural. All pictures tile.
"""

import math

import numpy as np

from . import noise, weave

# Paper tones (R, G, B) and how the grain colours them.
WARM_WHITE = (238, 235, 228)
COOL_WHITE = (236, 237, 238)
CREAM = (236, 231, 218)
LINEN = (233, 229, 219)
CONCRETE = (228, 227, 223)
WARM_SHADOW = (1.0, 1.0, 1.08)
NEUTRAL = (1.0, 1.0, 1.0)


def _fibres(size, rng, count, length):
    """Loose surface fibres: short, gently curved strokes laid on the torus, `count` of them on
    every 512 x 512 pixels."""
    field = np.zeros((size, size))
    for _ in range(count * size * size // (512 * 512)):
        x, y = rng.random(2) * size
        angle = rng.random() * math.pi
        bend = rng.normal(0.0, 0.08)
        strength = rng.uniform(0.4, 1.0) * (1 if rng.random() < 0.7 else -1)
        steps = int(length * rng.uniform(0.5, 1.5))
        for _ in range(steps):
            field[int(y) % size, int(x) % size] += strength
            angle += bend
            x += math.cos(angle)
            y += math.sin(angle)
    return noise.blur(field, 0.6)


def hot_press(size, rng):
    """Smooth illustration board: a very fine, even tooth and a few fibres."""
    tooth = noise.spectral_noise(size, rng, beta=0.3, shortest=1.2, longest=12)
    surface = noise.spectral_noise(size, rng, beta=1.2, shortest=2.0, longest=40)
    grain = tooth + 0.8 * noise.normalised(noise.relief(surface)) + 0.5 * _fibres(size, rng, 500, 10)
    return noise.paper_picture(grain, WARM_WHITE, 4.0, WARM_SHADOW)


def cold_press(size, rng):
    """Cold-pressed board: a medium tooth of rounded hills lit from the upper left."""
    hills = noise.spectral_noise(size, rng, beta=1.4, shortest=2.5, longest=28)
    fine = noise.spectral_noise(size, rng, beta=0.2, shortest=1.0, longest=6)
    grain = noise.normalised(noise.relief(hills * 6.0)) + 0.45 * hills + 0.35 * fine
    grain += 0.3 * _fibres(size, rng, 300, 12)
    return noise.paper_picture(grain, WARM_WHITE, 6.5, WARM_SHADOW)


def rough(size, rng):
    """Rough board: a heavy, ridged tooth with crevices that a light pencil stroke skips."""
    ridges = -np.abs(noise.spectral_noise(size, rng, beta=1.1, shortest=2.0, longest=40))
    ridges += 0.4 * noise.spectral_noise(size, rng, beta=0.8, shortest=1.5, longest=10)
    grain = noise.normalised(noise.relief(ridges * 5.0)) + 0.8 * noise.normalised(ridges)
    return noise.paper_picture(grain, (235, 233, 227), 8.5, WARM_SHADOW)


def pebbled(size, rng):
    """Pebble-finish mat board: rounded bumps of a few pixels packed side by side."""
    first, _, _ = noise.cell_distances(size, rng, 8)
    domes = noise.blur(np.exp(-((first / 5.0) ** 2)), 0.8)
    domes += 0.3 * noise.spectral_noise(size, rng, beta=0.5, shortest=1.0, longest=8)
    grain = noise.normalised(noise.relief(domes * 4.0)) + 0.5 * noise.normalised(domes)
    return noise.paper_picture(grain, COOL_WHITE, 6.0, NEUTRAL)


def canvas(size, rng, width, *, slub, tone=CREAM, amplitude=8.0):
    """Primed canvas: a plain weave whose gaps are partly filled with primer."""
    height = weave.woven_height(size, rng, weave.plain(), width, roundness=0.5, slub=slub, fuzz=0.12)
    primer = noise.spectral_noise(size, rng, beta=1.0, shortest=2.0, longest=30)
    height = noise.blur(np.maximum(height, 0.3 + 0.05 * primer), 0.12 * width)  # primer fills the gaps
    grain = noise.normalised(noise.relief(height * 3.0)) + 1.2 * noise.normalised(height)
    return noise.paper_picture(grain, tone, amplitude, WARM_SHADOW)


def cloth(size, rng, draft, width, *, roundness, slub, fuzz, tone, amplitude, relief=1.0,
          weft_width=None):
    """Cloth-covered board: the weave draft rendered with open gaps between round threads."""
    height = weave.woven_height(size, rng, draft, width, roundness=roundness, slub=slub, fuzz=fuzz,
                                weft_width=weft_width)
    grain = relief * noise.normalised(noise.relief(height * 2.5)) + noise.normalised(height)
    return noise.paper_picture(grain, tone, amplitude, WARM_SHADOW)


def flannel(size, rng, draft, width, *, softness, nap_angle=None, tone=WARM_WHITE, amplitude=6.0):
    """Flannel: a soft twill under a raised, fuzzy nap that blurs the threads."""
    height = weave.woven_height(size, rng, draft, width, roundness=0.8, slub=0.3, fuzz=0.0)
    height = noise.blur(height, softness)
    if nap_angle is None:
        nap = noise.spectral_noise(size, rng, beta=0.6, shortest=1.0, longest=10)
    else:
        nap = noise.spectral_noise(size, rng, beta=0.6, shortest=1.0, longest=14, stretch=4.0,
                                   angle=nap_angle)
    mottle = noise.spectral_noise(size, rng, beta=1.5, shortest=4.0, longest=64)
    grain = noise.normalised(height) + 0.9 * nap + 0.35 * mottle
    return noise.paper_picture(grain, tone, amplitude, WARM_SHADOW)


def concrete(size, rng, *, stone_cell, pits, tone=CONCRETE, amplitude=9.0):
    """Board-formed concrete: cement laitance with sand, aggregate and small air holes."""
    cement = noise.spectral_noise(size, rng, beta=1.1, shortest=1.5, longest=64)
    sand = noise.spectral_noise(size, rng, beta=0.0, shortest=0.7, longest=4)
    grain = 0.8 * cement + 0.7 * sand
    if stone_cell:
        first, second, nearest = noise.cell_distances(size, rng, stone_cell)
        edges = np.clip(1.0 - (second - first) / 2.0, 0.0, 1.0)  # cement between the stones
        shades = rng.standard_normal((size // stone_cell) ** 2)  # each stone its own shade
        stones = noise.blur(0.5 * shades[nearest] - 0.6 * edges, 0.7)
        grain += stones + 0.4 * noise.normalised(noise.relief(stones * 3.0))
    for _ in range(pits):
        cx, cy = rng.random(2) * size
        radius = rng.uniform(0.6, 2.2)
        # A dark hole with a lit lower-right rim (the light comes from the upper left).
        noise.add_disc(grain, cx + 0.7, cy + 0.7, radius, 1.2)
        noise.add_disc(grain, cx, cy, radius, -4.2)
    return noise.paper_picture(grain, tone, amplitude, NEUTRAL)


def flat(size, tone):
    """An even surface with no grain."""
    return noise.paper_picture(np.zeros((size, size)), tone, 0.0)


# The 27 boards, in the order of their numbers, with the file each is saved as.
BOARDS = [
    ("Standard1.jpg", lambda s, r: hot_press(s, r)),
    ("Standard2.jpg", lambda s, r: cold_press(s, r)),
    ("Standard3.jpg", lambda s, r: rough(s, r)),
    ("Standard4.jpg", lambda s, r: pebbled(s, r)),
    ("Canvas1.jpg", lambda s, r: canvas(s, r, 4, slub=0.25)),
    ("Canvas2.jpg", lambda s, r: canvas(s, r, 4, slub=0.45, tone=(237, 232, 218), amplitude=9.0)),
    ("Canvas3.jpg", lambda s, r: canvas(s, r, 8, slub=0.35, amplitude=10.0)),
    ("CoarseWeave1.jpg", lambda s, r: cloth(s, r, weave.plain(), 8, roundness=0.9, slub=0.3, fuzz=0.15,
                                           tone=LINEN, amplitude=10.0)),
    ("CoarseWeave2.jpg", lambda s, r: cloth(s, r, weave.basket(2), 4, roundness=0.8, slub=0.25, fuzz=0.15,
                                           tone=LINEN, amplitude=10.0)),
    ("CoarseWeave3.jpg", lambda s, r: cloth(s, r, weave.twill(2, 2), 4, roundness=0.9, slub=0.3, fuzz=0.2,
                                           tone=(235, 232, 224), amplitude=9.0)),
    ("CoarseWeave4.jpg", lambda s, r: cloth(s, r, weave.basket(2), 8, roundness=1.0, slub=0.5, fuzz=0.25,
                                           tone=(236, 232, 220), amplitude=11.0)),
    ("FineWeave1.bmp", lambda s, r: cloth(s, r, weave.plain(), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                         tone=WARM_WHITE, amplitude=5.0, relief=0.6)),
    ("FineWeave2.bmp", lambda s, r: cloth(s, r, weave.twill(2, 2), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                         tone=WARM_WHITE, amplitude=5.0, relief=0.6)),
    ("FineWeave3.bmp", lambda s, r: cloth(s, r, weave.oxford(), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                         tone=COOL_WHITE, amplitude=5.5, relief=0.6)),
    ("FineWeave4.bmp", lambda s, r: cloth(s, r, weave.plain(), 2, roundness=0.8, slub=0.6, fuzz=0.2,
                                         tone=LINEN, amplitude=6.0, relief=0.6)),
    ("FineWeave5.bmp", lambda s, r: cloth(s, r, weave.broken_twill(), 2, roundness=0.6, slub=0.2,
                                         fuzz=0.1, tone=WARM_WHITE, amplitude=5.0, relief=0.6)),
    ("Flannel1.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 2, softness=1.2)),
    ("Flannel2.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 4, softness=1.8, tone=CREAM)),
    ("Flannel3.jpg", lambda s, r: flannel(s, r, weave.plain(), 4, softness=1.5, nap_angle=math.pi / 4,
                                         tone=COOL_WHITE)),
    ("Flannel4.jpg", lambda s, r: flannel(s, r, weave.basket(2), 2, softness=2.2, nap_angle=0.0,
                                         amplitude=7.0)),
    ("Herringbone1.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 16), 2, roundness=0.8, slub=0.15,
                                           fuzz=0.05, tone=WARM_WHITE, amplitude=7.0)),
    ("Herringbone2.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 4), 4, roundness=0.8, slub=0.25,
                                           fuzz=0.15, tone=LINEN, amplitude=8.0)),
    ("Herringbone3.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 8), 4, roundness=0.9, slub=0.3,
                                           fuzz=0.15, tone=COOL_WHITE, amplitude=8.0)),
    ("Herringbone4.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 8), 2, roundness=0.7, slub=0.15,
                                           fuzz=0.05, tone=CREAM, amplitude=6.5)),
    ("Concrete1.jpg", lambda s, r: concrete(s, r, stone_cell=0, pits=260)),
    ("Concrete2.jpg", lambda s, r: concrete(s, r, stone_cell=8, pits=120, tone=(230, 229, 226),
                                           amplitude=10.0)),
    ("None.jpg", lambda s, r: flat(s, (240, 238, 233))),
]


# The custom backdrop textures: the file the backdrop menu's choice loads, and the one a restored
# choice loads; both from the same kind of surface, different pieces of it.
BACKDROPS = [
    ("PaperStandard1.jpg", lambda s, r: cold_press(s, r)),
    ("PaperStandard.jpg", lambda s, r: hot_press(s, r)),
    ("PaperNone.jpg", lambda s, r: flat(s, (240, 238, 233))),
    ("PaperCoarse1.jpg", lambda s, r: cloth(s, r, weave.basket(2), 4, roundness=0.9, slub=0.3, fuzz=0.15,
                                           tone=LINEN, amplitude=11.0)),
    ("PaperCoarse.jpg", lambda s, r: cloth(s, r, weave.plain(), 8, roundness=0.9, slub=0.3, fuzz=0.15,
                                          tone=LINEN, amplitude=11.0)),
    ("PaperFine1.bmp", lambda s, r: cloth(s, r, weave.plain(), 2, roundness=0.7, slub=0.3, fuzz=0.1,
                                         tone=WARM_WHITE, amplitude=6.0, relief=0.6)),
    ("PaperFine.bmp", lambda s, r: cloth(s, r, weave.twill(2, 2), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                        tone=WARM_WHITE, amplitude=6.0, relief=0.6)),
    ("PaperFlannel1.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 4, softness=1.6, amplitude=7.0)),
    ("PaperFlannel.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 2, softness=1.3, amplitude=7.0)),
    ("PaperHerringbone1.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 8), 4, roundness=0.8,
                                                slub=0.25, fuzz=0.15, tone=LINEN, amplitude=9.0)),
    ("PaperHerringbone.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 4), 4, roundness=0.8,
                                               slub=0.25, fuzz=0.15, tone=LINEN, amplitude=9.0)),
]


def save(picture, path):
    """JPEG at quality 92 without chroma subsampling, or an uncompressed 24-bit BMP, by extension."""
    if path.suffix.lower() == ".jpg":
        picture.save(path, "JPEG", quality=92, subsampling=0)
    else:
        picture.save(path, "BMP")


def generate(folder, board_size=512, backdrop_size=256, seed=1):
    """Writes the boards and the backdrop textures into folder (a pathlib.Path that exists)."""
    for number, (name, make) in enumerate(BOARDS, start=1):
        save(make(board_size, np.random.default_rng([seed, number])), folder / name)
    for number, (name, make) in enumerate(BACKDROPS, start=101):
        save(make(backdrop_size, np.random.default_rng([seed, number])), folder / name)
