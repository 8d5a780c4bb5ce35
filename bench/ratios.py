#!/usr/bin/env python3
"""Turns Google Benchmark results into the ratios the project holds itself to.

Usage: ratios.py RESULTS.json...        (each file is named <area>.json, as scripts/bench writes them)
       ratios.py RUN_DIR RUN_DIR...     (several complete runs, each a folder of <area>.json files)

For every goal of each area given, prints one line

    RATIO <area>.<name> <value> goal <op> <target>

and then how many goals are met. With several runs the value is the worst run's, a further line gives
the minimum, median and maximum over the runs, and a goal counts as met only when the worst run meets
it. A goal compares two benchmarks of the same run, a measured one and
its baseline (memcpy, a peer library), on one metric: value = metric(numerator) / metric(denominator).

Naming a benchmark: a name with a '/' must match a result name exactly ("BM_Memcpy/4096"); a name
without one matches every result whose name up to its first '/' is that name ("BM_Memcpy" matches
"BM_Memcpy/4096" and "BM_Memcpy/65536"). When several results match, runs with the same arguments are
paired (BM_X/4096 with BM_Memcpy/4096) and the value is the geometric mean of the paired ratios; when
no arguments are shared, it is the ratio of the geometric means of the two sides. Repeated runs of one
benchmark (scripts/bench interleaves repetitions at random) count with their median: the best of them
would flatter, as a user's machine is as noisy as ours.

Exit status: 0 when the ratios were computed, met or not (a goal with no results is reported as n/a);
2 when a results file cannot be read.
"""

import json
import math
import pathlib
import sys
from typing import NamedTuple, Optional


class Goal(NamedTuple):
    area: str
    name: str
    numerator: str
    denominator: str
    metric: str  # a result field: "bytes_per_second", "items_per_second", "real_time" or "cpu_time"
    op: str  # ">=" or "<=", or "report" for a ratio shown without a goal
    target: float


GOALS = [
    # Row codec and row store: decoding must stay close to copying the raw bytes.
    Goal("raster", "decode_sparse_vs_memcpy", "BM_DecodeSparseRows", "BM_Memcpy", "bytes_per_second", ">=", 0.5),
    Goal("raster", "decode_literal_vs_memcpy", "BM_DecodeLiteralRows", "BM_Memcpy", "bytes_per_second", ">=", 0.5),
    Goal("raster", "encode_vs_memcpy", "BM_EncodeRows", "BM_Memcpy", "bytes_per_second", ">=", 0.2),
    Goal("raster", "store_in_order_vs_out_of_order", "BM_PutRowsInOrder", "BM_PutRowsOutOfOrder",
         "bytes_per_second", ">=", 1.0),
    # A scroll step encodes the row that leaves and decodes the one that enters: the writer bounds it.
    Goal("raster", "scroll_window_vs_memcpy", "BM_ScrollWindowOneRow", "BM_Memcpy", "bytes_per_second", ">=", 0.1),
    # The same, against memcpy of the same bytes from and to where the codec finds and puts them (the
    # pool lies beyond the nearest caches; BM_Memcpy copies within the first-level cache).
    Goal("raster", "encode_vs_memcpy_into_pool", "BM_EncodeRows", "BM_MemcpyRowsIntoPool", "bytes_per_second",
         "report", 0.0),
    Goal("raster", "decode_literal_vs_memcpy_from_pool", "BM_DecodeLiteralRows", "BM_MemcpyRowsFromPool",
         "bytes_per_second", "report", 0.0),
    # Compositing: the painted-colour blend against pixman's solid-over-mask blend of as many pixels; a
    # full recomposite and the viewport rebuilds against memcpy of the bytes they must at least move
    # (memcpy rate / our rate, so lower is better); a deep stack as an absolute time in milliseconds.
    Goal("render", "blend_row_vs_pixman", "BM_BlendPaintedRow", "BM_PixmanOverSolidMask", "bytes_per_second",
         ">=", 1.0),
    Goal("render", "recomposite_vs_memory_bound", "BM_Memcpy/67108864", "BM_RecompositeDrawing/iterations:3/real_time",
         "bytes_per_second", "<=", 2.5),
    Goal("render", "recomposite_250_layers_ms", "BM_Recomposite250Layers/1/real_time", "", "real_time_ms", "<=", 3.5),
    # what the second thread gives: one thread's time over two threads'
    Goal("render", "recomposite_250_layers_one_thread_vs_two", "BM_Recomposite250Layers/0/real_time",
         "BM_Recomposite250Layers/1/real_time", "real_time", "report", 0.0),
    Goal("render", "viewport_z1_vs_memcpy", "BM_Memcpy/4800000", "BM_RebuildViewport/1", "bytes_per_second",
         "<=", 2.5),
    Goal("render", "viewport_z4_vs_memcpy", "BM_Memcpy/4800000", "BM_RebuildViewport/4", "bytes_per_second",
         "<=", 2.5),
    Goal("render", "viewport_z-2_vs_memcpy", "BM_Memcpy/19200000", "BM_RebuildViewport/-2", "bytes_per_second",
         "<=", 2.5),
    Goal("render", "viewport_z-16_vs_memcpy", "BM_Memcpy/480000000", "BM_RebuildViewport/-16",
         "bytes_per_second", "<=", 2.5),
    # The scale grid drawn over the rebuilt client rows: the time with it over the time without.
    Goal("render", "viewport_grid_z1_vs_plain", "BM_RebuildViewportGrid/1/1", "BM_RebuildViewportGrid/1/0",
         "real_time", "<=", 1.15),
    Goal("render", "viewport_grid_z4_vs_plain", "BM_RebuildViewportGrid/4/1", "BM_RebuildViewportGrid/4/0",
         "real_time", "<=", 1.15),
    Goal("render", "viewport_grid_z-4_vs_plain", "BM_RebuildViewportGrid/-4/1", "BM_RebuildViewportGrid/-4/0",
         "real_time", "<=", 1.15),
    # Drawing files on a 3600 x 2700 drawing of 12 painted layers: the stream compressed against zlib's
    # compress2 at the default level (time, and the size within 2 %), the flattened PNG against libpng's
    # default settings (time, and the file at most 20 % larger), loading the drawing against decoding the
    # same file's whole image with libpng.
    Goal("files", "compress_vs_compress2", "BM_CompressStream", "BM_Compress2Default", "real_time", "<=", 0.5),
    Goal("files", "compressed_size_vs_compress2", "BM_CompressStream", "BM_Compress2Default", "compressed_bytes",
         "<=", 1.02),
    Goal("files", "png_write_vs_libpng_defaults", "BM_WriteFlattenedPng", "BM_LibpngDefaultWrite", "real_time",
         "<=", 0.35),
    Goal("files", "png_size_vs_libpng_defaults", "BM_WriteFlattenedPng", "BM_LibpngDefaultWrite", "file_bytes",
         "<=", 1.2),
    Goal("files", "load_vs_libpng_decode", "BM_LoadDrawing", "BM_LibpngDecodeImage", "real_time", "<=", 0.5),
    # Pencil strokes: hard round dabs at radii 2 to 64 against libmypaint's fixed tiled surface drawing the
    # same dabs; one mouse move on a 3600 x 2700 drawing of 12 painted layers (dabs, recomposite under the
    # brush, viewport rows) at the 95th percentile, and against the recomposite alone.
    *[Goal("stroke", f"dabs_r{r}_vs_libmypaint", f"BM_StrokeDabs/{r}/real_time", f"BM_MyPaintDabs/{r}/real_time",
           "items_per_second", ">=", 1.5) for r in (2, 8, 16, 32, 64)],
    # The same dabs on a 10800-pixel-wide layer against a 1024-pixel-wide one: a dab costs what it covers.
    Goal("stroke", "dabs_r8_wide_layer_vs_narrow", "BM_StrokeDabsOnLayer/10800/real_time",
         "BM_StrokeDabsOnLayer/1024/real_time", "real_time", "<=", 1.2),
    Goal("stroke", "mouse_move_p95_ms", "BM_MouseMove/real_time", "", "p95_ms", "<=", 4.0),
    Goal("stroke", "mouse_move_vs_recomposite_p95", "BM_MouseMove/real_time", "BM_RecompositeUnderBrush/real_time",
         "p95_ms", "report", 0.0),
    # Lines on a 2700 x 1800 layer of 350 lines: "All" with a style (dash pass, style bytes, whole redraw)
    # against recompositing the drawing; a 256 x 256 rectangle of lines every 4 pixels redrawn and
    # recomposited, in milliseconds and against its plain recomposite.
    Goal("lines", "restyle_layer_vs_recomposite", "BM_RestyleLayer/real_time", "BM_RecompositeLines/real_time",
         "real_time", "<=", 3.0),
    Goal("lines", "redraw_rect_256_ms", "BM_RedrawRect256/real_time", "", "real_time_ms", "<=", 2.0),
    Goal("lines", "redraw_rect_256_vs_recomposite", "BM_RedrawRect256/real_time", "BM_RecompositeRect256/real_time",
         "real_time", "<=", 3.0),
    # The same rectangle when its lines really changed (their width bytes swapped every time).
    Goal("lines", "redraw_rect_256_changed_ms", "BM_RedrawRect256Changed/real_time", "", "real_time_ms", "report",
         0.0),
    # CAD import of a 7200 x 4800 print against libpng decoding it row by row; with the lines rebuilt.
    Goal("import", "cad_layer_vs_libpng_rows", "BM_CadImportToLayer", "BM_LibpngDecodeRows", "real_time", "<=", 1.5),
    Goal("import", "cad_with_lines_vs_libpng_rows", "BM_CadImportWithLines", "BM_LibpngDecodeRows", "real_time",
         "report", 0.0),
    # The scanback of a 300 dpi 24 x 36 in RoviDivod sheet against libpng decoding the sheet's PNG.
    Goal("import", "scanback_vs_libpng_sheet", "BM_ScanbackSheet/iterations:1/real_time",
         "BM_LibpngDecodeSheet/iterations:1/real_time", "real_time", "report", 0.0),
    # Printing the 3600 x 2700 drawing of 12 painted layers in bands to a PDF of its 14400 x 10800 page
    # against writing its flattened PNG; the print's peak memory growth against the page's full bitmap.
    Goal("print", "print_pdf_vs_png", "BM_PrintPagePdf/iterations:1/real_time",
         "BM_WriteFlattenedPng/iterations:1/real_time", "real_time", "report", 0.0),
    Goal("print", "print_peak_memory_vs_page", "BM_PrintPagePdf/iterations:1/real_time", "", "peak_vs_page", "<=", 0.5),
    # Whole-layer effects: one application against decoding and encoding the rows it rewrites.
    Goal("effects", "lighting_levels_vs_round_trip", "BM_LightingLevels", "BM_RoundTripLighting", "real_time",
         "<=", 1.3),
    Goal("effects", "color_adjust_vs_round_trip", "BM_ColorAdjust", "BM_RoundTripColor", "real_time", "<=", 2.5),
    Goal("effects", "marker_strokes_vs_round_trip", "BM_MarkerStrokes", "BM_RoundTripColor", "real_time",
         "report", 0.0),
    Goal("effects", "lighting_gradient_vs_round_trip", "BM_LightingGradient", "BM_RoundTripLighting", "real_time",
         "report", 0.0),
    # The offset shadow at its largest blur against the round trip of the channels it writes (its own
    # layer's), and against that of the painted layer's colour channels.
    Goal("effects", "offset_shadow_vs_round_trip", "BM_OffsetShadow", "BM_RoundTripShadow", "real_time", "<=", 3.0),
    Goal("effects", "offset_shadow_vs_color_round_trip", "BM_OffsetShadow", "BM_RoundTripColor", "real_time",
         "report", 0.0),
    # The default sketch frame on a 3600 x 2700 drawing against the line renderer drawing as many segments.
    Goal("perspective", "sketch_frame_vs_line_segments", "BM_SketchFrameDefault/real_time",
         "BM_LineRendererSegments/real_time", "real_time", "report", 0.0),
    # A 2700 x 1800 layer laid onto a trapezoid, and turned by 30 degrees, against decoding and encoding
    # the rows of every part it remakes.
    Goal("perspective", "create_perspective_vs_round_trip", "BM_CreatePerspective", "BM_RoundTripLayer",
         "real_time", "<=", 4.0),
    Goal("perspective", "rotate_vs_round_trip", "BM_Rotate30", "BM_RoundTripLayer", "real_time", "<=", 4.0),
    # blend_row_vs_pixman above times the blend kernel alone on decoded rows, as pixman gets them; the
    # whole composited row (board, decoding, blend, interleaving) against the same pixman blend.
    Goal("render", "composite_row_vs_pixman", "BM_CompositePaintedRow", "BM_PixmanOverSolidMask",
         "bytes_per_second", "report", 0.0),
    # What the user feels on the files benchmark's drawing: File > Open in the program just started up to
    # the first 1600 x 1000 viewport ready to show, against libpng decoding the same file's image; and
    # the resident set's growth while painting a stroke of 200 dabs of radius 32 on it, against the
    # file's compressed drawing stream.
    Goal("files", "open_to_first_viewport_vs_libpng_decode", "BM_OpenToFirstViewport/real_time",
         "BM_LibpngDecodeImage", "real_time", "<=", 0.6),
    Goal("files", "painting_peak_memory_vs_stream", "BM_PaintingPeakMemory/iterations:3/real_time", "",
         "peak_vs_stream", "<=", 4.0),
]

# Times are compared in nanoseconds whatever unit a benchmark reports in.
TIME_UNITS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(path: pathlib.Path) -> list:
    text = path.read_text(encoding="utf-8")
    # A program with no benchmarks leaves its output file empty: no results, every goal n/a.
    if not text.strip():
        return []
    return json.loads(text).get("benchmarks", [])


def metric_value(result: dict, metric: str) -> Optional[float]:
    if metric == "real_time_ms":
        value = metric_value(result, "real_time")
        return None if value is None else value / 1e6
    value = result.get(metric)
    if not isinstance(value, (int, float)):
        return None
    if metric in ("real_time", "cpu_time"):
        value *= TIME_UNITS.get(result.get("time_unit", "ns"), 1.0)
    return float(value)


def geometric_mean(values: list) -> float:
    return math.exp(sum(math.log(v) for v in values) / len(values))


def measure(results: list, name: str, metric: str) -> dict:
    """The metric of every result the name matches, keyed by the rest of the result name ("/4096")."""
    found = {}
    for r in results:
        # Only single runs: the mean/median/stddev rows of repeated runs would count twice.
        if r.get("run_type", "iteration") != "iteration" or r.get("error_occurred"):
            continue
        full = r.get("run_name") or r.get("name", "")
        if full == name or ("/" not in name and full.split("/", 1)[0] == name):
            v = metric_value(r, metric)
            if v is not None and v > 0:
                found.setdefault(full[len(name):] if full != name else "", []).append(v)
    return found


def typical(values: list) -> float:
    """The median of repeated runs (the mean of the middle two for an even count)."""
    ordered = sorted(values)
    mid = len(ordered) // 2
    return ordered[mid] if len(ordered) % 2 else (ordered[mid - 1] + ordered[mid]) / 2


def lower_is_better(metric: str, op: str) -> bool:
    """Whether a smaller value of the goal is the better one."""
    return op == "<="


def ratio(num: dict, den: dict, metric: str) -> Optional[float]:
    """Pairs runs of the same arguments where both sides have them; else compares the two means."""
    if not num or not den:
        return None
    common = sorted(set(num) & set(den))
    if common:
        return geometric_mean([typical(num[k]) / typical(den[k]) for k in common])
    return geometric_mean([typical(v) for v in num.values()]) / geometric_mean(
        [typical(v) for v in den.values()])


def is_met(value: float, op: str, target: float) -> bool:
    # Compared as printed, so a line never reads as met while the summary says missed.
    value = round(value, 2)
    return value >= target if op == ">=" else value <= target


def load_run(paths: list) -> dict:
    """The results of one run, by area; raises OSError or ValueError for a file that cannot be read."""
    results = {}
    for path in paths:
        results.setdefault(path.stem, []).extend(load(path))
    return results


def goal_value(results: dict, goal: Goal) -> Optional[float]:
    numerator = measure(results[goal.area], goal.numerator, goal.metric)
    if goal.denominator:
        return ratio(numerator, measure(results[goal.area], goal.denominator, goal.metric), goal.metric)
    # An absolute goal: the worst of the benchmark's argument sets, each at its median.
    values = [typical(v) for v in numerator.values()]
    if not values:
        return None
    return max(values) if lower_is_better(goal.metric, goal.op) else min(values)


def worst(values: list, goal: Goal) -> float:
    return max(values) if lower_is_better(goal.metric, goal.op) else min(values)


def main(argv: list) -> int:
    if not argv or argv[0] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if argv else 2
    paths = [pathlib.Path(arg) for arg in argv]
    # Folders are complete runs of their own; files together make one run.
    if all(p.is_dir() for p in paths):
        groups = [sorted(p.glob("*.json")) for p in paths]
    else:
        groups = [paths]
    runs = []
    for group in groups:
        try:
            runs.append(load_run(group))
        except (OSError, ValueError) as e:
            print(f"ratios.py: cannot read {e.filename or group}: {e}", file=sys.stderr)
            return 2

    met, missed, absent = 0, [], []
    for goal in GOALS:
        if not any(goal.area in run for run in runs):
            continue
        label = f"{goal.area}.{goal.name}"
        values = [v for v in (goal_value(run, goal) for run in runs if goal.area in run) if v is not None]
        target = str(goal.target)
        value = None if not values else (worst(values, goal) if goal.op != "report" else typical(values))
        spread = ""
        if len(values) > 1:
            spread = (f"    over {len(values)} runs: min {min(values):.2f} median {typical(values):.2f}"
                      f" max {max(values):.2f}")
        if goal.op == "report":
            shown = "n/a" if value is None else f"{value:.2f}"
            print(f"RATIO {label} {shown} (report only)")
            if spread:
                print(spread)
            continue
        if value is None:
            print(f"RATIO {label} n/a goal {goal.op} {target}")
            absent.append(label)
            continue
        print(f"RATIO {label} {value:.2f} goal {goal.op} {target}")
        if spread:
            print(spread)
        if is_met(value, goal.op, goal.target):
            met += 1
        else:
            missed.append(label)

    total = met + len(missed) + len(absent)
    summary = f"{met} of {total} goals met"
    if len(runs) > 1:
        summary += f" in the worst of {len(runs)} runs"
    if missed:
        summary += f"; missed: {', '.join(missed)}"
    if absent:
        summary += f"; no results for: {', '.join(absent)}"
    print(summary)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
