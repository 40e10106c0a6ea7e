#!/usr/bin/env python3
"""The folders' layering, as scripts/lint.sh checks it:
    scripts/check_layers.py [SOURCE_DIR]
The order, bottom to top, is the "Layers:" line at the top of the root
CMakeLists.txt; the folders of its "Side by side:" line share one level and
neither includes the other. A file in one of those folders may include
headers of its own folder and of the folders below it, never of a folder
above or beside it, nor of the
helpers beside the program (tools/, tests/, bench/, fuzz/). Includes are
resolved as the build resolves them: by file name over the folders' include
directories. Headers the build generates (ui_*.h, *.moc, tables) are not in
the source tree and are skipped. Prints the levels; prints each offending
include and exits 1."""
import re
import sys
from pathlib import Path

Helpers = ("tools", "tests", "bench", "fuzz")
HeaderSuffixes = (".h", ".hpp", ".inc")
SourceSuffixes = (".h", ".hpp", ".cpp")
Include = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def layer_order(root):
    text = (root / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"^# Layers, bottom to top:((?:\s+[a-z]+)+)\s*$", text, re.MULTILINE)
    if not match:
        sys.exit("check_layers: no '# Layers, bottom to top:' line in CMakeLists.txt")
    return match.group(1).split()


def side_by_side(root):
    text = (root / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"^# Side by side:((?:\s+[a-z]+)+)\s*$", text, re.MULTILINE)
    return match.group(1).split() if match else []


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    layers = layer_order(root)
    rank = {folder: index for index, folder in enumerate(layers)}
    beside = side_by_side(root)
    for folder in beside:
        rank[folder] = min(rank[other] for other in beside)
    levels = []
    for folder in layers:
        if levels and rank[folder] == rank[levels[-1][0]]:
            levels[-1].append(folder)
        else:
            levels.append([folder])
    order = " < ".join(" | ".join(level) for level in levels)
    # Header name -> the top-level folders that hold a header of that name.
    owners = {}
    for folder in layers + list(Helpers):
        for path in (root / folder).rglob("*"):
            if path.suffix in HeaderSuffixes and "node_modules" not in path.parts:
                owners.setdefault(path.name, set()).add(folder)
    faults = []
    for folder in layers:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SourceSuffixes:
                continue
            text = path.read_text(encoding="utf-8")
            for match in Include.finditer(text):
                name = match.group(1)
                line = text.count("\n", 0, match.start()) + 1
                where = f"{path.relative_to(root)}:{line}"
                if (path.parent / name).exists():
                    target = (path.parent / name).resolve().relative_to(root).parts[0]
                    found = {target}
                else:
                    found = owners.get(Path(name).name, set())
                for target in sorted(found):
                    if target == folder:
                        continue
                    if target not in rank:
                        faults.append(f'{where}: includes "{name}" of {target}/, which the program never links')
                    elif rank[target] > rank[folder]:
                        faults.append(f'{where}: includes "{name}" of {target}/, a layer above {folder}/')
                    elif rank[target] == rank[folder]:
                        faults.append(f'{where}: includes "{name}" of {target}/, a layer beside {folder}/')
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print("check_layers: order, bottom to top: " + order, file=sys.stderr)
        return 1
    print("check_layers: " + order)
    return 0


if __name__ == "__main__":
    sys.exit(main())
