"""Woven surfaces: a weave draft (which thread lies on top at each crossing) rendered as a height field.

Warp threads run down the picture (one per `width` pixels across), weft threads run across it. Every
thread that passes over others arches: it is highest in the middle of its float and dips where it
goes under. Each thread has its own thickness and the thickness swells and thins along it (slubs),
and loose fibres lie along the threads.
"""

import numpy as np

from . import noise


def plain():
    """Over one, under one."""
    return np.array([[1, 0], [0, 1]], dtype=bool)


def basket(n):
    """n threads travelling together: over n, under n in both directions."""
    cells = np.indices((2 * n, 2 * n)) // n
    return (cells[0] + cells[1]) % 2 == 0


def twill(over, under, direction=1):
    """Diagonal rib: each warp goes over `over` wefts and under `under`, shifted by one per thread."""
    repeat = over + under
    j, i = np.indices((repeat, repeat))
    return (j - direction * i) % repeat < over


def oxford():
    """Pairs of warps over single wefts: a fine basket."""
    j, i = np.indices((2, 4))
    return ((i // 2) + j) % 2 == 0


def broken_twill():
    """A four-shaft broken twill: floats of three that do not line up into a rib."""
    return np.array([[1, 1, 1, 0], [0, 1, 1, 1], [1, 0, 1, 1], [1, 1, 0, 1]], dtype=bool)


def herringbone(over, band):
    """Twill whose diagonal reverses every `band` warps, giving the zigzag of herringbone cloth."""
    repeat = 2 * over
    j, i = np.indices((repeat, 2 * band))
    direction = np.where((i // band) % 2 == 0, 1, -1)
    return (j - direction * i) % repeat < over


def _runs(line, value):
    """Position inside its run and run length, for every entry of a cyclic line equal to value."""
    n = len(line)
    position = np.zeros(n)
    length = np.ones(n)
    if np.all(line == value):
        return np.arange(n, dtype=np.float64), np.full(n, float(n))
    for k in range(n):
        if line[k] != value:
            continue
        back = 0
        while line[(k - back - 1) % n] == value:
            back += 1
        ahead = 0
        while line[(k + ahead + 1) % n] == value:
            ahead += 1
        position[k], length[k] = back, back + ahead + 1
    return position, length


def _float_positions(draft):
    """For each cell [j, i] of a draft: the position of the crossing inside the float of the thread on
    top, and that float's length (warps float down a column, wefts along a row)."""
    rows, cols = draft.shape
    warp_pos, warp_len = np.zeros(draft.shape), np.ones(draft.shape)
    weft_pos, weft_len = np.zeros(draft.shape), np.ones(draft.shape)
    for i in range(cols):
        warp_pos[:, i], warp_len[:, i] = _runs(draft[:, i], True)
    for j in range(rows):
        weft_pos[j, :], weft_len[j, :] = _runs(draft[j, :], False)
    return warp_pos, warp_len, weft_pos, weft_len


def woven_height(size, rng, draft, width, *, roundness=0.6, slub=0.25, fuzz=0.15, thread_tone=0.1,
                 weft_width=None):
    """Height field (float array, roughly 0..1 plus texture) of a woven cloth.

    draft[j % rows, i % cols] is True where warp i lies over weft j. width (and weft_width, default
    equal) is the thread spacing in pixels; size must be a multiple of width x the draft's repeat.
    roundness shapes a thread's cross-section (small = flat tape, large = round cord with dark gaps).
    """
    weft_width = weft_width or width
    draft = np.asarray(draft, dtype=bool)
    rows, cols = draft.shape
    assert size % (width * cols) == 0 and size % (weft_width * rows) == 0, "weave must tile"

    # Rows (y) and columns (x) as a column and a row vector: every per-pixel field below is formed by
    # broadcasting, and the draft is tiled rather than looked up pixel by pixel.
    y = np.arange(size)[:, None]
    x = np.arange(size)[None, :]
    i, j = x // width, y // weft_width
    u = (x % width + 0.5) / width  # across the warp, 0..1
    v = (y % weft_width + 0.5) / weft_width  # across the weft, 0..1

    def tiled(cells):
        """A per-crossing table of the draft's shape spread over the pixels."""
        big = np.tile(cells, (size // (weft_width * rows), size // (width * cols)))
        return np.repeat(np.repeat(big, weft_width, axis=0), width, axis=1)

    warp_top = tiled(draft)

    # Position along each float, so a thread arches over its whole float, not over every crossing.
    warp_pos, warp_len, weft_pos, weft_len = _float_positions(draft)
    t_warp = (tiled(warp_pos) + v) / tiled(warp_len)
    t_weft = (tiled(weft_pos) + u) / tiled(weft_len)

    exponent = max(roundness, 0.05)
    section_warp = np.sin(np.pi * u) ** exponent
    section_weft = np.sin(np.pi * v) ** exponent
    arch_warp = 0.6 + 0.4 * np.sin(np.pi * t_warp)
    arch_weft = 0.6 + 0.4 * np.sin(np.pi * t_weft)

    # Thickness per thread and slubs along it: noise stretched along the thread direction.
    warp_count, weft_count = size // width, size // weft_width
    warp_thick = 1.0 + slub * (0.6 * rng.standard_normal(warp_count)[i]
                               + 0.5 * noise.spectral_noise(size, rng, shortest=width, stretch=6.0,
                                                            angle=np.pi / 2))
    weft_thick = 1.0 + slub * (0.6 * rng.standard_normal(weft_count)[j]
                               + 0.5 * noise.spectral_noise(size, rng, shortest=weft_width,
                                                            stretch=6.0))
    warp_tone = thread_tone * rng.standard_normal(warp_count)[i]
    weft_tone = thread_tone * rng.standard_normal(weft_count)[j]

    fibres_down = noise.spectral_noise(size, rng, beta=0.5, shortest=1.0, stretch=5.0, angle=np.pi / 2)
    fibres_across = noise.spectral_noise(size, rng, beta=0.5, shortest=1.0, stretch=5.0)

    height_warp = section_warp * arch_warp * warp_thick + warp_tone + fuzz * fibres_down
    height_weft = section_weft * arch_weft * weft_thick + weft_tone + fuzz * fibres_across
    # The thread underneath shows only through the gaps at the edges of the top one.
    weft_beneath = 0.35 * section_weft * weft_thick
    warp_beneath = 0.35 * section_warp * warp_thick
    return np.where(warp_top, np.maximum(height_warp, weft_beneath), np.maximum(height_weft, warp_beneath))
