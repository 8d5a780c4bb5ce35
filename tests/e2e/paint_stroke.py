"""Paints one stroke of coloured pencil in the real window and saves it: the surface tool is picked
from the painting row, a stroke is dragged across the blank layer with the mouse, the screenshot must
show the pencil colour with the board's grain through it, and the saved drawing must hold the paint.

Usage: paint_stroke.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

from PIL import Image, ImageStat

from e2e_support import (Failed, Window, check, open_menu_item, run_script, screenshot, wait_for_change,
                         wait_for_screen, wait_for_window)

# Client coordinates in the window of 1280 x 1024: the palette strip's first colour, the painting row's
# first button (the surface paint tool), the File menu and its Save As item.
STRIP_COLOUR = (125, 868)
COLOUR_TOOL = (27, 106)
FILE_MENU = (20, 8)
SAVE_AS = (57, 117)
# A drag across the middle of the view, where the blank layer lies, and a box inside it.
STROKE = [(430 + 20 * i, 470 + i // 2) for i in range(14)]
UNDER_STROKE = (480, 470, 660, 476)
AWAY = (1000, 300)


def session(proc, cli, outdir, saved):
    window_id = wait_for_window("^Tintsmith - Untitled$", 60)
    check(window_id is not None, "no window titled 'Tintsmith - Untitled' appeared")
    window = Window(window_id)
    box = window.box(*UNDER_STROKE)
    before = wait_for_screen(outdir, "before_stroke.png",
                             lambda shot: sum(ImageStat.Stat(shot.crop(box)).mean) / 3 > 150, 30)
    check(before is not None, "the board is not shown")
    # A lighter pencil than the black the palette starts with: the strip's first colour.
    window.click(*STRIP_COLOUR)
    window.click(*COLOUR_TOOL)
    window.move(*AWAY)
    before = screenshot(os.path.join(outdir, "before_stroke.png"))
    window.drag(STROKE)
    window.move(*AWAY)  # the brush outline away from the stroke
    after = wait_for_change(outdir, "after_stroke.png", before, box, 15, threshold=40)
    check(after is not None, "the stroke does not show")
    old_mean = sum(ImageStat.Stat(before.crop(box)).mean) / 3
    new = ImageStat.Stat(after.crop(box))
    new_mean, spread = sum(new.mean) / 3, sum(new.stddev) / 3
    print(f"under the stroke: board {old_mean:.1f}, pencil {new_mean:.1f}, grain spread {spread:.2f}")
    check(spread >= 0.5, "the pencil shows no board grain")

    # File, Save As, and the program's file dialog: the name is typed and confirmed.
    open_menu_item(window, outdir, FILE_MENU)
    window.click(*SAVE_AS)
    check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
    subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    if wait_for_window("^Tintsmith - stroke", 20) is None:
        screenshot(os.path.join(outdir, "save_dialog.png"))
        raise Failed("the drawing was not saved")


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        saved = os.path.join(work, "stroke.ts.png")
        session(start(program), cli, outdir, saved)
        info = subprocess.run([cli, "info", saved, "--json"], capture_output=True, text=True)
        print(info.stdout.strip())
        check(info.returncode == 0 and '"colour"' in info.stdout, "the saved drawing does not read back with its colour")
        rendered = os.path.join(outdir, "saved.png")
        check(subprocess.run([cli, "render", saved, rendered]).returncode == 0, "the saved drawing does not render")
        # The view shows the 2700 x 1800 drawing at a third, from the canvas corner (118, 189): the
        # stroke's middle lies near drawing (1100 .. 1600, 825 .. 860).
        picture = Image.open(rendered).convert("RGB")
        painted = sum(ImageStat.Stat(picture.crop((1100, 830, 1600, 850))).mean) / 3
        bare = sum(ImageStat.Stat(picture.crop((1100, 1300, 1600, 1320))).mean) / 3
        print(f"saved picture: under the stroke {painted:.1f}, beside it {bare:.1f}")
        check(painted < bare - 40, "the saved picture does not show the stroke")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
