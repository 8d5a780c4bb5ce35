#!/usr/bin/env python3
"""Checks the data of a built program folder the way the program will read it.

    check_program_data.py PROGRAM_FOLDER [Boards|Pictures|Listings|Palettes|Tooltips ...]
    check_program_data.py PROGRAM_FOLDER Pencil --cli TINTSMITH_CLI

Prints one line per failed check and a summary; exits non-zero when anything failed. Pencil paints a
stroke on every board with the command-line tool and measures the grain inside it.
"""

import concurrent.futures
import pathlib
import re
import struct
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

import board_look  # noqa: E402

BOARD_FILES = (
    [f"Standard{n}.jpg" for n in range(1, 5)] + [f"Canvas{n}.jpg" for n in range(1, 4)]
    + [f"CoarseWeave{n}.jpg" for n in range(1, 5)] + [f"FineWeave{n}.bmp" for n in range(1, 6)]
    + [f"Flannel{n}.jpg" for n in range(1, 5)] + [f"Herringbone{n}.jpg" for n in range(1, 5)]
    + ["Concrete1.jpg", "Concrete2.jpg", "None.jpg"])
BACKDROP_FILES = ["PaperStandard1.jpg", "PaperNone.jpg", "PaperCoarse1.jpg", "PaperFine1.bmp",
                  "PaperFlannel1.jpg", "PaperHerringbone1.jpg", "PaperStandard.jpg", "PaperCoarse.jpg",
                  "PaperFine.bmp", "PaperFlannel.jpg", "PaperHerringbone.jpg"]
FLAT_FILES = {"None.jpg", "PaperNone.jpg"}
FRAME_PICTURES = ["frame_h_mask_rgb.bmp", "frame_h2_rgb.bmp", "frame_w2_rgb.bmp", "frame_d2_rgb.bmp",
                  "frame_m_rgb.bmp", "frame_org_rgb.bmp"]
ARROW_PICTURES = ["EyeHeightArrows", "RotationArrows", "ViewingAngleArrows", "CenteringArrows"]
LISTING_KEYS = ["MFG", "BRANDNAME", "TYPE", "SUBTYPE", "SETPARTNUMBER", "MENUNAME"]
PALETTES = ["Palettes/Rosewood.pal", "Palettes/BlueBungalow.pal", "Palettes/Sculpture.pal",
            "Palettes/Bavinger.pal", "Tools/CommercialBoards.pal"]
# Commands bound to tooltip texts by number when the main window is made.
TOOLTIP_NUMBERS = (list(range(47, 56)) + [57] + list(range(58, 63)) + list(range(217, 233))
                   + [258, 263, 310, 311, 312] + list(range(314, 319)) + [320, 321]
                   + list(range(325, 338)) + [357, 358, 365, 366, 367])


class Checks:
    def __init__(self):
        self.count = 0
        self.failures = []

    def expect(self, condition, message):
        self.count += 1
        if not condition:
            self.failures.append(message)
            print(f"FAIL: {message}")
        return condition


def file_kind(path):
    head = path.read_bytes()[:32]
    if head.startswith(b"\xff\xd8\xff"):
        return "jpg"
    if head.startswith(b"\x89PNG\r\n\x1a\n"):
        return "png"
    if head.startswith(b"BM") and len(head) >= 30:
        return f"bmp{struct.unpack_from('<H', head, 28)[0]}"
    return "unknown"


def load(checks, path, kind):
    """The picture as a float array (height, width, 3), or None when missing or of the wrong kind."""
    if not checks.expect(path.is_file(), f"{path} is missing"):
        return None
    wanted = {".jpg": "jpg", ".png": "png", ".bmp": "bmp24"}[path.suffix.lower()] if kind is None else kind
    if not checks.expect(file_kind(path) == wanted, f"{path} is not a {wanted} file"):
        return None
    try:
        with Image.open(path) as picture:
            return np.asarray(picture.convert("RGB"), dtype=np.float64)
    except (OSError, ValueError) as error:
        checks.expect(False, f"{path} does not load: {error}")
        return None


def seam_is_hidden(grey):
    """The step across the wrap-around edge is no larger than the largest step between neighbouring
    columns (and rows) inside the picture."""
    for a in (grey, grey.T):
        inside = np.abs(np.diff(a, axis=1)).mean(axis=0).max()
        edge = np.abs(a[:, 0] - a[:, -1]).mean()
        if edge > inside * 1.25 + 0.5:  # a quarter more for chance: the edge is one more sample
            return False
    return True


def repetition(mask, distance):
    """The largest correlation of a tiling mask with itself shifted by at least distance pixels."""
    m = mask.astype(np.float64) - mask.mean()
    spectrum = np.fft.fft2(m)
    correlation = np.fft.ifft2(spectrum * np.conj(spectrum)).real
    correlation /= max(correlation[0, 0], 1e-12)
    h, w = m.shape
    y, x = np.mgrid[0:h, 0:w]
    shift = np.hypot(np.minimum(x, w - x), np.minimum(y, h - y))
    return correlation[shift >= distance].max()


def check_boards(checks, root):
    folder = root / "Textures" / "Board"
    samples = {}
    for name in BOARD_FILES + BACKDROP_FILES:
        rgb = load(checks, folder / name, None)
        if rgb is None:
            continue
        grey = rgb.mean(axis=2)
        h, w = grey.shape
        checks.expect(h % 8 == 0 and w % 8 == 0 and h >= 64, f"{name}: size {w} x {h} is not whole blocks")
        checks.expect(220 <= grey.mean() <= 245, f"{name}: mean tone {grey.mean():.1f} is not near white")
        if name in FLAT_FILES:
            checks.expect(np.ptp(rgb, axis=(0, 1)).max() <= 1, f"{name} is not flat")
            continue
        # The grain the program adds to pencil: the paper bitmap's deviation from its average, per
        # channel, once the block averages are out and the board is tinted to a new drawing's colour.
        paper = board_look.paper_bitmap(rgb.astype(np.uint8)).astype(np.float64)
        grain = (paper - board_look.average_color(paper)).std(axis=(0, 1))
        checks.expect(12 <= grain.min() and grain.max() <= 28,
                      f"{name}: a grain of {np.round(grain, 1)} levels is too faint or too coarse")
        white = (paper == 255).all(axis=2).mean()
        checks.expect(white < 0.4, f"{name}: {white:.0%} of the board clips to white")
        checks.expect(seam_is_hidden(grey), f"{name} shows a seam when tiled")
        samples[name] = grey[:256, :256] - grey[:256, :256].mean()
    names = sorted(samples)
    for k, a in enumerate(names):
        for b in names[k + 1:]:
            difference = np.abs(samples[a] - samples[b]).mean()
            checks.expect(difference > 1.0, f"{a} and {b} are nearly the same ({difference:.2f})")


# A stroke of a mid colour (0xBBGGRR) where the first drawing layer of a new drawing lies, with the
# part of it that every dab covers fully.
STROKE_COLOR = 0x7080A0
STROKE_PATH = "size 60\npress 720 600\nmove 1000 600\nmove 1300 600\nrelease 1300 600\n"
STROKE_SCRIPT = f"tool SurfacePaintTool\ncolor {STROKE_COLOR:#08x}\n" + STROKE_PATH
STROKE_INSIDE = (slice(585, 616), slice(760, 1261))
SHADING_SCRIPT = "tool ShadowPaintTool\n" + STROKE_PATH
BARE_TILE = (slice(1024, 1536), slice(1536, 2048))  # one whole board tile, away from the stroke


def paint_on_board(cli, number, folder, gestures=STROKE_SCRIPT, stem="stroke"):
    """Paints the gestures on board number (1..27) with the program and renders the drawing: the
    rendered picture, or the tool's complaint."""
    stem = f"{stem}{number}"
    drawing, painted, picture = (folder / f"{stem}{suffix}" for suffix in (".ts.png", "p.ts.png", ".png"))
    script = folder / f"{stem}.txt"
    script.write_text(gestures)
    steps = (["new", drawing, "--paper-texture", str(number - 1)], ["replay", drawing, script, painted],
             ["render", painted, picture])
    for arguments in steps:
        run = subprocess.run([str(cli)] + [str(a) for a in arguments], capture_output=True, text=True,
                             timeout=120)
        if run.returncode != 0:
            return f"tintsmith-cli {arguments[0]} failed: {run.stderr.strip()}"
    with Image.open(picture) as rendered:
        return np.asarray(rendered.convert("RGB"), dtype=np.float64)


def check_pencil(checks, root, cli):
    """Pencil of a mid colour at the default settings carries the board's grain: inside the stroke
    every channel varies by at least 6 levels on a textured board, and not at all on None. The board
    around it is the paper bitmap the Boards checks measure."""
    folder = root / "Textures" / "Board"
    colour = np.array([STROKE_COLOR & 0xFF, (STROKE_COLOR >> 8) & 0xFF, STROKE_COLOR >> 16], dtype=np.float64)
    with tempfile.TemporaryDirectory() as temp, concurrent.futures.ThreadPoolExecutor(2) as pool:
        numbers = range(1, len(BOARD_FILES) + 1)
        renders = pool.map(lambda n: paint_on_board(cli, n, pathlib.Path(temp)), numbers)
        for number, name, rendered in zip(numbers, BOARD_FILES, renders):
            if not checks.expect(not isinstance(rendered, str), f"{name}: {rendered}"):
                continue
            inside = rendered[STROKE_INSIDE]
            mean = inside.mean(axis=(0, 1))
            if not checks.expect(np.abs(mean - colour).max() < 12,
                                 f"{name}: the stroke did not land (mean {np.round(mean)} in the stroke)"):
                continue
            spread = inside.std(axis=(0, 1))
            print(f"{name}: grain inside the stroke {np.round(spread, 1)}")
            if name in FLAT_FILES:
                checks.expect(spread.max() <= 1.5, f"{name}: the stroke on a flat board varies by {spread}")
            else:
                checks.expect(spread.min() >= 6,
                              f"{name}: the stroke shows a grain of only {np.round(spread, 1)}")
            with Image.open(folder / name) as texture:
                expected = board_look.paper_bitmap(np.asarray(texture.convert("RGB")))
            shown = rendered[BARE_TILE]
            checks.expect(expected.shape == shown.shape and np.array_equal(expected, shown),
                          f"{name}: the board the program shows is not the flattened, tinted texture")
        # Shading on the flat board shows the pencil-shadow grain in the rendered picture.
        rendered = paint_on_board(cli, len(BOARD_FILES), pathlib.Path(temp), SHADING_SCRIPT, "shading")
        if checks.expect(not isinstance(rendered, str), f"shading: {rendered}"):
            shaded = rendered[STROKE_INSIDE]
            spread = shaded.std(axis=(0, 1))
            print(f"shading on None.jpg: grain {np.round(spread, 1)}")
            checks.expect(shaded.mean() < 200 and spread.min() >= 3,
                          f"shading on a flat board is flat or missing (grain {np.round(spread, 1)})")


def read_tsl_picture(checks, path):
    data = path.read_bytes() if path.is_file() else b""
    if not checks.expect(len(data) >= 56, f"{path} is missing or too short"):
        return None
    header = struct.unpack_from("<8i", data)
    width, height, _, _, depth, count = struct.unpack_from("<6i", data, 32)
    stride = (width * 3 + 3) // 4 * 4
    ok = checks.expect(header[1] == 0 and header[7] != 0, f"{path}: header words 2 and 8 are wrong")
    ok &= checks.expect(width > 0 and height > 0 and depth == 3 and count == stride * height
                        and len(data) == 56 + count, f"{path}: image record does not match its size")
    pixels = np.frombuffer(data[56:], dtype=np.uint8)
    ok &= checks.expect(ok and pixels.std() > 10, f"{path}: the picture is blank")
    return (width, height) if ok else None


def check_pictures(checks, root):
    shadow = load(checks, root / "Textures" / "ED" / "PencilShadow.png", "png")
    if shadow is not None:
        h, w = shadow.shape[:2]
        checks.expect(h == w and 4096 % w == 0, f"PencilShadow.png: {w} x {h} does not tile 4096 x 4096")
        dark = (shadow[:, :, 2] < 128).mean()  # the first byte of a pixel in memory is blue
        checks.expect(0.2 <= dark <= 0.6, f"PencilShadow.png: {dark:.0%} dark pixels")
        checks.expect(seam_is_hidden(shadow.mean(axis=2)), "PencilShadow.png shows a seam when tiled")
        # Hand shading does not repeat itself: away from a stroke's own width, the dark pixels do not
        # line up with a shifted copy of themselves as a ruled hatching does.
        echo = repetition(shadow[:, :, 2] < 128, 12)
        checks.expect(echo < 0.2, f"PencilShadow.png repeats itself (correlation {echo:.2f} at a shift)")

    sizes = [read_tsl_picture(checks, root / f"Splash{s}.tsl") for s in "SML"]
    if all(sizes):
        checks.expect(sizes[0] < sizes[1] < sizes[2], f"splash sizes {sizes} do not grow S, M, L")

    res = root / "res"
    for name in ["resize_han_rgb.bmp", "crop_han_rgb.bmp"] + FRAME_PICTURES:
        load(checks, res / name, "bmp24")
    for name in ARROW_PICTURES:
        picture = load(checks, res / f"{name}.bmp", "bmp24")
        mask = load(checks, res / f"{name}Mask.bmp", "bmp24")
        if picture is None or mask is None or not checks.expect(picture.shape == mask.shape,
                                                                f"{name}: mask size differs"):
            continue
        clear = (mask == 255).all(axis=2)
        checks.expect(((mask == 0).all(axis=2) | clear).all(), f"{name}Mask.bmp is not black and white")
        checks.expect(0 < clear.mean() < 1, f"{name}Mask.bmp shows nothing or everything")
        checks.expect((picture[clear] == 0).all(), f"{name}.bmp is not black where its mask is clear")


def parse_listing(checks, path):
    """The header values and tool tuples of a listing, or None when the program would refuse it."""
    data = path.read_bytes()
    ok = checks.expect(b"\r" not in data and data.endswith(b"\n"), f"{path.name}: lines must end in LF only")
    lines = data.decode("latin-1").split("\n")[:-1]
    header = {}
    for key, line in zip(LISTING_KEYS, lines):
        found, _, value = line.partition(":")
        value = value.lstrip(" ")
        ok &= checks.expect(found == key and value != "" and len(value) <= 63,
                            f"{path.name}: header line {line!r} should be key {key} with a value")
        header[key] = value
    tools = []
    for line in lines[6:]:
        match = re.fullmatch(r"TOOL:([^,]{1,31}),([^,]{1,31}),(\d{1,3}),(\d{1,3}),(\d{1,3})", line)
        # The program stops reading at the first line that is not a tool; ours has no such line.
        if not checks.expect(match is not None and all(int(v) <= 255 for v in match.groups()[2:]),
                             f"{path.name}: {line!r} is not a tool line"):
            return None
        tools.append((match[1], match[2]) + tuple(int(v) for v in match.groups()[2:]))
    ok &= checks.expect(len(lines) >= 7, f"{path.name}: no tools")
    return (header, tools) if ok else None


def check_listings(checks, root):
    sets = {}
    for path in sorted((root / "Tools").glob("*")):
        if path.suffix.lower() != ".tls":
            continue
        dot = path.name.find(".")
        checks.expect(len(path.name) >= 5 and path.name[dot:].lower() == ".tls",
                      f"{path.name}: the program would not take it for a listing")
        parsed = parse_listing(checks, path)
        if parsed:
            sets[parsed[0]["MENUNAME"]] = parsed
    pencils = sets.get("PrismaColor 120")
    if checks.expect(pencils is not None, "no listing with the menu name PrismaColor 120"):
        header, tools = pencils
        checks.expect(header["TYPE"] == "Colored Pencil", "PrismaColor 120 is not a coloured pencil set")
        checks.expect(len(tools) == 120, f"PrismaColor 120 has {len(tools)} pencils")
        checks.expect(len({t[0] for t in tools}) == len(tools), "PrismaColor 120 repeats a name")
        checks.expect(("Black", "935", 0, 0, 0) in tools, "PrismaColor 120 has no Black 935")
    mats = sets.get("BainBridge Mat Board")
    if checks.expect(mats is not None, "no listing with the menu name BainBridge Mat Board"):
        checks.expect(mats[0]["TYPE"] == "Substrate", "BainBridge Mat Board is not a Substrate set")
        checks.expect(any(t[0] == " Gray" for t in mats[1]), "BainBridge Mat Board has no ' Gray'")
    types = [header["TYPE"] for header, _ in sets.values()]
    checks.expect(types.count("Colored Pencil") >= 2 and types.count("Substrate") >= 2,
                  f"too few pencil or board sets: {types}")


def check_palette(checks, path):
    data = path.read_bytes() if path.is_file() else b""
    layout = rb"[0-9a-f]{8}\r\n(?:[0-9a-f]{8}(?: [^\r\n]*)?\r\n)*"
    if not checks.expect(re.fullmatch(layout, data) is not None,
                         f"{path}: missing, or not lowercase hex lines ending in CR LF"):
        return
    lines = data.split(b"\r\n")[:-1]
    count = int(lines[0], 16)
    checks.expect(1 <= count <= 512 and count == len(lines) - 1,
                  f"{path}: count {count} for {len(lines) - 1} colours")
    checks.expect(all(int(line[:8], 16) <= 0xFFFFFF for line in lines[1:]),
                  f"{path}: a colour above 00ffffff")
    names = [line[9:] for line in lines[1:]]
    checks.expect(all(names) and len(set(names)) == len(names), f"{path}: colours must have distinct names")


def check_palettes(checks, root):
    for name in PALETTES:
        check_palette(checks, root / name)


def check_tooltips(checks, root):
    path = root / "tooltips.txt"
    data = path.read_bytes() if path.is_file() else b""
    if not checks.expect(data.endswith(b"\n") and b"\r" not in data,
                         "tooltips.txt is missing or not LF text"):
        return
    numbers = []
    for line in data.decode("utf-8").split("\n")[:-1]:
        match = re.fullmatch(r"(\d+)\|([^|]+)", line)
        if checks.expect(match is not None, f"tooltips.txt: {line!r} is not number|text"):
            numbers.append(int(match[1]))
    checks.expect(len(numbers) == len(set(numbers)), "tooltips.txt repeats a number")
    missing = sorted(set(TOOLTIP_NUMBERS) - set(numbers))
    checks.expect(not missing, f"tooltips.txt has no text for {missing}")


PARTS = {"Boards": check_boards, "Pictures": check_pictures, "Listings": check_listings,
         "Palettes": check_palettes, "Tooltips": check_tooltips}


def main(argv):
    cli = None
    if len(argv) >= 2 and argv[-2] == "--cli":
        cli, argv = pathlib.Path(argv[-1]), argv[:-2]
    if len(argv) < 2 or any(part not in PARTS and part != "Pencil" for part in argv[2:]) or (
            ("Pencil" in argv[2:]) != (cli is not None)):
        print(f"usage: check_program_data.py PROGRAM_FOLDER [{'|'.join(PARTS)} ...]\n"
              "       check_program_data.py PROGRAM_FOLDER Pencil --cli TINTSMITH_CLI", file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1])
    checks = Checks()
    for part in argv[2:] or PARTS:
        if part == "Pencil":
            check_pencil(checks, root, cli)
        else:
            PARTS[part](checks, root)
    print(f"check_program_data: {checks.count} checks, {len(checks.failures)} failed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
