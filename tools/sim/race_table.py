#!/usr/bin/env python3
"""Runs korvask-sim on races 1..15 and prints one table row per race.

usage: race_table.py BUILD_DIR [--seed S] [--car M] [--races 1-15]
Run under xvfb-run (or with no DISPLAY, where the runner uses SDL's offscreen
driver)."""
import json
import subprocess
import sys


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    build = sys.argv[1]
    seed = "7"
    car = "0"
    first, last = 1, 15
    args = sys.argv[2:]
    while args:
        if args[0] == "--seed":
            seed = args[1]
        elif args[0] == "--car":
            car = args[1]
        elif args[0] == "--races":
            first, last = (int(x) for x in args[1].split("-"))
        args = args[2:]
    print("| race | finished | player laps | lap times (s) | best | opponents' laps | top speed player / nitro / opponents "
          "| max drift | unstuck (opp.) | min y (road) | left map | step us median |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    failures = 0
    for race in range(first, last + 1):
        out = subprocess.run([build + "/korvask-sim", "--race", str(race), "--seed", seed, "--car", car],
                             capture_output=True, text=True, timeout=900)
        rows = [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]
        cars = [r for r in rows if "car" in r]
        summary = next((r for r in rows if "race" in r), {})
        if len(cars) != 4:
            print(f"| {race} | runner failed (exit {out.returncode}) |", out.stderr.strip()[:200])
            failures += 1
            continue
        p = cars[0]
        opp = cars[1:]
        ok = p["finished"] and all(o["laps"] >= 3 for o in opp) and not any(c["leftMap"] for c in cars)
        failures += 0 if ok else 1
        print("| %d | %s | %d | %s | %.2f | %s | %.1f / %.1f / %s | %.2f | %s | %.2f (%.2f) | %s | %.1f |" % (
            race, "yes" if p["finished"] else "NO", p["laps"], " ".join("%.1f" % t for t in p["lapTimes"]),
            p["bestLap"], " ".join(str(o["laps"]) for o in opp), p["topSpeed"], p["topNitroSpeed"],
            " ".join("%.1f" % o["topSpeed"] for o in opp), p["maxDriftLevel"],
            " ".join(str(o["unstuck"]) for o in opp), min(c["minY"] for c in cars), summary.get("mapMinY", 0.0),
            "yes" if any(c["leftMap"] for c in cars) else "no", summary.get("stepMicrosMedian", 0.0)))
        sys.stdout.flush()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
