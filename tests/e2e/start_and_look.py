"""Starts the real program on an X display, waits for its window, and checks the screenshot: the board
is drawn inside the window, grainy and lighter than the backdrop around it.

Usage: start_and_look.py PROGRAM OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys
import tempfile
import time

from PIL import ImageStat

from e2e_support import end, screenshot, wait_for_window




def main():
    program, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    env = dict(os.environ)
    env["TINTSMITH_SETTINGS"] = os.path.join(tempfile.mkdtemp(), "settings.ini")
    proc = subprocess.Popen([program], env=env)
    try:
        window = wait_for_window("^Tintsmith - Untitled$", 60)
        if not window:
            print("no window titled 'Tintsmith - Untitled' appeared")
            return 1
        time.sleep(2)  # the first paint composites the whole drawing
        image = screenshot(os.path.join(outdir, "start.png"))
        w, h = image.size
        centre = image.crop((w // 2 - 100, h // 2 - 60, w // 2 + 100, h // 2 + 60))
        stats = ImageStat.Stat(centre)
        mean = sum(stats.mean) / 3
        spread = sum(stats.stddev) / 3
        print(f"board mean {mean:.1f}, grain spread {spread:.2f}")
        if not 180 < mean < 250:
            print("the middle of the window does not show a light board")
            return 1
        if spread < 0.5:
            print("the board shows no grain")
            return 1
        if proc.poll() is not None:
            print("the program ended by itself")
            return 1
        return 0
    finally:
        end(proc)


if __name__ == "__main__":
    sys.exit(main())
