#!/usr/bin/env python3
"""Runs the catalog parser benchmark and prints the ratios of docs/performance.md.

    bench/catalog_parser_report.py BENCH_BINARY [REPETITIONS]

Each benchmark is repeated (in random interleaving) and the fastest repetition counts, which
keeps other load on the machine out of the figures as far as possible.
"""
import json
import subprocess
import sys

binary = sys.argv[1]
repetitions = sys.argv[2] if len(sys.argv) > 2 else "7"
raw = subprocess.run(
    [binary, "--benchmark_format=json", "--benchmark_repetitions=" + repetitions,
     "--benchmark_enable_random_interleaving=true", "--benchmark_min_time=0.2"],
    check=True, capture_output=True, text=True).stdout
runs = json.loads(raw)["benchmarks"]

best = {}   # (parser, input) -> fastest cpu time in microseconds
heap = {}   # (parser, input) -> peak heap beyond the text, per input byte
size = {}
for run in runs:
    if run.get("run_type") != "iteration":
        continue
    parser, document = run["run_name"].split("/")[:2]
    key = (parser, document)
    best[key] = min(best.get(key, float("inf")), run["cpu_time"])
    heap[key] = run["heap_beyond_text_per_byte"]
    size[document] = run["bytes"]

parsers = ["catalog", "pugixml", "rapidxml", "tinyxml2"]
documents = ["catalog_100KB", "catalog_1MB", "catalog_10MB", "wide_1000", "wide_100000"]

print("Throughput, MB/s (fastest of %s repetitions, CPU time):" % repetitions)
print()
print("| document | size | " + " | ".join(parsers) + " | catalog / pugixml |")
print("|---|---|" + "---|" * len(parsers) + "---|")
for d in documents:
    rates = [size[d] / best[(p, d)] for p in parsers]  # bytes per microsecond = MB/s
    print("| %s | %d | %s | %.2f |" % (d, size[d], " | ".join("%.0f" % r for r in rates),
                                       best[("pugixml", d)] / best[("catalog", d)]))
print()
print("Time per node at 100 000 siblings over time per node at 1 000 siblings:")
print()
for p in parsers:
    ratio = (best[(p, "wide_100000")] / 100000) / (best[(p, "wide_1000")] / 1000)
    print("- %s: %.2f" % (p, ratio))
print()
print("Peak heap beyond the copied text, bytes per input byte:")
print()
print("| document | " + " | ".join(parsers) + " | catalog / pugixml |")
print("|---|" + "---|" * len(parsers) + "---|")
for d in documents:
    print("| %s | %s | %.2f |" % (d, " | ".join("%.2f" % heap[(p, d)] for p in parsers),
                                  heap[("catalog", d)] / heap[("pugixml", d)]))
