"""The grid and the measure mode in the real window: Grid Setup shows the grid over the drawing at two
zooms; then M enters the measure mode, "Calibrate" opens the distance dialog (a typed letter is
refused, 10' is taken), two clicks mark the ten feet, two more measure half of it, and the status bar
reads "Dist:" with 60 inches while the measuring line shows on the drawing.

Usage: measure_and_grid.py PROGRAM OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

import numpy
from PIL import Image, ImageDraw, ImageFont

from e2e_support import (Window, check, open_menu_item, run_script, screenshot, wait_for_change, wait_for_screen,
                         wait_for_window, wait_until, window_origin)

# Client coordinates in the program's window: the View menu and its Grid Setup item, the grid panel's
# "Show" button, the measure panel's "Calibrate" button, the middle of the view and a box of it.
VIEW_MENU = (56, 8)
GRID_SETUP = (100, 227)
SHOW_GRID = (373, 40)
CALIBRATE = (335, 40)
MIDDLE = (540, 480)
VIEW_BOX = (200, 250, 900, 700)
# Ten feet along a line, then half of it measured below.
CALIBRATION = [(300, 400), (600, 400)]
MEASURED = [(300, 500), (450, 500)]
# The edit field of the distance dialog, from the dialog's corner.
FIELD = (95, 14, 225, 31)
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def grid_columns(image, box):
    """The columns of box where a bluish line runs down: the grid's lines are blue over a grey board.
    The median over the rows leaves the lines across out."""
    pixels = numpy.asarray(image.crop(box), dtype=numpy.int32)
    blueness = numpy.median(pixels[:, :, 2] - pixels[:, :, 0], axis=0)
    columns = numpy.nonzero(blueness > 20)[0]
    lines = [int(c) for i, c in enumerate(columns) if i == 0 or c != columns[i - 1] + 1]
    return lines


def regular_gap(lines):
    """The median gap between neighbouring lines, and whether all gaps are within a pixel of it."""
    gaps = numpy.diff(lines)
    if len(gaps) < 4:
        return 0, False
    gap = float(numpy.median(gaps))
    return gap, bool(numpy.all(numpy.abs(gaps - gap) <= 1.0))


def ink(image):
    return numpy.asarray(image.convert("L"), dtype=numpy.int32) < 140


def glyph(font, text):
    """The dark pixels of text drawn alone, in a box as wide as its advance and as tall as the font."""
    ascent, descent = font.getmetrics()
    picture = Image.new("L", (max(1, int(round(font.getlength(text)))) + 2, ascent + descent), 255)
    ImageDraw.Draw(picture).text((0, 0), text, font=font, fill=0)
    return ink(picture)


def widened(mask):
    """The mask grown by a column to each side: Qt and PIL place and weigh strokes a pixel apart."""
    grown = mask.copy()
    grown[:, 1:] |= mask[:, :-1]
    grown[:, :-1] |= mask[:, 1:]
    return grown


def correlate(area, shape):
    """For every place of shape in area, the sum of area's values under shape's (through the FFT)."""
    rows, cols = area.shape
    height, width = shape.shape
    shared = numpy.fft.irfft2(numpy.fft.rfft2(area) * numpy.conj(numpy.fft.rfft2(shape, s=area.shape)),
                              s=area.shape)
    return numpy.rint(shared[:rows - height + 1, :cols - width + 1])


def scores(area, shape):
    """For every place of shape in area: shape's dark pixels that have a dark pixel there (or a column
    beside) less the dark pixels there that shape has nowhere near, as a share of shape's. Qt and PIL
    draw the same font a pixel apart here and there: the column either side absorbs that."""
    if shape.shape[0] > area.shape[0] or shape.shape[1] > area.shape[1]:
        return None
    a = area.astype(numpy.float64)
    hit = correlate(widened(area).astype(numpy.float64), shape.astype(numpy.float64))
    near = correlate(a, widened(shape).astype(numpy.float64))
    dark = correlate(a, numpy.ones(shape.shape))
    return (hit - (dark - near)) / max(1, shape.sum())


def best_score(area, text, font):
    found = scores(area, glyph(font, text))
    return -1.0 if found is None else float(found.max())


def reads(shot, box, text):
    """True when box shows text, drawn in the program's font: it matches well, and better than every
    text that differs from it in one digit, so the number is read, not only the label."""
    area = ink(shot.crop(box))
    font = max((ImageFont.truetype(FONT, size) for size in (11, 12, 13)),
               key=lambda f: best_score(area, text, f))
    score = best_score(area, text, font)
    if score < 0.85:
        return False
    for i, c in enumerate(text):
        if not c.isdigit():
            continue
        for other in "0123456789":
            if other != c and best_score(area, text[:i] + other + text[i + 1:], font) >= score:
                return False
    return True


def show_grid(window, outdir):
    open_menu_item(window, outdir, VIEW_MENU, GRID_SETUP)
    view = window.box(*VIEW_BOX)
    before = screenshot(os.path.join(outdir, "grid-setup.png"))
    window.click(*SHOW_GRID)
    window.move(1000, 150)
    fit = wait_for_change(outdir, "grid-fit.png", before, view, 10, 0.5)
    check(fit is not None, "the grid does not show")
    lines = grid_columns(fit, view)
    gap, regular = regular_gap(lines)
    print(f"grid at the fitting zoom: {len(lines)} lines {gap} pixels apart")
    check(regular and gap >= 4, f"no regular grid shows: lines at {lines}")
    # Two steps of the wheel in: the same grid, its lines further apart.
    window.move(*MIDDLE)
    for _ in range(2):
        window.click(*MIDDLE, button=4)
    window.move(1000, 150)
    zoomed = wait_for_screen(os.path.join(outdir), "grid-zoomed.png",
                             lambda shot: regular_gap(grid_columns(shot, view))[0] > 2 * gap, 15)
    check(zoomed is not None, "zoomed in, the grid's lines are not further apart")
    lines = grid_columns(zoomed, view)
    print(f"grid zoomed in: {len(lines)} lines {regular_gap(lines)[0]} pixels apart")
    check(regular_gap(lines)[1], f"the zoomed grid is not regular: lines at {lines}")


def calibrate(window, outdir):
    before = screenshot(os.path.join(outdir, "measure-before.png"))
    window.keys("m")
    panel = wait_for_change(outdir, "measure-mode.png", before, window.box(200, 20, 900, 90), 10, 0.5)
    check(panel is not None, "M shows no measure panel")
    window.click(*CALIBRATE)
    dialog = wait_for_window("^Distance", 15)
    check(dialog is not None, "Calibrate opens no distance dialog")
    subprocess.run(["xdotool", "windowfocus", "--sync", dialog])
    dx, dy = window_origin(dialog)
    field = (dx + FIELD[0], dy + FIELD[1], dx + FIELD[2], dy + FIELD[3])
    empty = screenshot(os.path.join(outdir, "distance-dialog.png"))
    subprocess.run(["xdotool", "type", "--delay", "40", "a"], check=True)
    refused = wait_for_change(outdir, "distance-letter.png", empty, field, 2, 0.3)
    check(refused is None, "the distance field took a letter")
    subprocess.run(["xdotool", "type", "--delay", "40", "10'"], check=True)
    typed = wait_for_change(outdir, "distance-typed.png", empty, field, 5, 0.3)
    check(typed is not None, "the distance field shows nothing typed")
    subprocess.run(["xdotool", "key", "Return"], check=True)
    check(wait_until_closed(dialog), "the distance dialog stays open")


def wait_until_closed(dialog):
    def gone():
        shown = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Distance"],
                               capture_output=True, text=True).stdout.split()
        return dialog not in shown

    return wait_until(gone, 10)


def measure(window, outdir, status):
    for point in CALIBRATION + MEASURED:
        window.click(*point)
    window.move(1000, 150)
    shown = wait_for_screen(outdir, "measured.png", lambda shot: reads(shot, status, "Dist:  60.000"), 15)
    check(shown is not None, "the status bar does not read Dist: 60.000 (see measured.png)")
    print("the status bar reads Dist:  60.000")
    # The measuring line: alternating yellow and blue pixels along the measured stretch.
    line = numpy.asarray(shown.crop(window.box(MEASURED[0][0] + 5, MEASURED[0][1] - 1, MEASURED[1][0] - 5,
                                               MEASURED[1][1] + 2)), dtype=numpy.int32)
    r, g, b = line[:, :, 0], line[:, :, 1], line[:, :, 2]
    yellow = numpy.logical_and.reduce([r > 200, g > 200, b < 90]).sum()
    blue = numpy.logical_and.reduce([b > 200, r < 90, g < 90]).sum()
    check(yellow > 20 and blue > 20, f"no measuring line shows ({yellow} yellow, {blue} blue pixels)")


def main():
    program, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        start(program)
        window_id = wait_for_window("^Tintsmith - Untitled$", 60)
        check(window_id is not None, "no window titled 'Tintsmith - Untitled' appeared")
        window = Window(window_id)
        wait_for_screen(outdir, "started.png", lambda shot: True, 1)
        geometry = subprocess.run(["xdotool", "getwindowgeometry", window_id], capture_output=True,
                                  text=True).stdout
        width, height = [int(v) for v in geometry.split("Geometry:")[1].split()[0].split("x")]
        status = window.box(width // 3, height - 30, width, height)
        window.focus()
        show_grid(window, outdir)
        calibrate(window, outdir)
        measure(window, outdir, status)

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
