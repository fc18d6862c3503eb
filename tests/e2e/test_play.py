"""robina-play, the headless game runner, on the test game files: refusals, leftovers, the scripted
mouse as a game sees it, and a game that never ends. (The sample games are replayed through it by
test_samples.)"""
import glob
import os
import re
import shutil
import subprocess

from conftest import BUILD, TESTTOOL, WIN, WINENV, wait_for, wine

PLAY = WIN / "robina-play.exe"
GAMES = WIN / "tests" / "launcher"


def play(tmp_path, game, *args):
    result = wine([PLAY, GAMES / game, *args], cwd=tmp_path)
    return result.returncode, result.stdout


def calls(report):
    return {name: int(n) for name, n in re.findall(r"^  (\w+) +(\d+)$", report, re.M)}


def test_a_refused_game_fails_the_run_with_the_shells_message(tmp_path):
    cases = [
        ("NODLL.VYG", "ゲームファイルが壊れています。"),
        ("NOTLIB.VYG", "ゲームファイルが壊れています。"),
        ("NOSTART.VYG", "スタートエントリポイント取得失敗"),
        ("NOEND.VYG", "エンドエントリポイント取得失敗"),
        ("REFUSE.VYG", "チャイルドブロック"),
        ("REFUSET.VYG", "チャイルドブロック"),
        ("MISSING.VYG", "ゲームファイルがありません"),
    ]
    for game, message in cases:
        status, report = play(tmp_path, game)
        assert (status, f"refused: {message}\nverdict: refused\n") == (2, report[report.index("refused:"):]), game


def test_an_error_message_of_the_shell_stops_the_run(tmp_path):
    status, report = play(tmp_path, "NOIMAGE.VYG")
    assert status == 2, report
    assert report.endswith("error: 画像の読み込みに失敗(missing.bmp)\nverdict: failed\n")


def temporary_files():
    return set(glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "Temp", "rvpx*.tmp")))


def test_a_crash_is_reported_after_the_error_messages_that_caused_it_and_leaves_no_library_file(tmp_path):
    before = temporary_files()
    # Refused its picture, the game reads the width of the null image it got.
    status, report = play(tmp_path, "NOIMGUSE.VYG")
    assert status == 2, report
    assert re.search(r"\nerror: 画像の読み込みに失敗\(missing\.bmp\)\n"
                     r"crashed: exception c0000005 at tick 0\nwhere: game.dll\+0x[0-9a-f]+, in Start\+0x[0-9a-f]+ .*\n"
                     r"verdict: failed\n$", report), report
    status, report = play(tmp_path, "CRASHSTP.VYG")
    assert status == 3, report
    assert re.search(r"\ncalls:\n(  .*\n)+crashed: exception c0000094 at tick 1\n"
                     r"where: game.dll\+0x[0-9a-f]+, in \(anonymous namespace\)::Count\(\)\+0x[0-9a-f]+ "
                     r"\(addr2line -f -C -e game.dll 0x[0-9a-f]+\)\nverdict: crashed\n$", report), report
    assert temporary_files() == before


def test_what_a_game_leaves_behind_is_counted_and_fails_the_run(tmp_path):
    status, report = play(tmp_path, "LEAK.VYG")
    assert status == 1, report
    assert "ticks: 3, ended by the game\n" in report
    assert "leftovers: blocks 2, images 1, sprites 3, sounds 1, tasks 1\nverdict: leaked\n" in report
    counted = calls(report)
    assert len(counted) == 18
    assert {k: counted[k] for k in ("Alloc", "NewImage", "NewSprite", "SndCreate", "CreateTask", "GameEndCall")} \
        == {"Alloc": 2, "NewImage": 1, "NewSprite": 3, "SndCreate": 1, "CreateTask": 2, "GameEndCall": 1}


def test_scripted_mouse_arrives_at_its_ticks_and_an_endless_game_stops_at_the_limit(tmp_path):
    (tmp_path / "mouse.txt").write_text("# a move, a click, a press held for three ticks\n"
                                        "5 move 120 80\n7 click\n12 press 200 100\n15 release\n")
    status, report = play(tmp_path, "SEEMOUSE.VYG", "--script", "mouse.txt", "--ticks", "30", "--shot", "20")
    assert status == 0, report
    assert "ticks: 30, stopped, the game did not end\n" in report
    assert "verdict: ok\n" in report
    # tick, x, y, click, held: each tick on which the game saw the mouse change
    seen = (tmp_path / "mouse.log").read_text().splitlines()
    assert seen == ["0 0 0 0 0", "5 120 80 0 0", "7 120 80 1 1", "8 120 80 0 0", "12 200 100 1 1",
                    "13 200 100 0 1", "15 200 100 0 0"]
    assert (tmp_path / "shot-00020.bmp").stat().st_size == 54 + 640 * 360 * 3


def test_a_script_line_that_is_no_event_is_refused_before_the_run(tmp_path):
    (tmp_path / "bad.txt").write_text("5 move 120\n")
    status, report = play(tmp_path, "SEEMOUSE.VYG", "--script", "bad.txt")
    assert (status, report) == (4, "")


def test_without_a_sound_device_a_game_at_a_japanese_path_plays_and_reports_paths_readably(tmp_path):
    # Paths with characters of Shift-JIS and one outside it: the report is UTF-8, whatever the path.
    folder, out = tmp_path / "ロビナの部屋", tmp_path / "Zoë"
    folder.mkdir()
    out.mkdir()
    shutil.copy(WIN / "template" / "TEMPLATE.VYG", folder / "ゲーム.vyg")
    command = [WINENV, PLAY, "ゲーム.vyg", "--ticks", "30", "--shot", "20", "--out", out]
    result = subprocess.run([str(c) for c in command], cwd=folder, env=dict(os.environ, ROBINA_AUDIO_FILE="none"),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    report, errors = result.stdout.decode("utf-8"), result.stderr.decode("utf-8", "replace")
    assert result.returncode == 0, report + errors
    assert "robina-play: no sound device; the game plays without sound" in errors
    assert re.search(r"^game: Z:\\.*\\ロビナの部屋\\ゲーム\.vyg$", report, re.M), report
    assert f"shot: {out}/shot-00020.bmp\n" in report and (out / "shot-00020.bmp").exists()
    assert "  SndCreate          1\n" in report and "verdict: ok\n" in report


def test_the_command_line_is_refused_at_its_limits(tmp_path):
    # A script of as many events as robina-play keeps runs; one more is refused before the run.
    events = "".join(f"{t} move {t % 640} 10\n" for t in range(32768))
    (tmp_path / "full.txt").write_text(events)
    (tmp_path / "over.txt").write_text(events + "32768 click\n")
    status, report = play(tmp_path, "SEEMOUSE.VYG", "--script", "full.txt", "--ticks", "3")
    assert status == 0 and "verdict: ok\n" in report, report
    seen = (tmp_path / "mouse.log").read_text().splitlines()
    assert seen[:3] == ["0 0 10 0 0", "1 1 10 0 0", "2 2 10 0 0"]
    assert play(tmp_path, "SEEMOUSE.VYG", "--script", "over.txt", "--ticks", "3") == (4, "")
    # Numbers up to 2^31 - 1, 64 screenshots, events of one tick in the order written.
    (tmp_path / "same.txt").write_text("1 move 5 6\n1 press\n2 release\n")
    (tmp_path / "mouse.log").unlink()
    shots = [a for tick in range(64) for a in ("--shot", str(tick))]
    status, report = play(tmp_path, "SEEMOUSE.VYG", "--script", "same.txt", "--ticks", "3", "--seed", "2147483647",
                          "--zumi", "2147483647", "--out", "shots", *shots)
    assert status == 0 and len(os.listdir(tmp_path / "shots")) == 3, report
    assert (tmp_path / "mouse.log").read_text().splitlines()[1] == "1 5 6 1 1"
    for bad in (["--seed", "2147483648"], ["--ticks", "-1"], ["--zumi", "5x"], ["--ticks", ""], ["--shot", "64"] + shots):
        assert play(tmp_path, "SEEMOUSE.VYG", "--ticks", "3", *bad) == (4, ""), bad
    # A path longer than the engine can open is a bad command line, not a missing game.
    assert play(tmp_path, "x" * 300 + ".VYG") == (4, "")


def test_watch_on_a_game_folder_starts_again_when_the_library_changes_and_ends_at_the_close_box(tmp_path):
    folder = tmp_path / "leak"
    folder.mkdir()
    subprocess.run([BUILD / "host" / "rvpx", "extract", GAMES / "LEAK.VYG", "-C", folder], check=True)
    temporary = set(glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "Temp", "*")))
    report = tmp_path / "report.txt"
    with open(report, "wb") as sink:
        process = subprocess.Popen([str(WINENV), str(PLAY), "--watch", "--dir", str(folder)], cwd=tmp_path,
                                   stdout=sink, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: b"verdict: leaked\n" in report.read_bytes(), what="the game's end")
        later = os.stat(folder / "game.dll").st_mtime + 10  # as a new build leaves it
        os.utime(folder / "game.dll", (later, later))
        wait_for(lambda: report.read_bytes().count(b"game: ") == 2, what="the start after the change",
                 seen=report.read_bytes)
        wait_for(lambda: report.read_bytes().count(b"verdict: ") == 2, what="the second end", seen=report.read_bytes)
        wait_for(lambda: wine([TESTTOOL, "window", "robina-play", "close"]).returncode == 0, what="the close box")
        assert process.wait(timeout=60) == 0
        # Once per run: the first ended, the file changed, the second ended, and nothing more.
        assert re.findall(rb"^(game|verdict|--).*", report.read_bytes(), re.M) == [
            b"game", b"verdict", b"--", b"game", b"verdict"], report.read_bytes()
    finally:
        if process.poll() is None:
            process.kill()
    assert set(glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "Temp", "*"))) <= temporary
    assert (folder / "game.dll").exists()


def test_watch_plays_a_game_to_the_end_a_plain_run_reaches(tmp_path):
    # The window ticks the game until the game itself ends: the same ticks, result, calls and verdict
    # as a plain run of the same game and seed.
    status, plain = play(tmp_path, "SCORE.VYG")
    assert status == 0 and "ended by the game" in plain, plain
    report = tmp_path / "report.txt"
    with open(report, "wb") as sink:
        process = subprocess.Popen([str(WINENV), str(PLAY), "--watch", str(GAMES / "SCORE.VYG")], cwd=tmp_path,
                                   stdout=sink, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: b"verdict: " in report.read_bytes(), what="the game's end", seen=report.read_bytes)
        wait_for(lambda: wine([TESTTOOL, "window", "robina-play", "close"]).returncode == 0, what="the close box")
        assert process.wait(timeout=60) == 0
    finally:
        if process.poll() is None:
            process.kill()
    watched = report.read_bytes().decode("utf-8")
    assert watched[watched.index("ticks: "):] == plain[plain.index("ticks: "):]
