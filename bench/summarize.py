#!/usr/bin/env python3
"""Ratios of a kxrsa_bench run (JSON from --benchmark_out).

Names are <Group>_<Side>[_base]/<args>: a kxrsa side (Kx, KxBlinding, ...),
its baseline build (_base) or OpenSSL (OpenSsl, else OpenSslBn: BN_mod_exp).
For each kxrsa benchmark this prints the medians (CPU time: other
jobs on a shared machine inflate wall time far more) with their coefficients
of variation, the ratio to OpenSSL's median of the same group and arguments, and
the speed-up over the baseline build.
Usage: summarize.py bench.json"""
import json
import sys


SCALE = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}


def ns(aggregate):
    return aggregate["cpu_time"] * SCALE[aggregate["time_unit"]]


def cells(aggregates):
    """Median CPU time with its unit, and the coefficient of variation."""
    med = aggregates["median"]
    cv = aggregates.get("cv", {}).get("cpu_time", 0.0)
    return [f"{med['cpu_time']:.1f} {med['time_unit']}", f"{100 * cv:.1f}%"]


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    stats = {}
    for r in runs:
        if r.get("run_type") != "aggregate":
            continue
        stats.setdefault(r["run_name"], {})[r["aggregate_name"]] = r
    def parts(name):
        base, _, args = name.partition("/")
        group, _, side = base.partition("_")
        return group, side, args
    def openssl_of(group, args):
        for side in ("OpenSsl", "OpenSslBn"):
            s = stats.get(f"{group}_{side}/{args}" if args else f"{group}_{side}")
            if s:
                return s
        return None
    rows = []
    for name, s in stats.items():
        group, side, args = parts(name)
        if not side.startswith("Kx") or side.endswith("_base") or "median" not in s:
            continue
        med = s["median"]
        other = openssl_of(group, args)
        base = stats.get(name.replace(side, side + "_base", 1))
        row = [name] + cells(s)
        row += cells(other) + [f"{ns(med) / ns(other['median']):.2f}x"] if other else ["-"] * 3
        row += cells(base) + [f"{ns(base['median']) / ns(med):.2f}x"] if base else ["-"] * 3
        rows.append(row)
    head = ["benchmark", "kxrsa", "cv", "OpenSSL", "cv", "kx/OpenSSL", "baseline", "cv", "speed-up"]
    widths = [max(len(r[i]) for r in rows + [head]) for i in range(len(head))]
    for r in [head] + rows:
        print("  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(r, widths))))


if __name__ == "__main__":
    main(sys.argv[1])
