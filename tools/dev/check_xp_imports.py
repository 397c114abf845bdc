#!/usr/bin/env python3
"""Fails when a Windows image imports what Windows XP SP3 lacks.

usage: check_xp_imports.py OBJDUMP IMAGE...

Each image's import table (from OBJDUMP -p) is held against the committed
tables of what XP's system DLLs export (platform/win32/xp_exports/*.txt),
and its PE header's OS and subsystem versions against XP's 5.1.
"""
import os
import re
import subprocess
import sys

XP = 0x501
TABLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "platform", "win32", "xp_exports")


def in_xp(mark):
    """Whether a version mark ("0x600+", "0x501-0x502", "0x502") holds XP."""
    if mark.endswith("+"):
        return int(mark[:-1], 16) <= XP
    low, _, high = mark.partition("-")
    return int(low, 16) <= XP <= int(high or low, 16)


def read_table(path):
    """name -> the version marks of its lines for i386, "" for a line that holds XP."""
    exports = {}
    with open(path, encoding="ascii") as table:
        for number, line in enumerate(table, 1):
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            name, marks = fields[0], fields[1:]
            version = next((m for m in marks if not m.startswith("arch=")), None)
            arch = next((m[5:] for m in marks if m.startswith("arch=")), None)
            if arch is not None and "i386" not in arch.split(","):
                continue
            try:
                present = version is None or in_xp(version)
            except ValueError:
                sys.exit(f"{path}:{number}: unreadable version mark {version!r}")
            exports.setdefault(name, []).append("" if present else version)
    return exports


def load_tables():
    tables = {}
    for entry in sorted(os.listdir(TABLES)):
        if entry.endswith(".txt"):
            tables[entry[:-4].lower()] = read_table(os.path.join(TABLES, entry))
    return tables


def imports_of(objdump, image):
    """(dll, name) pairs of the import table, names None for imports by ordinal; and the header versions."""
    text = subprocess.run([objdump, "-p", image], check=True, capture_output=True, text=True).stdout
    versions = {}
    for key in ("MajorOSystemVersion", "MinorOSystemVersion", "MajorSubsystemVersion", "MinorSubsystemVersion"):
        found = re.search(rf"^{key}\s+(\d+)", text, re.M)
        versions[key] = int(found.group(1)) if found else None
    pairs, dll = [], None
    in_table = False
    for line in text.splitlines():
        named = re.match(r"^\s*DLL Name: (\S+)", line)
        if named:
            dll, in_table = named.group(1).lower(), False
            continue
        if dll and re.match(r"^\s*vma:\s+Hint/Ord", line):
            in_table = True
            continue
        if in_table:
            entry = re.match(r"^\s*[0-9a-f]+\s+(\d+)\s+(\S+)", line)
            if entry:
                pairs.append((dll, entry.group(2)))
            elif re.match(r"^\s*[0-9a-f]+\s+<none>\s+([0-9a-f]+)", line):
                pairs.append((dll, None))
            elif not line.strip():
                in_table = False
    return pairs, versions


def check(objdump, image, tables):
    problems = []
    pairs, versions = imports_of(objdump, image)
    for label in ("OSystem", "Subsystem"):
        major, minor = versions[f"Major{label}Version"], versions[f"Minor{label}Version"]
        if major is None or (major, minor) > (5, 1):
            problems.append(f"its PE header asks for {'OS' if label == 'OSystem' else 'subsystem'} version "
                            f"{major}.{minor}, above Windows XP's 5.1")
    for dll, name in pairs:
        base = dll[:-4] if dll.endswith(".dll") else dll
        if base not in tables:
            problems.append(f"it imports from {dll}, for which there is no table of XP's exports")
            continue
        if name is None:
            continue  # by ordinal: the DLL's ordinals are as old as the DLL
        marks = tables[base].get(name)
        if marks is None:
            problems.append(f"{dll} on Windows XP SP3 has no {name}")
        elif "" not in marks:
            problems.append(f"{dll} has {name} only in Windows versions {', '.join(marks)}")
    return problems, len(pairs), sorted({dll for dll, _ in pairs}), versions


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip().splitlines()[2])
    objdump, images = sys.argv[1], sys.argv[2:]
    tables = load_tables()
    failed = False
    for image in images:
        problems, count, dlls, versions = check(objdump, image, tables)
        name = os.path.basename(image)
        if problems:
            failed = True
            for problem in sorted(set(problems)):
                print(f"{name}: {problem}", file=sys.stderr)
            print(f"{name} would not load on Windows XP SP3", file=sys.stderr)
        else:
            print(f"== {name}: {count} imports from {', '.join(dlls)}, all in Windows XP SP3; "
                  f"OS {versions['MajorOSystemVersion']}.{versions['MinorOSystemVersion']}, "
                  f"subsystem {versions['MajorSubsystemVersion']}.{versions['MinorSubsystemVersion']}")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
