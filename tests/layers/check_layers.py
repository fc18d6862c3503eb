#!/usr/bin/env python3
"""Checks that the layers of src/ run one way.

The order is read from the "Layers" block of CONVENTIONS.md, bottom first, one layer per line, with
the folders of a layer separated by blanks. A file may include files of its own folder and of any
layer below its own; peers (two folders on one line) do not include each other. Single files that
stand below everything are listed on the first line by path. The game interface is the one public
header, include/robina_game.h, in the layer "include" at the bottom: it includes only the standard
library, and no copy of it lies under src/. The portable *_format files include only other *_format
headers and the standard library, and game sources include only the game interface. Prints every
offending include and exits 1 when there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)
GAME_INTERFACE = "robina_game.h"
PUBLIC = ROOT / "include"


def read_layers(conventions):
    text = conventions.read_text(encoding="utf-8")
    block = re.search(r"```layers\n(.*?)```", text, re.S)
    if not block:
        sys.exit("check_layers: no ```layers block in " + str(conventions))
    rank = {}
    for number, line in enumerate(l for l in block.group(1).splitlines() if l.strip()):
        for name in line.split("#")[0].split():
            rank[name] = number
    return rank


def layer_of(path, rank):
    """The layer name of a path relative to src/: the file itself when listed, else its folder."""
    return path if path in rank else path.split("/")[0]


def check_src(rank):
    faults = []
    for file in sorted((ROOT / "src").rglob("*")):
        if file.suffix not in (".cpp", ".h", ".rc"):
            continue
        relative = file.relative_to(ROOT / "src").as_posix()
        own = layer_of(relative, rank)
        if own not in rank:
            faults.append(f"src/{relative}: folder '{own}' has no place in the layers")
            continue
        text = file.read_text(encoding="utf-8", errors="replace")
        for target in INCLUDE.findall(text):
            if "/" not in target:
                folder = relative.rsplit('/', 1)[0]
                beside = (ROOT / "src" / folder / target).exists()
                public = not beside and (PUBLIC / target).exists()
                target = f"include/{target}" if public else f"{folder}/{target}"
            other = layer_of(target, rank)
            if other == own:
                continue
            if other not in rank:
                faults.append(f"src/{relative}: includes {target}, which has no layer")
            elif rank[other] >= rank[own]:
                faults.append(f"src/{relative} ({own}) includes {target} ({other}): not below it")
        if file.stem.endswith("_format"):
            for target in INCLUDE.findall(text):
                if not pathlib.Path(target).stem.endswith("_format"):
                    faults.append(f"src/{relative}: portable file includes {target}")
            for target in SYSTEM_INCLUDE.findall(text):
                if target.lower() in ("windows.h", "ddraw.h", "dsound.h", "mmsystem.h"):
                    faults.append(f"src/{relative}: portable file includes <{target}>")
    return faults


def check_public():
    faults = []
    if not (PUBLIC / GAME_INTERFACE).is_file():
        faults.append(f"include/{GAME_INTERFACE}: the game interface is missing")
    for copy in (ROOT / "src").rglob(GAME_INTERFACE):
        faults.append(f"{copy.relative_to(ROOT)}: a second game interface; it belongs in include/ alone")
    for file in sorted(PUBLIC.glob("*.h")):
        for target in INCLUDE.findall(file.read_text(encoding="utf-8", errors="replace")):
            faults.append(f"include/{file.name}: public header includes {target}")
    return faults


def check_games():
    faults = []
    for file in sorted((ROOT / "games").rglob("*")):
        if file.suffix not in (".cpp", ".h"):
            continue
        text = file.read_text(encoding="utf-8", errors="replace")
        for target in INCLUDE.findall(text):
            if target != GAME_INTERFACE and not (file.parent / target).exists():
                faults.append(f"{file.relative_to(ROOT)}: a game includes {target}, not only the game interface")
    return faults


def main():
    rank = read_layers(ROOT / "CONVENTIONS.md")
    faults = check_src(rank) + check_public() + check_games()
    for fault in faults:
        print(fault)
    print(f"layers: {len(faults)} upward or foreign includes")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
