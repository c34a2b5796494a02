"""What the tests share: the programs they compare the module with, as make
python gives them (KELVARIN_TABLE, KELVARIN_GRAPH and KELVARIN, built
programs; a test that needs one is skipped with a message when it is not
set), the repository's end-to-end cases, generated data files, and
kelvarin-table's CSV."""

import csv
import io
import os
import subprocess
from pathlib import Path

import numpy as np
import pytest

REPOSITORY = Path(__file__).resolve().parents[2]


def program(variable):
    path = os.environ.get(variable)
    if not path:
        pytest.skip(f"{variable} is not set: make python sets it to compare the module with "
                    "the programs")
    return path


def case_inputs():
    """Return the end-to-end cases' data files, by case name."""
    return {path.parent.name: str(path)
            for path in sorted((REPOSITORY / "tests" / "cases").glob("*/input"))}


def read_cases():
    """Return the cases whose data file kelvarin reads (status 0, or a
    singular M's abort), by case name."""
    cases = {}
    for name, path in case_inputs().items():
        status = (Path(path).parent / "status").read_text().split()[0]
        if status in ("0", "abort"):
            cases[name] = path
    return cases


def generate_files(folder, count, seed=46, players=None):
    """Write count data files into folder and return their paths: from a
    fixed seed, 2 to 20 players (or players), values of 1 to 7 decimals
    between -1 and 1; every 25th has a zero row (M singular when it is not
    the empath's), every 30th a decimal comma (refused), every 20th text
    after its values (a warning)."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    rng = np.random.default_rng(seed)
    paths = []
    for f in range(1, count + 1):
        n = players or int(rng.integers(2, 21))
        decimals = rng.integers(1, 8, size=(n, n))
        values = rng.uniform(-1, 1, size=(n, n))
        cells = [[f"{values[r, c]:.{decimals[r, c]}f}" for c in range(n)] for r in range(n)]
        if f % 25 == 0:
            cells[1] = ["0"] * n
        if f % 30 == 0:
            cells[n - 1][0] = cells[n - 1][0].replace(".", ",")
        lines = [f"Generated group {f}", str(n)] + [" ".join(row) for row in cells]
        if f % 20 == 0:
            lines.append("99")
        path = folder / f"g{f:05d}.dat"
        path.write_text("\n".join(lines) + "\n")
        paths.append(str(path))
    return paths


@pytest.fixture(scope="session")
def generated(tmp_path_factory):
    """1,000 generated data files."""
    return generate_files(tmp_path_factory.mktemp("generated"), 1000)


def table_csv(paths, *options, folder):
    """Return kelvarin-table's CSV of paths, with options, as text."""
    listing = Path(folder) / "files.list"
    listing.write_bytes(b"".join(os.fsencode(p) + b"\n" for p in paths))
    run = subprocess.run([program("KELVARIN_TABLE"), "-q", *options,
                          f"--files-from={listing}"], capture_output=True, check=False)
    return run.stdout.decode("utf-8")


def csv_rows(text):
    """Return the CSV's rows as dicts of the fields' text."""
    return list(csv.DictReader(io.StringIO(text, newline="")))


def expect_figures(got, texts, label):
    """Assert that each figure got is, bit for bit, the double that the
    CSV's text stands for (Python's float() reads it correctly rounded), and
    None where the field is empty. Return how many figures were compared."""
    assert len(got) == len(texts), label
    compared = 0
    for i, (value, text) in enumerate(zip(got, texts)):
        if text == "":
            assert value is None or (isinstance(value, float) and np.isnan(value)), \
                f"{label} row {i}: {value!r} where the CSV has none"
            continue
        expected = float(text)
        assert value is not None, f"{label} row {i}: none where the CSV has {text}"
        assert float(value).hex() == expected.hex(), f"{label} row {i}: {value!r} is not {text}"
        compared += 1
    return compared
