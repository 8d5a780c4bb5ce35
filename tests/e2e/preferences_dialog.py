"""File > Preferences... in the real window: the dialog opens on its first category, the Nudge category
shows its pane, a new nudge step typed there and taken with OK is stored in the settings file, and the
dialog opened again shows it; Cancel after another change stores nothing.

Usage: preferences_dialog.py PROGRAM OUTDIR   (run under xvfb-run)
"""
import configparser
import os
import subprocess
import sys

from e2e_support import Window, check, run_script, screenshot, wait_for_window, wait_until, xdo

FILE_MENU = (20, 8)


def open_preferences(window, outdir, name):
    """File, then up from the bottom of the menu past "E&xit" to "Preferences..." (the recent drawings
    between them are hidden while the list is empty)."""
    window.focus()
    window.click(*FILE_MENU)
    check(wait_for_window("^Tintsmith", 5) is not None, "the window went away")
    subprocess.run(["sleep", "0.5"])
    window.keys("Up", "Up", "Return")
    dialog = wait_for_window("^Preferences$", 15)
    check(dialog is not None, "the Preferences dialog did not open")
    subprocess.run(["xdotool", "windowfocus", "--sync", dialog])
    screenshot(os.path.join(outdir, name))
    return dialog


def stored_nudge(settings):
    parser = configparser.ConfigParser()
    parser.optionxform = str
    try:
        parser.read(settings)
        return parser.get("Settings", "NudgeStrength", fallback=None)
    except configparser.Error:
        return None


def main():
    program, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)

    def body(start, work):
        settings = os.path.join(work, "settings.ini")
        start(program)
        found = wait_for_window("^Tintsmith - Untitled$", 60)
        check(found is not None, "no window titled 'Tintsmith - Untitled' appeared")
        window = Window(found)
        open_preferences(window, outdir, "preferences-open.png")
        # The tree has the keyboard focus: Down shows "Default Paper Size", Down again "Nudge"; Tab
        # moves into the pane's edit, which takes the new step.
        xdo("key", "Home", "Down")
        screenshot(os.path.join(outdir, "preferences-paper.png"))
        xdo("key", "Down", "Tab")
        xdo("key", "ctrl+a")
        xdo("type", "--delay", "30", "7")
        screenshot(os.path.join(outdir, "preferences-nudge.png"))
        xdo("key", "Return")
        check(wait_until(lambda: stored_nudge(settings) == "7", 15), "OK did not store the nudge step 7")
        # Opened again, the dialog shows 7: OK without a change stores every value as shown, and the
        # step stays 7.
        open_preferences(window, outdir, "preferences-reopened.png")
        xdo("key", "Home", "Down", "Down")
        screenshot(os.path.join(outdir, "preferences-reopened-nudge.png"))
        before = os.stat(settings).st_mtime_ns
        xdo("key", "Return")
        check(wait_until(lambda: wait_for_window("^Preferences$", 0.2) is None, 10), "OK did not close it")
        wait_until(lambda: os.stat(settings).st_mtime_ns != before, 5)
        check(stored_nudge(settings) == "7", "the dialog opened again did not show the stored step 7")
        # A change cancelled with Escape is not stored.
        open_preferences(window, outdir, "preferences-third.png")
        xdo("key", "Home", "Down", "Down", "Tab", "ctrl+a")
        xdo("type", "--delay", "30", "12")
        screenshot(os.path.join(outdir, "preferences-cancelling.png"))
        xdo("key", "Escape")
        check(wait_until(lambda: wait_for_window("^Preferences$", 0.2) is None, 10), "Escape did not close it")
        check(stored_nudge(settings) == "7", "Cancel changed the stored nudge step")
        print("the nudge step 7 was stored by OK and kept through Cancel")

    return run_script(body)


if __name__ == "__main__":
    sys.exit(main())
