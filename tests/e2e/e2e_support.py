"""What the end-to-end scripts share: finding the program's window, screenshots of the X display, and
ending the program they started."""
import subprocess
import time

from PIL import Image


def wait_for_window(title, seconds):
    """The id of the first window whose name matches the pattern, or None after the given time."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", title], capture_output=True, text=True)
        if found.returncode == 0 and found.stdout.strip():
            return found.stdout.split()[0]
        time.sleep(0.3)
    return None


def screenshot(path):
    """The whole display, saved to path and returned as an RGB image."""
    subprocess.run(["import", "-window", "root", path], check=True)
    return Image.open(path).convert("RGB")


def end(proc):
    """Ends a program still running: politely first."""
    if proc is not None and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
