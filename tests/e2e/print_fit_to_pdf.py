"""Printing from the window: File > Print Manager shows the preview, "Print Fit" opens Qt's print dialog,
whose PDF printer writes to a file name typed into it; the PDF, rasterised, shows the drawing centred on
the sheet.

Usage: print_fit_to_pdf.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys
import time

import numpy as np
from PIL import Image

from e2e_support import (check, open_menu_item, run_script, screenshot, wait_for_launch_drawing, wait_for_window,
                         window_origin, xdo)

# Client coordinates in the window of 1280 x 1024: the File menu and its Print Manager item, the print
# mode's "Print Fit" button; in the print dialog, its output file field and its Print button.
FILE_MENU = (20, 8)
PRINT_MANAGER = (75, 249)
PRINT_FIT = (453, 40)
OUTPUT_FILE = (188, 118)
PRINT_BUTTON = (202, 159)
PREVIEW = (12, 132, 196, 372)


def session(cli, outdir, work):
    window = wait_for_launch_drawing("^Tintsmith - drawing")
    window.focus()
    open_menu_item(window, outdir, FILE_MENU, PRINT_MANAGER)
    time.sleep(2)
    entered = screenshot(os.path.join(outdir, "print-preview.png"))
    # The preview: a white sheet framed in the corner with the drawing on it.
    sheet = np.asarray(entered.crop(window.box(*PREVIEW)).convert("L")).astype(int)
    check((sheet >= 250).mean() > 0.2, "the preview shows no white sheet")
    window.click(*PRINT_FIT)
    dialog = wait_for_window("^Print$", 15)
    check(dialog is not None, "the print dialog did not open")
    dx, dy = window_origin(dialog)
    xdo("mousemove", dx + OUTPUT_FILE[0], dy + OUTPUT_FILE[1])
    xdo("click", "--repeat", "3", "1")
    xdo("key", "ctrl+a")
    pdf = os.path.join(work, "printed drawing.pdf")
    subprocess.run(["xdotool", "type", "--delay", "20", pdf], check=True)
    screenshot(os.path.join(outdir, "print-dialog.png"))
    xdo("mousemove", dx + PRINT_BUTTON[0], dy + PRINT_BUTTON[1])
    xdo("click", "1")
    deadline = time.time() + 60
    while time.time() < deadline and not (os.path.exists(pdf) and wait_for_window("^Print$", 0.5) is None):
        time.sleep(0.5)
    time.sleep(2)
    check(os.path.exists(pdf), "no PDF was written")
    return pdf


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        drawing = os.path.join(work, "drawing.ts.png")
        check(subprocess.run([cli, "new", drawing]).returncode == 0, "the command-line tool made no drawing")
        start(program, drawing)
        pdf = session(cli, outdir, work)
        base = os.path.join(outdir, "printed")
        check(subprocess.run(["pdftoppm", "-r", "30", "-singlefile", "-png", pdf, base]).returncode == 0,
              "the PDF does not rasterise")
        page = np.asarray(Image.open(base + ".png").convert("L")).astype(int)
        rows = np.where((page < 250).sum(axis=1) > 0)[0]
        cols = np.where((page < 250).sum(axis=0) > 0)[0]
        check(len(rows) > 0 and len(cols) > 0, "the printed page is blank")
        height, width = page.shape
        # The landscape drawing turned upright on the portrait sheet, its middle at the sheet's.
        check(rows.max() - rows.min() > cols.max() - cols.min(), "the drawing was not turned to the sheet")
        check(abs((rows.min() + rows.max()) / 2 - (height - 1) / 2) <= 3, f"not centred down: rows {rows.min()}-{rows.max()}")
        check(abs((cols.min() + cols.max()) / 2 - (width - 1) / 2) <= 3, f"not centred across: cols {cols.min()}-{cols.max()}")
        check(cols.max() - cols.min() > width / 2, "the drawing was not fitted to the sheet")
        print(f"printed {width} x {height}: the drawing spans rows {rows.min()}-{rows.max()}, "
              f"columns {cols.min()}-{cols.max()}")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
