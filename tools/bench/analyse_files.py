"""Analyse the data files named in the file LIST, one a line, with the
Python module's kelvarin.analyse_files on JOBS threads, as kelvarin-table
--jobs JOBS --files-from LIST does, and print the call's wall and processor
seconds (Python's start and the import of numpy left out):
    analyse_files.py JOBS LIST"""
import sys
import time

import kelvarin

with open(sys.argv[2], encoding="utf-8") as listing:
    paths = listing.read().splitlines()
wall = time.perf_counter()
cpu = time.process_time()
kelvarin.analyse_files(paths, jobs=int(sys.argv[1]))
print(f"{time.perf_counter() - wall:.3f} {time.process_time() - cpu:.3f}")
