#!/usr/bin/env python3
"""Checks that the programs that ship import only DLLs that come with Windows itself (no MinGW
run-time DLL beside them), and prints each program's list. Exits 1 naming any other DLL.

A program named after --wide must also import no narrow ("A") function of Windows: those convert
text with the system's code page, which garbles Japanese on a Windows of another language. The C
run-time's own code imports a few with fixed ASCII or no text; they are the only ones allowed."""
import subprocess
import sys

SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "ddraw.dll", "dsound.dll", "gdi32.dll",
    "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "version.dll", "winmm.dll", "ws2_32.dll",
}


RUNTIME_NARROW = {"GetModuleHandleA", "GetStartupInfoA", "LoadLibraryA",
                  # the POSIX thread run-time's unnamed events and semaphores, and its debugger output
                  "CreateEventA", "CreateSemaphoreA", "OutputDebugStringA"}
WINDOWS_TEXT_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
                     "shell32.dll", "shlwapi.dll", "user32.dll", "version.dll", "winmm.dll"}


def dump(program):
    return subprocess.run(["i686-w64-mingw32-objdump", "-p", program], check=True,
                          stdout=subprocess.PIPE, text=True).stdout


def imports(program):
    return [line.split(":", 1)[1].strip() for line in dump(program).splitlines() if "DLL Name:" in line]


def narrow_functions(program):
    """The narrow functions the program imports from the DLLs of Windows that take text."""
    found, dll = [], None
    for line in dump(program).splitlines():
        if "DLL Name:" in line:
            dll = line.split(":", 1)[1].strip().lower()
            continue
        words = line.split()
        if dll in WINDOWS_TEXT_DLLS and len(words) == 3 and words[2].endswith("A"):
            found.append(words[2])
    return sorted(set(found) - RUNTIME_NARROW)


def main(args):
    wide = {args[i + 1] for i, a in enumerate(args[:-1]) if a == "--wide"}
    programs = [a for i, a in enumerate(args) if a != "--wide"]
    foreign = [f"{program}: imports the narrow {name}" for program in sorted(wide)
               for name in narrow_functions(program)]
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
