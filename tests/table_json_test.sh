#!/bin/sh
# kelvarin-table --json: every line is a JSON object that a strict parser
# reads as UTF-8, whatever bytes a file name or a description holds; figures
# that are not finite are null. Runs the program on every end-to-end case's
# data file and on a file whose description holds a Latin-1 byte, an escape
# byte, a quote and a backslash.
#   table_json_test.sh KELVARIN_TABLE CASES PYTHON3
set -eu
table=$1 cases=$2 python=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'Caf\351 \033[31m "red" \\ team\n2\n1 0.5\n0.5 1\n' >"$work/odd.dat"
ls "$cases"/*/input >"$work/list"
echo "$work/odd.dat" >>"$work/list"
status=0
"$table" --json --files-from "$work/list" >"$work/table.jsonl" || status=$?
[ $status = 1 ] || { echo "expected status 1 (bad files among the cases), got $status"; exit 1; }
"$python" - "$work/table.jsonl" "$work/list" <<'PYTHON'
import json
import sys

lines = open(sys.argv[1], "rb").read().split(b"\n")
files = open(sys.argv[2]).read().split()
assert lines.pop() == b"", "the last line has no line end"
assert len(lines) == len(files), f"{len(lines)} lines for {len(files)} files"
keys = ["file", "description", "players", "empath", "driver", "s_e", "determinant",
        "condition", "log_condition", "near_ties", "empath_margin", "driver_margin",
        "warnings", "status", "message", "diagnostics", "column_sums", "row_sums", "weights"]
statuses = set()
for line, name in zip(lines, files):
    group = json.loads(line.decode("utf-8"), parse_constant=lambda c: sys.exit(f"{name}: {c}"))
    assert list(group) == keys, f"{name}: keys {list(group)}"
    assert group["file"] == name, name
    statuses.add(group["status"])
    if group["status"] == "ok":
        n = group["players"]
        assert len(group["weights"]) == n and group["weights"][group["empath"] - 1] is None, name
        assert len(group["column_sums"]) == n and len(group["row_sums"]) == n, name
    if name.endswith("inverse_overflow/input"):
        assert group["condition"] is None and group["log_condition"] is None, group
odd = json.loads(lines[-1].decode("utf-8"))
assert odd["description"] == 'Caf\u00e9 \u001b[31m "red" \\ team', odd["description"]
assert statuses == {"ok", "singular", "not_finite", "error"}, statuses
PYTHON
