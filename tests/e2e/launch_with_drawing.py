"""Starts the real program with a drawing on its command line, as "tintsmith red.ts.png", and checks that
the window comes to show that drawing (a red board) by itself, without a zoom or any other nudge.

Usage: launch_with_drawing.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys
import tempfile
import time

from PIL import ImageStat

from e2e_support import end, screenshot, wait_for_window


def red_middle(image):
    """Whether the middle of the screen is the red board (mean red high, green and blue low)."""
    w, h = image.size
    r, g, b = ImageStat.Stat(image.crop((w // 2 - 80, h // 2 - 60, w // 2 + 80, h // 2 + 60))).mean
    return r > 200 and g < 60 and b < 60, (r, g, b)


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)
    work = tempfile.mkdtemp()
    drawing = os.path.join(work, "red.ts.png")
    subprocess.run([cli, "new", drawing, "--paper-color", "0x0000FF"], check=True)
    env = dict(os.environ)
    env["TINTSMITH_SETTINGS"] = os.path.join(work, "settings.ini")
    proc = subprocess.Popen([program, drawing], env=env)
    try:
        if not wait_for_window("^Tintsmith", 60):
            print("no window appeared")
            return 1
        # The launch shows its message first; Return answers it until the drawing's name is the title.
        deadline = time.time() + 60
        while not wait_for_window("^Tintsmith - red.ts.png$", 0.5):
            if time.time() > deadline:
                print("the drawing was not opened")
                return 1
            subprocess.run(["xdotool", "key", "Return"])
        colour = None
        deadline = time.time() + 30
        while time.time() < deadline:
            shown, colour = red_middle(screenshot(os.path.join(outdir, "launch.png")))
            if shown:
                return 0
            time.sleep(0.5)
        print(f"the window does not show the opened drawing: the middle is {colour}")
        return 1
    finally:
        end(proc)


if __name__ == "__main__":
    sys.exit(main())
