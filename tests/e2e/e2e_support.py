"""What the end-to-end scripts share: finding the program's window and its place on the display,
clicks and keys relative to that window, screenshots, waiting for the screen to change (polling with a
deadline, never a fixed sleep), and ending the program they started."""
import json
import os
import subprocess
import tempfile
import time

from PIL import ImageChops, ImageGrab, ImageStat


class Failed(Exception):
    """A check of the session failed; the message says what the user would have seen."""


def check(condition, message):
    if not condition:
        raise Failed(message)


def wait_until(probe, seconds, step=0.25):
    """The first true value probe() returns within the given time, or None."""
    deadline = time.time() + seconds
    while True:
        value = probe()
        if value:
            return value
        if time.time() >= deadline:
            return None
        time.sleep(step)


def wait_for_window(title, seconds):
    """The id of the first window whose name matches the pattern, or None after the given time."""

    def probe():
        found = subprocess.run(["xdotool", "search", "--name", title], capture_output=True, text=True)
        if found.returncode == 0 and found.stdout.strip():
            return found.stdout.split()[0]
        return None

    return wait_until(probe, seconds, 0.3)


def wait_for_launch_drawing(title, seconds=30):
    """The window of a program started with a drawing on its command line: the launch shows its message
    first, and Return answers it until the window's title names the drawing. Fails when it never does."""
    check(wait_for_window("^Tintsmith", 60) is not None, "the program window did not appear")
    for _ in range(seconds):
        subprocess.run(["xdotool", "key", "Return"])
        opened = wait_for_window(title, 1)
        if opened:
            return Window(opened)
    raise Failed("no window titled after the opened drawing appeared")


def window_origin(window):
    """The top left corner of the window's client area on the display."""
    out = subprocess.run(["xdotool", "getwindowgeometry", window], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "Position:" in line:
            x, y = line.split("Position:")[1].split("(")[0].strip().split(",")
            return int(x), int(y)
    return 0, 0


def xdo(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


class Window:
    """The program's main window: points are given relative to its client area."""

    def __init__(self, window_id):
        self.id = window_id
        self.x, self.y = window_origin(window_id)

    def move(self, x, y):
        xdo("mousemove", self.x + x, self.y + y)

    def click(self, x, y, button=1):
        self.move(x, y)
        xdo("click", button)

    def drag(self, points, pause=0.03):
        """Presses at the first point, moves through the rest and releases at the last."""
        self.move(*points[0])
        xdo("mousedown", 1)
        for x, y in points[1:]:
            self.move(x, y)
            time.sleep(pause)
        xdo("mouseup", 1)

    def focus(self):
        subprocess.run(["xdotool", "windowfocus", "--sync", self.id])

    def keys(self, *names):
        """Keys go to the focused window, as a user's do (events sent to a window are ignored by Qt)."""
        self.focus()
        for name in names:
            xdo("key", name)

    def box(self, left, top, right, bottom):
        """A rectangle of the client area in display coordinates, for cropping screenshots."""
        return (self.x + left, self.y + top, self.x + right, self.y + bottom)


def grab():
    """The whole display as an RGB image, straight from the X server."""
    return ImageGrab.grab(xdisplay=None).convert("RGB")


def screenshot(path):
    """The whole display, saved to path (for looking at afterwards) and returned as an RGB image."""
    image = grab()
    image.save(path, compress_level=1)
    return image


def difference(a, b, box):
    """The mean absolute difference of two screenshots inside box, over the three channels."""
    return sum(ImageStat.Stat(ImageChops.difference(a.crop(box), b.crop(box))).mean) / 3


def mean_level(image, box):
    return sum(ImageStat.Stat(image.crop(box)).mean) / 3


def wait_for_screen(outdir, name, accept, seconds):
    """Screenshots until accept(image) holds; the last screenshot is kept as outdir/name either way.
    Returns the accepted image or None."""
    last = [None]

    def probe():
        last[0] = grab()
        return last[0] if accept(last[0]) else None

    found = wait_until(probe, seconds, 0.2)
    last[0].save(os.path.join(outdir, name), compress_level=1)
    return found


def wait_for_change(outdir, name, reference, box, seconds, threshold=1.0):
    """A screenshot whose box differs from the reference's by more than threshold, or None."""
    return wait_for_screen(outdir, name, lambda image: difference(reference, image, box) > threshold, seconds)


def open_menu_item(window, outdir, menu, *items):
    """Clicks a menu title, waits for the menu to show, and clicks down its items."""
    reference = screenshot(os.path.join(outdir, "menu-closed.png"))
    window.click(*menu)
    check(wait_for_change(outdir, "menu-open.png", reference, window.box(0, 20, 500, 500), 10, 0.5) is not None,
          "the menu did not open")
    for item in items:
        reference = screenshot(os.path.join(outdir, "menu-before-item.png"))
        window.click(*item)
        wait_for_change(outdir, "menu-after-item.png", reference, window.box(0, 20, 700, 600), 5, 0.2)


def wait_for_file_change(path, old_stamp, seconds):
    """True once the file exists with a modification stamp other than old_stamp."""

    def probe():
        try:
            return os.stat(path).st_mtime_ns != old_stamp
        except FileNotFoundError:
            return False

    return bool(wait_until(probe, seconds, 0.2))


def stamp(path):
    try:
        return os.stat(path).st_mtime_ns
    except FileNotFoundError:
        return None


def layer_names(cli, path):
    """The names of a drawing file's layers, as the command-line tool reads them."""
    info = subprocess.run([cli, "info", path, "--json"], capture_output=True, text=True)
    check(info.returncode == 0, "the saved drawing does not read back: " + info.stderr)
    return [layer["name"] for layer in json.loads(info.stdout)["layers"]]


def run_script(body):
    """Runs one script's session: body(start, work) gets a function that starts the program with a
    settings file of its own and a scratch folder. Prints what failed; returns the exit code. Every
    program started must still be running at the end, and is then ended."""
    work = tempfile.mkdtemp()
    env = dict(os.environ)
    env["TINTSMITH_SETTINGS"] = os.path.join(work, "settings.ini")
    started = []

    def start(*args):
        proc = subprocess.Popen([str(a) for a in args], env=env)
        started.append(proc)
        return proc

    try:
        body(start, work)
        for proc in started:
            check(proc.poll() is None, "the program ended by itself")
        return 0
    except Failed as failure:
        print(failure)
        return 1
    finally:
        for proc in started:
            end(proc)


def end(proc):
    """Ends a program still running: politely first."""
    if proc is not None and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
