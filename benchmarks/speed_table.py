#!/usr/bin/env python3
"""Turns brindle_speed's JSON output into Markdown tables: per sample rate, one row per
plug-in path and setting, the quickest time per stereo frame in ns at each block size
(minimum over the repetitions), and the multiple of real time at 512 frames.

usage: speed_table.py RESULTS.json [RATE...]"""
import json
import sys

ORDER = ["copy", "brindle3_double", "brindle3_single", "brindle2_double", "brindle2_single",
         "calf_stereo_tools", "x42_balance"]
SCENARIOS = ["defaults", "active", "mid", "bypass", "silence_after_burst", "baseline"]


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1]) as f:
        results = json.load(f)
    wanted_rates = set(sys.argv[2:])
    table = {}  # (subject, scenario, rate) -> {frames: (ns, realtime)}
    for run in results["benchmarks"]:
        name = run.get("run_name", run["name"])
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "min":
            continue
        if "best_ns_per_frame" not in run:
            continue
        subject, scenario, rate, frames = name.split("/")[:4]
        key = (subject, scenario, rate)
        ns = run["best_ns_per_frame"]
        old = table.setdefault(key, {}).get(int(frames))
        if old is None or ns < old[0]:
            table[key][int(frames)] = (ns, run["best_x_realtime"])
    rates = sorted({k[2] for k in table}, key=int)
    for rate in rates:
        if wanted_rates and rate not in wanted_rates:
            continue
        blocks = sorted({f for k, v in table.items() if k[2] == rate for f in v})
        print(f"\n{int(rate) / 1000:g} kHz, ns per stereo frame (quickest of the repetitions)\n")
        print("| plug-in, path | setting | " + " | ".join(str(b) for b in blocks) +
              " | x real time at 512 | 32 / 512 |")
        print("|---|---|" + "---:|" * (len(blocks) + 2))
        keys = [k for k in table if k[2] == rate]
        # Rows of another build (subject_before) sort next to the same subject's.
        def rank(k):
            subject = k[0].removesuffix("_before")
            return (ORDER.index(subject) if subject in ORDER else 99,
                    SCENARIOS.index(k[1]) if k[1] in SCENARIOS else 99, k[0] == subject)
        keys.sort(key=rank)
        for key in keys:
            cells = []
            for b in blocks:
                cell = table[key].get(b)
                cells.append(f"{cell[0]:.2f}" if cell else "")
            at512 = table[key].get(512)
            realtime = f"{at512[1]:,.0f}" if at512 else ""
            # Per-frame cost of small blocks against large ones: the fixed work per block.
            at32 = table[key].get(32)
            ratio = f"{at32[0] / at512[0]:.2f}" if at32 and at512 else ""
            print(f"| {key[0]} | {key[1].replace('_', ' ')} | " + " | ".join(cells) + f" | {realtime} | {ratio} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
