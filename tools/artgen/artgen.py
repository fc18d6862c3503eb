#!/usr/bin/env python3
"""Draws the program's pictures and synthesises its sounds into the build folder (placeholder)."""
import argparse, pathlib
ap = argparse.ArgumentParser()
ap.add_argument("--out", required=True)
ap.add_argument("--rvpx", default="")
args = ap.parse_args()
pathlib.Path(args.out).mkdir(parents=True, exist_ok=True)
