"""The module against the programs' own outputs: kelvarin's report and
warnings in the end-to-end cases, kelvarin-graph's DOT."""

import re
import subprocess
from pathlib import Path

import kelvarin
from conftest import REPOSITORY, program, read_cases


def test_report_is_kelvarins_byte_for_byte():
    cases = read_cases()
    for case, path in cases.items():
        expected = (Path(path).parent / "stdout").read_bytes()
        got = kelvarin.analyse(kelvarin.read_group(path)).report()
        assert got.encode("utf-8", "surrogateescape") == expected, case
    assert len(cases) > 15


def test_read_groups_warnings_are_kelvarins_at_the_same_line_and_column():
    said = 0
    for case, path in read_cases().items():
        lines = (Path(path).parent / "stderr").read_text(errors="surrogateescape").splitlines()
        expected = []
        for line in lines:
            match = re.match(r"^[^ ].*?:(\d+):(\d+): warning: (.*)$", line)
            if match:
                expected.append((int(match[1]), int(match[2]), match[3]))
        assert kelvarin.read_group(path).warnings == expected, case
        said += len(expected)
    assert said > 3


def test_to_dot_is_kelvarin_graphs_dot():
    graph = program("KELVARIN_GRAPH")
    files = sorted(str(p) for p in (REPOSITORY / "examples").glob("*.dat"))
    files += list(read_cases().values())
    for path in files:
        a = kelvarin.analyse(kelvarin.read_group(path))
        for view in ("network", "heatmap", "focus"):
            options = [] if view == "network" else [f"--{view}"]
            expected = subprocess.run([graph, *options, path], capture_output=True,
                                      check=False).stdout.decode("utf-8")
            assert kelvarin.to_dot(a, view) == expected, (path, view)
    triad = str(REPOSITORY / "examples" / "triad.dat")
    named = kelvarin.analyse(kelvarin.read_group(triad), names=["Ann", "Bo", "Cy"])
    expected = subprocess.run([graph, "--top=1", "--names=Ann,Bo,Cy", triad],
                              capture_output=True, check=True).stdout.decode("utf-8")
    assert kelvarin.to_dot(named, top=1) == expected


def test_the_modules_version_is_the_programs():
    cmake = (REPOSITORY / "CMakeLists.txt").read_text()
    assert re.search(r"project\(kelvarin VERSION ([0-9.]+) ", cmake)[1] == kelvarin.__version__
