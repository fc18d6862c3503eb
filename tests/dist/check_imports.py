#!/usr/bin/env python3
"""Checks that the programs that ship import only DLLs that come with Windows itself (no MinGW
run-time DLL beside them), and prints each program's list. Exits 1 naming any other DLL."""
import subprocess
import sys

SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "ddraw.dll", "dsound.dll", "gdi32.dll",
    "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "version.dll", "winmm.dll", "ws2_32.dll",
}


def imports(program):
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", program], check=True,
                          stdout=subprocess.PIPE, text=True).stdout
    return [line.split(":", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line]


def main(programs):
    foreign = []
    for program in programs:
        dlls = imports(program)
        print(f"{program}: {' '.join(dlls)}")
        foreign += [f"{program}: imports {dll}, which Windows does not ship" for dll in dlls
                    if dll.lower() not in SYSTEM_DLLS]
        if not dlls:
            foreign.append(f"{program}: no import table found")
    print("\n".join(foreign))
    return 1 if foreign else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
