"""Letters typed into the real window: the Text tool is picked from the tool row, the panel's "Size" set
to 36 points, the blank layer clicked, and a line with capitals, punctuation and shifted digit symbols
typed with xdotool as a user types it; the screenshot must show dark lettering starting at the click, one
line of capital height. Backspace takes the last character (the lettering ends further left). The
drawing is saved through Save As; the command-line tool must find a "Caption" layer with line pixels at
the click, and its rendering must show the lettering there.

Usage: lettering.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import json
import os
import subprocess
import sys
import time

from PIL import Image, ImageStat

from e2e_support import (Failed, Window, check, open_menu_item, run_script, screenshot, wait_for_change,
                         wait_for_screen, wait_for_window, wait_until, xdo)

# Client coordinates in the window of 1280 x 1024: the tool row's Text tool, the lettering panel's
# "Size" list, the File menu and its Save As item.
TEXT_TOOL = (882, 106)
SIZE_COMBO = (585, 40)
FILE_MENU = (20, 8)
SAVE_AS = (57, 117)
AWAY = (1000, 300)
# The view shows the 2700 x 1800 drawing at a third from the canvas corner (118, 189); the click lands on
# the blank layer. At 36 points an em is 150 drawing pixels, 50 on the screen.
CLICK = (400, 400)
TEXT = "Hi, Plan A-1 @(2)!"
AROUND = (380, 380, 1010, 480)  # the lettering and a margin of paper


def to_drawing(point):
    return (point[0] - 118) * 3, (point[1] - 189) * 3


def ink(image, window):
    """The client points of the box around the lettering that are much darker than the paper."""
    left, top, right, bottom = AROUND
    crop = image.crop(window.box(*AROUND)).convert("L")
    return [(left + x, top + y) for y in range(bottom - top) for x in range(right - left)
            if crop.getpixel((x, y)) < 110]


def session(proc, outdir, saved):
    window_id = wait_for_window("^Tintsmith - Untitled$", 60)
    check(window_id is not None, "no window titled 'Tintsmith - Untitled' appeared")
    window = Window(window_id)
    around = window.box(*AROUND)
    check(wait_for_screen(outdir, "letters_board.png", lambda shot: ImageStat.Stat(shot.crop(around)).mean[0] > 150,
                          30) is not None, "the board is not shown")
    window.click(*TEXT_TOOL)
    time.sleep(0.5)
    # 36 points: seven down from the 12 the list starts at (14, 16, 18, 20, 24, 30, 36).
    window.click(*SIZE_COMBO)
    time.sleep(0.5)
    for _ in range(7):
        xdo("key", "Down")
    xdo("key", "Return")
    time.sleep(0.5)
    window.move(*AWAY)
    before = screenshot(os.path.join(outdir, "letters_before.png"))
    check(not ink(before, window), "the paper is not clear before typing")
    window.click(*CLICK)
    time.sleep(0.3)
    subprocess.run(["xdotool", "type", "--delay", "60", TEXT], check=True)
    window.move(*AWAY)
    typed = wait_for_change(outdir, "letters_typed.png", before, around, 15, threshold=0.5)
    check(typed is not None, "the typed lettering does not show")
    # Let the last keys arrive before measuring.
    time.sleep(1.0)
    typed = screenshot(os.path.join(outdir, "letters_typed.png"))
    points = ink(typed, window)
    check(points, "no dark lettering on the screen")
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    print(f"lettering: {len(points)} dark points, x {min(xs)}..{max(xs)}, y {min(ys)}..{max(ys)}")
    # It starts at the click and runs right along one line: a 36-point capital stands about 36 screen
    # pixels, the parentheses and the at sign reach a little lower.
    check(CLICK[0] <= min(xs) <= CLICK[0] + 15, "the lettering does not start at the click")
    check(CLICK[1] <= min(ys) <= CLICK[1] + 20 and max(ys) - min(ys) <= 60, "the lettering is not one line high")
    check(max(xs) - min(xs) > 350, "the lettering is too short for the text typed")
    check(len(points) > 1500, "too little ink for the lettering")

    xdo("key", "BackSpace")
    window.move(*AWAY)
    shorter = wait_for_change(outdir, "letters_backspace.png", typed, around, 10, threshold=0.05)
    check(shorter is not None, "Backspace changed nothing")
    time.sleep(0.5)
    shorter = screenshot(os.path.join(outdir, "letters_backspace.png"))
    shorter_xs = [p[0] for p in ink(shorter, window)]
    print(f"after Backspace the lettering ends at x {max(shorter_xs)}")
    check(max(shorter_xs) < max(xs) - 5, "Backspace did not take the last character")

    open_menu_item(window, outdir, FILE_MENU)
    window.click(*SAVE_AS)
    check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
    subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    if wait_for_window("^Tintsmith - letters", 20) is None:
        screenshot(os.path.join(outdir, "letters_save_dialog.png"))
        raise Failed("the drawing was not saved")


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        saved = os.path.join(work, "letters.ts.png")
        session(start(program), outdir, saved)
        check(wait_until(lambda: os.path.exists(saved), 10), "no saved file")
        info = subprocess.run([cli, "info", saved, "--json"], capture_output=True, text=True)
        check(info.returncode == 0, "the saved drawing does not read back: " + info.stderr)
        captions = [layer for layer in json.loads(info.stdout)["layers"] if layer["name"] == "Caption"]
        check(len(captions) == 1, "no Caption layer in the saved drawing")
        caption = captions[0]
        print(json.dumps({k: caption[k] for k in ("offsetX", "offsetY", "width", "height", "parts")}))
        x, y = to_drawing(CLICK)
        check(abs(caption["offsetX"] - x) <= 3 and abs(caption["offsetY"] - y) <= 3,
              "the Caption layer does not lie at the click")
        pixels = sum(c["pixels"] for c in caption["lines"]["colors"])
        check("lines" in caption["parts"] and pixels > 1000, "the Caption layer holds no line pixels")
        rendered = os.path.join(outdir, "letters_saved.png")
        check(subprocess.run([cli, "render", saved, rendered]).returncode == 0, "the saved drawing does not render")
        picture = Image.open(rendered).convert("L")
        box = (x, y, x + caption["width"], y + caption["height"])
        dark = sum(1 for v in picture.crop(box).getdata() if v < 110)
        print(f"saved picture: {dark} dark pixels in the Caption layer's box")
        check(dark > 5000, "the saved picture does not show the lettering")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
