"""A short session in the real window: open a drawing given on the command line, zoom in with the wheel
and back out, add a layer from the Layer menu, step through the layers with Page Down and Page Up, and
save the drawing under a new name through the Save As dialog of the File menu; the saved file is then
read back with the command-line tool.

Usage: zoom_and_save.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import os
import subprocess
import sys

from e2e_support import (check, difference, layer_names, open_menu_item, run_script, screenshot, wait_for_change,
                         wait_for_launch_drawing, wait_for_screen, wait_for_window)

# Client coordinates in the window of 1280 x 1024: the Layer menu, its "New Blank" item (the twentieth)
# and that submenu's first item "Small"; the File menu and its Save As item.
LAYER_MENU = (204, 8)
NEW_BLANK = (244, 447)
SMALL = (420, 447)
FILE_MENU = (20, 8)
SAVE_AS = (57, 117)
MIDDLE = (540, 480)
VIEW_MIDDLE = (390, 330, 690, 630)
LAYER_LIST = (920, 26, 1145, 84)


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True)


def session(proc, cli, outdir, work):
    window = wait_for_launch_drawing("^Tintsmith - opened")
    window.focus()
    before = wait_for_screen(outdir, "opened.png", lambda shot: True, 1)
    # Wheel forward over the middle of the view zooms in: the board's grain grows.
    window.move(*MIDDLE)
    for _ in range(2):
        window.click(*MIDDLE, button=4)
    zoomed = wait_for_change(outdir, "zoomed.png", before, window.box(*VIEW_MIDDLE), 15, 0.5)
    check(zoomed is not None, "the wheel did not change the view")
    for _ in range(2):
        window.click(*MIDDLE, button=5)
    back = wait_for_screen(outdir, "zoomed-out.png",
                           lambda shot: difference(before, shot, window.box(*VIEW_MIDDLE)) < 0.5, 15)
    check(back is not None, "the wheel did not zoom back out")
    # Layer > New Blank > Small adds a layer over the one the drawing had.
    listed = screenshot(os.path.join(outdir, "one-layer.png"))
    open_menu_item(window, outdir, LAYER_MENU, NEW_BLANK, SMALL)
    check(wait_for_change(outdir, "two-layers.png", listed, window.box(*LAYER_LIST), 10, 0.5) is not None,
          "the layer list shows no new layer")
    # Page Down and Page Up select layers; at the bottom and top they stop without harm.
    window.keys("Next", "Next", "Prior", "Prior", "Prior")
    check(proc.poll() is None, "the program ended while stepping through layers")
    # File > Save As saves under a new name through the dialog, whose file name field has the focus.
    open_menu_item(window, outdir, FILE_MENU)
    window.click(*SAVE_AS)
    check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
    saved = os.path.join(work, "saved copy.ts.png")
    subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
    screenshot(os.path.join(outdir, "save-dialog.png"))
    subprocess.run(["xdotool", "key", "Return"], check=True)
    check(wait_for_window("^Tintsmith - saved copy", 20) is not None, "the title does not name the saved drawing")
    return saved


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        drawing = os.path.join(work, "opened.ts.png")
        check(run(cli, "new", drawing).returncode == 0, "the command-line tool made no drawing")
        saved = session(start(program, drawing), cli, outdir, work)
        names = layer_names(cli, saved)
        check(names == ["Backdrop", "Paper", "Blank Layer", "Blank Layer"], f"the saved drawing holds {names}")
        print(f"saved drawing read back with layers {names}")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
