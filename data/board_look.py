"""The program's arithmetic on a board texture, in numpy: how a texture file becomes the paper
bitmap (flatten, then tint to the board colour) and how plain coloured pencil takes the paper's grain.

Pictures are uint8 or float arrays (height, width, 3) in R, G, B order; colours are (r, g, b) tuples.
"""

import numpy as np

DEFAULT_BOARD_COLOR = (235, 235, 235)  # a new drawing's board colour, 0x00EBEBEB
DEFAULT_PAINTED_AMOUNT = 2  # "Painted Amount" starts at "-50%"
AMOUNT_NAMES = ["-0%", "-25%", "-50%", "-75%", "-100%"]


def _random_table(size=16384):
    """Low bytes of the C library's rand() from its default seed 1, one per entry."""
    seed = 1
    table = np.empty(size, dtype=np.int64)
    for i in range(size):
        seed = (seed * 214013 + 2531011) & 0xFFFFFFFF
        table[i] = ((seed >> 16) & 0x7FFF) & 0xFF
    return table


RANDOM_TABLE = _random_table()


def flatten(rgb):
    """Takes out the 8 x 8 block averages as the program does before use: every whole block is
    shifted to the overall average plus 0 or 2 per byte (bit 1 of successive random-table entries,
    three a block in the bytes' memory order blue, green, red); partial edge blocks stay as loaded."""
    rgb = np.asarray(rgb, dtype=np.int64)
    h, w = rgb.shape[:2]
    out = rgb.copy()
    if h < 8 or w < 8:
        return out.astype(np.uint8)
    overall = rgb.reshape(-1, 3).sum(axis=0) // (h * w)
    bh, bw = h // 8, w // 8
    blocks = rgb[:bh * 8, :bw * 8].reshape(bh, 8, bw, 8, 3)
    means = blocks.sum(axis=(1, 3)) >> 6  # (bh, bw, 3)
    index = np.arange(bh * bw * 3).reshape(bh, bw, 3)
    bgr_entry = index[:, :, ::-1]  # the first entry of a block goes to blue
    r = RANDOM_TABLE[bgr_entry % RANDOM_TABLE.size] & 2
    shift = overall[None, None, :] - means + r
    shifted = blocks + shift[:, None, :, None, :]
    out[:bh * 8, :bw * 8] = np.clip(shifted, 0, 255).reshape(bh * 8, bw * 8, 3)
    return out.astype(np.uint8)


def average_color(rgb):
    """Average of every 4th pixel of every 4th row whose three bytes are all non-zero (integers)."""
    sample = np.asarray(rgb, dtype=np.int64)[::4, ::4].reshape(-1, 3)
    sample = sample[(sample != 0).all(axis=1)]
    if len(sample) == 0:
        return np.zeros(3, dtype=np.int64)
    return sample.sum(axis=0) // len(sample)


def tint(rgb, color):
    """Moves the picture's average colour to color, clamping."""
    shift = np.asarray(color, dtype=np.int64) - average_color(rgb)
    return np.clip(np.asarray(rgb, dtype=np.int64) + shift, 0, 255).astype(np.uint8)


def paper_bitmap(texture, color=DEFAULT_BOARD_COLOR):
    """The paper bitmap the program makes from a texture file's pixels."""
    return tint(flatten(texture), color)


def reduce_deviation(d, amount_index):
    """The deviation kept by a show-through setting (arithmetic shifts, as the compositor)."""
    d = np.asarray(d, dtype=np.int64)
    if amount_index == 0:
        return d
    if amount_index == 1:
        return d - (d >> 2)
    if amount_index == 2:
        return d - (d >> 1)
    if amount_index == 3:
        return d - ((d >> 2) + (d >> 1))
    return np.zeros_like(d)


def _mul(a, b):
    return np.minimum((np.asarray(a, dtype=np.int64) * b * 2 + 255) // 510, 255)


def pencil(paper, color, strength, amount_index=DEFAULT_PAINTED_AMOUNT, average=None):
    """Plain coloured pencil of color at strength (0..255, an array of the paper's height and width or
    one value) over paper pixels: the colour carries the paper's deviation from its average, reduced
    by the show-through setting. average is the paper bitmap's average colour (by default that of
    the pixels given)."""
    paper = np.asarray(paper, dtype=np.int64)
    d = paper - (average_color(paper) if average is None else np.asarray(average, dtype=np.int64))
    c = np.clip(np.asarray(color, dtype=np.int64) + reduce_deviation(d, amount_index), 0, 255)
    s = np.broadcast_to(np.asarray(strength, dtype=np.int64), paper.shape[:2])[:, :, None]
    return (_mul(s, c) + _mul(255 - s, paper)).astype(np.uint8)
