"""The real program played game after game, and killed at bad moments. With ROBINA_SOAK=long (make soak)
the game cycles run 100 times; make test runs three. After the cycles the program's private memory has
not grown beyond its bound, every record decodes and the play count is exactly the number of cycles.
A program killed with SIGKILL in a game, in the name dialog or at the menu leaves its temporary files,
and the next start sweeps them and says so in its log."""
import os
import pathlib
import shutil
import time

import pytest

from conftest import PREFIX, WIN, reg_get, wait_for

LONG = os.environ.get("ROBINA_SOAK") == "long"
CYCLES = 100 if LONG else 3
PRIVATE_GROWTH_BOUND_KB = 4096  # after the first cycle, which makes the program's first game objects
TEST_GAMES = WIN / "tests" / "launcher"
CHECKSUM_SEED, KEY_MASK = 0x5EB1A7C3, 0xE3


def decode_record(text, n):
    """The n plain bytes of a record text, or None when its checksum does not match (as DecodeRecord)."""
    digit = lambda c: c - 55 if c >= 65 else c - 48
    byte_at = lambda at: (16 * digit(text[at + 1]) + digit(text[at])) & 0xFF
    k = byte_at(2 * n)
    stored = 0
    for d in range(8):
        stored = (stored * 16 + digit(text[2 * n + 2 + d])) & 0xFFFFFFFF
    s = CHECKSUM_SEED
    for j in range(2 * n):
        s = (s + j * j + k * k * text[j] * text[j]) & 0xFFFFFFFF
    if s != stored:
        return None
    r = k ^ KEY_MASK
    return bytes(((((byte_at(2 * i) + i) & 0xFF) ^ r) - 3 * i * i) & 0xFF for i in range(n))


def windows_pid_memory_kb(program):
    """Anonymous resident memory of the program's own Linux process (its private bytes under Wine): the
    largest of the processes of its session that name Robina.exe (the others are Wine's start-up)."""
    session, sizes = program.process.pid, [0]
    for entry in pathlib.Path("/proc").iterdir():
        try:
            if not entry.name.isdigit() or os.getsid(int(entry.name)) != session:
                continue
            if b"Robina.exe" not in (entry / "cmdline").read_bytes():
                continue
            status = (entry / "status").read_text()
        except (OSError, ProcessLookupError):
            continue
        sizes += [int(line.split()[1]) for line in status.splitlines() if line.startswith("RssAnon:")]
    return max(sizes)


def temp_leftovers():
    return sorted(p.name for p in (PREFIX / "drive_c" / "users").glob("*/**/Temp/rvpx*.tmp"))


def install(program, *files):
    for name in files:
        source = next(folder / name for folder in (TEST_GAMES, WIN / "tests" / "soak") if (folder / name).exists())
        shutil.copy(source, program.folder / name)


@pytest.mark.alone  # it bounds the growth of private memory: nothing else runs beside it
def test_games_played_one_after_another_leave_no_growth_and_count_every_play(robina):
    install(robina, "TWICE.VYG")  # ends by itself at its third tick, with a score of 0: no name dialog
    robina.start("/q")
    robina.wait_log("ゲームファイルが1個見つかりました")
    began, warm = time.monotonic(), None
    for cycle in range(1, CYCLES + 1):
        robina.click_until((116, 116), "launch vyg file", cycle)
        wait_for(lambda: robina.log().count("ReturnMenu\n") >= cycle, what=f"return {cycle}")
        if cycle == 1:
            warm = windows_pid_memory_kb(robina)
    last = windows_pid_memory_kb(robina)
    print(f"\ne2e games x{CYCLES} in {time.monotonic() - began:.0f} s: private memory {warm} -> {last} kB")
    assert last - warm <= PRIVATE_GROWTH_BOUND_KB
    robina.key("Escape")
    assert robina.wait() == 0
    assert "アプリ終了 メモリ解放忘れ0\n" in robina.log()
    assert [b for b in robina.boxes() if b["caption"] == "エラー"] == []
    main = decode_record(reg_get("RBSV100"), 52)
    game = decode_record(reg_get("twice100"), 448)
    assert main is not None and game is not None
    assert int.from_bytes(game[28:32], "little") == CYCLES
    assert temp_leftovers() == []


# Where the program is killed: the game file it plays, the log line that says it is there, and whether a
# temporary file is then left (the loaded game library; None: a member may be on its way through).
MOMENTS = {
    "game": ("NEVER.VYG", (116, 116), "call child proc.", True),
    "name dialog": ("TEMPLATE.VYG", (336, 216), None, False),  # the library went before the dialog
    "menu": (None, None, "BMPLoadComplete", None),
}


@pytest.mark.parametrize("moment", MOMENTS)
def test_a_killed_run_leaves_no_temporary_file_after_the_next_start(robina, moment):
    game, point, line, leaves = MOMENTS[moment]
    if game:
        install(robina, game)
    robina.start("/q", answers={"ハイ！ハイ！ハイスコア": 0})
    robina.wait_log("ゲームファイル" if game else "loop start")
    if game:
        robina.click_until(point, "call child proc.")
    if moment == "name dialog":
        for _ in range(8):  # the template scores a click on the robin; it ends after ten seconds
            robina.click(*point)
            time.sleep(0.2)
        robina.wait_box("ハイ！ハイ！ハイスコア")
    else:
        robina.wait_log(line)
    robina.stop()  # SIGKILL
    left = temp_leftovers()
    if leaves is not None:
        assert bool(left) == leaves
    (robina.folder / "debug.log").unlink()
    robina.start("/q")
    robina.wait_log("loop start")
    for name in left:
        assert "swept leftover " in robina.log() and name in robina.log()
    robina.key("Escape")
    assert robina.wait() == 0
    assert temp_leftovers() == []  # looked at once the run is over: while it runs, it extracts members
