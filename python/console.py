"""Write ARCHIVE_OUT, a static library of the objects of ARCHIVE_IN (a thin
archive, as meson makes them) with their symbols renamed as SYMS says:
    console.py OBJCOPY AR SYMS ARCHIVE_IN ARCHIVE_OUT
objcopy renames in a whole archive but not in a thin one, whose objects are
files of their own: each is copied, renamed, into a folder beside the output.
"""
import os
import subprocess
import sys

objcopy, ar, syms, archive_in, archive_out = sys.argv[1:]
folder = archive_out + ".objects"
os.makedirs(folder, exist_ok=True)
members = subprocess.run([ar, "t", archive_in], check=True, capture_output=True,
                         text=True).stdout.split()
renamed = []
for index, member in enumerate(members):
    # A thin archive names its members relative to itself.
    source = os.path.join(os.path.dirname(archive_in), member)
    target = os.path.join(folder, f"{index}-{os.path.basename(member)}")
    subprocess.run([objcopy, f"--redefine-syms={syms}", source, target], check=True)
    renamed.append(target)
if os.path.exists(archive_out):
    os.remove(archive_out)
subprocess.run([ar, "rcs", archive_out] + renamed, check=True)
