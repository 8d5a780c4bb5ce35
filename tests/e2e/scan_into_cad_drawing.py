"""Starts the real program with a CAD print ("tintsmith plan.png"), then scans a photo from the SANE
"test" device through the control bar: Sketch Frame > Import An Image > Photo > Acquire 300 dpi Color.
The scan becomes a layer beside the "CAD Layer", and the drawing saved through Save As holds both, each
with its size.

Usage: scan_into_cad_drawing.py PROGRAM CLI OUTDIR   (run under xvfb-run with a 1600 x 1000 screen)
"""
import json
import os
import subprocess
import sys
import tempfile
import time

from launch_with_cad_png import dark_share, make_print
from e2e_support import (Window, check, layer_names, open_menu_item, run_script, screenshot, wait_for_file_change,
                         wait_for_screen, wait_for_window)

FILE_MENU = (20, 8)
SAVE_AS = (57, 117)
SKETCH_FRAME_BUTTON = (1282, 106)
IMPORT_AN_IMAGE = (1309, 193)
PHOTO = (1468, 193)
ACQUIRE_300_COLOR = (1334, 259)


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)
    # The scanner is SANE's own test device, and no other.
    sane = tempfile.mkdtemp()
    with open(os.path.join(sane, "dll.conf"), "w") as conf:
        conf.write("test\n")
    os.environ["SANE_CONFIG_DIR"] = sane

    def body(start, work):
        plan = os.path.join(work, "plan.png")
        make_print(plan)
        start(program, plan)
        found = wait_for_window("^Tintsmith", 60)
        check(found is not None, "the program window did not appear")
        window = Window(found)
        shown = wait_for_screen(outdir, "scan-cad-launch.png",
                                lambda shot: 0.005 < dark_share(shot, window) < 0.3, 40)
        check(shown is not None, "the window does not show the print's lines")

        # The drop-down and its sub-menus open as the pointer rests on them.
        window.focus()
        window.click(*SKETCH_FRAME_BUTTON)
        time.sleep(1.0)
        window.move(*IMPORT_AN_IMAGE)
        time.sleep(1.0)
        window.move(PHOTO[0] - 30, PHOTO[1])
        time.sleep(0.3)
        window.move(*PHOTO)
        time.sleep(1.0)
        screenshot(os.path.join(outdir, "scan-menu.png"))
        window.click(*ACQUIRE_300_COLOR)
        scanned = wait_for_screen(outdir, "scan-done.png", lambda shot: dark_share(shot, window) > 0.3, 60)
        check(scanned is not None, "the scanned picture does not show")

        open_menu_item(window, outdir, FILE_MENU)
        window.click(*SAVE_AS)
        check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
        saved = os.path.join(work, "plan-scanned.ts.png")
        subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        check(wait_for_file_change(saved, None, 30), "the drawing was not saved")
        names = layer_names(cli, saved)
        check(names[:3] == ["Backdrop", "Paper", "CAD Layer"] and len(names) == 4,
              f"the saved drawing holds {names}")
        info = json.loads(subprocess.run([cli, "info", saved, "--json"], capture_output=True, text=True).stdout)
        for layer in info["layers"][2:]:
            width = layer.get("width", 0)
            height = layer.get("height", 0)
            check(width > 0 and height > 0, f"layer {layer['name']} has no size: {layer}")
            print(f"layer {layer['name']}: {width} x {height}")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
