"""A short session in the real window: open a drawing given on the command line, zoom in with the wheel
and back out, add a layer from the Layer menu, step through the layers with Page Down and Page Up, and
save the drawing under a new name through the Save As dialog of the File menu; the saved file is then
read back with the command-line tool.

Usage: zoom_and_save.py PROGRAM CLI OUTDIR   (run under xvfb-run)
"""
import json
import os
import subprocess
import sys
import tempfile
import time

from PIL import ImageChops, ImageStat

from e2e_support import end, screenshot, wait_for_window


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True)




def shot(outdir, name):
    return screenshot(os.path.join(outdir, name))


def middle(image):
    w, h = image.size
    return image.crop((w // 2 - 150, h // 2 - 100, w // 2 + 150, h // 2 + 100))


def click(x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
    time.sleep(1)


def keys(window, *names):
    # Keys go to the focused window, as a user's do (events sent to a window are ignored by Qt).
    subprocess.run(["xdotool", "windowfocus", "--sync", window])
    for name in names:
        subprocess.run(["xdotool", "key", name], check=True)
        time.sleep(0.4)


class Failed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failed(message)


def session(proc, cli, outdir, work):
    # A drawing named on the command line opens after the launch message box is answered.
    check(wait_for_window("^Tintsmith - Untitled$", 60) is not None, "the program window did not appear")
    window = None
    for _ in range(20):
        time.sleep(1)
        subprocess.run(["xdotool", "key", "Return"])
        window = wait_for_window("^Tintsmith - opened", 1)
        if window:
            break
    check(window is not None, "no window titled after the opened drawing appeared")
    time.sleep(2)
    subprocess.run(["xdotool", "windowfocus", "--sync", window])
    before = shot(outdir, "opened.png")
    w, h = before.size
    # Wheel forward over the middle of the view zooms in: the board's grain grows.
    subprocess.run(["xdotool", "mousemove", str(w // 2), str(h // 2)], check=True)
    for _ in range(2):
        subprocess.run(["xdotool", "click", "4"], check=True)
        time.sleep(0.8)
    zoomed = shot(outdir, "zoomed.png")
    moved = ImageStat.Stat(ImageChops.difference(middle(before), middle(zoomed))).mean
    check(sum(moved) / 3 > 0.5, "the wheel did not change the view")
    for _ in range(2):
        subprocess.run(["xdotool", "click", "5"], check=True)
        time.sleep(0.8)
    # Layer > New Blank > Small adds a layer over the one the drawing had (the menu's twentieth item,
    # its submenu's first).
    click(204, 8)
    click(244, 447)
    click(420, 447)
    time.sleep(1)
    # Page Down and Page Up select layers; at the bottom and top they stop without harm.
    keys(window, "Next", "Next", "Prior", "Prior", "Prior")
    check(proc.poll() is None, "the program ended while stepping through layers")
    # File > Save As (the fourth item of the File menu) saves under a new name through the dialog,
    # whose file name field has the focus.
    click(20, 8)
    click(57, 117)
    time.sleep(1)
    saved = os.path.join(work, "saved copy.ts.png")
    subprocess.run(["xdotool", "type", "--delay", "20", saved], check=True)
    time.sleep(0.5)
    shot(outdir, "save-dialog.png")
    subprocess.run(["xdotool", "key", "Return"], check=True)
    check(wait_for_window("^Tintsmith - saved copy", 20) is not None, "the title does not name the saved drawing")
    return saved


def main():
    program, cli, outdir = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(outdir, exist_ok=True)
    work = tempfile.mkdtemp()
    env = dict(os.environ)
    env["TINTSMITH_SETTINGS"] = os.path.join(work, "settings.ini")
    proc = None
    try:
        drawing = os.path.join(work, "opened.ts.png")
        check(run(cli, "new", drawing).returncode == 0, "the command-line tool made no drawing")
        proc = subprocess.Popen([program, drawing], env=env)
        saved = session(proc, cli, outdir, work)
        info = run(cli, "info", saved, "--json")
        check(info.returncode == 0, "the saved drawing does not read back: " + info.stderr)
        layers = json.loads(info.stdout)["layers"]
        names = [layer["name"] for layer in layers]
        check(names == ["Backdrop", "Paper", "Blank Layer", "Blank Layer"], f"the saved drawing holds {names}")
        print(f"saved drawing read back with layers {names}")
        return 0
    except Failed as failure:
        print(failure)
        return 1
    finally:
        end(proc)


if __name__ == "__main__":
    sys.exit(main())
