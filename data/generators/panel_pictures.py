"""Small pictures of res/: the tracker handles and the sketch-frame panel's help pictures.

All are 24-bit BMP files. The frame help pictures sit on the panel's face colour. The four arrow
pictures come with masks ("...Mask.bmp") for transparent drawing: the mask is black where the
picture shows and white where the panel shows through, and the picture itself is black there, so
the picture can be drawn by AND-ing the mask and then OR-ing the picture.
"""

from PIL import Image, ImageDraw

FACE = (212, 208, 200)
INK = (40, 40, 48)
FAINT = (140, 140, 150)
ACCENT = (200, 30, 30)
GRID = (64, 190, 64)
EYE = (30, 80, 190)

HANDLE_SIZE = 9
FRAME_SIZE = (64, 48)
ARROW_SIZE = (32, 32)


def resize_handle():
    """A sizing handle: a white square with a black border."""
    picture = Image.new("RGB", (HANDLE_SIZE, HANDLE_SIZE), (255, 255, 255))
    ImageDraw.Draw(picture).rectangle([0, 0, HANDLE_SIZE - 1, HANDLE_SIZE - 1], outline=(0, 0, 0))
    return picture


def crop_handle():
    """A cropping handle: a black square with a white cross of cut marks."""
    picture = Image.new("RGB", (HANDLE_SIZE, HANDLE_SIZE), (0, 0, 0))
    draw = ImageDraw.Draw(picture)
    middle = HANDLE_SIZE // 2
    draw.line([(2, middle), (HANDLE_SIZE - 3, middle)], fill=(255, 255, 255))
    draw.line([(middle, 2), (middle, HANDLE_SIZE - 3)], fill=(255, 255, 255))
    return picture


# A box in perspective within the 64 x 48 help picture: corners of the near and far faces.
BOX = {
    "near_bottom_left": (14, 36), "near_bottom_right": (38, 40), "far_bottom_right": (56, 32),
    "near_top_left": (14, 14), "near_top_right": (38, 16), "far_top_right": (56, 10),
    "far_top_left": (32, 6), "far_bottom_left": (32, 28),
}


def _box(draw, colour=INK, hidden=FAINT):
    b = BOX
    visible = [("near_bottom_left", "near_bottom_right"), ("near_bottom_right", "far_bottom_right"),
               ("near_top_left", "near_top_right"), ("near_top_right", "far_top_right"),
               ("far_top_right", "far_top_left"), ("far_top_left", "near_top_left"),
               ("near_bottom_left", "near_top_left"), ("near_bottom_right", "near_top_right"),
               ("far_bottom_right", "far_top_right")]
    behind = [("far_bottom_left", "near_bottom_left"), ("far_bottom_left", "far_bottom_right"),
              ("far_bottom_left", "far_top_left")]
    for a, c in behind:
        draw.line([b[a], b[c]], fill=hidden)
    for a, c in visible:
        draw.line([b[a], b[c]], fill=colour)


def _arrow(draw, start, end, colour, head=3):
    """A double-headed dimension arrow."""
    draw.line([start, end], fill=colour)
    (x0, y0), (x1, y1) = start, end
    length = max(((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5, 1e-6)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    for (px, py), sign in ((start, 1), (end, -1)):
        tip = (px, py)
        left = (px + sign * head * ux - head * uy * 0.7, py + sign * head * uy + head * ux * 0.7)
        right = (px + sign * head * ux + head * uy * 0.7, py + sign * head * uy - head * ux * 0.7)
        draw.polygon([tip, left, right], fill=colour)


def frame_picture(kind):
    """Help picture of one frame dimension: the box with that dimension marked in red."""
    picture = Image.new("RGB", FRAME_SIZE, FACE)
    draw = ImageDraw.Draw(picture)
    b = BOX
    if kind == "margin":
        # Major and minor grid lines on the floor.
        for k in range(1, 8):
            t = k / 8
            start = _lerp(b["near_bottom_left"], b["near_bottom_right"], t)
            end = _lerp(b["far_bottom_left"], b["far_bottom_right"], t)
            draw.line([start, end], fill=ACCENT if k % 4 == 0 else GRID)
    _box(draw, FAINT if kind == "height_mask" else INK)
    if kind in ("height", "height_mask"):
        _arrow(draw, (8, 36), (8, 14), ACCENT)
        draw.line([b["near_bottom_left"], b["near_top_left"]], fill=ACCENT)
    elif kind == "width":
        _arrow(draw, (14, 41), (38, 45), ACCENT)
        draw.line([b["near_bottom_left"], b["near_bottom_right"]], fill=ACCENT)
    elif kind == "depth":
        _arrow(draw, (41, 44), (59, 36), ACCENT)
        draw.line([b["near_bottom_right"], b["far_bottom_right"]], fill=ACCENT)
    elif kind == "origin":
        centre = _lerp(b["near_bottom_left"], b["far_bottom_right"], 0.5)
        draw.line([(centre[0] - 3, centre[1]), (centre[0] + 3, centre[1])], fill=ACCENT)
        draw.line([(centre[0], centre[1] - 3), (centre[0], centre[1] + 3)], fill=ACCENT)
        draw.ellipse([centre[0] - 1, centre[1] - 1, centre[0] + 1, centre[1] + 1], fill=ACCENT)
    return picture


def _lerp(a, c, t):
    return (a[0] + (c[0] - a[0]) * t, a[1] + (c[1] - a[1]) * t)


def _eye(draw, x, y):
    draw.ellipse([x - 5, y - 3, x + 5, y + 3], outline=EYE)
    draw.ellipse([x - 1, y - 1, x + 1, y + 1], fill=EYE)


def _arrow_shapes(kind, draw, colour):
    """Draws an arrow picture's shapes in one colour (used for the picture and for its mask)."""
    if kind == "EyeHeight":
        draw.line([(2, 29), (29, 29)], fill=colour)
        _arrow(draw, (16, 27), (16, 11), colour)
    elif kind == "Rotation":
        draw.arc([3, 9, 28, 23], 200, 340, fill=colour)
        draw.arc([3, 9, 28, 23], 20, 160, fill=colour)
        draw.polygon([(26, 11), (29, 16), (23, 15)], fill=colour)
        draw.polygon([(5, 21), (2, 16), (8, 17)], fill=colour)
        draw.line([(16, 3), (16, 29)], fill=colour)
    elif kind == "ViewingAngle":
        draw.line([(5, 16), (29, 4)], fill=colour)
        draw.line([(5, 16), (29, 28)], fill=colour)
        draw.arc([-7, 4, 21, 28], -28, 28, fill=colour)
    elif kind == "Centering":
        _arrow(draw, (2, 16), (29, 16), colour)
        draw.line([(16, 8), (16, 24)], fill=colour)


def arrow_picture(kind):
    """The picture (on black) and its mask (black where the picture shows, white elsewhere)."""
    picture = Image.new("RGB", ARROW_SIZE, (0, 0, 0))
    draw = ImageDraw.Draw(picture)
    _arrow_shapes(kind, draw, ACCENT)
    if kind == "EyeHeight":
        _eye(draw, 16, 6)
    elif kind == "ViewingAngle":
        _eye(draw, 6, 16)
    mask = Image.new("RGB", ARROW_SIZE, (255, 255, 255))
    shown = picture.convert("L").point(lambda v: 255 if v else 0)
    mask.paste((0, 0, 0), mask=shown)
    return picture, mask


FRAME_PICTURES = {
    "frame_h_mask_rgb.bmp": "height_mask",
    "frame_h2_rgb.bmp": "height",
    "frame_w2_rgb.bmp": "width",
    "frame_d2_rgb.bmp": "depth",
    "frame_m_rgb.bmp": "margin",
    "frame_org_rgb.bmp": "origin",
}
ARROW_PICTURES = ["EyeHeight", "Rotation", "ViewingAngle", "Centering"]


def generate(folder):
    """Writes the handles and the help pictures into folder (a pathlib.Path that exists)."""
    resize_handle().save(folder / "resize_han_rgb.bmp", "BMP")
    crop_handle().save(folder / "crop_han_rgb.bmp", "BMP")
    for name, kind in FRAME_PICTURES.items():
        frame_picture(kind).save(folder / name, "BMP")
    for kind in ARROW_PICTURES:
        picture, mask = arrow_picture(kind)
        picture.save(folder / f"{kind}Arrows.bmp", "BMP")
        mask.save(folder / f"{kind}ArrowsMask.bmp", "BMP")
