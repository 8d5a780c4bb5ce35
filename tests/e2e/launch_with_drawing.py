"""Starts the real program with a drawing on its command line, as "tintsmith red.ts.png", and checks that
the window comes to show that drawing (a red board) by itself, without a zoom or any other nudge.

Usage: launch_with_drawing.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

from PIL import ImageStat

from e2e_support import check, run_script, wait_for_launch_drawing, wait_for_screen


def middle_colour(image):
    w, h = image.size
    return ImageStat.Stat(image.crop((w // 2 - 80, h // 2 - 60, w // 2 + 80, h // 2 + 60))).mean


def is_red(colour):
    """The red board: mean red high, green and blue low."""
    r, g, b = colour
    return r > 200 and g < 60 and b < 60


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        drawing = os.path.join(work, "red.ts.png")
        made = subprocess.run([cli, "new", drawing, "--paper-color", "0x0000FF"])
        check(made.returncode == 0, "the command-line tool made no drawing")
        start(program, drawing)
        wait_for_launch_drawing("^Tintsmith - red.ts.png$")
        shown = wait_for_screen(outdir, "launch.png", lambda shot: is_red(middle_colour(shot)), 30)
        if shown is None:
            colour = middle_colour(wait_for_screen(outdir, "launch.png", lambda shot: True, 0))
            check(False, f"the window does not show the opened drawing: the middle is {colour}")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
