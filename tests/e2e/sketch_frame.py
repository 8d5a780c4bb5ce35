"""The default sketch frame: made through the "Show SketchFrame" command and the panel's "Create" button
(as the control bar runs them, replayed by the command-line tool), then opened in the real window,
where its green floor grid must show; saved again with Ctrl+S, the drawing must still hold the frame
layer with its lines, as "tintsmith-cli info" reads it.

Usage: sketch_frame.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import json
import os
import subprocess
import sys

import numpy

from e2e_support import (Window, check, layer_names, run_script, stamp, wait_for_file_change,
                         wait_for_launch_drawing, wait_for_screen, wait_for_window)


def green_pixels(image):
    """Pixels of the floor's strong green: far more green than red or blue (the board is grey)."""
    rgb = numpy.asarray(image.convert("RGB"), dtype=numpy.int32)
    r, g, b = rgb[:, :, 0], rgb[:, :, 1], rgb[:, :, 2]
    return int(numpy.count_nonzero((g > r + 80) & (g > b + 80)))


def frame_layer(cli, path):
    info = subprocess.run([cli, "info", path, "--json"], capture_output=True, text=True)
    check(info.returncode == 0, "the drawing does not read back: " + info.stderr)
    layers = [layer for layer in json.loads(info.stdout)["layers"] if layer["name"] == "Sketch Frame"]
    check(len(layers) == 1, "the drawing has no single Sketch Frame layer")
    return layers[0]


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], os.path.join(sys.argv[3], "sketch_frame")
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        blank = os.path.join(work, "blank.ts.png")
        drawing = os.path.join(work, "frame.ts.png")
        script = os.path.join(work, "frame.txt")
        check(subprocess.run([cli, "new", blank]).returncode == 0, "no drawing was made")
        with open(script, "w") as f:
            f.write("command Show SketchFrame\npanel Create\n")
        check(subprocess.run([cli, "replay", blank, script, drawing]).returncode == 0, "no frame was made")
        names = layer_names(cli, drawing)
        print(f"layers: {names}")
        check("Blank Layer" not in names, "the empty blank layer was kept under the frame")

        start(program, drawing)
        wait_for_launch_drawing("^Tintsmith - frame.ts.png$")
        shown = wait_for_screen(outdir, "frame.png", lambda shot: green_pixels(shot) > 3000, 30)
        check(shown is not None, "the frame's green floor does not show")
        print(f"green pixels on the screen: {green_pixels(shown)}")

        old = stamp(drawing)
        window = Window(wait_for_window("^Tintsmith - frame.ts.png$", 10))
        window.keys("ctrl+s")
        check(wait_for_file_change(drawing, old, 20), "Ctrl+S did not save the drawing")
        layer = frame_layer(cli, drawing)
        print(f"saved frame layer: {layer}")
        check(layer["width"] == 2700 and layer["height"] == 1800, "the frame does not cover the drawing")
        greens = [c for c in layer.get("lines", {}).get("colors", []) if c["color"] == "#40FF40"]
        check(greens and greens[0]["pixels"] > 10000, "the saved frame has no green floor lines")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
