#!/bin/sh
# Stands in for the web browser in tests: the address it is given is appended to "browsed.txt" in
# the folder the opening program runs in.
printf '%s\n' "$1" >> browsed.txt
