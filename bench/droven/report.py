#!/usr/bin/env python3
"""Turns droven_bench's JSON (aggregates) into the README's Markdown tables.

Given the JSON of several runs (separate processes), every speed ratio is
taken within each run and the median over the runs is shown, with the lowest
and highest next to it: on a shared machine one process can come out 10-30%
slower than the next for reasons that have nothing to do with the code.
"""
import json
import statistics
import sys

ROM = ("rom_code", "rom_tiles", "rom_full")
RUNS = ("zero", "ff", "period2")


def is_tile_like(corpus):
    return corpus == "tiles" or corpus.startswith("tl_") or corpus == "adv_noisytiles"


def targets(corpus):
    """Least speed against zlib for: whole compress, pieces compress, whole
    decompress, pieces decompress (None: no target, shown for comparison)."""
    compress = pieces = decompress = unpieces = None
    if corpus in ROM:
        compress = pieces = decompress = unpieces = 3.0
    if corpus in RUNS:
        compress = 5.0
    if is_tile_like(corpus):
        compress = 2.0
    pieces = max(pieces or 0, 2.0)  # every corpus in 2 KiB pieces
    return compress, pieces, decompress, unpieces


def medians(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    out = {}
    for run in runs:
        if run.get("aggregate_name", "median") != "median" or "error_occurred" in run:
            continue
        out[run["name"].removesuffix("_median")] = run
    return out


def mbps(run):
    return run["bytes_per_second"] / 1e6


def cell(runs, kind, ours, theirs, corpus, target):
    ratios = []
    for m in runs:
        a, b = m.get(f"{kind}/{ours}/{corpus}"), m.get(f"{kind}/{theirs}/{corpus}")
        if a and b:
            ratios.append(mbps(a) / mbps(b))
    if not ratios:
        return "-", None
    r = statistics.median(ratios)
    spread = f" [{min(ratios):.2f}–{max(ratios):.2f}]" if len(ratios) > 1 else ""
    if target is None:
        return f"{r:.2f}×{spread}", None
    met = r >= target
    return f"{r:.2f}×{spread} ({'met' if met else '**NOT met**'}, ≥{target:g}×)", met


def median_mbps(runs, name):
    speeds = [mbps(m[name]) for m in runs if name in m]
    return statistics.median(speeds) if speeds else None


def main(paths):
    runs = [medians(path) for path in paths]
    m = runs[0]
    corpora = [n.split("/")[2] for n in m if n.startswith("compress/droven/") and "64k" not in n]
    print("| Corpus | Droven compress MB/s | compress vs zlib -9 | 2 KiB pieces vs zlib -9 | "
          "decompress vs inflate | 2 KiB pieces vs inflate | ratio Droven | ratio zlib -9 |")
    print("|---|---:|---|---|---|---|---:|---:|")
    missed = []
    for c in corpora:
        goals = targets(c)
        cells = []
        for (kind, theirs), goal in zip((("compress", "zlib9"), ("pieces", "zlib9"),
                                         ("decompress", "zlib"), ("unpieces", "zlib")), goals):
            text, met = cell(runs, kind, "droven", theirs, c, goal)
            cells.append(text)
            if met is False:
                missed.append(f"{c} {kind}")
        dc, zc = m.get(f"compress/droven/{c}"), m.get(f"compress/zlib9/{c}")
        if not dc or not zc:
            continue
        print(f"| {c} | {median_mbps(runs, f'compress/droven/{c}'):.1f} | " + " | ".join(cells) +
              f" | {dc['ratio']:.2f} | {zc['ratio']:.2f} |")
    print()
    print("Targets not met: " + (", ".join(missed) if missed else "none") + ".")
    modules = [n.split("/")[2] for n in m if n.startswith("compress64k/module/")]
    if modules:
        print()
        print("| 65535 bytes of | plain MB/s | module MB/s | module vs plain |")
        print("|---|---:|---:|---|")
        for c in modules:
            plain = median_mbps(runs, f"compress64k/plain/{c}")
            module = median_mbps(runs, f"compress64k/module/{c}")
            if plain:
                text, _ = cell(runs, "compress64k", "module", "plain", c, None)
                print(f"| {c} | {plain:.1f} | {module:.1f} | {text} |")
    ex = median_mbps(runs, "compress/exhaustive/mixed_64k")
    fast = median_mbps(runs, "compress/droven/mixed_64k")
    if ex and fast:
        print()
        print(f"Exhaustive search on the first 64 KiB of `mixed`: {ex * 1000:.0f} kB/s; "
              f"Droven's matcher on the same sample: {fast:.1f} MB/s "
              f"({fast / ex:.0f}× faster, identical output).")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: report.py RUN.json [RUN.json ...]")
    main(sys.argv[1:])
