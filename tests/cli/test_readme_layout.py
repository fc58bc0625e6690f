#!/usr/bin/env python3
"""README.md's Layout table tells of the folders there are: it is one
table (no blank line cutting it in two), every top-level folder of the
repository is named by exactly one row, every folder a row names exists,
and a row for a subfolder (tests/cli/) follows a row for its top folder.
So a room added, folded into another or renamed fails here until the
table says so."""
import os
import re
import sys

from source_tree import ROOT, top_folders

FOLDER_CELL = re.compile(r"^\|\s*((?:`[\w./-]+/`(?:,\s*)?)+)\s*\|")


def layout_section(readme):
    m = re.search(r"^## Layout\n(.*?)(?=^## |\Z)", readme, re.M | re.S)
    return m.group(1) if m else None


def check_layout(readme, folders, is_dir):
    """The faults of the Layout table in readme, given the top-level folders
    and a test for a folder's existence."""
    faults = []
    section = layout_section(readme)
    if section is None:
        return ["README.md has no '## Layout' section"]
    lines = section.splitlines()
    first = next((i for i, line in enumerate(lines) if line.startswith("|")), None)
    if first is None:
        return ["the Layout section holds no table"]
    end = first
    while end < len(lines) and lines[end].startswith("|"):
        end += 1
    table, rest = lines[first:end], lines[end:]
    if len(table) < 2 or not re.match(r"^\|\s*folder\s*\|", table[0]) or not re.match(r"^\|[\s|:-]+\|$", table[1]):
        faults.append("the Layout table does not begin with its '| folder | what it holds |' header")
    for line in rest:
        if FOLDER_CELL.match(line):
            faults.append(f"a folder row outside the Layout table (a blank line cuts the table?): {line[:60]}")

    rows = {}  # folder named -> how many rows name it
    for line in table[2:]:
        m = FOLDER_CELL.match(line)
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if not m:
            faults.append(f"a Layout row names no folder in its first cell: {line[:60]}")
            continue
        if len(cells) < 2 or not cells[1]:
            faults.append(f"a Layout row says nothing of its folder: {line[:60]}")
        for name in re.findall(r"`([\w./-]+)/`", m.group(1)):
            rows[name] = rows.get(name, 0) + 1
            if not is_dir(name):
                faults.append(f"the Layout table names {name}/, which does not exist")
            top = name.split("/")[0]
            if "/" in name and top not in rows:
                faults.append(f"the Layout table names {name}/ before (or without) a row of its own for {top}/")
    for name, count in sorted(rows.items()):
        if count > 1:
            faults.append(f"the Layout table names {name}/ in {count} rows")
    for name in sorted(folders):
        if name not in rows:
            faults.append(f"{name}/ has no row in the Layout table")
    if len(rows) < 10:
        faults.append(f"the Layout table names only {len(rows)} folders: is its form out of date?")
    return faults


def main():
    readme = open(os.path.join(ROOT, "README.md"), encoding="utf-8").read()
    folders = top_folders()
    faults = check_layout(readme, folders, lambda name: os.path.isdir(os.path.join(ROOT, name)))
    # The check itself, on the faults it is there to catch.
    good = layout_section(readme) or ""
    one_row = next((line for line in good.splitlines() if line.startswith("| `io/`")), None)
    if one_row is None:
        faults.append("the Layout table has no row for io/ to test the check with")
    else:
        for what, spoiled in (
                ("a row missing", readme.replace(one_row + "\n", "")),
                ("a row twice", readme.replace(one_row, one_row + "\n" + one_row)),
                ("a blank line in the table", readme.replace(one_row, one_row + "\n")),
                ("a gone folder", readme.replace(one_row, one_row + "\n| `join/` | gone |"))):
            if not check_layout(spoiled, folders, lambda name: os.path.isdir(os.path.join(ROOT, name))):
                faults.append(f"the check passes a Layout table with {what}")
    if faults:
        print("\n".join(faults))
        return 1
    print(f"ok: the Layout table names each of the {len(folders)} top-level folders once, and only folders that exist")
    return 0


if __name__ == "__main__":
    sys.exit(main())
