"""Keys of a working session in the real window: a drawing with two layers opens from the command line,
a stroke is painted on the lower layer and taken back with Ctrl+Z (the view returns to what it was),
painted again and saved in place with Ctrl+S (the file changes on disk and reads back with the stroke),
and Shift+Page Up selects the top layer, where the next stroke goes.

Usage: undo_and_quick_save.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

from PIL import Image

from e2e_support import (check, difference, layer_names, mean_level, run_script, screenshot, stamp, wait_for_change,
                         wait_for_file_change, wait_for_launch_drawing, wait_for_screen, wait_until)

# Places in the window of 1280 x 1024 (client coordinates): the palette strip's first colour, the
# painting row's first button (the surface colour tool), and a stroke across the middle of the view,
# which lies on the drawing's middle, where both layers are.
STRIP_COLOUR = (125, 868)
COLOUR_TOOL = (27, 106)
STROKE = [(430 + 12 * i, 470 + (i % 3)) for i in range(21)]
UNDER_STROKE = (460, 466, 650, 476)
AWAY = (1000, 300)
# The layer list at the top right: a point inside each of its first two rows.
LAYER_LIST_X = 1080
LAYER_ROWS = (34, 52)


def run(*args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True)


def make_drawing(cli, work):
    """A new drawing with a second blank layer over the first."""
    plain = os.path.join(work, "plain.ts.png")
    check(run(cli, "new", plain).returncode == 0, "the command-line tool made no drawing")
    script = os.path.join(work, "two-layers.txt")
    with open(script, "w") as f:
        f.write("command Layer/New Blank/Small\n")
    drawing = os.path.join(work, "house.ts.png")
    made = run(cli, "replay", plain, script, drawing)
    check(made.returncode == 0, "no drawing with two layers: " + made.stderr)
    return drawing


def stroke_darkness(cli, path, outdir, name):
    """How much darker the stroke's place is than the board beside it in the saved picture."""
    rendered = os.path.join(outdir, name)
    check(run(cli, "render", path, rendered).returncode == 0, "the saved drawing does not render")
    picture = Image.open(rendered).convert("RGB")
    w, h = picture.size
    # The view shows the whole drawing at a third from (118, 189): the stroke lies over drawing
    # (912 .. 1632, 805 .. 880).
    under = picture.crop((w * 37 // 100, h * 455 // 1000, w * 55 // 100, h * 475 // 1000))
    beside = picture.crop((w * 37 // 100, h * 667 // 1000, w * 55 // 100, h * 689 // 1000))
    return mean_level(beside, (0, 0) + beside.size) - mean_level(under, (0, 0) + under.size)


def highlighted_row(shot, window):
    """Which of the layer list's two rows is drawn selected (a strong blue), or None."""
    rows = []
    for index, y in enumerate(LAYER_ROWS):
        r, g, b = shot.getpixel((window.x + LAYER_LIST_X, window.y + y))
        if b > 150 and b > r + 60:
            rows.append(index)
    return rows[0] if len(rows) == 1 else None


def paint(window, outdir, name, reference):
    window.drag(STROKE)
    window.move(*AWAY)  # the brush outline away from the stroke
    return wait_for_change(outdir, name, reference, window.box(*UNDER_STROKE), 15, threshold=20)


def session(proc, cli, outdir, drawing):
    window = wait_for_launch_drawing("^Tintsmith - house")
    # The first paint after the launch shows the drawing, not bare board: wait for a steady view.
    first = wait_for_screen(outdir, "opened.png", lambda shot: mean_level(shot, window.box(*UNDER_STROKE)) > 150, 20)
    check(first is not None, "the opened drawing is not shown")

    window.keys("shift+Next")  # the bottom drawing layer
    window.click(*STRIP_COLOUR)
    window.click(*COLOUR_TOOL)
    window.move(*AWAY)
    before = screenshot(os.path.join(outdir, "before-stroke.png"))
    painted = paint(window, outdir, "stroke.png", before)
    check(painted is not None, "the stroke does not show")

    window.keys("ctrl+z")
    undone = wait_for_screen(outdir, "undone.png",
                             lambda shot: difference(before, shot, window.box(*UNDER_STROKE)) < 2, 15)
    check(undone is not None, "Ctrl+Z did not take the stroke back")

    painted = paint(window, outdir, "stroke-again.png", before)
    check(painted is not None, "the second stroke does not show")
    old = stamp(drawing)
    window.keys("ctrl+s")
    check(wait_for_file_change(drawing, old, 20), "Ctrl+S did not save the drawing in place")
    check(wait_until(lambda: run(cli, "check", drawing).returncode == 0, 20), "the saved file is not a drawing")
    darker = stroke_darkness(cli, drawing, outdir, "saved.png")
    print(f"saved picture: the stroke is {darker:.1f} levels darker than the board beside it")
    check(darker > 30, "the saved drawing does not show the stroke")

    # Shift+Page Up selects the top layer: the layer list's highlight moves to the other row.
    bottom_row = highlighted_row(screenshot(os.path.join(outdir, "bottom-selected.png")), window)
    window.keys("shift+Prior")
    top = wait_for_screen(outdir, "top-selected.png",
                          lambda shot: highlighted_row(shot, window) not in (None, bottom_row), 10)
    check(bottom_row is not None and top is not None, "Shift+Page Up did not select the top layer")
    return drawing


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], os.path.join(sys.argv[3], "undo_and_quick_save")
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        drawing = make_drawing(cli, work)
        session(start(program, drawing), cli, outdir, drawing)
        names = layer_names(cli, drawing)
        check(names == ["Backdrop", "Paper", "Blank Layer", "Blank Layer"], f"the saved drawing holds {names}")
        print(f"saved drawing read back with layers {names}")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
