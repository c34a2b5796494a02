"""kelvarin: the influence structure of a small group, from Python.

A group of N players (2 to 20) is an N-by-N matrix whose row i, column j is
the influence of player i on player j. kelvarin finds the empath (the player
whose column has the largest sum of squares) and the driver (the row's), the
matrix M and the vector V' reduced about the empath, the weights Q that solve
M Q = V', the synchronization coefficient S_E = V' . Q, det M and the
1-condition number of M.

The figures are computed by the same C++ code as the programs kelvarin and
kelvarin-table, and are the same doubles as theirs. Nothing here ends the
interpreter: a singular M is a status, a bad argument a ValueError or a
TypeError, a data file that is refused a DataFileError. The C++ code runs
without the GIL, so that threads analyse at once.
"""

from __future__ import annotations

import dataclasses
import os
from typing import Any, Iterable, NamedTuple, Optional, Sequence, Union

import numpy as np

from . import _core

__version__: str = _core.version

__all__ = [
    "Analysis", "DataFileError", "Draws", "Group", "Row", "Table", "analyse",
    "analyse_files", "perturb", "read_group", "to_dot",
]

PathLike = Union[str, "os.PathLike[str]"]

# The largest single-precision value: a value beyond it is refused, as the
# reader refuses it in a data file.
_LARGEST_FLOAT = 3.4028234663852886e38
_MOST_DRAWS = 1_000_000


class DataFileError(Exception):
    """A data file that kelvarin refuses: its file, line and column (None
    where the failure has no place) and kelvarin's message."""

    def __init__(self, message: str, file: str, line: Optional[int] = None,
                 column: Optional[int] = None) -> None:
        super().__init__(message)
        self.message = message
        self.file = file
        self.line = line
        self.column = column




@dataclasses.dataclass
class Group:
    """A group read from a data file as kelvarin reads it.

    description is the file's first line (valid UTF-8: a byte that is not is
    read as Windows-1252), description_bytes its bytes as written; influence
    the n-by-n matrix of float64 values, each a value of single precision;
    warnings the reader's warnings as (line, column, message) tuples.
    """

    file: str
    description: str
    description_bytes: bytes
    n: int
    influence: np.ndarray
    warnings: list


@dataclasses.dataclass
class Analysis:
    """The analysis of a group, as kelvarin's report gives it.

    Players are numbered from 1, as the programs number them: empath and
    driver are player numbers, empath_name and driver_name their names.
    column_sums and row_sums hold each player's sums of squares; v (V') and q
    (the weights Q, None for a singular M) skip the empath, whose name
    others lists the players of; m is M. A figure that does not exist for
    the group (S_E, the determinant or the condition number of a singular M)
    is None. status is "ok", "singular" or "not_finite", and message says
    why it is not "ok".
    """

    description: str
    n: int
    players: list
    influence: np.ndarray
    column_sums: np.ndarray
    row_sums: np.ndarray
    empath: int
    empath_name: str
    driver: int
    driver_name: str
    empath_margin: float
    driver_margin: float
    empath_near_ties: int
    driver_near_ties: int
    others: list
    v: np.ndarray
    m: np.ndarray
    q: Optional[np.ndarray]
    s_e: Optional[float]
    determinant: Optional[float]
    condition: Optional[float]
    log_condition: Optional[float]
    status: str
    message: str
    description_bytes: bytes = dataclasses.field(default=b"", repr=False)

    def report(self) -> str:
        """Return kelvarin's report of the group, byte for byte as kelvarin
        writes it into a file (up to M for a singular M, where kelvarin's run
        ends); bytes of the description that are not UTF-8 are kept as
        surrogates (encode with "surrogateescape" to get them back)."""
        text = _core.report(self.influence, self.description_bytes)
        return text.decode("utf-8", "surrogateescape")

    def __str__(self) -> str:
        def fixed(value: Optional[float]) -> str:
            return "none" if value is None else f"{value:.4f}"

        def tie(count: int) -> str:
            return " (near tie)" if count > 0 else ""

        lines = [f"<kelvarin analysis: {self.n} players, status {self.status}>"]
        if self.description:
            lines.append(f"Description: {self.description}")
        lines.append(f"Empath: {self.empath_name}, player {self.empath}, ahead by "
                     f"{fixed(self.empath_margin)}{tie(self.empath_near_ties)}")
        lines.append(f"Driver: {self.driver_name}, player {self.driver}, ahead by "
                     f"{fixed(self.driver_margin)}{tie(self.driver_near_ties)}")
        lines.append(f"S_E {fixed(self.s_e)}, det M {fixed(self.determinant)}, cond_1(M) "
                     f"{fixed(self.condition)} (log10 {fixed(self.log_condition)})")
        if self.message:
            lines.append(self.message)
        return "\n".join(lines)


@dataclasses.dataclass
class Draws:
    """How sure the figures are, as kelvarin-table --perturb says: each value
    drawn again uniformly within d of itself, draws times. The shares are of
    the draws: the group's own empath and driver stay, M is singular;
    S_E's 2.5 %, 50 % and 97.5 % quantiles over the draws that have one
    (None where none has); each player's share as the empath and as the
    driver, in player order."""

    draws: int
    empath_share: float
    driver_share: float
    singular_share: float
    s_e_low: Optional[float]
    s_e_median: Optional[float]
    s_e_high: Optional[float]
    players: list
    player_empath_share: np.ndarray
    player_driver_share: np.ndarray


class Row(NamedTuple):
    """One file's row of kelvarin-table's CSV: None where the CSV's field is
    empty."""

    file: str
    description: Optional[str]
    players: Optional[int]
    empath: Optional[int]
    driver: Optional[int]
    s_e: Optional[float]
    determinant: Optional[float]
    condition: Optional[float]
    log_condition: Optional[float]
    near_ties: Optional[int]
    empath_margin: Optional[float]
    driver_margin: Optional[float]
    warnings: int
    status: str
    message: Optional[str]


_INTEGER_COLUMNS = ("players", "empath", "driver", "near_ties", "warnings")
_TEXT_COLUMNS = ("file", "description", "status", "message")


class Table(list):
    """Rows of kelvarin-table's CSV, one Row for each file in the order
    given. Tables (and lists of rows) join with +; Table(rows) makes one of
    rows gathered from anywhere."""

    columns: tuple = Row._fields

    def to_pandas(self) -> "Any":
        """Return the rows as a pandas DataFrame with the columns and dtypes
        that pd.read_csv(..., float_precision="round_trip") gives of
        kelvarin-table's CSV: text columns of str (NaN where empty), whole
        numbers int64 (float64 where a row has none), figures float64 (NaN
        where none). pandas is imported only here."""
        import pandas as pd

        data = {}
        for index, name in enumerate(Row._fields):
            values = [row[index] for row in self]
            if name in _TEXT_COLUMNS:
                data[name] = pd.Series([np.nan if v is None else v for v in values],
                                       dtype=object)
                if all(v is None for v in values):
                    data[name] = data[name].astype(np.float64)
            elif name in _INTEGER_COLUMNS and all(v is not None for v in values):
                data[name] = pd.Series(values, dtype=np.int64)
            else:
                data[name] = pd.Series([np.nan if v is None else v for v in values],
                                       dtype=np.float64)
        return pd.DataFrame(data, columns=list(Row._fields))


def _path_bytes(path: Any, what: str) -> bytes:
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f"{what} must be a path (str or os.PathLike), not {type(path).__name__}")
    return os.fsencode(os.path.expanduser(path))


def read_group(path: PathLike) -> Group:
    """Read the data file at path as kelvarin reads it.

    Return its Group. A file that kelvarin refuses (missing, not a data
    file, a bad value) raises DataFileError with its file, line, column and
    kelvarin's message.
    """
    raw = _path_bytes(path, "path")
    name = os.fsdecode(path) if not isinstance(path, str) else path
    read = _core.read_group(raw)
    if read["failure"]:
        errors = read["errors"]
        line, column, detail = errors[0] if errors else (None, None, None)
        place = name if line is None else f"{name}:{line}:{column}"
        # kelvarin's message, without the colon that the name follows there.
        failure = read["failure"].rstrip(":")
        message = f"{place}: {failure}" + (f" ({detail})" if detail else "")
        raise DataFileError(message, name, line, column)
    influence = read["influence"]
    return Group(file=name, description=read["description"],
                 description_bytes=read["description_bytes"], n=influence.shape[0],
                 influence=influence, warnings=list(read["warnings"]))


def _influence(influence: Any) -> np.ndarray:
    """Return influence as a C-ordered n-by-n float64 array, after the checks
    that the reader makes of a data file's values."""
    if isinstance(influence, (str, bytes)):
        raise TypeError("influence must be a square array of numbers, not a string")
    try:
        values = np.asarray(influence)
    except (TypeError, ValueError) as error:
        raise TypeError(f"influence must be a square array of numbers: {error}") from None
    if values.dtype == np.bool_ or values.dtype.kind not in "iuf":
        raise TypeError("influence must be a square array of numbers (integers or floats), "
                        f"not of dtype {values.dtype}")
    if values.ndim != 2 or values.shape[0] != values.shape[1]:
        raise ValueError(f"influence must be square, not of shape {values.shape}")
    n = values.shape[0]
    if not 2 <= n <= 20:
        raise ValueError(f"a group has 2 to 20 players, not {n}")
    values = np.ascontiguousarray(values, dtype=np.float64)
    bad = ~np.isfinite(values) | (np.abs(values) > _LARGEST_FLOAT)
    if bad.any():
        r, c = (int(i) for i in np.argwhere(bad)[0])
        raise ValueError(f"influence[{r}, {c}] (row {r + 1}, column {c + 1}) is "
                         f"{values[r, c]!r}: every value must be a finite number of single "
                         "precision's range")
    return values


def analyse(influence: Any, names: Optional[Sequence[str]] = None,
            description: Optional[str] = None) -> Analysis:
    """Analyse a group as kelvarin does.

    influence is a Group (from read_group) or any 2-D array-like of numbers
    (a numpy array, a pandas DataFrame, nested lists), square, of 2 to 20
    players: row i, column j is player i's influence on player j. Each value
    is rounded to single precision first, as kelvarin's reader rounds a value
    it reads, so that an array and the data file that writes its values
    give the same figures. names (one string per player) name the players
    (P1 to PN by default); description is the group's, shown by report().

    Return the Analysis. A singular M is its status "singular", never an
    error. Raises TypeError for an array that is not of numbers, ValueError
    for one that is not square of 2 to 20 players or holds a value that is
    NaN, infinite or beyond single precision's range.
    """
    description_bytes = b""
    if isinstance(influence, Group):
        if description is None:
            description = influence.description
            description_bytes = influence.description_bytes
        influence = influence.influence
    values = _influence(influence)
    n = values.shape[0]
    if names is None:
        names = [f"P{i + 1}" for i in range(n)]
    if isinstance(names, str) or len(names) != n or \
            not all(isinstance(name, str) for name in names):
        raise ValueError(f"names must be {n} strings, one for each player")
    names = list(names)
    if description is None:
        description = ""
    if not isinstance(description, str):
        raise TypeError("description must be a string")
    if not description_bytes:
        description_bytes = description.encode("utf-8", "surrogateescape")
    a = _core.analyse(values)
    empath = a["empath"]
    driver = a["driver"]
    others = names[:empath] + names[empath + 1:]
    return Analysis(
        description=description, n=n, players=names, influence=a["influence"],
        column_sums=a["column_sums"], row_sums=a["row_sums"],
        empath=empath + 1, empath_name=names[empath],
        driver=driver + 1, driver_name=names[driver],
        empath_margin=a["empath_margin"], driver_margin=a["driver_margin"],
        empath_near_ties=a["empath_near_ties"], driver_near_ties=a["driver_near_ties"],
        others=others, v=a["v"], m=a["m"], q=a["q"], s_e=a["s_e"],
        determinant=a["determinant"], condition=a["condition"],
        log_condition=a["log_condition"], status=a["status"], message=a["message"],
        description_bytes=description_bytes)


def _check_jobs(jobs: Any) -> int:
    if isinstance(jobs, bool) or not isinstance(jobs, (int, np.integer)):
        raise TypeError(f"jobs must be a whole number, not {type(jobs).__name__}")
    if not 1 <= jobs <= 1024:
        raise ValueError(f"jobs must be a whole number from 1 to 1024, not {jobs}")
    return int(jobs)


def _files_in(folder: Any) -> list:
    """Return the paths of the files in folder whose names do not begin with
    a dot, in the order of their names."""
    with os.scandir(os.path.expanduser(folder)) as entries:
        names = sorted(entry.name for entry in entries
                       if entry.is_file() and not os.fsdecode(entry.name).startswith("."))
    return [os.path.join(folder, name) for name in names]


def analyse_files(paths: Union[PathLike, Iterable[PathLike]], jobs: int = 1) -> Table:
    """Analyse the data files at paths as kelvarin-table does, on jobs
    threads (1 to 1024) without the GIL. paths is a list of paths, one path,
    or a folder, which stands for the files in it (not those in its
    folders, nor those whose names begin with a dot), in the order of their
    names.

    Return a Table of one Row for each file, in the order of paths, with
    kelvarin-table's columns and figures: a file that cannot be read or
    analysed is no error, its row says why (status "error", and message).
    Table.to_pandas() gives the DataFrame that pandas reads of
    kelvarin-table's CSV. Called from the main thread, which runs Python's
    signal handlers, Ctrl-C stops it between files, on every thread, and
    raises KeyboardInterrupt (or what another SIGINT handler raised).
    """
    if isinstance(paths, (str, bytes, os.PathLike)):
        # A folder stands for its files, as a shell's FOLDER/* names them.
        paths = _files_in(paths) if os.path.isdir(os.path.expanduser(paths)) else [paths]
    paths = list(paths)
    jobs = _check_jobs(jobs)
    raw = [_path_bytes(path, "each path") for path in paths]
    # A row names its file as it was given.
    names = [os.fsencode(path) for path in paths]
    rows, _ = _core.analyse_files(raw, names, jobs, 0.0, 0.0, "1")
    return Table(Row._make(row) for row in rows)


def _check_draws(d: Any, draws: Any, seed: Any) -> str:
    if isinstance(d, bool) or not isinstance(d, (int, float, np.integer, np.floating)) or \
            not np.isfinite(d) or d <= 0 or d > _LARGEST_FLOAT:
        raise ValueError(f"d must be one finite number above 0 (the largest error of a value), "
                         f"not {d!r}")
    if isinstance(draws, bool) or not isinstance(draws, (int, np.integer)) or \
            not 1 <= draws <= _MOST_DRAWS:
        raise ValueError(f"draws must be a whole number from 1 to 1000000, not {draws!r}")
    if isinstance(seed, bool) or not isinstance(seed, (int, np.integer)) or \
            not 0 <= seed < 2 ** 64:
        raise ValueError(f"seed must be a whole number from 0 to 18446744073709551615, "
                         f"not {seed!r}")
    return str(int(seed))


def _draws(d: dict, players: list) -> Draws:
    return Draws(draws=d["draws"], empath_share=d["empath_share"],
                 driver_share=d["driver_share"], singular_share=d["singular_share"],
                 s_e_low=d["s_e_low"], s_e_median=d["s_e_median"], s_e_high=d["s_e_high"],
                 players=players, player_empath_share=d["player_empath_share"],
                 player_driver_share=d["player_driver_share"])


def perturb(x: Union[Analysis, PathLike], d: float, draws: int = 1000, seed: int = 1) -> Draws:
    """Say how sure the figures are, as kelvarin-table --perturb=d
    --draws=draws --seed=seed does: x is an Analysis or a data file's path.

    Return the Draws. Raises ValueError for d that is not a finite number
    above 0, draws not a whole number from 1 to 1000000, seed not a whole
    number from 0 to 2**64 - 1, or d so large that a drawn value could pass
    single precision's range; DataFileError for a file that kelvarin
    refuses or whose M was not had.
    """
    seed_text = _check_draws(d, draws, seed)
    if isinstance(x, Analysis):
        return _draws(_core.perturb(x.influence, float(d), float(draws), seed_text), x.players)
    raw = _path_bytes(x, "x (an Analysis or a data file's path)")
    name = os.fsdecode(x)
    rows, drawn = _core.analyse_files([raw], [os.fsencode(x)], 1, float(d), float(draws),
                                      seed_text)
    row = Row._make(rows[0])
    if drawn[0] is None:
        raise DataFileError(f"{name}: {row.message}", name)
    return _draws(drawn[0], [f"P{i + 1}" for i in range(row.players)])


def to_dot(x: Union[Analysis, PathLike], view: str = "network",
           names: Optional[Sequence[str]] = None, min: float = 0.0, top: int = 0) -> str:
    """Return kelvarin-graph's Graphviz DOT of the group: x is an Analysis
    or a data file's path. view is "network", "heatmap" or "focus" (as
    kelvarin-graph's --heatmap and --focus); names name the players (the
    Analysis's own by default, kelvarin-graph's --names), min leaves out the
    influences below it (--min), top keeps each player's top strongest
    (--top; 0 keeps all)."""
    if not isinstance(x, Analysis):
        x = analyse(read_group(x))
    if view not in ("network", "heatmap", "focus"):
        raise ValueError(f"view must be \"network\", \"heatmap\" or \"focus\", not {view!r}")
    if names is None:
        default = [f"P{i + 1}" for i in range(x.n)]
        names = [] if x.players == default else x.players
    if isinstance(names, str) or len(names) > x.n or \
            not all(isinstance(name, str) for name in names):
        raise ValueError(f"names must be at most {x.n} strings")
    if isinstance(min, bool) or not isinstance(min, (int, float, np.integer, np.floating)) or \
            not np.isfinite(min) or min < 0:
        raise ValueError(f"min must be one finite number of at least 0, not {min!r}")
    if isinstance(top, bool) or not isinstance(top, (int, np.integer)) or \
            not 0 <= top <= 1_000_000:
        raise ValueError(f"top must be a whole number from 0 to 1000000, not {top!r}")
    return _core.dot(x.influence, x.description_bytes, view,
                     [name.encode("utf-8", "surrogateescape") for name in names],
                     float(min), int(top))
