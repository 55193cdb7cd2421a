#!/usr/bin/env python3
"""Checks that the module's folders stay on their floors.

The folders of citforms/ are stacked: a file may include from its own folder and from the
folders below it, never from one above. The order comes from the command line (CMake passes
CITFORMS_FLOORS, bottom first), so it is written once. An include from a folder that is not a
floor, or a folder of citforms/ that is missing from the order, fails as well: a new folder
has to be given its place.

    check-floors.py <source root> values documents host forms ... shell
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"citforms/([^/"]+)/[^"]+"', re.MULTILINE)


def main(argv):
    if len(argv) < 3:
        print("usage: check-floors.py <source root> <floor>...", file=sys.stderr)
        return 2
    module = pathlib.Path(argv[1]) / "citforms"
    floors = argv[2:]
    level = {name: i for i, name in enumerate(floors)}
    faults = []
    for folder in sorted(p for p in module.iterdir() if p.is_dir()):
        sources = sorted(folder.glob("*.h")) + sorted(folder.glob("*.cpp"))
        if not sources:
            continue
        if folder.name not in level:
            faults.append(f"citforms/{folder.name}/: folder has no floor")
            continue
        for source in sources:
            text = source.read_text(encoding="utf-8")
            for match in INCLUDE.finditer(text):
                target = match.group(1)
                line = text.count("\n", 0, match.start()) + 1
                where = f"citforms/{folder.name}/{source.name}:{line}"
                if target not in level:
                    faults.append(f"{where}: includes from citforms/{target}/, which has no floor")
                elif level[target] > level[folder.name]:
                    faults.append(f"{where}: {folder.name} includes from {target}, a floor above it")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) off their floor; order, bottom first: {' '.join(floors)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
