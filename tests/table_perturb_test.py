#!/usr/bin/env python3
"""kelvarin-table --perturb against a simulation of its own, written with numpy.

  table_perturb_test.py TABLE WORK

For three groups (a clear empath, a near tie between two players, and an
ill-conditioned M), kelvarin-table draws 20,000 times and so does this script,
with numpy's generator: every value plus an error uniform on [-D, D], rounded
to single precision, then the sums of squares, the empath and the driver, V',
M, Q = M^-1 V' and S_E = V' . Q. The two samples are independent, so their
figures differ by sampling error only, and each must be within 5 standard
errors of the other (by chance, about one figure in 1.7 million is not):

- a share p: |p1 - p2| <= 5 sqrt(p (1 - p) (1/K1 + 1/K2)), p the two pooled;
- a quantile q of probability p: the share of this script's S_E below q
  is within 5 sqrt(2 p (1 - p) / K) of p. The share of either sample below
  the other's quantile varies by sqrt(p (1 - p) / K) from each sample,
  whatever S_E's distribution, heavy tails and all.
"""
import json
import os
import subprocess
import sys

import numpy as np

DRAWS = 20000
SIGMAS = 5.0

# name, D, description, rows: a clear empath (P3), a near tie of P2 and P3,
# and an M whose determinant the errors take across zero.
GROUPS = [
    ("clear.dat", 0.05, "Clear empath",
     ["1 0.2 0.9 0.1", "0.3 1 0.8 0.2", "0.1 0.2 1 0.3", "0.2 0.1 0.7 1"]),
    ("near_tie.dat", 0.02, "Near tie",
     ["1 0.6 0.6 0.1", "0.3 1 0.5 0.2", "0.2 0.5 1 0.3", "0.4 0.35 0.4 1"]),
    ("ill.dat", 0.005, "Ill-conditioned",
     ["1 0.99 1.2", "0.99 0.985 1.1", "0.1 0.2 1"]),
]


def simulate(rows, spread, rng):
    """The draws' figures as kelvarin-table's JSON names them."""
    values = np.array([[np.float32(v) for v in row.split()] for row in rows], dtype=np.float64)
    n = len(values)
    errors = rng.uniform(-spread, spread, size=(DRAWS, n, n))
    drawn = (values + errors).astype(np.float32).astype(np.float64)
    column_sums = (drawn ** 2).sum(axis=1)
    row_sums = (drawn ** 2).sum(axis=2)
    empaths = column_sums.argmax(axis=1)
    drivers = row_sums.argmax(axis=1)
    s_e = []
    for k in range(DRAWS):
        e = empaths[k]
        others = [i for i in range(n) if i != e]
        m = drawn[k][np.ix_(others, others)]
        v = drawn[k][others, e]
        try:
            q = np.linalg.solve(m, v)
        except np.linalg.LinAlgError:
            continue
        value = v @ q
        if np.isfinite(value):
            s_e.append(value)
    own = values
    own_empath = int((own ** 2).sum(axis=0).argmax())
    own_driver = int((own ** 2).sum(axis=1).argmax())
    return {
        "empath_shares": [float(np.mean(empaths == p)) for p in range(n)],
        "driver_shares": [float(np.mean(drivers == p)) for p in range(n)],
        "empath_share": float(np.mean(empaths == own_empath)),
        "driver_share": float(np.mean(drivers == own_driver)),
        "singular_share": 1.0 - len(s_e) / DRAWS,
        "s_e": np.array(s_e),
    }


def main():
    table, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    rng = np.random.default_rng(20261209)
    failures = []
    for name, spread, description, rows in GROUPS:
        path = os.path.join(work, name)
        with open(path, "w", encoding="ascii") as f:
            f.write(f"{description}\n{len(rows)}\n" + "\n".join(rows) + "\n")
        run = subprocess.run([table, "--json", f"--perturb={spread}", f"--draws={DRAWS}", path],
                             capture_output=True, check=True, text=True)
        theirs = json.loads(run.stdout)
        ours = simulate(rows, spread, rng)
        if theirs["draws"] != DRAWS:
            failures.append(f"{name}: draws {theirs['draws']}")
        shares = [(key, theirs[key], ours[key])
                  for key in ("empath_share", "driver_share", "singular_share")]
        for key in ("empath_shares", "driver_shares"):
            shares += [(f"{key}[{p}]", a, b) for p, (a, b) in enumerate(zip(theirs[key], ours[key]))]
        for key, a, b in shares:
            pooled = (a + b) / 2
            bound = SIGMAS * np.sqrt(pooled * (1 - pooled) * 2 / DRAWS)
            if abs(a - b) > bound:
                failures.append(f"{name}: {key} {a}, numpy's {b}, beyond {bound:.5f}")
        s_e = ours["s_e"]
        for key, p in (("s_e_low", 0.025), ("s_e_median", 0.5), ("s_e_high", 0.975)):
            below = float(np.mean(s_e < theirs[key]))
            bound = SIGMAS * np.sqrt(2 * p * (1 - p) / DRAWS)
            if abs(below - p) > bound:
                failures.append(f"{name}: {key} {theirs[key]} has {below:.5f} of numpy's S_E "
                                f"below it, not {p} within {bound:.5f}")
        print(f"{name}: empath {theirs['empath_share']} (numpy {ours['empath_share']}), "
              f"S_E {theirs['s_e_low']:.4f} {theirs['s_e_median']:.4f} {theirs['s_e_high']:.4f} "
              f"(numpy {np.quantile(s_e, 0.025):.4f} {np.quantile(s_e, 0.5):.4f} "
              f"{np.quantile(s_e, 0.975):.4f})")
    # Every file's draws start from the seed: the groups in one run, on one
    # thread or two, get line for line what each gets in a run of its own.
    paths = [os.path.join(work, name) for name, *_ in GROUPS]
    drawing = [table, "--json", "--perturb=0.01", "--draws=200", "--seed=7"]
    alone = [subprocess.run(drawing + [path], capture_output=True, check=True, text=True).stdout
             for path in paths]
    for jobs in ("--jobs=1", "--jobs=2"):
        together = subprocess.run(drawing + [jobs] + paths, capture_output=True, check=True,
                                  text=True).stdout
        if together != "".join(alone):
            failures.append(f"{jobs}: the groups drawn in one run differ from each drawn alone")
    for failure in failures:
        print("table perturb: FAIL:", failure, file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
