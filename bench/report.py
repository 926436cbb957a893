#!/usr/bin/env python3
"""Prints Google Benchmark JSON output of conversion_bench as a table.

Each codec figure is shown with its ratio to OpenSSL's figure for the same
direction and size from the same run; each ConvertLink figure with its ratio
to the target of 10 million items a second. Where the run has repetitions,
the median is used.

    python3 bench/report.py RESULTS.json [TITLE]
"""
import json
import sys

ITEMS_TARGET = 10e6
SIZES = {"120": "120 B", "65536": "64 KB", "104857600": "100 MB"}
FORMS = ["original", "thunder", "flashget", "qqdl"]


def load(path):
    with open(path) as f:
        data = json.load(f)
    figures = {}
    for run in data["benchmarks"]:
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        figures[run["run_name"]] = run
    return data["context"], figures


def codec_rows(figures):
    rows = []
    for name, run in figures.items():
        function, _, size = name.partition("/")
        if "Encode" not in function and "Decode" not in function:
            continue
        direction = "Encode" if "Encode" in function else "Decode"
        reference = figures.get(f"BM_OpenSsl{direction}/{size}")
        rate = run["bytes_per_second"]
        ratio = rate / reference["bytes_per_second"] if reference else float("nan")
        rows.append((function[3:], SIZES.get(size, size), f"{rate / 1e9:.2f} GB/s", f"{ratio:.2f}x OpenSSL"))
    return rows


def convert_rows(figures):
    rows = []
    for name, run in figures.items():
        function, _, form = name.partition("/")
        if not function.startswith("BM_ConvertLink"):
            continue
        rate = run["items_per_second"]
        corpus = function[len("BM_ConvertLink"):]
        rows.append((f"ConvertLink {corpus}", f"to {FORMS[int(form)]}", f"{rate / 1e6:.2f} M items/s",
                     f"{rate / ITEMS_TARGET:.2f}x target"))
    return rows


def print_table(rows):
    widths = [max(len(row[i]) for row in rows) for i in range(4)]
    for row in rows:
        print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip())


def main():
    context, figures = load(sys.argv[1])
    title = sys.argv[2] if len(sys.argv) > 2 else "conversion_bench"
    print(f"== {title} ({context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz) ==")
    print("   rates from CPU time, per byte read; sizes name the bytes before encoding and after decoding")
    rows = codec_rows(figures) + convert_rows(figures)
    if rows:
        print_table(rows)
    print()


if __name__ == "__main__":
    main()
