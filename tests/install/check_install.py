"""Checks an installed Tintsmith: the layout of the install tree, and the installed program run the
way a user runs it (a home folder of its own, nothing written below the install prefix).

    check_install.py layout BUILD_DIR
        installs the build into a temporary prefix with `cmake --install`, checks what is where, and
        makes and renders a drawing with the installed command-line tool.
    check_install.py session BUILD_DIR OUTDIR        (under xvfb-run)
        installs the build the same way and runs the installed program (see session()).
    check_install.py package DEB OUTDIR              (under xvfb-run)
        checks the Debian package's fields, unpacks it with `dpkg -x` into a scratch root and runs the
        installed program from there.
"""
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "e2e"))
sys.dont_write_bytecode = True

from e2e_support import (Failed, Window, check, end, open_menu_item, wait_for_screen,  # noqa: E402
                         wait_for_window, wait_until)

SOURCE = pathlib.Path(__file__).resolve().parent.parent.parent
ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
DESKTOP_ID = "com.huecraft.Tintsmith"
# The File menu and its Save As item, in client coordinates of the maximised window.
FILE_MENU = (20, 8)
SAVE_AS = (57, 117)
# Messages of the program have this title; the main window's names the drawing.
MESSAGE_TITLE = "^Tintsmith$"


def tree(root):
    """Every file and folder below root, relative, with its size and modification stamp."""
    found = {}
    for path in sorted(pathlib.Path(root).rglob("*")):
        info = path.lstat()
        found[str(path.relative_to(root))] = (info.st_size, info.st_mtime_ns)
    return found


def digest(path):
    return hashlib.sha256(pathlib.Path(path).read_bytes()).hexdigest()


def install(build_dir, prefix):
    done = subprocess.run(["cmake", "--install", build_dir, "--prefix", prefix], capture_output=True, text=True)
    check(done.returncode == 0, "cmake --install failed:\n" + done.stdout + done.stderr)


def check_layout(prefix, build_dir):
    prefix = pathlib.Path(prefix)
    files = tree(prefix)
    check(sorted(p.name for p in prefix.iterdir()) == ["bin", "share"], f"the prefix holds {os.listdir(prefix)}")
    programs = sorted(p.name for p in (prefix / "bin").iterdir())
    check(programs == ["tintsmith", "tintsmith-cli"], f"bin/ holds {programs}")
    for program in programs:
        check(os.access(prefix / "bin" / program, os.X_OK), f"bin/{program} cannot be run")

    data = prefix / "share" / "tintsmith"
    program_folder = pathlib.Path(build_dir) / "bin"
    # The read-only data, byte for byte: the generated pictures as the build made them, the text data as
    # the source tree holds it.
    generated = [p for p in program_folder.rglob("*") if p.is_file() and
                 p.relative_to(program_folder).parts[0] in ("Textures", "res")]
    generated += [program_folder / f"Splash{s}.tsl" for s in "SML"]
    text = [p for p in (SOURCE / "data").rglob("*") if p.is_file() and
            p.relative_to(SOURCE / "data").parts[0] in ("Tools", "Palettes")]
    expected = {str(p.relative_to(program_folder)): p for p in generated}
    expected.update({str(p.relative_to(SOURCE / "data")): p for p in text})
    expected["tooltips.txt"] = SOURCE / "data" / "tooltips.txt"
    check(len(expected) > 60, f"only {len(expected)} data files were expected")
    installed = {str(p.relative_to(data)): p for p in data.rglob("*") if p.is_file()}
    check(sorted(installed) == sorted(expected),
          f"share/tintsmith differs: missing {sorted(set(expected) - set(installed))}, "
          f"extra {sorted(set(installed) - set(expected))}")
    for name, source in expected.items():
        check(digest(installed[name]) == digest(source), f"share/tintsmith/{name} differs from its source")
    for folder in ("Temp", "History", "Objects", "Drawings"):
        check(not (data / folder).exists(), f"the writable folder {folder} was installed")

    # Desktop integration.
    share = prefix / "share"
    for name in (f"applications/{DESKTOP_ID}.desktop", f"metainfo/{DESKTOP_ID}.metainfo.xml",
                 "mime/packages/tintsmith.xml", "icons/hicolor/scalable/apps/tintsmith.svg"):
        check((share / name).is_file(), f"share/{name} is missing")
    from PIL import Image
    for size in ICON_SIZES:
        icon = share / f"icons/hicolor/{size}x{size}/apps/tintsmith.png"
        check(icon.is_file(), f"the {size} px icon is missing")
        with Image.open(icon) as picture:
            check(picture.size == (size, size), f"the {size} px icon is {picture.size}")
    outside = [p for p in files if not p.startswith(("bin", "share/tintsmith", "share/icons/hicolor",
                                                      "share/applications", "share/metainfo", "share/mime"))]
    check(outside == ["share", "share/icons"], f"unexpected files in the prefix: {outside}")
    print(f"install tree: {len(files)} entries, {len(installed)} data files")


def private_environment(home):
    """A user of their own: home folder, settings file, no XDG folders of the caller."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_") or k == "XDG_RUNTIME_DIR"}
    env["HOME"] = str(home)
    env["TINTSMITH_SETTINGS"] = str(pathlib.Path(home) / "settings.ini")
    return env


def check_cli(bindir, home, env):
    """The installed command-line tool makes a drawing on the installed boards and renders it."""
    drawing = pathlib.Path(home) / "cli.ts.png"
    picture = pathlib.Path(home) / "cli.png"
    made = subprocess.run([bindir / "tintsmith-cli", "new", drawing], env=env, capture_output=True, text=True)
    check(made.returncode == 0, "the installed tool made no drawing: " + made.stderr)
    rendered = subprocess.run([bindir / "tintsmith-cli", "render", drawing, picture], env=env,
                              capture_output=True, text=True)
    check(rendered.returncode == 0 and picture.stat().st_size > 1000,
          "the installed tool rendered no picture: " + rendered.stderr)
    from PIL import Image, ImageStat
    with Image.open(picture) as image:
        # The new drawing's board is light grey paper with grain: bright, and not one flat colour.
        stat = ImageStat.Stat(image.convert("L"))
        check(stat.mean[0] > 150 and stat.stddev[0] > 0.5, f"the rendered board looks wrong: {stat.mean}, "
              f"{stat.stddev}")
    print("installed command-line tool: made and rendered a drawing")


def session(bindir, home, env, outdir, watched):
    """Starts the installed program: its window appears with no message (every data file found), a new
    drawing is saved through Save As into the dialog's default folder below the user's data folder, and
    nothing below the watched root changes."""
    before = tree(watched)
    log = open(pathlib.Path(outdir) / "program-output.txt", "w+")
    proc = subprocess.Popen([str(bindir / "tintsmith")], env=env, stdout=log, stderr=subprocess.STDOUT)
    try:
        window_id = wait_for_window("^Tintsmith - Untitled$", 60)
        check(window_id is not None, "the installed program's window did not appear")
        # A message of start-up (a missing picture, palette or listing) would show as its own window.
        time.sleep(2)
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", MESSAGE_TITLE], capture_output=True, text=True)
        check(not found.stdout.strip(), "the installed program showed a message at start-up")
        check(proc.poll() is None, "the installed program ended by itself")
        window = Window(window_id)
        window.focus()
        wait_for_screen(outdir, "installed-started.png", lambda shot: True, 1)

        open_menu_item(window, outdir, FILE_MENU)
        window.click(*SAVE_AS)
        check(wait_for_window("^Save Drawing", 15) is not None, "the Save Drawing dialog did not open")
        subprocess.run(["xdotool", "type", "--delay", "20", "first plan"], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        check(wait_for_window("^Tintsmith - first plan", 20) is not None,
              "the title does not name the saved drawing")
        saved = pathlib.Path(home) / ".local/share/Tintsmith/SaveDrawings/first plan.ts.png"
        check(wait_until(lambda: saved.is_file() and saved.stat().st_size > 1000, 10),
              f"the drawing was not saved to {saved}")
        check(proc.poll() is None, "the installed program ended after saving")
    finally:
        end(proc)
        log.seek(0)
        output = log.read()
        log.close()
    check("missing" not in output.lower(), "the installed program reported missing files:\n" + output)
    after = tree(watched)
    changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
    check(not changed, f"the program wrote below {watched}: {changed[:10]}")
    print(f"installed program: started without messages, saved {saved.name} in the user's folder")
    return saved


def check_package(deb):
    fields = {}
    for name in ("Package", "Version", "Architecture", "Maintainer", "Section", "Depends"):
        value = subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True).stdout.strip()
        fields[name] = value
    version = re.search(r"project\(Tintsmith VERSION ([0-9.]+)", (SOURCE / "CMakeLists.txt").read_text()).group(1)
    arch = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
    check(fields["Package"] == "tintsmith", f"package name {fields['Package']}")
    check(fields["Version"] == version, f"package version {fields['Version']}, project {version}")
    check(fields["Architecture"] == arch, f"package architecture {fields['Architecture']}")
    check(fields["Maintainer"] == "Huecraft Software", f"maintainer {fields['Maintainer']}")
    check(fields["Section"] == "graphics", f"section {fields['Section']}")
    # Derived from the libraries the programs link: Qt's and libpng's at least.
    for library in ("libqt6widgets6", "libpng16-16", "qt6-qpa-plugins"):
        check(library in fields["Depends"], f"the package does not depend on {library}: {fields['Depends']}")
    print(f"package fields: {fields}")


def main(argv):
    if len(argv) < 3 or argv[1] not in ("layout", "session", "package"):
        print(__doc__, file=sys.stderr)
        return 2
    mode = argv[1]
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="tintsmith-install-"))
    try:
        root = scratch / "root"
        home = scratch / "home"
        home.mkdir()
        env = private_environment(home)
        if mode == "package":
            check_package(argv[2])
            root.mkdir()
            unpacked = subprocess.run(["dpkg", "-x", argv[2], root], capture_output=True, text=True)
            check(unpacked.returncode == 0, "dpkg -x failed: " + unpacked.stderr)
            bindir = root / "usr" / "bin"
        else:
            install(argv[2], root)
            bindir = root / "bin"
        if mode == "layout":
            check_layout(root, argv[2])
            before = tree(root)
            check_cli(bindir, home, env)
            check(tree(root) == before, "the command-line tool wrote below the prefix")
        else:
            outdir = pathlib.Path(argv[3])
            outdir.mkdir(parents=True, exist_ok=True)
            saved = session(bindir, home, env, outdir, root)
            check_cli(bindir, home, env)
            shown = subprocess.run([bindir / "tintsmith-cli", "info", saved], env=env, capture_output=True,
                                   text=True)
            check(shown.returncode == 0 and "Paper" in shown.stdout, "the saved drawing does not read back")
        return 0
    except Failed as failure:
        print(failure)
        return 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
