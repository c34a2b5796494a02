"""Analyse the data files named in the file LIST, one a line, with the
Python module's kelvarin.analyse_files on JOBS threads, as kelvarin-table
--jobs JOBS --files-from LIST does; print nothing:
    analyse_files.py JOBS LIST"""
import sys

import kelvarin

with open(sys.argv[2], encoding="utf-8") as listing:
    paths = listing.read().splitlines()
kelvarin.analyse_files(paths, jobs=int(sys.argv[1]))
