#!/usr/bin/env python3
"""Draws the program's pictures and synthesises its sounds into the build folder, then packs MENUDATA.

Every module tools/artgen/art_*.py has a function make(out) that writes its files into the folder
`out` and returns the names of those that belong in the resource pack MENUDATA; the other files it
writes (icons, the start-up picture) are compiled into the program's resources directly. Everything
is drawn from code with fixed seeds, so a build always makes the same bytes.
"""
import argparse
import importlib
import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, help="folder for the generated files")
    parser.add_argument("--rvpx", default="", help="the packing tool; without it MENUDATA is not packed")
    args = parser.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    sys.path.insert(0, str(HERE))
    members = []
    for module_path in sorted(HERE.glob("art_*.py")):
        module = importlib.import_module(module_path.stem)
        members += module.make(out)
    if args.rvpx and pathlib.Path(args.rvpx).exists():
        pack = out / "MENUDATA.rvp"
        subprocess.run([args.rvpx, "create", str(pack)] + [str(out / m) for m in members], check=True,
                       stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
