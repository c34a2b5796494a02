"""What the module refuses, each a Python exception with a clear message; an
interpreter that answers after anything it is given; threads that analyse
while Python runs, and that Ctrl-C stops."""

import _thread
import math
import os
import subprocess
import sys
import textwrap
import threading
import time

import numpy as np
import pytest

import kelvarin
from conftest import generate_files

TRIAD = np.array([[1, 0.5, 0.25], [0.5, 1, 0.75], [0.25, 0.5, 1]])


@pytest.mark.parametrize("call, error, message", [
    (lambda: kelvarin.analyse(np.ones((2, 3))), ValueError, r"square, not of shape \(2, 3\)"),
    (lambda: kelvarin.analyse(np.ones(4)), ValueError, r"square, not of shape \(4,\)"),
    (lambda: kelvarin.analyse(np.ones((1, 1))), ValueError, "2 to 20 players, not 1"),
    (lambda: kelvarin.analyse(np.eye(21)), ValueError, "2 to 20 players, not 21"),
    (lambda: kelvarin.analyse([["1", "0"], ["0", "1"]]), TypeError, "dtype <U1"),
    (lambda: kelvarin.analyse([[1, "x"], [0, 1]]), TypeError, "square array of numbers"),
    (lambda: kelvarin.analyse("1 0 0 1"), TypeError, "not a string"),
    (lambda: kelvarin.analyse(np.eye(2, dtype=bool)), TypeError, "dtype bool"),
    (lambda: kelvarin.analyse(np.eye(2, dtype=complex)), TypeError, "dtype complex128"),
    (lambda: kelvarin.analyse([[1, 0], [np.nan, 1]]), ValueError,
     r"influence\[1, 0\] \(row 2, column 1\) is nan"),
    (lambda: kelvarin.analyse([[1, np.inf], [0, 1]]), ValueError,
     r"influence\[0, 1\] \(row 1, column 2\) is inf"),
    (lambda: kelvarin.analyse([[1, 0], [0, 1e39]]), ValueError,
     r"influence\[1, 1\] \(row 2, column 2\) is 1e\+39"),
    (lambda: kelvarin.analyse(np.eye(3), names=["a", "b"]), ValueError, "3 strings"),
    (lambda: kelvarin.perturb(kelvarin.analyse(TRIAD), d=0), ValueError,
     "d must be one finite number above 0"),
    (lambda: kelvarin.perturb(kelvarin.analyse(TRIAD), d=np.nan), ValueError, "d must be"),
    (lambda: kelvarin.perturb(kelvarin.analyse(TRIAD), d=0.01, draws=0), ValueError,
     "draws must be a whole number from 1 to 1000000"),
    (lambda: kelvarin.perturb(kelvarin.analyse(TRIAD), d=0.01, draws=1_000_001), ValueError,
     "draws must be"),
    (lambda: kelvarin.perturb(kelvarin.analyse(TRIAD), d=0.01, draws=2.5), ValueError,
     "draws must be"),
    (lambda: kelvarin.perturb(kelvarin.analyse(TRIAD), d=0.01, seed=-1), ValueError,
     "seed must be"),
    (lambda: kelvarin.perturb(kelvarin.analyse(np.eye(2) * 1e38), d=3e38), ValueError,
     "too large for these values"),
    (lambda: kelvarin.analyse_files(["x.dat"], jobs=0), ValueError, "jobs must be"),
    (lambda: kelvarin.analyse_files([3]), TypeError, "must be a path"),
    (lambda: kelvarin.to_dot(kelvarin.analyse(TRIAD), view="pie"), ValueError,
     "view must be"),
    (lambda: kelvarin.read_group(None), TypeError, "path must be a path"),
])
def test_bad_arguments_raise_and_say_what_was_wrong(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_a_file_kelvarin_refuses_is_a_data_file_error_with_its_place(tmp_path):
    missing = str(tmp_path / "no such.dat")
    with pytest.raises(kelvarin.DataFileError, match="Data file not found") as refused:
        kelvarin.read_group(missing)
    assert (refused.value.file, refused.value.line, refused.value.column) == \
        (missing, None, None)
    bad = tmp_path / "bad.dat"
    bad.write_text("Two players\n2\n1 0\n0 x\n")
    with pytest.raises(kelvarin.DataFileError) as refused:
        kelvarin.read_group(bad)
    assert (refused.value.file, refused.value.line, refused.value.column) == (str(bad), 4, 3)
    assert str(refused.value).startswith(f"{bad}:4:3: Error reading in matrix")
    with pytest.raises(kelvarin.DataFileError):
        kelvarin.perturb(bad, 0.01)
    # Every file gets its row, whatever the others' fate.
    rows = kelvarin.analyse_files([bad, missing, bad])
    assert [row.status for row in rows] == ["error"] * 3


def test_the_interpreter_answers_after_a_singular_m_21_players_and_a_nan():
    script = textwrap.dedent("""
        import numpy as np, kelvarin
        s = kelvarin.analyse([[1, 0.5, 0.25], [0, 0, 0.75], [0.25, 0.5, 0.9]])
        print(s.status, s.s_e, s.q, s.report().endswith("   0.0000     0.0000  \\n"))
        for bad in (np.eye(21), [[1, np.nan], [0, 1]]):
            try:
                kelvarin.analyse(bad)
            except ValueError:
                pass
        kelvarin.perturb(s, 0.01)
        print("answers", kelvarin.analyse(np.eye(2)).status)
    """)
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                         check=False)
    assert (run.stdout, run.stderr, run.returncode) == \
        ("singular None None True\nanswers ok\n", "", 0)


def test_threads_run_python_while_files_are_analysed(tmp_path):
    # The GIL is released while C++ works: the main thread keeps running
    # Python meanwhile, never stopped for longer than a small part of the
    # call (held, it would stop for all of it). The call is made longer
    # until it lasts long enough to tell, however fast the machine.
    files = generate_files(tmp_path, 100, players=20)
    done = []

    def work(paths):
        start = time.perf_counter()
        kelvarin.analyse_files(paths)
        done.insert(0, time.perf_counter() - start)

    for repeat in (40, 160, 640):
        worker = threading.Thread(target=work, args=(files * repeat,))
        longest = 0.0
        last = time.perf_counter()
        worker.start()
        while worker.is_alive():
            now = time.perf_counter()
            longest = max(longest, now - last)
            last = now
        worker.join()
        if done[0] > 0.2:
            break
    assert done[0] > 0.2, "the call was too short to tell"
    assert longest < done[0] / 2, f"Python stopped for {longest:.3f} s of {done[0]:.3f} s"


def test_ctrl_c_stops_analyse_files_long_before_its_end(tmp_path):
    # Ctrl-C (interrupt_main, as the signal would) 0.1 s into a call of five
    # seconds or more raises KeyboardInterrupt within a small part of them:
    # the calling thread sees it between its files, and the other thread
    # takes no more. Unseen, the call would run to its end. 1,000 draws of
    # each file make a short list last: a long one takes its rows' memory
    # before any file is analysed, and that time no check can shorten.
    paths = [os.fsencode(path) for path in generate_files(tmp_path, 10, players=20)]

    def call(repeat):
        kelvarin._core.analyse_files(paths * repeat, paths * repeat, 2, 0.01, 1000.0, "1")

    repeat = 1
    while True:
        start = time.perf_counter()
        call(repeat)
        seconds = time.perf_counter() - start
        if seconds >= 0.2:
            break
        repeat *= 4
    times = math.ceil(5 / seconds)
    timer = threading.Timer(0.1, _thread.interrupt_main)
    start = time.perf_counter()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        call(repeat * times)
    stopped = time.perf_counter() - start
    timer.join()
    assert stopped < seconds * times / 4, \
        f"stopped after {stopped:.3f} s of about {seconds * times:.1f} s"
