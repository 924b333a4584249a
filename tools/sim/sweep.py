#!/usr/bin/env python3
"""Runs korvask-sim over races x cars and prints the per-circuit table of how
close the races are.

usage: sweep.py BUILD_DIR [--seed S] [--races 1-15] [--cars 0-11] [--laps L]
                [--difficulty 0|1|2|3] [--jobs J] [--newcomer]

Per circuit: races finished by the player, opponents a lap or more down at
the finish, the pace ratio (median over the runs of the median of the three
opponents' best laps over the player's best lap: 1.00 is the player's pace,
above is slower), the spread of the field (quickest and slowest opponent
against the player), and the player's places (count of 1st/2nd/3rd/4th).
--newcomer drives with korvask-sim's newcomer (85 % of the scripted driver's
throttle and steering rate).
Run under xvfb-run, or with no DISPLAY (the runner then draws offscreen)."""
import json
import os
import statistics
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor


def span(text):
    lo, _, hi = text.partition("-")
    return range(int(lo), int(hi or lo) + 1)


def run_one(build, race, car, seed, laps, difficulty, newcomer):
    cmd = [build + "/korvask-sim", "--race", str(race), "--car", str(car), "--seed", str(seed),
           "--laps", str(laps), "--difficulty", str(difficulty)] + (["--newcomer"] if newcomer else [])
    out = subprocess.run(cmd, capture_output=True, text=True, timeout=900)
    rows = [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]
    return race, car, [r for r in rows if "car" in r]


def main():
    if len(sys.argv) < 2 or sys.argv[1].startswith("-"):
        print(__doc__)
        return 2
    build = sys.argv[1]
    opts = {"--seed": "7", "--races": "1-15", "--cars": "0-11", "--laps": "4", "--difficulty": "1",
            "--jobs": "2"}
    args = [a for a in sys.argv[2:] if a != "--newcomer"]
    newcomer = "--newcomer" in sys.argv[2:]
    while len(args) >= 2 and args[0] in opts:
        opts[args[0]] = args[1]
        args = args[2:]
    races, cars = span(opts["--races"]), span(opts["--cars"])
    laps = int(opts["--laps"])
    jobs = [(r, c) for r in races for c in cars]
    results = {}
    with ThreadPoolExecutor(max_workers=int(opts["--jobs"])) as pool:
        futures = [pool.submit(run_one, build, r, c, opts["--seed"], laps, opts["--difficulty"], newcomer) for r, c in jobs]
        for f in futures:
            race, car, rows = f.result()
            results.setdefault(race, []).append((car, rows))

    print("difficulty %s, seed %s, %d laps, cars %s" % (opts["--difficulty"], opts["--seed"], laps, opts["--cars"]))
    print("| race | finished | opponents a lap down | opponents rescued | pace ratio (median) | quickest / slowest "
          "opponent | player's places 1/2/3/4 |")
    print("|---|---|---|---|---|---|---|")
    bad = 0
    all_ratios = []
    for race in races:
        finished = down = rescued = 0
        ratios, quick, slow = [], [], []
        places = [0, 0, 0, 0]
        for car, rows in results.get(race, []):
            if len(rows) != 4:
                continue
            p, opp = rows[0], rows[1:]
            finished += 1 if p["finished"] else 0
            down += sum(1 for o in opp if o["laps"] < laps - 1)
            rescued += sum(1 for o in opp if o.get("lost", 0) > 0)
            if 1 <= p["place"] <= 4:
                places[p["place"] - 1] += 1
            best = [o["bestLap"] for o in opp if o["bestLap"] > 0]
            if p["bestLap"] > 0 and len(best) == 3:
                ratios.append(statistics.median(best) / p["bestLap"])
                quick.append(min(best) / p["bestLap"])
                slow.append(max(best) / p["bestLap"])
        ratio = statistics.median(ratios) if ratios else 0.0
        all_ratios += ratios
        runs = len(results.get(race, []))
        if finished < runs or down or not (0.95 <= ratio <= 1.05):
            bad += 1
        print("| %d | %d/%d | %d | %d | %.3f | %.3f / %.3f | %s |" % (
            race, finished, runs, down, rescued, ratio, statistics.median(quick) if quick else 0.0,
            statistics.median(slow) if slow else 0.0, "/".join(str(x) for x in places)))
        sys.stdout.flush()
    if all_ratios:
        print("all circuits: pace ratio median %.3f (%.3f .. %.3f)" % (
            statistics.median(all_ratios), min(all_ratios), max(all_ratios)))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
