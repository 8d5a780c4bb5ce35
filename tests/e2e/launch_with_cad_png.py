"""Starts the real program as "tintsmith plan.png" with a CAD print made here (black walls and red
dimension lines on white): the window comes to show the print's lines, and the drawing saved through
Ctrl+S holds the "CAD Layer" in place of the first "Blank Layer".

Usage: launch_with_cad_png.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

from PIL import Image, ImageDraw

from e2e_support import (Window, check, layer_names, open_menu_item, run_script, wait_for_file_change, wait_for_screen,
                         wait_for_window)

VIEW = (40, 80, 860, 700)  # a part of the view's client area the fitted drawing covers
FILE_MENU = (20, 8)
SAVE_AS = (57, 117)


def make_print(path):
    """A 12 x 8 inch sheet at 300 dpi: a grid of walls 3 pixels thick and red lines 2 pixels thick."""
    image = Image.new("RGB", (3600, 2400), "white")
    draw = ImageDraw.Draw(image)
    for x in range(200, 3600, 400):
        draw.line([(x, 100), (x, 2300)], fill=(0, 0, 0), width=9)
    for y in range(200, 2400, 400):
        draw.line([(100, y), (3500, y)], fill=(0, 0, 0), width=9)
    draw.line([(100, 100), (3500, 2300)], fill=(220, 20, 20), width=8)
    image.save(path)


def dark_share(shot, window):
    """The share of the view's pixels that are dark (the lines), from 0 to 1; a window not yet painted is
    black all over."""
    crop = shot.crop(window.box(*VIEW)).convert("L")
    histogram = crop.histogram()
    return sum(histogram[:90]) / max(1, sum(histogram))


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        plan = os.path.join(work, "plan.png")
        make_print(plan)
        start(program, plan)
        found = wait_for_window("^Tintsmith", 60)
        check(found is not None, "the program window did not appear")
        window = Window(found)
        shown = wait_for_screen(outdir, "cad-launch.png", lambda shot: 0.005 < dark_share(shot, window) < 0.3, 40)
        check(shown is not None, "the window does not show the print's lines")
        # File > Save As: the saved file tells the layers apart.
        window.focus()
        open_menu_item(window, outdir, FILE_MENU)
        window.click(*SAVE_AS)
        check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
        saved = os.path.join(work, "plan-saved.ts.png")
        subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        check(wait_for_file_change(saved, None, 30), "the drawing was not saved")
        names = layer_names(cli, saved)
        check(names == ["Backdrop", "Paper", "CAD Layer"], f"the saved drawing holds {names}")
        print(f"saved drawing read back with layers {names}")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
