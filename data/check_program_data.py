#!/usr/bin/env python3
"""Checks the data of a built program folder the way the program will read it.

    check_program_data.py PROGRAM_FOLDER [Boards|Pictures|Listings|Palettes|Tooltips ...]

Prints one line per failed check and a summary; exits non-zero when anything failed.
"""

import pathlib
import re
import struct
import sys

import numpy as np
from PIL import Image

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


def flattened(grey):
    """The picture with its 8 x 8 block averages taken out, as the program does before use."""
    h, w = (d // 8 * 8 for d in grey.shape)
    blocks = grey[:h, :w].reshape(h // 8, 8, w // 8, 8)
    return (blocks - blocks.mean(axis=(1, 3), keepdims=True)).reshape(h, w) + grey.mean()


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
        grain = flattened(grey).std()
        checks.expect(1.5 <= grain <= 20, f"{name}: a fine grain of {grain:.2f} levels is not subtle")
        checks.expect(seam_is_hidden(grey), f"{name} shows a seam when tiled")
        samples[name] = grey[:256, :256] - grey[:256, :256].mean()
    names = sorted(samples)
    for k, a in enumerate(names):
        for b in names[k + 1:]:
            difference = np.abs(samples[a] - samples[b]).mean()
            checks.expect(difference > 1.0, f"{a} and {b} are nearly the same ({difference:.2f})")


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
    if len(argv) < 2 or any(part not in PARTS for part in argv[2:]):
        print(f"usage: check_program_data.py PROGRAM_FOLDER [{'|'.join(PARTS)} ...]", file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1])
    checks = Checks()
    for part in argv[2:] or PARTS:
        PARTS[part](checks, root)
    print(f"check_program_data: {checks.count} checks, {len(checks.failures)} failed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
