"""The numpy way to the table's figures, for the bench: read each data file
named on standard input, find the empath, solve M Q = V' reduced about it,
and print S_E, det M and the 1-norm condition number of M as CSV."""
import sys

import numpy as np


def main():
    out = sys.stdout
    for path in sys.stdin.read().split():
        with open(path, "rb") as data:
            description, rest = data.read().split(b"\n", 1)
        numbers = rest.split()
        n = int(numbers[0])
        a = np.array(numbers[1:1 + n * n], dtype=np.float32).astype(np.float64).reshape(n, n)
        squares = a * a
        empath = int(np.argmax(squares.sum(axis=0)))
        driver = int(np.argmax(squares.sum(axis=1)))
        keep = [i for i in range(n) if i != empath]
        m = a[np.ix_(keep, keep)]
        v = a[keep, empath]
        q = np.linalg.solve(m, v)
        out.write(f"{path},{empath + 1},{driver + 1},{v @ q!r},{np.linalg.det(m)!r},"
                  f"{np.linalg.cond(m, 1)!r}\n")


main()
