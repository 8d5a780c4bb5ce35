"""Periodic noise fields and the helpers that turn height fields into paper pictures.

Every field here wraps around: filtering is done in the frequency domain of a square grid, and
distances are measured on the torus, so a picture made from them tiles without a seam.
"""

import math

import numpy as np
from PIL import Image


def _frequencies(size):
    """Frequency grids (cycles per pixel) matching numpy's rfft2 layout of a size x size field."""
    fy = np.fft.fftfreq(size)[:, None]
    fx = np.fft.rfftfreq(size)[None, :]
    return fx, fy


def normalised(field):
    """The field shifted to mean 0 and scaled to standard deviation 1 (a flat field stays 0)."""
    field = field - field.mean()
    std = field.std()
    return field / std if std > 1e-12 else field


def spectral_noise(size, rng, *, beta=1.0, shortest=2.0, longest=None, stretch=1.0, angle=0.0):
    """Zero-mean, unit-variance periodic noise.

    The amplitude spectrum falls as 1/f**beta between the wavelengths `shortest` and `longest`
    (pixels, soft edges). stretch > 1 elongates the features by that ratio along the direction
    `angle` (radians, 0 = along x), which makes fibres, nap and brushed textures.
    """
    fx, fy = _frequencies(size)
    c, s = math.cos(angle), math.sin(angle)
    along = fx * c + fy * s
    across = -fx * s + fy * c
    f = np.sqrt((along * stretch) ** 2 + across**2)
    f[0, 0] = 1.0
    gain = f ** (-beta)
    gain *= np.exp(-((f * shortest) ** 2))
    if longest:
        gain *= 1.0 - np.exp(-((f * longest) ** 2))
    gain[0, 0] = 0.0
    white = rng.standard_normal((size, size))
    field = np.fft.irfft2(np.fft.rfft2(white) * gain, s=(size, size))
    return normalised(field)


def blur(field, sigma):
    """Periodic Gaussian blur with standard deviation sigma (pixels)."""
    size = field.shape[0]
    fx, fy = _frequencies(size)
    gain = np.exp(-2.0 * math.pi**2 * sigma**2 * (fx**2 + fy**2))
    return np.fft.irfft2(np.fft.rfft2(field) * gain, s=field.shape)


def relief(height, azimuth_degrees=135.0):
    """Lambert-like shading of a height field lit from the given direction (degrees, 0 = from the
    right, 90 = from below, 135 = from the upper left on screen); positive where a slope faces the
    light."""
    a = math.radians(azimuth_degrees)
    lx, ly = math.cos(a), -math.sin(a)
    dx = (np.roll(height, -1, axis=1) - np.roll(height, 1, axis=1)) * 0.5
    dy = (np.roll(height, -1, axis=0) - np.roll(height, 1, axis=0)) * 0.5
    # A slope rising towards the light faces away from it.
    return -(dx * lx + dy * ly)


def cell_distances(size, rng, cell):
    """Worley noise on the torus from one random point in each cell x cell square (cell divides
    size): the distances to the nearest and second-nearest point and the index of the nearest."""
    cells = size // cell
    assert cells * cell == size, "cells must tile"
    points = (np.indices((cells, cells)).transpose(1, 2, 0) + rng.random((cells, cells, 2))) * cell
    y, x = np.mgrid[0:size, 0:size].astype(np.float64)
    cy, cx = np.mgrid[0:size, 0:size] // cell
    first = np.full((size, size), float(size))
    second = np.full((size, size), float(size))
    nearest = np.zeros((size, size), dtype=np.int64)
    for oy in (-1, 0, 1):
        for ox in (-1, 0, 1):
            ny, nx = (cy + oy) % cells, (cx + ox) % cells
            py, px = points[ny, nx, 0], points[ny, nx, 1]
            dx = np.abs(x - px)
            dx = np.minimum(dx, size - dx)
            dy = np.abs(y - py)
            dy = np.minimum(dy, size - dy)
            d = np.sqrt(dx * dx + dy * dy)
            closer = d < first
            second = np.where(closer, first, np.minimum(second, d))
            first = np.where(closer, d, first)
            nearest = np.where(closer, ny * cells + nx, nearest)
    return first, second, nearest


def add_disc(field, cx, cy, radius, amount):
    """Adds amount x the coverage (soft one-pixel rim) of a disc centred at (cx, cy) to a square
    field, wrapping around its edges."""
    size = field.shape[0]
    reach = int(math.ceil(radius + 1.5))
    xs = np.arange(int(cx) - reach, int(cx) + reach + 1)
    ys = np.arange(int(cy) - reach, int(cy) + reach + 1)
    d = np.sqrt((xs[None, :] + 0.5 - cx) ** 2 + (ys[:, None] + 0.5 - cy) ** 2)
    field[np.ix_(ys % size, xs % size)] += amount * np.clip(radius + 0.5 - d, 0.0, 1.0)


def paper_picture(grain, base_rgb, amplitude, warmth=(1.0, 1.0, 1.0)):
    """An RGB picture of a paper tone with a grain: grain is scaled to standard deviation
    `amplitude` grey levels around base_rgb (amplitude None: grain is in grey levels already and is
    only centred); warmth scales the grain per channel (a warm paper's shadows lose more blue than
    red)."""
    grain = normalised(grain) * amplitude if amplitude is not None else grain - grain.mean()
    channels = [base + grain * w for base, w in zip(base_rgb, warmth)]
    rgb = np.stack(channels, axis=-1)
    return Image.fromarray(np.clip(np.rint(rgb), 0, 255).astype(np.uint8), "RGB")


def grey_picture(values):
    """An RGB picture whose three channels all hold values (rounded and clamped to 0..255)."""
    grey = np.clip(np.rint(values), 0, 255).astype(np.uint8)
    return Image.fromarray(np.stack([grey, grey, grey], axis=-1), "RGB")
