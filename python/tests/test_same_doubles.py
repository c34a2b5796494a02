"""Every figure the module gives is the double of kelvarin-table's CSV of the
same files, the end-to-end cases' data files and 1,000 generated ones: the
double that the CSV's text stands for, bit for bit."""

import math

import numpy as np
import pandas as pd

import kelvarin
from conftest import case_inputs, csv_rows, expect_figures, table_csv

FIGURES = ("s_e", "determinant", "condition", "log_condition", "empath_margin",
           "driver_margin")
COUNTS = ("players", "empath", "driver", "near_ties", "warnings")
TEXTS = ("file", "description", "status", "message")


def expect_columns(got, expected, figures, exact):
    """Check that got[column] holds the expected rows' doubles of each column
    of figures, and equals their texts of each column of exact; return how
    many figures were compared."""
    compared = 0
    for column in figures:
        compared += expect_figures(got[column], [row[column] for row in expected], column)
    for column in exact:
        assert got[column] == [row[column] for row in expected], column
    return compared


def test_analyse_files_gives_kelvarin_tables_rows(generated, tmp_path, capsys):
    paths = list(case_inputs().values()) + generated
    text = table_csv(paths, folder=tmp_path)
    expected = csv_rows(text)
    got = kelvarin.analyse_files(paths, jobs=2)
    assert list(got.columns) == list(expected[0].keys())
    assert len(got) == len(expected) == len(paths)
    columns = {column: [getattr(row, column) for row in got] for column in FIGURES + COUNTS}
    columns.update({column: [getattr(row, column) or "" for row in got] for column in TEXTS})
    compared = expect_columns(columns, expected, FIGURES + COUNTS, TEXTS)
    assert {"ok", "singular", "error"} <= {row.status for row in got}
    # The DataFrame is the CSV as pandas reads it: the same columns, dtypes
    # and doubles.
    csv_path = tmp_path / "table.csv"
    csv_path.write_text(text, encoding="utf-8", newline="")
    read = pd.read_csv(csv_path, float_precision="round_trip")
    pd.testing.assert_frame_equal(got.to_pandas(), read, check_exact=True)
    with capsys.disabled():
        print(f"\nanalyse_files: {len(paths)} files, {compared} figures identical to "
              "kelvarin-table's CSV")
    assert compared > 10000


def test_analyse_gives_the_sums_and_weights_of_kelvarin_table_players(generated, tmp_path,
                                                                       capsys):
    paths = list(case_inputs().values()) + generated
    players = csv_rows(table_csv(paths, "--players", folder=tmp_path))
    got = {"column_sum": [], "row_sum": [], "weight": [], "is_empath": [], "is_driver": []}
    files = list(dict.fromkeys(row["file"] for row in players))
    for path in files:
        a = kelvarin.analyse(kelvarin.read_group(path))
        weights = [None] * a.n
        if a.q is not None:
            for k, q in zip([p for p in range(a.n) if p != a.empath - 1], a.q):
                weights[k] = q
        got["column_sum"] += list(a.column_sums)
        got["row_sum"] += list(a.row_sums)
        got["weight"] += weights
        got["is_empath"] += [str(p + 1 == a.empath).upper() for p in range(a.n)]
        got["is_driver"] += [str(p + 1 == a.driver).upper() for p in range(a.n)]
    compared = expect_columns(got, players, ("column_sum", "row_sum", "weight"),
                              ("is_empath", "is_driver"))
    with capsys.disabled():
        print(f"\nanalyse: {len(files)} files, {compared} figures identical to "
              "kelvarin-table --players")
    assert compared > 10000


def test_perturb_gives_kelvarin_table_perturbs_shares_and_quantiles(generated, tmp_path,
                                                                    capsys):
    paths = list(case_inputs().values()) + generated
    options = ("--perturb=0.01", "--draws=100", "--seed=7")
    expected = csv_rows(table_csv(paths, *options, folder=tmp_path))
    players = csv_rows(table_csv(paths, "--players", *options, folder=tmp_path))
    drawn = ("draws", "empath_share", "driver_share", "singular_share", "s_e_low",
             "s_e_median", "s_e_high")
    perturbed = [i for i, row in enumerate(expected) if row["draws"] != ""]
    got = {figure: [] for figure in drawn + ("player_empath_share", "player_driver_share")}
    again = 0
    for i in perturbed:
        one = kelvarin.perturb(paths[i], 0.01, draws=100, seed=7)
        for figure in drawn:
            got[figure].append(getattr(one, figure))
        got["player_empath_share"] += list(one.player_empath_share)
        got["player_driver_share"] += list(one.player_driver_share)
        # An analysis of the file's values draws as the file does.
        if i % 10 == 0:
            of_values = kelvarin.perturb(kelvarin.analyse(kelvarin.read_group(paths[i])), 0.01,
                                         draws=100, seed=7)
            assert [getattr(of_values, f) for f in drawn] == [getattr(one, f) for f in drawn]
            again += 1
    compared = expect_columns(got, [expected[i] for i in perturbed], drawn, ())
    for figure in ("empath_share", "driver_share"):
        compared += expect_figures(got["player_" + figure], [row[figure] for row in players],
                                   figure)
    assert again > 50
    with capsys.disabled():
        print(f"\nperturb: {len(perturbed)} files, {compared} figures identical to "
              "kelvarin-table --perturb")


def test_an_arrays_values_are_rounded_as_the_reader_rounds_a_files(tmp_path):
    # Doubles that single precision does not hold, and the data file that
    # writes them: the same figures, bit for bit.
    rng = np.random.default_rng(47)
    for n in (2, 7, 20):
        values = rng.uniform(-1, 1, size=(n, n))
        path = tmp_path / f"values{n}.dat"
        path.write_text(f"Doubles\n{n}\n" +
                        "".join(" ".join(repr(v) for v in row) + "\n" for row in values))
        of_array = kelvarin.analyse(values, description="Doubles")
        of_file = kelvarin.analyse(kelvarin.read_group(path))
        for figure in ("column_sums", "row_sums", "v", "q", "m", "influence"):
            assert getattr(of_array, figure).tobytes() == getattr(of_file, figure).tobytes(), \
                (n, figure)
        assert (of_array.s_e, of_array.condition) == (of_file.s_e, of_file.condition)
        assert of_array.report() == of_file.report()
