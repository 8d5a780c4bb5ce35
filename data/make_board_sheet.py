#!/usr/bin/env python3
"""Draws a contact sheet of the board textures of a built program folder.

    make_board_sheet.py PROGRAM_FOLDER OUT.png [--zoom N]

Each entry shows a board's name, its paper bitmap as the program makes it (flattened and tinted to a
new drawing's board colour) at 100 %, pencil swatches of a few colours on it at the default "Painted
Amount" and at "-0%", and a corner of the default swatch at 300 %. With --zoom N everything is N
times larger, pixel for pixel.
"""

import pathlib
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFont

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

import board_look  # noqa: E402
from check_program_data import BOARD_FILES  # noqa: E402

TILE = 112
SWATCH_COLOURS = [(190, 50, 45), (60, 110, 170), (110, 150, 70)]  # brick red, blue, leaf green
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def swatch_strength(width, height):
    """Strength 0..255 of a swatch: full inside, falling off over a few pixels at its edges as a
    pencil stroke's does."""
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    along = np.clip(np.minimum(x, width - 1 - x) / 6.0, 0.0, 1.0)
    across = np.clip(np.minimum(y, height - 1 - y) / 3.0, 0.0, 1.0)
    return np.rint(255 * along * across).astype(np.int64)


def board_row(texture, zoom):
    paper = board_look.paper_bitmap(texture)
    average = board_look.average_color(paper)
    tile = paper[:TILE, :TILE]
    strength = swatch_strength(TILE, TILE // len(SWATCH_COLOURS))
    swatches = []
    for amount in (board_look.DEFAULT_PAINTED_AMOUNT, 0):
        bands = []
        for k, colour in enumerate(SWATCH_COLOURS):
            rows = slice(k * strength.shape[0], (k + 1) * strength.shape[0])
            bands.append(board_look.pencil(tile[rows], colour, strength, amount, average))
        swatches.append(np.concatenate(bands, axis=0))
    # A corner of the default swatch three times larger: the grain in the colour and on the bare board.
    corner = swatches[0][TILE // 3 - TILE // 6:TILE // 3 + TILE // 6, :TILE // 3]
    corner = np.repeat(np.repeat(corner, 3, axis=0), 3, axis=1)[:TILE, :TILE]
    cells = [tile] + swatches + [corner]
    return [Image.fromarray(np.ascontiguousarray(c)).resize((TILE * zoom, c.shape[0] * zoom), Image.NEAREST)
            for c in cells]


def main(argv):
    if len(argv) not in (3, 5) or (len(argv) == 5 and argv[3] != "--zoom"):
        print("usage: make_board_sheet.py PROGRAM_FOLDER OUT.png [--zoom N]", file=sys.stderr)
        return 2
    folder = pathlib.Path(argv[1]) / "Textures" / "Board"
    zoom = int(argv[4]) if len(argv) == 5 else 1
    font = ImageFont.truetype(FONT, 13)
    label = 132
    gap = 6
    cell = TILE * zoom
    header = 22
    columns = 3
    board_width = label + 4 * (cell + gap)
    rows = (len(BOARD_FILES) + columns - 1) // columns
    sheet = Image.new("RGB", (columns * (board_width + 2 * gap), header + rows * (cell + gap) + gap),
                      (250, 250, 250))
    draw = ImageDraw.Draw(sheet)
    default_name = board_look.AMOUNT_NAMES[board_look.DEFAULT_PAINTED_AMOUNT]
    for c in range(columns):
        x = c * (board_width + 2 * gap) + label
        for k, title in enumerate(["board at 100 %", f"pencil, {default_name}", "pencil, -0%",
                                   f"{default_name}, 300 %"]):
            draw.text((x + k * (cell + gap), 4), title, fill=(60, 60, 60), font=font)
    for n, name in enumerate(BOARD_FILES):
        with Image.open(folder / name) as picture:
            texture = np.asarray(picture.convert("RGB"))
        x = (n % columns) * (board_width + 2 * gap)
        y = header + (n // columns) * (cell + gap)
        draw.text((x + 4, y + cell // 2 - 8), f"{n + 1} {name.split('.')[0]}", fill=(30, 30, 30), font=font)
        for k, image in enumerate(board_row(texture, zoom)):
            sheet.paste(image, (x + label + k * (cell + gap), y))
    sheet.save(argv[2], "PNG", optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
