"""The README's example from Python runs as it stands, in the repository's
folder, and so do python/README.md's."""

import contextlib
import io
import os
import re

from conftest import REPOSITORY


def run(code):
    """Run code in the repository's folder; return what it printed."""
    printed = io.StringIO()
    old = os.getcwd()
    os.chdir(REPOSITORY)
    try:
        with contextlib.redirect_stdout(printed):
            exec(compile(code, "README", "exec"), {})  # noqa: S102
    finally:
        os.chdir(old)
    return printed.getvalue()


def test_the_readmes_five_lines_from_python_run():
    text = (REPOSITORY / "README.md").read_text()
    section = text[text.index("## From Python\n"):]
    block = re.search(r"\n\n((?:    .*\n)+)", section)[1]
    lines = [line[4:] for line in block.splitlines()]
    assert len(lines) == 5
    out = run("\n".join(lines))
    assert "Empath: Cy, player 3" in out
    assert "examples/group20.dat" in out


def test_python_readmes_folder_and_array_run():
    text = (REPOSITORY / "python" / "README.md").read_text()
    blocks = re.findall(r"```python\n(.*?)```", text, re.S)
    folder = run(blocks[0])
    assert "examples/triad.dat" in folder and "singular" in folder
    array = run(blocks[1])
    assert array.splitlines()[4] == "Bo 0.6666666666666667 [0.33333333 0.66666667]"
    assert "Exiting: Kelvarin" in array
