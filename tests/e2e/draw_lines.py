"""Draws a polyline in the real window and restyles it: the Line Tool is picked from the tool row, three
points are clicked on the blank layer (the third with Ctrl held, 14 degrees off level, so that it comes
out level) and a double click finishes the line; the screenshot must show a dark polyline. Then the
line panel makes it dashed ("Style", "Dashed", "All") and coloured (a palette colour, "Color", "All":
one colour, so no question), and the screenshot must show the colour in dashes with paper between,
also at 100 %. The drawing is saved through Save As; the command-line tool must find the one new colour
and dashed pixels in it, and its rendering must show the level segment on one row, line colour
alternating with paper.

Usage: draw_lines.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import json
import os
import subprocess
import sys
import time

from PIL import Image, ImageStat

from e2e_support import (Failed, Window, check, open_menu_item, run_script, screenshot, wait_for_change,
                         wait_for_screen, wait_for_window, wait_until, xdo)

# Client coordinates in the window of 1280 x 1024: the tool row's Line Tool, the line panel's controls,
# a colour of the palette strip (a red of the Pencils palette, F4), the File menu and its Save As item.
LINE_TOOL = (549, 106)
WIDTH_COMBO = (640, 40)
STYLE_RADIO = (684, 40)
STYLE_COMBO = (757, 40)
COLOR_RADIO = (545, 40)
ALL_BUTTON = (1032, 40)
STRIP_COLOUR = (209, 868)
FILE_MENU = (20, 8)
SAVE_AS = (57, 117)
AWAY = (1000, 300)
# The view shows the 2700 x 1800 drawing at a third from the canvas corner (118, 189); the blank layer
# covers client 343 .. 793 x 339 .. 639. The polyline: level from A to B, on to C (clicked 37 pixels
# low, 14 degrees, with Ctrl: level), and down to D.
A, B, C_CLICK, D = (400, 400), (550, 400), (701, 437), (750, 520)
LEVEL = (410, 396, 690, 405)  # a box around the level part


def to_drawing(point):
    return (point[0] - 118) * 3, (point[1] - 189) * 3


def darkest(image, box):
    return min(min(p) for p in image.crop(box).getdata())


def choose(window, combo, steps):
    """Opens a combo box of the panel and moves its selection down by steps, then confirms it."""
    window.click(*combo)
    time.sleep(0.5)
    for _ in range(steps):
        xdo("key", "Down")
    xdo("key", "Return")
    time.sleep(0.5)


def session(proc, outdir, saved):
    window_id = wait_for_window("^Tintsmith - Untitled$", 60)
    check(window_id is not None, "no window titled 'Tintsmith - Untitled' appeared")
    window = Window(window_id)
    level = window.box(*LEVEL)
    check(wait_for_screen(outdir, "lines_before.png", lambda shot: ImageStat.Stat(shot.crop(level)).mean[0] > 150,
                          30) is not None, "the board is not shown")
    window.click(*LINE_TOOL)
    time.sleep(0.5)
    # Width 9 (a third of it shows at this zoom): the ninth item of the width list.
    choose(window, WIDTH_COMBO, 8)
    window.move(*AWAY)
    before = screenshot(os.path.join(outdir, "lines_before.png"))
    window.click(*A)
    window.move(500, 405)
    window.click(*B)
    window.move(650, 430)
    window.move(*C_CLICK)
    xdo("keydown", "ctrl")
    window.move(C_CLICK[0] + 1, C_CLICK[1])
    time.sleep(0.2)
    xdo("click", 1)
    xdo("keyup", "ctrl")
    window.move(*D)
    time.sleep(0.2)
    xdo("click", "--repeat", "2", "--delay", "80", 1)
    window.move(*AWAY)
    drawn = wait_for_change(outdir, "lines_drawn.png", before, level, 15, threshold=2)
    check(drawn is not None, "the polyline does not show")
    # Level: the line lies within a few rows at the start's height all the way to C.
    rows = [y for y in range(380, 420) if darkest(drawn, window.box(600, y, 700, y + 1)) < 110]
    print(f"rows of the level part: {rows}")
    check(rows and max(rows) - min(rows) <= 6 and abs(sum(rows) / len(rows) - 400) <= 3,
          "the Ctrl click did not come out level")
    check(darkest(drawn, window.box(720, 450, 760, 520)) < 130, "the last segment down to D does not show")

    # "Style", "Dashed" (five down from "Solid"), "All".
    window.click(*STYLE_RADIO)
    choose(window, STYLE_COMBO, 4)
    window.click(*ALL_BUTTON)
    window.move(*AWAY)
    dashed = wait_for_change(outdir, "lines_dashed.png", drawn, level, 15, threshold=0.5)
    check(dashed is not None, "the line did not become dashed")
    # A palette colour, "Color", "All": the layer has one colour, so nothing is asked.
    window.keys("F4")
    time.sleep(0.5)
    window.click(*STRIP_COLOUR)
    window.click(*COLOR_RADIO)
    window.click(*ALL_BUTTON)
    window.move(*AWAY)
    coloured = wait_for_change(outdir, "lines_coloured.png", dashed, level, 15, threshold=0.3)
    check(coloured is not None, "the lines did not take the colour")
    row = [coloured.getpixel((window.x + x, window.y + 400)) for x in range(420, 690)]
    # At a third the stamps of a width-9 line nearly close the gaps: a dash shows the full colour, a gap
    # a paler one.
    dark = [max(p) - min(p) > 120 for p in row]
    changes = sum(1 for a, b in zip(dark, dark[1:]) if a != b)
    print(f"along the level part: {sum(dark)} line pixels of {len(dark)}, {changes} changes")
    check(changes >= 10 and 0.2 < sum(dark) / len(dark) < 0.95, "no dashes with paper between")
    # At 100 % (a middle click zooms to it at the pointer) the dashes are wide apart.
    window.move(550, 400)
    xdo("click", 2)
    window.move(*AWAY)
    zoomed = wait_for_change(outdir, "lines_zoomed.png", coloured, window.box(300, 300, 800, 500), 10, threshold=1)
    check(zoomed is not None, "the middle click did not zoom")
    rows = [y for y in range(370, 430)
            if max(max(p) - min(p) for p in (zoomed.getpixel((window.x + x, window.y + y)) for x in range(420, 690)))
            > 120]
    check(rows, "the line does not show at 100 %")
    middle = rows[len(rows) // 2]
    row = [zoomed.getpixel((window.x + x, window.y + middle)) for x in range(420, 690)]
    # A wide line's stamps reach into the gaps from both sides: a few pixels of paper stay between dashes.
    paper = [max(p) - min(p) < 30 for p in row]
    ink = sum(1 for p in row if max(p) - min(p) > 120)
    gaps = sum(1 for a, b in zip(paper, paper[1:]) if b and not a)
    print(f"at 100 %, row {middle}: {ink} coloured pixels of {len(row)}, {gaps} gaps of paper")
    check(ink > 0.5 * len(row) and gaps >= 10, "at 100 % the dashes do not show paper between")

    open_menu_item(window, outdir, FILE_MENU)
    window.click(*SAVE_AS)
    check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
    subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    if wait_for_window("^Tintsmith - lines", 20) is None:
        screenshot(os.path.join(outdir, "lines_save_dialog.png"))
        raise Failed("the drawing was not saved")


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        saved = os.path.join(work, "lines.ts.png")
        session(start(program), outdir, saved)
        check(wait_until(lambda: os.path.exists(saved), 10), "no saved file")
        info = subprocess.run([cli, "info", saved, "--json"], capture_output=True, text=True)
        check(info.returncode == 0, "the saved drawing does not read back: " + info.stderr)
        layers = [layer for layer in json.loads(info.stdout)["layers"] if "lines" in layer]
        check(len(layers) == 1, "no line layer in the saved drawing")
        lines = layers[0]["lines"]
        print(json.dumps(lines))
        colours = [c for c in lines["colors"] if c["pixels"] > 0]
        check(len(colours) == 1 and colours[0]["color"] != "#000000", "the lines do not have the one new colour")
        check([s["style"] for s in lines["styles"]] == ["Dashed"] and lines["gapPixels"] > 0,
              "the saved lines are not dashed")
        rendered = os.path.join(outdir, "lines_saved.png")
        check(subprocess.run([cli, "render", saved, rendered]).returncode == 0, "the saved drawing does not render")
        picture = Image.open(rendered).convert("RGB")
        # The level part from A to C lies on drawing row 633; inked dashes alternate with paper there.
        (ax, ay), (cx, _) = to_drawing(A), to_drawing(C_CLICK)
        rows = [y for y in range(ay - 30, ay + 30)
                if max(max(p) - min(p) for p in (picture.getpixel((x, y)) for x in range(ax + 150, cx - 150, 3))) > 60]
        print(f"saved picture: line rows {rows}")
        check(rows and max(rows) - min(rows) <= 12, "the level segment is not level in the saved picture")
        middle = (min(rows) + max(rows)) // 2
        ink = [max(picture.getpixel((x, middle))) - min(picture.getpixel((x, middle))) > 40
               for x in range(ax + 30, cx - 30)]
        runs = sum(1 for a, b in zip(ink, ink[1:]) if a and not b)
        print(f"saved picture: {sum(ink)} inked of {len(ink)} along row {middle}, {runs} dashes")
        check(runs >= 10 and sum(ink) < 0.97 * len(ink), "the saved line does not alternate with paper")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
