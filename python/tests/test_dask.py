"""A study spread over processes: python/README.md's Dask recipe, on a
LocalCluster of two worker processes, analyses 10,000 generated data files
into one DataFrame that is kelvarin-table's CSV as pandas reads it."""

import time

import pandas as pd
import pytest

from conftest import REPOSITORY, generate_files, table_csv

distributed = pytest.importorskip("distributed")


def recipe():
    """Return the code of python/README.md's Dask recipe, which defines
    analyse_study(paths, address)."""
    text = (REPOSITORY / "python" / "README.md").read_text()
    start = text.index("```python\n", text.index("## A study on many machines")) + 10
    return text[start:text.index("```", start)]


@pytest.mark.dask
def test_dask_bag_of_10000_files_is_kelvarin_tables_csv(tmp_path, capsys):
    paths = generate_files(tmp_path / "files", 10000, seed=47)
    csv_path = tmp_path / "table.csv"
    csv_path.write_text(table_csv(paths, folder=tmp_path), encoding="utf-8", newline="")
    expected = pd.read_csv(csv_path, float_precision="round_trip")
    namespace = {}
    exec(compile(recipe(), "python/README.md", "exec"), namespace)  # noqa: S102
    start = time.perf_counter()
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       dashboard_address=None)
    with cluster, distributed.Client(cluster) as client:
        got = namespace["analyse_study"](paths, client)
    seconds = time.perf_counter() - start
    pd.testing.assert_frame_equal(got, expected, check_exact=True)
    assert len(got) == 10000
    with capsys.disabled():
        print(f"\nDask: 10000 files on a LocalCluster of 2 worker processes in {seconds:.1f} s "
              "(the cluster's start included), the DataFrame identical to kelvarin-table's CSV")
