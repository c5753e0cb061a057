#!/usr/bin/env python3
"""The start-up benchmark's Markdown table from its runs.

Arguments: the labels file (index TAB label TAB kind, kind being "data", "empty" or "peer",
one line per measured program, in table order) and the results file (one line per run:
index, mapped s, CPU s, busy-until s, peak RSS KiB, windows mapped before the main one).
Each figure is shown as median (min), or alone when there is one run; then the ratios of the program with data to the peer
and the cost of the data (with data minus the empty folder), both on the medians.
"""

import statistics
import sys


def main():
    labels_file, results_file = sys.argv[1:3]
    programs = []
    for line in open(labels_file, encoding="utf-8"):
        index, label, kind = line.rstrip("\n").split("\t")
        programs.append((int(index), label, kind))
    runs = {index: [] for index, _, _ in programs}
    for line in open(results_file, encoding="utf-8"):
        index, mapped, cpu, busy, hwm_kib, earlier = line.split()
        runs[int(index)].append((float(mapped), float(cpu), float(hwm_kib) / 1024, float(busy), int(earlier)))

    formats = ("{:.3f}", "{:.2f}", "{:.1f}", "{:.3f}")
    medians = {}
    print("| program | window mapped (s) | CPU until idle (s) | peak RSS (MiB) | busy until (s) |")
    print("|---|---|---|---|---|")
    for index, label, _ in programs:
        figures = list(zip(*runs[index]))
        medians[index] = [statistics.median(column) for column in figures[:4]]
        cells = [fmt.format(med) if len(column) == 1 else f"{fmt.format(med)} ({fmt.format(min(column))})"
                 for fmt, med, column in zip(formats, medians[index], figures[:4])]
        first = sum(1 for earlier in figures[4] if earlier > 0)
        note = f" (another window first in {first} runs)" if first else ""
        print(f"| {label}{note} | " + " | ".join(cells) + " |")

    peer = next((index for index, _, kind in programs if kind == "peer"), None)
    for position, (index, label, kind) in enumerate(programs):
        if kind != "data":
            continue
        if peer is not None:
            ratios = [f"{mine / theirs:.2f}" if theirs else "–" for mine, theirs in zip(medians[index], medians[peer])]
            print(f"| ratio {label} / HomeBank (medians) | " + " | ".join(ratios) + " |")
        empty = programs[position + 1][0] if position + 1 < len(programs) and programs[position + 1][2] == "empty" else None
        if empty is not None:
            costs = ["{:+.3f}", "{:+.2f}", "{:+.1f}", "{:+.3f}"]
            cells = [fmt.format(mine - bare) for fmt, mine, bare in zip(costs, medians[index], medians[empty])]
            print(f"| cost of the data: {label} − empty folder (medians) | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
