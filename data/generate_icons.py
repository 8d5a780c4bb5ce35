#!/usr/bin/env python3
"""Generates the program's icon for the hicolor icon theme.

    generate_icons.py HICOLOR_FOLDER

writes scalable/apps/tintsmith.svg and NxN/apps/tintsmith.png (16 to 256 pixels) below the folder.
The output depends only on this code.
"""

import pathlib
import sys

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

from generators import icon  # noqa: E402


def main(argv):
    if len(argv) != 2:
        print("usage: generate_icons.py HICOLOR_FOLDER", file=sys.stderr)
        return 2
    icon.generate(pathlib.Path(argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
