"""An author with the SDK zip alone, unzipped outside the tree: both games built by MinGW-w64 through
build.bat and in the MSVC ABI by clang and lld, each checked and played; the checker's refusals; a
crash that points at its line; an unpacked game run in place; rvpx on a full disk."""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import zipfile

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "dist"))
from conftest import BUILD, WINENV, desktop_entered  # noqa: E402,F401
import dist  # noqa: E402

VERSION = dist.VERSION
SDK_ZIP = dist.REPO / "dist" / f"Robina-SDK-{VERSION}.zip"
MINGW = "i686-w64-mingw32-g++-posix"
GAMES = {"template": "TEMPLATE.VYG", "kinomi": "KINOMI.VYG"}
# What a Windows C library offers a build without the Windows SDK: msvcrt.dll's _snprintf as
# snprintf, with an import library llvm-dlltool makes.
MSVCRT_STDIO = """#include <stddef.h>
#ifdef __cplusplus
extern "C"
#endif
int __cdecl _snprintf(char *buffer, size_t count, const char *format, ...);
#define snprintf _snprintf
"""


@pytest.fixture(scope="module")
def sdk(tmp_path_factory):
    folder = tmp_path_factory.mktemp("author")
    with zipfile.ZipFile(SDK_ZIP) as archive:
        archive.extractall(folder)
    return folder / f"Robina-SDK-{VERSION}"


def windows(path):
    return "Z:" + str(path).replace("/", "\\")


def run(args, cwd, env=None, stdin=subprocess.DEVNULL):
    """A program to its end: (exit status, output as text, error output as text)."""
    result = subprocess.run([str(a) for a in args], cwd=cwd, env=env, stdin=stdin, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=180)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")


def play(sdk, *args, cwd):
    return run([WINENV, sdk / "robina-play.exe", *args], cwd)


def mingw_line(sdk, folder, extra=()):
    """build.bat's compiler line for this folder, as the cross compiler takes it."""
    script = (sdk / "template" / "build.bat").read_text()
    line = next(x for x in script.splitlines() if x.startswith("%CXX% "))
    sources = " ".join(sorted(p.name for p in folder.glob("*.cpp")))
    words = line.replace('"%SDK%\\include"', str(sdk / "include")).replace("%SOURCES%", " " + sources).split()
    return [MINGW] + words[1:] + list(extra)


def pack(folder, name):
    members = ["game.ini", "game.dll"] + sorted(p.name for p in folder.iterdir() if p.suffix in (".bmp", ".wav"))
    subprocess.run([BUILD / "host" / "rvpx", "create", name] + members, cwd=folder, check=True,
                   stdout=subprocess.DEVNULL)
    return folder / name


def msvc_build(sdk, source, out, tmp_path, extra=()):
    """A game library in the MSVC ABI by clang and lld, without any Microsoft file; the source is
    made Shift-JIS first, as Visual C++ does with /execution-charset:.932."""
    shim = tmp_path / "msvcrt"
    if not shim.exists():
        shim.mkdir()
        (shim / "stdio.h").write_text(MSVCRT_STDIO)
        (shim / "msvcrt.def").write_text("LIBRARY msvcrt.dll\nEXPORTS\n_snprintf\nmemset\nmemcpy\n")
        subprocess.run(["llvm-dlltool", "-m", "i386", "-d", shim / "msvcrt.def", "-l", shim / "msvcrt.lib"], check=True)
    shift_jis = tmp_path / ("sjis-" + source.name)
    shift_jis.write_bytes(source.read_text(encoding="utf-8").encode("cp932"))
    subprocess.run(["clang++", "--target=i686-pc-windows-msvc", "-fuse-ld=lld", "-shared", "-nostdlib",
                    "-Wl,/noentry", "-O2", "-ffreestanding", "-fno-exceptions", "-Wno-invalid-source-encoding",
                    f"-I{shim}", f"-I{sdk / 'include'}", *extra, "-o", out, shift_jis, shim / "msvcrt.lib"], check=True)


def assert_plays_to_its_end(sdk, cwd, *args):
    status, report, errors = play(sdk, *args, cwd=cwd)
    assert status == 0 and "ended by the game" in report, report + errors
    assert "leftovers: blocks 0, images 0, sprites 0, sounds 0, tasks 0\nverdict: ok\n" in report
    return report


@pytest.mark.linux_only
def test_the_zip_holds_a_guide_that_names_only_its_own_files(sdk):
    names = {str(p.relative_to(sdk)) for p in sdk.rglob("*") if p.is_file()}
    for folder, source in (("template", "template.cpp"), ("kinomi", "kinomi.cpp")):
        wanted = (source, "game.ini", "build.bat", "build-msvc.bat", *dist.MENU_PICTURES)
        assert {f"{folder}/{n}" for n in wanted} <= names
    guide = (sdk / "guide.md").read_text(encoding="utf-8")
    for tree_only in ("CMakeLists", "art.py", "gameart", "playkit", "wine-env", "games/", "build/", ".script", "make "):
        assert tree_only not in guide, tree_only
    # Every service of the header has its marked example in the example game.
    header = (sdk / "include" / "robina_game.h").read_text()
    table = header[header.index("typedef struct ServiceTableRecord"):header.index("} ServiceTableRecord;")]
    services = re.findall(r"(\w+);\n|\(__cdecl \*(\w+)\)", table)
    example = (sdk / "kinomi" / "kinomi.cpp").read_text(encoding="utf-8")
    marked = set(re.findall(r"// service: ([\w, ]+)", example))
    marked = {name.strip() for line in marked for name in line.split(",")}
    assert {a or b for a, b in services} == marked and len(marked) == 27


def test_build_bat_builds_checks_and_plays_both_games_where_they_lie_or_copied(sdk, tmp_path):
    # kinomi in the SDK finds it from its own folder; a copy of the template elsewhere through ROBINA_SDK.
    kotori = tmp_path / "My Games" / "kotori"
    shutil.copytree(sdk / "template", kotori)
    cases = [(sdk / "kinomi", "KINOMI.VYG", {}), (kotori, "TEMPLATE.VYG", {"ROBINA_SDK": windows(sdk)})]
    for folder, game, settings in cases:
        subprocess.run(mingw_line(sdk, folder), cwd=folder, check=True)  # the compiler is not a Windows program here
        env = dict(os.environ, CXX="rem", **settings)
        status, out, errors = run([WINENV, "cmd", "/c", windows(folder / "build.bat")], folder, env)
        assert status == 0, out + errors
        assert out.count("verdict: ok\n") == 2 and f"build.bat: {game} is built, checked and played" in out, out
    # rvpx.exe packs as the Linux rvpx does, the members in the order the folder listed them.
    rvpx = BUILD / "host" / "rvpx"
    listed = subprocess.run([rvpx, "list", "TEMPLATE.VYG"], cwd=kotori, stdout=subprocess.PIPE, text=True).stdout
    subprocess.run([rvpx, "create", "LINUX.VYG"] + [line.split()[1] for line in listed.splitlines()], cwd=kotori,
                   check=True, stdout=subprocess.DEVNULL)
    assert filecmp.cmp(kotori / "LINUX.VYG", kotori / "TEMPLATE.VYG", shallow=False)
    # Given Windows paths, rvpx.exe names a member by what follows the last backslash, and a
    # Shift-JIS character whose second byte is 0x5C ("ソ") stays whole.
    (kotori / "ソ.bmp").write_bytes(b"BM")
    subprocess.run([WINENV, sdk / "rvpx.exe", "create", "NAMES.VYG", windows(kotori / "ソ.bmp")], cwd=kotori,
                   check=True, stdout=subprocess.DEVNULL)
    listing = subprocess.run([rvpx, "list", "NAMES.VYG"], cwd=kotori, check=True, stdout=subprocess.PIPE).stdout
    assert listing.split()[-1] == "ソ.bmp".encode("cp932")

    # Started by a double-click without ROBINA_SDK, the copy says what to set and waits for a key.
    clicked = dict(os.environ, CMDCMDLINE=f'C:\\windows\\system32\\cmd.exe /c ""{windows(kotori / "build.bat")}" "')
    result = subprocess.run([str(WINENV), "cmd", "/c", windows(kotori / "build.bat")], cwd=kotori, env=clicked,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=120)
    out = result.stdout.decode("cp932", "replace")
    assert result.returncode == 1, out
    assert "build.bat: the SDK is not at" in out and "setx ROBINA_SDK C:\\Robina-SDK-" in out
    assert "キー" in out.split("run build.bat again.")[1]  # the pause's prompt, after the message


def test_games_built_in_the_msvc_abi_check_and_play_as_the_mingw_build_does(sdk, tmp_path):
    for folder, game in GAMES.items():
        work = tmp_path / folder
        shutil.copytree(sdk / folder, work)
        msvc_build(sdk, work / f"{folder}.cpp", work / "game.dll", tmp_path)
        status, report, _ = play(sdk, "--check", pack(work, game), cwd=work)
        assert status == 0 and "game.dll imports: msvcrt.dll\n" in report, report
        members = ["game.ini", "game.dll"] + sorted(p.name for p in work.iterdir() if p.suffix in (".bmp", ".wav"))
        assert f"\nmembers: {', '.join(members)}\n" in report, report
        assert_plays_to_its_end(sdk, work, game, "--shot", "120", "--out", "msvc")
    # The template's picture is the MinGW build's, pixel for pixel.
    work = tmp_path / "template"
    subprocess.run(mingw_line(sdk, work), cwd=work, check=True)
    assert_plays_to_its_end(sdk, work, pack(work, "MINGW.VYG"), "--shot", "120", "--out", "mingw")
    assert filecmp.cmp(work / "msvc" / "shot-00120.bmp", work / "mingw" / "shot-00120.bmp", shallow=False)
    # A project whose default calling convention is stdcall (/Gz) works through the header's __cdecl.
    msvc_build(sdk, work / "template.cpp", work / "game.dll", tmp_path, ["-mrtd"])
    assert_plays_to_its_end(sdk, work, pack(work, "STDCALL.VYG"))


CHECK_FAULTS = [
    # (what is wrong, how the template is spoilt, the problem --check names)
    ("64-bit", "x64", "game.dll is built for 64-bit x64, and the shell is a 32-bit program that cannot load it"),
    ("file name", "rename", "FILENAME TEMPLATE.VYG is not the file's name OTHER.VYG"),
    ("run-time left dynamic", "dynamic", "game.dll needs libgcc_s_dw2-1.dll, which Windows does not ship"),
    ("no Start", "nostart", "game.dll does not export Start"),
    ("no data directories", "nodirs", "game.dll does not export Start"),
    ("no data directories", "nodirs", "game.dll does not export End"),
    ("small logo", "logo", "sys_logo.bmp is 100x50: the menu needs at least 256x164"),
    ("game.ini", "ini", "game.ini: GAMEID=default is refused by the shell"),
    ("game.ini", "ini", "game.ini has no MAP_POSY"),
    ("not a library", "notpe", "game.dll is not a Windows library"),
    ("not a pack", "garbage", "not a game file (an RVPX pack), or damaged"),
]
WITHOUT_HEADER = 'extern "C" __declspec(dllexport) int End(void) { return 0; }\n'


def spoil(sdk, work, how, tmp_path):
    """The template's folder made wrong one way; the game file's name."""
    if how == "x64":
        (work / "x64.cpp").write_text(WITHOUT_HEADER.replace("End", "Start") + WITHOUT_HEADER)
        subprocess.run(["clang++", "--target=x86_64-pc-windows-msvc", "-fuse-ld=lld", "-shared", "-nostdlib",
                        "-Wl,/noentry", "-o", work / "game.dll", work / "x64.cpp"], check=True)
    elif how == "nostart":
        (work / "end.cpp").write_text(WITHOUT_HEADER)
        msvc_build(sdk, work / "end.cpp", work / "game.dll", tmp_path)
    elif how == "dynamic":
        subprocess.run([x for x in mingw_line(sdk, work) if x != "-static"], cwd=work, check=True)
    else:
        subprocess.run(mingw_line(sdk, work), cwd=work, check=True)
    if how == "nodirs":  # a header that lists no data directories: no exports, whatever follows it
        library = bytearray((work / "game.dll").read_bytes())
        optional = int.from_bytes(library[0x3C:0x40], "little") + 24
        library[optional + 92:optional + 96] = bytes(4)
        (work / "game.dll").write_bytes(library)
    if how == "notpe":  # a whole library but for the signature of its PE header
        library = bytearray((work / "game.dll").read_bytes())
        header = int.from_bytes(library[0x3C:0x40], "little")
        library[header:header + 2] = b"NE"
        (work / "game.dll").write_bytes(library)
    if how == "logo":
        subprocess.run(["convert", "-size", "100x50", "xc:red", "BMP3:" + str(work / "sys_logo.bmp")], check=True)
    if how == "ini":  # quotes around a value go, as the shell's profile reading drops them
        ini = (work / "game.ini").read_text().replace("GAMEID=template", "GAMEID=default").replace("=100", '="100"')
        (work / "game.ini").write_text(re.sub(r"MAP_POSY=\d+\r?\n", "", ini))
    game = pack(work, "TEMPLATE.VYG")
    if how == "rename":
        return game.rename(work / "OTHER.VYG")
    if how == "garbage":
        game.write_bytes(b"MZ not a pack")
    return game


def test_check_names_every_problem_and_exits_2(sdk, tmp_path):
    for how in dict.fromkeys(h for _, h, _ in CHECK_FAULTS):
        work = tmp_path / how
        shutil.copytree(sdk / "template", work)
        game = spoil(sdk, work, how, tmp_path)
        status, report, errors = play(sdk, "--check", game.name, cwd=work)
        expected = [problem for _, h, problem in CHECK_FAULTS if h == how]
        named = report[report.index("\nproblems: "):] if "\nproblems: " in report else ""
        assert status == 2 and report.endswith("verdict: refused\n"), report + errors
        assert named.startswith(f"\nproblems: {len(expected)}\n"), report
        for problem in expected:
            assert problem in named, (how, report)
        if how == "ini":
            assert "\ngame.ini: VER=100\n" in report, report
        if how == "x64":  # the shell's own message stays as it is; the checker adds the diagnosis
            status, report, _ = play(sdk, game.name, cwd=work)
            assert status == 2 and "refused: ゲームファイルが壊れています。\n" in report, report


CRASHING_GAME = """#include "robina_game.h"
static ServiceTableRecord *shell;
static int *nowhere;
#ifdef AT_ENTRY
__attribute__((naked)) static void __cdecl Step(void) { __asm__("ud2"); }
#else
static void __cdecl Step(void) {
    if (++**shell->currentStep < 3) return;
    *nowhere = 1;  // the fault
}
#endif
static const StepRoutine Steps[] = {Step, Step, Step, Step};
ROBINA_GAME_ENTRY Start(ServiceTableRecord *services) {
    shell = services;
    services->CreateTask(Steps, 1000, TASK_ATTR_RUN, 16);
    return 1;
}
ROBINA_GAME_ENTRY End(void) { return 0; }
"""


def test_a_crash_points_at_its_source_line(sdk, tmp_path):
    work = tmp_path / "crash"
    shutil.copytree(sdk / "template", work)
    (work / "template.cpp").unlink()
    (work / "crash.cpp").write_text(CRASHING_GAME)
    subprocess.run(mingw_line(sdk, work, ["-O0"]), cwd=work, check=True)
    status, report, _ = play(sdk, pack(work, "TEMPLATE.VYG"), cwd=work)
    assert status == 3 and "crashed: exception c0000005 at tick 2\n" in report, report
    where = re.search(r"^where: game\.dll\+0x([0-9a-f]+), in Step\(\)\+0x[0-9a-f]+ \(addr2line -f -C -e game\.dll "
                      r"0x([0-9a-f]+)\)$", report, re.M)
    assert where, report
    base = re.search(r"ImageBase\s+([0-9a-f]+)", subprocess.run(["i686-w64-mingw32-objdump", "-p", work / "game.dll"],
                                                                 stdout=subprocess.PIPE, text=True).stdout).group(1)
    assert int(where.group(2), 16) == int(base, 16) + int(where.group(1), 16)
    line = subprocess.run(["i686-w64-mingw32-addr2line", "-f", "-C", "-e", "game.dll", "0x" + where.group(2)],
                          cwd=work, stdout=subprocess.PIPE, text=True, check=True).stdout.split()
    fault = CRASHING_GAME.splitlines().index("    *nowhere = 1;  // the fault") + 1
    assert line[0] == "Step" and line[1].endswith(f"crash.cpp:{fault}"), line
    # A fault on a function's first instruction is in that function, at +0x0.
    subprocess.run(mingw_line(sdk, work, ["-DAT_ENTRY"]), cwd=work, check=True)
    status, report, _ = play(sdk, pack(work, "TEMPLATE.VYG"), cwd=work)
    assert status == 3 and "crashed: exception c000001d at tick 0\n" in report, report
    assert re.search(r"^where: game\.dll\+0x[0-9a-f]+, in Step\(\)\+0x0 ", report, re.M), report


def test_dir_runs_the_unpacked_template_in_place_and_log_writes_the_shells_log(sdk, tmp_path):
    work = tmp_path / "unpacked"
    shutil.copytree(sdk / "template", work)
    subprocess.run(mingw_line(sdk, work), cwd=work, check=True)
    library = (work / "game.dll").read_bytes()
    temporary = sorted(BUILD.glob("wineprefix/drive_c/users/*/Temp/*"))
    run_dir = tmp_path / "here"
    run_dir.mkdir()
    report = assert_plays_to_its_end(sdk, run_dir, "--dir", work, "--log")
    assert f"game: {windows(work)}\n" in report and "  NewImage           2\n" in report
    assert (work / "game.dll").read_bytes() == library  # loaded in place and left there
    assert set(BUILD.glob("wineprefix/drive_c/users/*/Temp/*")) <= set(temporary)
    log = (run_dir / "debug.log").read_bytes()
    assert b"game leftovers " in log and b"call child proc." in log
    # A game file holds 256 members: game.dll and 255 others.
    others = [p for p in work.iterdir() if p.name != "game.dll"]
    for i in range(255 - len(others)):
        (work / f"extra{i}.txt").write_bytes(b"")
    status, report, _ = play(sdk, "--dir", work, "--ticks", "1", cwd=run_dir)
    assert status == 0 and report.endswith("verdict: ok\n"), report
    refusals = [(lambda: (work / "one.txt").write_bytes(b""), "the folder has more than 255 files besides game.dll"),
                (lambda: (work / "one.txt").replace(work / "extra0.txt").rename(work / "Zoë.bmp"),
                 "a file of the folder cannot go into a game file"),
                (lambda: (work / "game.dll").unlink(), "the folder has no game.dll")]
    complaints = ""
    for spoil_folder, why in refusals:
        spoil_folder()
        status, report, errors = play(sdk, "--dir", work, cwd=run_dir)
        assert (status, report.splitlines()[-2:]) == (2, [f"refused: {why}", "verdict: refused"]), report
        complaints += errors
    assert "robina-play: Zoë.bmp cannot go into a game file\n" in complaints


@pytest.mark.linux_only
def test_rvpx_create_on_a_full_disk_fails_and_leaves_no_file(tmp_path):
    # (On a disk with room, a pack of no members is made: an empty game file is not refused here.)
    assert run([BUILD / "host" / "rvpx", "create", "EMPTY.VYG"], tmp_path)[:2] == (0, "EMPTY.VYG: 0 members, 8 bytes\n")
    disk = tmp_path / "disk"
    disk.mkdir()
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", disk], check=True)
    try:
        # The disk full to its last page: the pack's one small write waits in the C library's buffer
        # and fails only when the file is closed. A big one fails at once.
        with pytest.raises(OSError):
            with open(disk / "filler", "wb") as filler:
                while True:
                    filler.write(bytes(4096))
                    filler.flush()
        small, big = tmp_path / "small.bin", tmp_path / "big.bin"
        small.write_bytes(b"x" * 1000)
        big.write_bytes(os.urandom(200_000))
        for member in (small, big):
            status, out, errors = run([BUILD / "host" / "rvpx", "create", disk / "FULL.VYG", member], tmp_path)
            assert (status, out) == (1, "") and errors == f"rvpx: {disk / 'FULL.VYG'}: No space left on device\n"
            assert [p.name for p in disk.iterdir()] == ["filler"]
    finally:
        subprocess.run(["umount", disk], check=True)
