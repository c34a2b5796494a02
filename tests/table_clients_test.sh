#!/bin/sh
# kelvarin-table read by its clients: R's read.csv and pandas read every row
# of a mix of files (ok, singular, not_finite, a missing file, and a file whose
# name holds a comma and a quote and whose description is Windows-1252 bytes)
# with the types the columns are meant to have: logical TRUE/FALSE, integers
# with NA, Inf and NA among the figures, text in UTF-8.
#   table_clients_test.sh KELVARIN_TABLE CASES EXAMPLES RSCRIPT PYTHON3
set -eu
table=$1 cases=$2 examples=$3 rscript=$4 python=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples/triad.dat" "$examples/singular.dat" "$work"
cp "$cases/inverse_overflow/input" "$work/overflow.dat"
printf 'Gruppe M\374ller\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n' >"$work/a,b\"c.dat"
cd "$work"
set -- triad.dat singular.dat overflow.dat missing.dat 'a,b"c.dat'
for form in files players json; do
  option=--$form
  [ $form = files ] && option=
  status=0
  "$table" $option "$@" >"$form.out" || status=$?
  [ $status = 1 ] || { echo "$form: expected status 1 (bad files among them), got $status"; exit 1; }
done

"$rscript" --vanilla - <<'R'
check <- function(ok, what) if (!isTRUE(ok)) stop(what, call. = FALSE)
t <- read.csv("files.out", encoding = "UTF-8")
p <- read.csv("players.out", encoding = "UTF-8")
check(identical(t$file, c("triad.dat", "singular.dat", "overflow.dat", "missing.dat", "a,b\"c.dat")),
      paste("files:", paste(t$file, collapse = " | ")))
check(identical(t$status, c("ok", "singular", "not_finite", "error", "ok")), "statuses")
for (n in c("file", "description", "status", "message")) check(is.character(t[[n]]), n)
for (n in c("players", "empath", "driver", "near_ties", "warnings")) check(is.integer(t[[n]]), n)
for (n in c("players", "empath", "driver", "near_ties")) check(is.na(t[[n]][4]), n)
for (n in c("s_e", "determinant", "condition", "log_condition", "empath_margin", "driver_margin"))
  check(is.double(t[[n]]) && is.na(t[[n]][4]), n)
check(identical(t$condition[3], Inf) && is.na(t$s_e[3]) && is.na(t$condition[2]), "inf and NA")
check(identical(t$description[5], "Gruppe M\u00fcller") && validUTF8(t$description[5]),
      paste("description:", t$description[5]))
figures <- sprintf("%.4f", unlist(t[1, c("s_e", "determinant", "condition", "log_condition")]))
check(identical(figures, c("0.5833", "0.7500", "3.0000", "0.4771")), paste(figures, collapse = " "))
check(nrow(p) == 29 && identical(tail(p$file, 1), "a,b\"c.dat"), "player rows")
check(is.logical(p$is_empath) && is.logical(p$is_driver) && !anyNA(p$is_empath), "logical columns")
check(is.integer(p$player) && is.double(p$weight) && identical(p$weight[10:11], c(Inf, -Inf)), "players types")
check(identical(p$is_driver[1:3], c(FALSE, TRUE, FALSE)), "driver of the triad")
R

"$python" - <<'PYTHON'
import math
import pandas

t = pandas.read_csv("files.out")
p = pandas.read_csv("players.out")
j = pandas.read_json("json.out", lines=True)
names = ["triad.dat", "singular.dat", "overflow.dat", "missing.dat", 'a,b"c.dat']
assert list(t["file"]) == names and list(j["file"]) == names, (list(t["file"]), list(j["file"]))
assert list(t["status"]) == list(j["status"]) == ["ok", "singular", "not_finite", "error", "ok"]
assert t["description"][4] == j["description"][4] == "Gruppe M\u00fcller", t["description"][4]
for n in ["s_e", "determinant", "condition", "log_condition", "empath_margin", "driver_margin"]:
    assert t[n].dtype == "float64" and math.isnan(t[n][3]), n
for n in ["players", "empath", "driver", "near_ties", "warnings"]:
    assert t[n].dtype in ("float64", "Int64", "int64"), (n, t[n].dtype)
assert all(t[n].isna()[3] for n in ["players", "empath", "driver", "near_ties"])
assert t["condition"][2] == math.inf and math.isnan(t["s_e"][2]), t.iloc[2]
assert [f"{t[n][0]:.4f}" for n in ["s_e", "determinant", "condition", "log_condition"]] == \
    ["0.5833", "0.7500", "3.0000", "0.4771"]
assert len(p) == 29 and p["is_empath"].dtype == bool and p["is_driver"].dtype == bool, p.dtypes
assert list(p["weight"][9:11]) == [math.inf, -math.inf], p["weight"][9:11]
weights = j["weights"][0]
assert len(weights) == 3 and weights[2] is None, weights
assert [round(w, 4) for w in weights[:2]] == [-0.1667, 0.8333], weights
assert len(j["weights"][2]) == 20 and j["weights"][3] is None and j["weights"][4] == weights, list(j["weights"])
PYTHON
