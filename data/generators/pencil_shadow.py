"""Textures/ED/PencilShadow.png: the grain of shading laid with the side of a pencil.

The program keeps one bit per pixel of it (set where the first colour byte is below 128) and darkens
shaded pixels a little more where the bit is set, so the picture is a grey field centred on 128:
diagonal strokes that waver, fade and break, over the tooth of the paper. About 40 % of the pixels
are dark.
"""

import math

import numpy as np

from . import noise

DARK_SHARE = 0.40


def pencil_shadow(size, rng):
    """Grey values (float array) of the hatching grain; size must be a power of two so that the
    picture also tiles the program's 4096 x 4096 mask."""
    y, x = np.mgrid[0:size, 0:size].astype(np.float64)
    # Whole numbers of stroke repeats across the picture in x and y keep the strokes periodic; this
    # pair gives strokes about 7 pixels apart, leaning a little steeper than 45 degrees.
    kx, ky = size // 9, size // 11
    stroke_angle = math.atan2(kx, -ky)
    wobble = noise.spectral_noise(size, rng, beta=1.5, shortest=12.0, longest=size / 2)
    phase = 2.0 * math.pi * (kx * x + ky * y) / size + 0.9 * wobble
    # A stroke is dark in its middle and grainy at its edges.
    profile = np.cos(phase)
    pressure = noise.spectral_noise(size, rng, beta=1.0, shortest=3.0, longest=60, stretch=6.0,
                                    angle=stroke_angle)
    tooth = noise.spectral_noise(size, rng, beta=0.3, shortest=1.0, longest=6)
    darkness = profile * (1.0 + 0.35 * pressure) + 0.45 * tooth
    # Now and then a second, lighter pass crosses the first.
    cross_phase = 2.0 * math.pi * (ky * x - kx * y) / size + 0.9 * wobble.T
    darkness += 0.25 * np.clip(np.cos(cross_phase), 0.0, None)
    values = 150.0 - 60.0 * noise.normalised(darkness)
    # Move the level so that exactly the intended share of pixels lies below 128.
    return values + (127.5 - np.quantile(values, DARK_SHARE))


def generate(path, size=512, seed=7):
    """Writes the pencil-shadow grain as an RGB PNG."""
    picture = noise.grey_picture(pencil_shadow(size, np.random.default_rng(seed)))
    picture.save(path, "PNG", optimize=True)
