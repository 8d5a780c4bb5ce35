"""Starts the real program on an X display, waits for its window, and checks the screenshot: the board
is drawn inside the window, grainy and lighter than the backdrop around it.

Usage: start_and_look.py PROGRAM OUTDIR   (run under xvfb-run)
"""
import os
import sys

from PIL import ImageStat

from e2e_support import check, run_script, wait_for_screen, wait_for_window


def board_stats(image):
    w, h = image.size
    stats = ImageStat.Stat(image.crop((w // 2 - 100, h // 2 - 60, w // 2 + 100, h // 2 + 60)))
    return sum(stats.mean) / 3, sum(stats.stddev) / 3


def main():
    program, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        start(program)
        check(wait_for_window("^Tintsmith - Untitled$", 60) is not None, "no window titled 'Tintsmith - Untitled' appeared")
        # The first paint composites the whole drawing: wait for a light board in the middle.
        image = wait_for_screen(outdir, "start.png", lambda shot: 180 < board_stats(shot)[0] < 250, 30)
        check(image is not None, "the middle of the window does not show a light board")
        mean, spread = board_stats(image)
        print(f"board mean {mean:.1f}, grain spread {spread:.2f}")
        check(spread >= 0.5, "the board shows no grain")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
