"""The board textures of Textures/Board and the custom backdrop textures beside them.

A board texture is a near-white picture of a paper or cloth surface lit from the upper left. The
program takes out its 8 x 8 block averages before use, moves its average to the board colour and adds
what is left, the grain, to the pencil colour, so everything that makes a board what it is lives in
features of a few pixels: the tooth of a paper, the threads of a weave, the pores of concrete. Broader
shading is left out, as the program would flatten it into blocks.

A board's surface is bright where it faces the light and dark in its hollows, and its hollows reach
much further from the average than its peaks: the board colour sits near white, so a peak can only be
a little lighter than it, while a pit can be far darker. Every board is scaled so that its grain,
after the block averages are taken out, has the same strength. All pictures tile.
"""

import math

import numpy as np

from . import noise, weave

# Paper tones (R, G, B) and how the grain colours them.
WARM_WHITE = (238, 235, 228)
COOL_WHITE = (236, 237, 238)
CREAM = (236, 231, 218)
LINEN = (233, 229, 219)
CONCRETE = (230, 229, 225)
WARM_SHADOW = (1.0, 1.0, 1.08)
NEUTRAL = (1.0, 1.0, 1.0)

# Standard deviation (grey levels) of a board's grain once its block averages are out, and how far
# above the average its brightest peaks (all but the brightest half percent) may reach: a new board
# is tinted to 235, so more would clip into flat white.
GRAIN = 15.5
HEADROOM = 17.0


def _block_flattened(field):
    """The field less its 8 x 8 block averages, as the program flattens a board."""
    size = field.shape[0]
    blocks = field.reshape(size // 8, 8, size // 8, 8)
    return (blocks - blocks.mean(axis=(1, 3), keepdims=True)).reshape(size, size)


def _highlights_pressed(shade, knee):
    """Peaks rounded off at about knee standard deviations above the mean; hollows kept whole."""
    return np.where(shade > 0.0, knee * np.tanh(shade / knee), shade)


def finish(shade, tone, warmth=WARM_SHADOW, *, grain=GRAIN, broad=None):
    """An RGB picture of a board from its shade (higher is lighter; any scale).

    The peaks are rounded off until they fit under HEADROOM at the required grain; broad (pixels)
    first takes out shading broader than about that, for surfaces whose features do not line up with
    the program's blocks."""
    shade = noise.normalised(shade)
    if broad:
        shade = noise.normalised(shade - noise.blur(shade, broad))
    # The knee is found on a quarter of the picture (it is the same surface throughout), the scale
    # on the whole of it.
    part = shade[:shade.shape[0] // 2, :shade.shape[1] // 2]
    for knee in (2.5, 1.8, 1.3, 1.0, 0.8, 0.65, 0.5, 0.4, 0.3):
        flat = _block_flattened(_highlights_pressed(part, knee))
        if grain / flat.std() * np.quantile(flat, 0.995) <= HEADROOM:
            break
    pressed = _highlights_pressed(shade, knee)
    scale = grain / _block_flattened(pressed).std()
    return noise.paper_picture(pressed * scale, tone, None, warmth)


def _lit(height, light=1.0, depth=1.0):
    """Shade of a height field: the slopes facing the light and the depth of the hollows."""
    return light * noise.normalised(noise.relief(height)) + depth * noise.normalised(height)


def _pits(size, rng, count, smallest, largest):
    """Small round pits (dark, with a lit lower-right rim): `count` of them on every 512 x 512."""
    field = np.zeros((size, size))
    for _ in range(count * size * size // (512 * 512)):
        cx, cy = rng.random(2) * size
        radius = rng.uniform(smallest, largest)
        noise.add_disc(field, cx + 0.6, cy + 0.6, radius, 0.35)
        noise.add_disc(field, cx, cy, radius, -1.0 * rng.uniform(0.6, 1.0))
    return field


def hot_press(size, rng):
    """Smooth illustration board: a fine, even tooth of tiny peaks and pits."""
    tooth = noise.spectral_noise(size, rng, beta=0.4, shortest=1.1, longest=5)
    pits = np.clip(-noise.spectral_noise(size, rng, beta=0.2, shortest=1.0, longest=4) - 1.2, 0, None)
    shade = _lit(tooth * 3.0, 0.9, 0.6) - 2.2 * pits
    return finish(shade, WARM_WHITE, broad=3.0)


def cold_press(size, rng):
    """Cold-pressed board: a medium tooth of rounded hills lit from the upper left, pits between."""
    hills = noise.spectral_noise(size, rng, beta=1.0, shortest=1.8, longest=9)
    fine = noise.spectral_noise(size, rng, beta=0.2, shortest=1.0, longest=4)
    shade = _lit(hills * 4.0, 1.0, 0.9) + 0.35 * fine - 1.6 * np.clip(-hills - 1.1, 0, None)
    return finish(shade, WARM_WHITE, broad=4.0)


def rough(size, rng):
    """Rough board: a heavy, ridged tooth with crevices that a light pencil stroke skips."""
    ridges = -np.abs(noise.spectral_noise(size, rng, beta=1.0, shortest=1.6, longest=14))
    ridges += 0.3 * noise.spectral_noise(size, rng, beta=0.6, shortest=1.2, longest=5)
    crevices = np.exp(-((ridges / 0.18) ** 2))  # the creases where the ridges fold down
    shade = _lit(ridges * 5.0, 0.9, 0.6) - 1.4 * crevices
    return finish(shade, (235, 233, 227), broad=5.0)


def pebbled(size, rng):
    """Pebble-finish mat board: rounded bumps of a few pixels packed side by side."""
    first, second, _ = noise.cell_distances(size, rng, 8)
    domes = np.sqrt(np.clip(1.0 - (first / 6.0) ** 2, 0.0, None))
    domes = noise.blur(domes, 0.7) + 0.15 * noise.spectral_noise(size, rng, beta=0.4, shortest=1.0, longest=5)
    seams = np.exp(-(((second - first) / 1.3) ** 2))
    shade = _lit(domes * 4.0, 1.0, 0.7) - 0.9 * seams
    return finish(shade, COOL_WHITE, NEUTRAL, broad=5.0)


def canvas(size, rng, width, *, slub, tone=CREAM):
    """Primed canvas: a plain weave whose gaps are partly filled with primer."""
    height = weave.woven_height(size, rng, weave.plain(), width, roundness=0.6, slub=slub, fuzz=0.12)
    primer = noise.spectral_noise(size, rng, beta=0.8, shortest=1.5, longest=12)
    height = noise.blur(np.maximum(height, 0.25 + 0.05 * primer), 0.1 * width)
    return finish(_lit(height * 3.0, 0.9, 1.0), tone)


def _shrunk(field, factor):
    """The field averaged over factor x factor squares."""
    size = field.shape[0] // factor
    return field.reshape(size, factor, size, factor).mean(axis=(1, 3))


def cloth(size, rng, draft, width, *, roundness, slub, fuzz, tone, relief=1.0, weft_width=None):
    """Cloth-covered board: the weave draft rendered with dark gaps between round threads. Threads
    of a pixel or two are drawn at twice the size and shrunk, so their gaps and lit edges fall
    between pixels as they would."""
    factor = 2 if width < 4 else 1
    height = weave.woven_height(size * factor, rng, draft, width * factor, roundness=roundness, slub=slub,
                                fuzz=fuzz, weft_width=weft_width and weft_width * factor)
    return finish(_shrunk(_lit(height * 2.5, relief, 1.0), factor), tone)


def flannel(size, rng, draft, width, *, softness, nap_angle=None, tone=WARM_WHITE):
    """Flannel: a soft twill under a raised, fuzzy nap of fine fibres."""
    height = weave.woven_height(size, rng, draft, width, roundness=0.8, slub=0.3, fuzz=0.0)
    height = noise.normalised(noise.blur(height, softness))
    if nap_angle is None:
        nap = noise.spectral_noise(size, rng, beta=0.3, shortest=0.9, longest=6)
    else:
        nap = noise.spectral_noise(size, rng, beta=0.3, shortest=0.9, longest=10, stretch=4.0,
                                   angle=nap_angle)
    tufts = np.clip(-noise.spectral_noise(size, rng, beta=0.5, shortest=1.2, longest=6) - 1.0, 0, None)
    shade = _lit(height * 2.5, 0.8, 0.6) + 0.45 * nap - 0.2 * tufts
    return finish(shade, tone, broad=6.0)


def concrete(size, rng, *, stone_cell, pits, tone=CONCRETE):
    """Board-formed concrete: cement with sand, aggregate and air holes of every size."""
    sand = noise.spectral_noise(size, rng, beta=0.0, shortest=0.8, longest=3)
    cement = noise.spectral_noise(size, rng, beta=0.8, shortest=1.5, longest=10)
    shade = 0.6 * sand + 0.4 * cement
    if stone_cell:
        first, second, nearest = noise.cell_distances(size, rng, stone_cell)
        edges = np.exp(-(((second - first) / 1.2) ** 2))  # cement between the stones
        shades = rng.standard_normal((size // stone_cell) ** 2)  # each stone its own shade
        stones = noise.blur(0.6 * shades[nearest] - 1.0 * edges, 0.6)
        shade += stones + 0.5 * noise.normalised(noise.relief(stones * 3.0))
    shade += 2.6 * _pits(size, rng, pits, 0.5, 2.6)
    return finish(shade, tone, NEUTRAL, broad=5.0)


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
    ("Canvas2.jpg", lambda s, r: canvas(s, r, 4, slub=0.45, tone=(237, 232, 218))),
    ("Canvas3.jpg", lambda s, r: canvas(s, r, 8, slub=0.35)),
    ("CoarseWeave1.jpg", lambda s, r: cloth(s, r, weave.plain(), 8, roundness=0.9, slub=0.3, fuzz=0.15,
                                           tone=LINEN)),
    ("CoarseWeave2.jpg", lambda s, r: cloth(s, r, weave.basket(2), 4, roundness=0.8, slub=0.25, fuzz=0.15,
                                           tone=LINEN)),
    ("CoarseWeave3.jpg", lambda s, r: cloth(s, r, weave.twill(2, 2), 4, roundness=0.9, slub=0.3, fuzz=0.2,
                                           tone=(235, 232, 224))),
    ("CoarseWeave4.jpg", lambda s, r: cloth(s, r, weave.basket(2), 8, roundness=1.0, slub=0.5, fuzz=0.25,
                                           tone=(236, 232, 220))),
    ("FineWeave1.bmp", lambda s, r: cloth(s, r, weave.plain(), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                         tone=WARM_WHITE)),
    ("FineWeave2.bmp", lambda s, r: cloth(s, r, weave.twill(2, 2), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                         tone=WARM_WHITE)),
    ("FineWeave3.bmp", lambda s, r: cloth(s, r, weave.oxford(), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                         tone=COOL_WHITE)),
    ("FineWeave4.bmp", lambda s, r: cloth(s, r, weave.plain(), 2, roundness=0.8, slub=0.6, fuzz=0.2,
                                         tone=LINEN)),
    ("FineWeave5.bmp", lambda s, r: cloth(s, r, weave.broken_twill(), 2, roundness=0.6, slub=0.2,
                                         fuzz=0.1, tone=WARM_WHITE)),
    ("Flannel1.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 2, softness=0.7)),
    ("Flannel2.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 4, softness=1.0, tone=CREAM)),
    ("Flannel3.jpg", lambda s, r: flannel(s, r, weave.plain(), 4, softness=0.9, nap_angle=math.pi / 4,
                                         tone=COOL_WHITE)),
    ("Flannel4.jpg", lambda s, r: flannel(s, r, weave.basket(2), 2, softness=0.9, nap_angle=0.0)),
    ("Herringbone1.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 16), 2, roundness=0.8, slub=0.15,
                                           fuzz=0.05, tone=WARM_WHITE)),
    ("Herringbone2.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 4), 4, roundness=0.8, slub=0.25,
                                           fuzz=0.15, tone=LINEN)),
    ("Herringbone3.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 8), 4, roundness=0.9, slub=0.3,
                                           fuzz=0.15, tone=COOL_WHITE)),
    ("Herringbone4.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 8), 2, roundness=0.7, slub=0.15,
                                           fuzz=0.05, tone=CREAM)),
    ("Concrete1.jpg", lambda s, r: concrete(s, r, stone_cell=0, pits=700)),
    ("Concrete2.jpg", lambda s, r: concrete(s, r, stone_cell=8, pits=300, tone=(232, 231, 228))),
    ("None.jpg", lambda s, r: flat(s, (240, 238, 233))),
]


# The custom backdrop textures: the file the backdrop menu's choice loads, and the one a restored
# choice loads; both from the same kind of surface, different pieces of it.
BACKDROPS = [
    ("PaperStandard1.jpg", lambda s, r: cold_press(s, r)),
    ("PaperStandard.jpg", lambda s, r: hot_press(s, r)),
    ("PaperNone.jpg", lambda s, r: flat(s, (240, 238, 233))),
    ("PaperCoarse1.jpg", lambda s, r: cloth(s, r, weave.basket(2), 4, roundness=0.9, slub=0.3, fuzz=0.15,
                                           tone=LINEN)),
    ("PaperCoarse.jpg", lambda s, r: cloth(s, r, weave.plain(), 8, roundness=0.9, slub=0.3, fuzz=0.15,
                                          tone=LINEN)),
    ("PaperFine1.bmp", lambda s, r: cloth(s, r, weave.plain(), 2, roundness=0.7, slub=0.3, fuzz=0.1,
                                         tone=WARM_WHITE)),
    ("PaperFine.bmp", lambda s, r: cloth(s, r, weave.twill(2, 2), 2, roundness=0.7, slub=0.2, fuzz=0.1,
                                        tone=WARM_WHITE)),
    ("PaperFlannel1.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 4, softness=1.2)),
    ("PaperFlannel.jpg", lambda s, r: flannel(s, r, weave.twill(2, 2), 2, softness=1.0)),
    ("PaperHerringbone1.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 8), 4, roundness=0.8,
                                                slub=0.25, fuzz=0.15, tone=LINEN)),
    ("PaperHerringbone.jpg", lambda s, r: cloth(s, r, weave.herringbone(2, 4), 4, roundness=0.8,
                                               slub=0.25, fuzz=0.15, tone=LINEN)),
]


def save(picture, path):
    """JPEG at quality 95 without chroma subsampling, or an uncompressed 24-bit BMP, by extension."""
    if path.suffix.lower() == ".jpg":
        picture.save(path, "JPEG", quality=95, subsampling=0)
    else:
        picture.save(path, "BMP")


def generate(folder, board_size=512, backdrop_size=256, seed=1):
    """Writes the boards and the backdrop textures into folder (a pathlib.Path that exists)."""
    for number, (name, make) in enumerate(BOARDS, start=1):
        save(make(board_size, np.random.default_rng([seed, number])), folder / name)
    for number, (name, make) in enumerate(BACKDROPS, start=101):
        save(make(backdrop_size, np.random.default_rng([seed, number])), folder / name)
