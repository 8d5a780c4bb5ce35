#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz programs to tests/fuzz/corpus/<program>/seed_N.

The seeds are small, hand-made examples of the run-length row code, of the buffer block, of the
appearance tables, of listing files, of drawing streams, drawing PNGs and picture .tsl files, valid and
broken, from which the fuzzer starts. Run it again after changing it; the
output is committed.
Standard library only.
"""

import pathlib
import shutil
import struct
import zlib

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"


def encode_row(raw: bytes) -> bytes:
    """The row writer: one literal unit, then repeat runs (<= 128 units) and literal runs (<= 32)."""
    n = len(raw)
    body = bytearray()
    if n < 4:
        body.append(0x80 | (n - 1))
        body += raw
    else:
        body.append(0x80)
        body += raw[0:4]
        code, literal, count = 0, True, 1
        for u in range(1, n // 4):
            unit = raw[4 * u:4 * u + 4]
            if all(b == raw[4 * u - 1] for b in unit):
                if literal or count == 128:
                    body.append(0x00)
                    code, literal, count = len(body) - 1, False, 1
                else:
                    count += 1
                    body[code] = count - 1
            else:
                if literal and count < 32:
                    count += 1
                    body[code] = 0x80 | (count - 1)
                else:
                    body.append(0x80)
                    code, literal, count = len(body) - 1, True, 1
                body += unit
        tail = n % 4
        if tail:
            body.append(0xBC + tail)
            body += raw[n - tail:]
    return struct.pack("<H", len(body) + 2) + bytes(body)


def with_length(codes: bytes) -> bytes:
    """Prefixes hand-written codes with their row length."""
    return struct.pack("<H", len(codes) + 2) + codes


def block(width: int, height: int, bpp: int, rows: list) -> bytes:
    payload = b"".join(rows)
    return struct.pack("<6I", width, height, 0, 0, bpp, len(payload)) + payload


def gradient(n: int, start: int = 0, step: int = 1) -> bytes:
    return bytes((start + i * step) & 0xFF for i in range(n))


def decoder_input(raw_length: int, encoded: bytes) -> bytes:
    """The row decoder program takes the raw length minus one as two little-endian bytes first."""
    return struct.pack("<H", raw_length - 1) + encoded


def row_decoder_seeds() -> list:
    example = bytes([0x0A, 0x0B, 0x0C, 0x0D] + [0x0D] * 8)
    assert encode_row(example) == bytes([0x08, 0x00, 0x80, 0x0A, 0x0B, 0x0C, 0x0D, 0x01])
    equal = bytes([0x33]) * 1024
    assert encode_row(equal) == bytes([0x09, 0x00, 0x80, 0x33, 0x33, 0x33, 0x33, 0x7F, 0x7E])
    return [
        decoder_input(12, encode_row(example)),
        decoder_input(13, encode_row(gradient(13, 7, 3))),  # tail of 1 byte
        decoder_input(15, encode_row(gradient(15, 200, 9))),  # tail of 3 bytes
        decoder_input(3, encode_row(b"\x01\x02\x03")),  # shorter than one unit
        decoder_input(1024, encode_row(equal)),
        decoder_input(132, encode_row(gradient(132, 1, 5))),  # 33 literal units: codes 0x9F, 0x80
        decoder_input(40, encode_row(gradient(16) + bytes([0x0F]) * 16 + gradient(8, 90))),
        decoder_input(8, b"\x02\x00"),  # an empty row
        # Delta runs after a literal unit: 2-bit (1 byte/unit), 3-bit (3 bytes/2 units), 4-bit (2 bytes/unit).
        decoder_input(8, with_length(bytes([0x80, 10, 20, 30, 40, 0xA0, 0b01100100]))),
        decoder_input(12, with_length(bytes([0x80, 10, 20, 30, 40, 0xC1, 0x53, 0xA7, 0x1F]))),
        decoder_input(8, with_length(bytes([0x80, 250, 251, 252, 253, 0xE0, 0x77, 0x88]))),
        decoder_input(12, encode_row(example)[:6]),  # length field beyond the bytes present
        decoder_input(16, encode_row(example)),  # decodes to too few bytes
    ]


def read_block_seeds() -> list:
    rows1 = [encode_row(gradient(8)), encode_row(bytes([0x80]) * 8), encode_row(gradient(8, 255, -1))]
    rows2 = [encode_row(gradient(10, 3)), encode_row(bytes([0x41]) * 10)]
    rows3 = [encode_row(gradient(21, 9 * r, r + 1)) for r in range(4)]
    rows4 = [encode_row(bytes([r, r, r, 0xFF]) * 3) for r in range(3)]
    three = block(7, 4, 3, rows3)
    delta_row = with_length(bytes([0x80, 1, 2, 3, 4, 0xE1, 0x11, 0x11, 0xF0, 0x0F]))
    return [
        block(8, 3, 1, rows1),
        block(5, 2, 2, rows2),
        three,
        block(3, 3, 4, rows4),
        block(1024, 1, 1, [encode_row(bytes(1024))]),
        block(3, 2, 4, [delta_row, encode_row(gradient(12))]),
        three[: len(three) - 9],  # truncated inside the last row
        block(7, 4, 3, rows3)[:24] + b"".join(rows3)[:-1],  # N promises one byte more than is there
        block(8, 4, 1, rows1),  # one row missing
    ]


def table(entries: list) -> bytes:
    """An appearance table: count, then per entry slot, payload size, payload values and 1008."""
    out = struct.pack("<i", len(entries))
    for slot, values in entries:
        out += struct.pack("<ii", slot, 4 * len(values)) + struct.pack(f"<{len(values)}i", *values)
        out += struct.pack("<i", 1008)
    return out


def appearance_table_seeds() -> list:
    """The first byte picks the stream version: odd is current, even is 101 (nine-value line appearances)."""
    current, old = b"\x01", b"\x00"
    paints = [(k, [k, 255 if k == 0 else 0, 0, 0, 0, 0, 0]) for k in range(12)]
    return [
        current + table([(0, [0xFFFFFF, 255]), (3, [0x0080FF, 128]), (200, [5, 20])]),
        old + table([(1, [7, 1, 255, 1, 20, 0, 0, 0, 0]), (2, [0, 1, 255, 20, 20, 0, 0, 1, 0])]),
        current + table(paints),
        current + table([(4, [1, 2]), (9, [3, 4])])[:-4] + struct.pack("<i", 1007),  # wrong entry end
    ]


def listing_seeds() -> list:
    """The first byte picks how often the listing is repeated: bit 7 set lists a short one 520 times."""
    pencils = (b"MFG: Acme\nBRANDNAME: Acme Art\nTYPE: Colored Pencil\nSUBTYPE: Wax Based\n"
               b"SETPARTNUMBER: PC-3\nMENUNAME: PrismaColor 120\n"
               b"TOOL:Black,935,0,0,0\nTOOL:Crimson Red,924,200,20,40\nTOOL: Gray,BB4080,168,168,166\n"
               b"TOOL:Hot,1,300,-5, 12x\nTOOL:short,1,2\nTOOL:After,2,3,4,5\n")
    boards = (b"MFG: BainBridge\r\nBRANDNAME: BainBridge\r\nTYPE: Substrate\r\nSUBTYPE: Mat Board\r\n"
              b"SETPARTNUMBER: BB-MAT\r\nMENUNAME: BainBridge Mat Board\r\n"
              b"TOOL:Arctic White,BB4010,250,250,248\r\nTOOL: Gray,BB4080,168,168,166")  # no final LF
    empty_subtype = (b"MFG: Acme\nBRANDNAME: Acme\nTYPE: Substrate\nSUBTYPE:\nSETPARTNUMBER: X\n"
                     b"MENUNAME: Empty subtype\nTOOL:A,1,2,3,4\n")
    return [b"\x01" + pencils, b"\x82" + boards, b"\x00" + empty_subtype]


def ints(*values: int) -> bytes:
    return struct.pack(f"<{len(values)}i", *values)


def plain_block(width: int, height: int, bpp: int, fill: int) -> bytes:
    return block(width, height, bpp, [encode_row(bytes([fill]) * (width * bpp))] * height)


def buffer_section(tag: int, width: int, height: int, bpp: int, fill: int) -> bytes:
    return ints(tag) + plain_block(width, height, bpp, fill) + ints(1006)


def stream_layer(offset_x: int, offset_y: int, parts: bytes = b"", version: int = 200, ident: int = 0,
                 name: bytes = b"") -> bytes:
    """A layer record; from version 200 on with id, header values and a property block naming it."""
    out = ints(100, 10, 10, offset_x, offset_y)
    if version >= 200:
        words = b""
        if name:
            padded = name + bytes(4 - len(name) % 4)
            words = ints(2, len(padded) // 4) + padded
        out += ints(ident, 0, 0, len(words) // 4) + words
    return out + parts + ints(1004)


def drawing_stream(layers: list, version: int = 200) -> bytes:
    header = ints(201, 201, version) + (ints(300) if version > 100 else b"")
    return header + b"".join(layers) + ints(1002, 1001)


def full_layer(w: int = 6, h: int = 3) -> bytes:
    """A layer with every part: picture, paint, lighting, frame, lines and extra data."""
    image = ints(12, 2, 2, 0, 0, 3, 16) + bytes(range(16)) + ints(1006)
    colour = (ints(22, 23) + table([(0, [0, 255, 0, 0, 0, 0, 0]), (3, [3, 192, 0, 0, 0, 0, 0])]) + ints(1007)
              + b"".join(buffer_section(t, w, h, 1, 9 * t) for t in range(24, 29)) + ints(1005))
    shadow = (ints(43, 44) + table([(1, [0x102030, 0xFFFFFF])]) + ints(1007) + buffer_section(45, w, h, 1, 1)
              + buffer_section(46, w, h, 1, 128) + ints(1005))
    frame = ints(62, 1, 2, 30, 2, 30, 40, 1, 40) + buffer_section(35, w, h, 2, 0x11) + ints(1005)
    lines = (ints(32, 33) + table([(0, [1, 20, 0, 0, 0])]) + ints(1007) + buffer_section(34, w, h, 1, 0)
             + buffer_section(35, w, h, 2, 0x0F) + ints(36) + table([(0, [0xFF, 255])]) + ints(1007)
             + buffer_section(37, w, h, 1, 0) + buffer_section(38, w, h, 1, 2) + buffer_section(39, w, h, 1, 0)
             + ints(1005))
    extra = ints(72, 5) + b"extra" + ints(1006)
    aux = ints(10) + plain_block(4, 2, 4, 7) + ints(1006)
    return stream_layer(3, 4, aux + image + colour + shadow + frame + lines + extra, ident=9, name=b"Full")


def board(version: int = 200) -> list:
    return [stream_layer(0, 0, version=version, ident=1, name=b"Backdrop"),
            stream_layer(40, 30, version=version, ident=2, name=b"Paper")]


def drawing_stream_seeds() -> list:
    whole = drawing_stream(board() + [full_layer()])
    return [
        whole,
        drawing_stream(board()),
        drawing_stream(board(100) + [stream_layer(1, 1, ints(62, 1005), version=100)], version=100),
        drawing_stream(board() + [full_layer()], version=201),  # newer than this program
        ints(200, 200, 200, 300) + b"".join(board()) + ints(1003, 1001),  # kind 200
        drawing_stream(board()[:1]),  # no paper layer
        drawing_stream(board() + [stream_layer(0, 0, ints(72, 50001) + bytes(50001) + ints(1006))]),
        whole[: len(whole) // 2],  # truncated
        drawing_stream(board() + [stream_layer(0, 0, ints(12, 0x7FFFFFF0, 0x71717171, 0, 0, 3, 0, 1006))]),
    ]


def png_chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def drawing_png(stream: bytes, compressed: bytes = None, lengths: tuple = None) -> bytes:
    """A 2 x 2 drawing PNG whose tsAP chunk holds the stream (plus its 2 padding bytes)."""
    padded = stream + bytes(2)
    data = compressed if compressed is not None else zlib.compress(padded)
    c, u = lengths if lengths else (len(data), len(padded))
    rows = b"".join(b"\x00" + bytes([200, 210, 220]) * 2 for _ in range(2))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0))
            + png_chunk(b"pHYs", struct.pack(">IIB", 11802, 11802, 1))
            + png_chunk(b"tsAP", struct.pack("<II", c, u) + data)
            + png_chunk(b"IDAT", zlib.compress(rows, 1)) + png_chunk(b"IEND", b""))


def drawing_chunk_seeds() -> list:
    stream = drawing_stream(board() + [full_layer()])
    good = drawing_png(stream)
    return [
        good,
        drawing_png(drawing_stream(board())),
        drawing_png(stream, lengths=(10**6, len(stream) + 2)),  # C beyond the chunk
        drawing_png(stream, lengths=(20, 2**31 - 1)),  # U absurd
        drawing_png(stream, compressed=bytes(40)),  # not zlib data
        good[:60],  # cut inside the chunk
        good[:8] + good[33:],  # no IHDR
    ]


def image_tsl_seeds() -> list:
    head = ints(5, 0, 1, 2, 3, 4, 5, 1)
    return [
        head + ints(3, 2, 0, 0, 3, 24) + bytes(range(24)),
        head + ints(3, 2, 0, 0, 1, 8) + bytes(8),
        ints(5, 1, 1, 2, 3, 4, 5, 1) + ints(3, 2, 0, 0, 3, 24) + bytes(24),  # second value not 0
        head + ints(3, 2, 0, 0, 3, 25) + bytes(25),  # more than the image holds
        head + ints(0x7FFFFFF0, 0x71717171, 0, 0, 3, 0),  # a size whose bytes overflow 64 bits
    ]


def palette_file(colours: list, count: int = None) -> bytes:
    """A palette file: the count line, then "bbggrr name" lines, every line ended by CR LF."""
    n = len(colours) if count is None else count
    out = b"%08x\r\n" % n
    for value, name in colours:
        out += b"%08x" % value + (b" " + name if name is not None else b"") + b"\r\n"
    return out


def palette_file_seeds() -> list:
    blue = palette_file([(0x00FF0000, b"Blue")])
    many = palette_file([(i * 0x010203 & 0xFFFFFF, b"c%d" % i) for i in range(600)])
    return [
        blue,
        palette_file([(0x00EBEBEB, None), (0x000000FF, b" Red"), (0x000000FF, b"")]),
        many,
        palette_file([(0x00FF0000, b"Blue")], count=2),   # a body shorter than its count
        blue.replace(b"00ff0000", b"00FF0000"),             # upper-case digits
        b"00000000\r\n",
        b"00000801\r\n",
        palette_file([(0x01000000, b"Too big")]),
        blue[:-1],                                          # the last LF missing
    ]


def picture_png(width: int, height: int, colour_type: int, depth: int, rows: bytes, extra: bytes = b"",
                interlace: int = 0) -> bytes:
    """A PNG picture of any colour type; rows already carry their filter bytes."""
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace))
            + extra + png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"IEND", b""))


def cad_png_seeds() -> list:
    """CAD prints: a white sheet with dark and coloured lines, in every colour type, whole and broken."""
    w, h = 9, 6
    rgb = b"".join(b"\0" + b"".join(bytes((x * 28, 0, 255 - y * 40)) if (x + y) % 3 == 0 else b"\xff\xff\xff"
                                     for x in range(w)) for y in range(h))
    grey = b"".join(b"\0" + bytes(0 if x == y else 255 for x in range(w)) for y in range(h))
    rgba16 = b"".join(b"\0" + b"".join(struct.pack(">HHHH", 0, 0, 0, (x * 7000) & 0xFFFF) for x in range(w))
                      for _ in range(h))
    palette = png_chunk(b"PLTE", bytes((0, 0, 0, 255, 255, 255, 200, 30, 30))) + png_chunk(b"tRNS", b"\x80")
    indexed = b"".join(b"\0" + bytes((x + y) % 3 for x in range(w)) for y in range(h))
    good = picture_png(w, h, 2, 8, rgb)
    return [
        good,
        picture_png(w, h, 0, 8, grey),
        picture_png(w, h, 6, 16, rgba16),
        picture_png(w, h, 3, 8, indexed, palette),
        picture_png(w, h, 2, 8, rgb, interlace=1),
        good[:len(good) // 2],                                     # cut short
        picture_png(w, h + 5, 2, 8, rgb),                          # rows missing
        picture_png(2**20, 4, 0, 1, b"\0" * 8),                    # far wider than it holds
    ]


def write(program: str, seeds: list) -> None:
    folder = CORPUS / program
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for i, seed in enumerate(seeds, start=1):
        (folder / f"seed_{i}").write_bytes(seed)
    print(f"{folder.relative_to(HERE.parent.parent)}: {len(seeds)} seeds")


def main() -> None:
    write("fuzz_row_decoder", row_decoder_seeds())
    write("fuzz_read_block", read_block_seeds())
    write("fuzz_appearance_tables", appearance_table_seeds())
    write("fuzz_listing", listing_seeds())
    write("fuzz_drawing_stream", drawing_stream_seeds())
    write("fuzz_drawing_chunk", drawing_chunk_seeds())
    write("fuzz_image_tsl", image_tsl_seeds())
    write("fuzz_palette_file", palette_file_seeds())
    write("fuzz_cad_png", cad_png_seeds())


if __name__ == "__main__":
    main()
