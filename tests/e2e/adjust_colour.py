"""Turns the hues of a painted layer with Layer > "Color Adust": the "Hue" slider is dragged with the
mouse and released, the screenshot must show the paint in another hue while the board stays, and the
drawing saved with Ctrl+S must hold the turned colour.

Usage: adjust_colour.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

from PIL import Image, ImageStat

from e2e_support import (check, open_menu_item, run_script, screenshot, stamp, wait_for_change,
                         wait_for_file_change, wait_for_launch_drawing, wait_for_screen, wait_for_window, Window)

# Client coordinates in the window of 1280 x 1024: the Layer menu and its "Color Adust" item, the
# "Hue" slider's thumb at 50 and a point near the right end of its track.
LAYER_MENU = (204, 8)
COLOUR_ADJUST = (246, 95)
HUE_DRAG = [(323 + 6 * i, 41) for i in range(9)]
# The view shows the 2700 x 1800 drawing at a third from (118, 189): a box on the red stroke painted
# across the drawing's top left, and one of bare board.
ON_STROKE = (180, 226, 260, 232)
BOARD = (500, 500, 600, 560)
# The same stroke in the saved drawing's pixels.
SAVED_STROKE = (190, 112, 430, 126)


def redness(rgb):
    r, _, b = rgb
    return r - b


def mean(image, box):
    return ImageStat.Stat(image.convert("RGB").crop(box)).mean


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        drawing = os.path.join(work, "painted.ts.png")
        blank = os.path.join(work, "blank.ts.png")
        script = os.path.join(work, "paint.txt")
        check(subprocess.run([cli, "new", blank]).returncode == 0, "no drawing was made")
        with open(script, "w") as f:
            f.write("command Layer/New Blank/Full Page\ntool SurfacePaintTool\ncolor 0x3060C0\nsize 40\n"
                    "press 100 100\nmove 300 120\nmove 500 150\nrelease 500 150\n")
        check(subprocess.run([cli, "replay", blank, script, drawing]).returncode == 0, "no painted drawing")
        start(program, drawing)
        wait_for_launch_drawing("^Tintsmith - painted.ts.png$")
        window = Window(wait_for_window("^Tintsmith - painted.ts.png$", 10))
        box = window.box(*ON_STROKE)
        before = wait_for_screen(outdir, "colour_before.png", lambda shot: redness(mean(shot, box)) > 60, 30)
        check(before is not None, "the red stroke is not shown")

        open_menu_item(window, outdir, LAYER_MENU, COLOUR_ADJUST)
        window.drag(HUE_DRAG)
        after = wait_for_change(outdir, "colour_after.png", before, box, 15, threshold=20)
        check(after is not None, "the stroke's colour did not change")
        old, new = mean(before, box), mean(after, box)
        print(f"on the stroke: before {[round(v) for v in old]}, after {[round(v) for v in new]}")
        check(redness(new) < redness(old) - 40 and new[1] > new[0], "the hue did not turn from red past yellow")
        board = window.box(*BOARD)
        check(abs(sum(mean(after, board)) - sum(mean(before, board))) < 6, "the board changed")

        old_stamp = stamp(drawing)
        window.keys("ctrl+s")
        check(wait_for_file_change(drawing, old_stamp, 20), "the drawing was not saved")
        rendered = os.path.join(outdir, "adjusted.png")
        check(subprocess.run([cli, "render", drawing, rendered]).returncode == 0, "the saved drawing does not render")
        saved = mean(Image.open(rendered), SAVED_STROKE)
        print(f"saved stroke: {[round(v) for v in saved]}")
        check(saved[1] > saved[0] + 20 and abs(saved[1] - new[1]) < 25,
              "the saved drawing does not hold the turned colour")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
