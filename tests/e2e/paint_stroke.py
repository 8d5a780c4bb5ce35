"""Paints one stroke of coloured pencil in the real window and saves it: the surface tool is picked
from the painting row, a stroke is dragged across the blank layer with the mouse, the screenshot must
show the pencil colour with the board's grain through it, and the saved drawing must hold the paint.

Usage: paint_stroke.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageStat

from e2e_support import end, screenshot, wait_for_window


def xdo(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)




def window_origin(window):
    out = subprocess.run(["xdotool", "getwindowgeometry", window], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "Position:" in line:
            x, y = line.split("Position:")[1].split("(")[0].strip().split(",")
            return int(x), int(y)
    return 0, 0




def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)
    env = dict(os.environ)
    work = tempfile.mkdtemp()
    env["TINTSMITH_SETTINGS"] = os.path.join(work, "settings.ini")
    saved = os.path.join(work, "stroke.ts.png")
    proc = subprocess.Popen([program], env=env)
    try:
        window = wait_for_window("^Tintsmith - Untitled$", 60)
        if not window:
            print("no window titled 'Tintsmith - Untitled' appeared")
            return 1
        time.sleep(2)
        ox, oy = window_origin(window)
        before = screenshot(os.path.join(outdir, "before_stroke.png"))
        # A lighter pencil than the black the palette starts with: the strip's first colour.
        xdo("mousemove", ox + 120, oy + 883)
        xdo("click", 1)
        time.sleep(0.5)
        # The painting row's first button picks the surface paint tool (and the colour mode).
        xdo("mousemove", ox + 27, oy + 106)
        xdo("click", 1)
        time.sleep(0.5)
        # A drag across the blank layer, which covers the top left quarter of the drawing.
        y = oy + 330
        xdo("mousemove", ox + 200, y)
        xdo("mousedown", 1)
        for x in range(200, 461, 20):
            xdo("mousemove", ox + x, y + (x - 200) // 20)
            time.sleep(0.03)
        xdo("mouseup", 1)
        xdo("mousemove", ox + 700, oy + 700)  # the brush outline away from the stroke
        time.sleep(1)
        after = screenshot(os.path.join(outdir, "after_stroke.png"))
        box = (ox + 260, y - 2, ox + 400, y + 6)
        old = ImageStat.Stat(before.crop(box))
        new = ImageStat.Stat(after.crop(box))
        old_mean, new_mean = sum(old.mean) / 3, sum(new.mean) / 3
        spread = sum(new.stddev) / 3
        print(f"under the stroke: board {old_mean:.1f}, pencil {new_mean:.1f}, grain spread {spread:.2f}")
        if not new_mean < old_mean - 40:
            print("the stroke does not show")
            return 1
        if spread < 0.5:
            print("the pencil shows no board grain")
            return 1
        # File, Save As, and the program's file dialog: the name is typed and confirmed.
        xdo("mousemove", ox + 20, oy + 8)
        xdo("click", 1)
        time.sleep(1)
        xdo("mousemove", ox + 57, oy + 117)
        xdo("click", 1)
        time.sleep(2)
        xdo("type", "--delay", "20", saved)
        time.sleep(0.3)
        xdo("key", "Return")
        deadline = time.time() + 15
        while time.time() < deadline and not os.path.exists(saved):
            time.sleep(0.3)
        time.sleep(1)
        if not os.path.exists(saved):
            screenshot(os.path.join(outdir, "save_dialog.png"))
            print("the drawing was not saved")
            return 1
        info = subprocess.run([cli, "info", saved, "--json"], capture_output=True, text=True)
        print(info.stdout.strip())
        if info.returncode != 0 or '"colour"' not in info.stdout:
            print("the saved drawing does not read back with its colour")
            return 1
        rendered = os.path.join(outdir, "saved.png")
        if subprocess.run([cli, "render", saved, rendered]).returncode != 0:
            print("the saved drawing does not render")
            return 1
        # The view shows the 2700 x 1800 drawing at a third from the canvas corner (125, 195): the
        # stroke's middle lies near drawing (450 .. 800, 400 .. 410).
        picture = Image.open(rendered).convert("RGB")
        painted = sum(ImageStat.Stat(picture.crop((450, 400, 800, 410))).mean) / 3
        bare = sum(ImageStat.Stat(picture.crop((450, 900, 800, 910))).mean) / 3
        print(f"saved picture: under the stroke {painted:.1f}, beside it {bare:.1f}")
        if not painted < bare - 40:
            print("the saved picture does not show the stroke")
            return 1
        if proc.poll() is not None:
            print("the program ended by itself")
            return 1
        return 0
    finally:
        end(proc)


if __name__ == "__main__":
    sys.exit(main())
