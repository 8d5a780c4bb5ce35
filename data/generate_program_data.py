#!/usr/bin/env python3
"""Generates the pictures of the program folder.

    generate_program_data.py PROGRAM_FOLDER

writes Textures/Board/ (the 27 board textures and the custom backdrop textures),
Textures/ED/PencilShadow.png, res/ (tracker handles and sketch-frame help pictures), the splash
pictures SplashS.tsl, SplashM.tsl and SplashL.tsl, and makes the empty folders Temp, History,
Objects and Drawings. The output depends only on this code: every random choice comes from a fixed
seed.
"""

import pathlib
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

from generators import boards, panel_pictures, pencil_shadow, splash  # noqa: E402

EMPTY_FOLDERS = ["Temp", "History", "Objects", "Drawings"]


def main(argv):
    if len(argv) != 2:
        print("usage: generate_program_data.py PROGRAM_FOLDER", file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1])
    started = time.monotonic()

    board_folder = root / "Textures" / "Board"
    shadow_folder = root / "Textures" / "ED"
    res_folder = root / "res"
    for folder in [board_folder, shadow_folder, res_folder] + [root / f for f in EMPTY_FOLDERS]:
        folder.mkdir(parents=True, exist_ok=True)

    boards.generate(board_folder)
    pencil_shadow.generate(shadow_folder / "PencilShadow.png")
    panel_pictures.generate(res_folder)
    splash.generate(root)

    print(f"generate_program_data: wrote the pictures of {root} in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
