#!/usr/bin/env python3
"""Includes point down the tiers of src/: app -> publish, views -> database
-> settings -> files (the all-or-none file writer and the version). A view
kind (views/<kind>/) includes the base (views/) and the tiers below, never
another kind; the base never includes a kind. Every file is written through
the writer in files/: no other file uses QSaveFile itself. Prints every
fault and fails when there is one."""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1])
rank = {"files": -1, "settings": 0, "database": 1, "views": 2, "publish": 2, "app": 3}
save_file = re.compile(r"^(?!\s*//).*\bQSaveFile\b", re.M)
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def place(relative):
    parts = pathlib.PurePosixPath(relative).parts
    kind = parts[1] if parts[0] == "views" and len(parts) > 2 else None
    return parts[0], kind


faults = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    tier, kind = place(path.relative_to(src).as_posix())
    text = path.read_text(encoding="utf-8")
    if tier != "files" and save_file.search(text):
        faults.append(f"{path}: writes through QSaveFile of its own, not the writer in files/")
    for target in include.findall(text):
        if "/" not in target:
            continue  # generated forms (ui_*.h) and files of the same folder
        if target.startswith("driver/") and path.name == "main.cpp" and tier == "app":
            continue  # the program registers the database stand-in
        to_tier, to_kind = place(target)
        if to_tier not in rank:
            faults.append(f"{path}: unknown tier in {target}")
        elif tier == to_tier == "views":
            if to_kind and to_kind != kind:
                faults.append(f"{path}: includes another view kind: {target}")
        elif to_tier != tier and rank[to_tier] >= rank[tier]:
            faults.append(f"{path}: includes a tier at or above its own: {target}")

print("\n".join(faults) if faults else "includes point down the tiers")
sys.exit(1 if faults else 0)
