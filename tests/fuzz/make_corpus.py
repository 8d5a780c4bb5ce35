#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz programs to tests/fuzz/corpus/<program>/seed_N.

The seeds are small, hand-made examples of the run-length row code, of the buffer block, of the
appearance tables and of listing files, valid and broken, from which the fuzzer starts. Run it again after changing it; the
output is committed.
Standard library only.
"""

import pathlib
import shutil
import struct

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


if __name__ == "__main__":
    main()
