"""A downloaded game joins the map with a double-click, as a player does it: through the file
association's own command, on an upper-case game file in a Japanese-named Downloads folder, with the
program not running or running minimised; the command line's table of files that are asked about or
refused; and a copy into a full or read-only games folder. Each test has a Windows (prefix) of its own,
so that its games folder is its own."""
import os
import shutil
import subprocess

import pytest

from conftest import TESTTOOL, TITLE, WIN, WINENV, Program, wait_for, wine, xdotool
from screens import RVPX, park_mouse, point_centre, wait_screen

ADD = TITLE + "　ゲームの追加"
NOTICE = "このファイルはポモのロビナ用のゲームファイルです。"
KINOMI = WIN / "kinomi" / "KINOMI.VYG"   # map point 180, 120
TWICE = WIN / "tests" / "launcher" / "TWICE.VYG"  # ends by itself at its third tick, map point 100, 100


def user_folder(prefix, name):
    """A folder of the prefix's user (Documents, Downloads, ...), as the prefix keeps it."""
    users = [p for p in (prefix / "drive_c" / "users").iterdir() if p.name != "Public"]
    return users[0] / name


def windows_path(prefix, path):
    return "C:\\" + str(path.relative_to(prefix / "drive_c")).replace("/", "\\")


def version_of(game, ver, folder):
    """The game file again with another VER: the same name, other bytes."""
    work = folder / "members"
    work.mkdir(parents=True)
    subprocess.run([str(RVPX), "extract", str(game), "-C", str(work)], check=True, stdout=subprocess.DEVNULL)
    ini = work / "game.ini"
    ini.write_bytes(ini.read_bytes().replace(b"VER=100", b"VER=%d" % ver))
    out = folder / game.name
    subprocess.run([str(RVPX), "create", str(out)] + sorted(str(p) for p in work.iterdir()), check=True,
                   stdout=subprocess.DEVNULL)
    return out


@pytest.fixture
def windows(tmp_path):
    """A Windows of the test's own (a fresh prefix) and a maker of program folders in it; every program
    of the prefix is ended after the test, those the shell started in sessions of their own too."""
    prefix = tmp_path / "prefix"
    subprocess.run([str(WINENV), "--init"], env=dict(os.environ, ROBINA_PREFIX=str(prefix)), check=True)
    made = []

    def program(folder, copy=True):
        made.append(Program(folder, tmp_path / f"{len(made)}.raw", prefix=prefix, copy=copy))
        return made[-1]
    yield prefix, program
    for each in made:
        each.stop()
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(prefix)), timeout=60)


def double_click(program, path):
    """What Explorer does with a double-click: the shell opens the file through its association, in a
    process of its own started in the file's folder."""
    subprocess.run([str(WINENV), "start", "/unix", str(path)], cwd=program.folder, env=program.env(), timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def idle(program):
    """Every program of the prefix has ended (the dialog watcher first)."""
    program.stop()
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=str(program.prefix)), timeout=60)


def boxes_of(program, caption):
    return [b for b in program.boxes() if b["caption"] == caption]


def registered(program):
    """A first start writes the association (as an installer would); the program is stopped again."""
    program.start("/q")
    program.wait_log("ゲームファイルが1個見つかりました")
    program.stop()


# A player of an install for one user (Japanese Windows), and one of an install for every user in
# Program Files (an English Windows). Wine makes every user an administrator, so a standard user is
# shown by the rights of the folder the game goes to: the player's own, under the profile.
@pytest.mark.parametrize("locale, program_folder", [
    (None, "users/PLAYER/AppData/Local/Programs/Mossleaf/Robina"),
    ("en_US.UTF-8", "Program Files/Mossleaf/Robina"),
])
def test_a_double_click_on_a_download_asks_copies_and_starts_with_the_game_on_the_map(windows, locale,
                                                                                      program_folder):
    prefix, make = windows
    player = user_folder(prefix, "Documents").parent.name
    program = make(prefix / "drive_c" / program_folder.replace("PLAYER", player))
    program.locale = locale
    shutil.copy(TWICE, program.folder)
    registered(program)
    download = user_folder(prefix, "Downloads") / "ロビナ の ゲーム" / "KINOMI.VYG"
    download.parent.mkdir()
    shutil.copy(KINOMI, download)
    games = user_folder(prefix, "Documents") / "Robina Games"
    # The shell starts the program in the file's own folder, where its log then goes.
    clicked = make(download.parent, copy=False)

    # Cancel: nothing is copied, not even the folder made, and the program does not start.
    program.watch({ADD: 2})
    double_click(program, download)
    clicked.wait_log("the player declined\n")
    idle(program)
    [asked] = boxes_of(program, ADD)
    question = asked["texts"][-1]
    assert question.startswith(NOTICE + "\n\nゲーム：kinomi　ver1.00（KINOMI.VYG）\n"), question
    assert windows_path(prefix, games) + "\n" in question
    assert [(b["text"], b["style"]) for b in asked["buttons"]] == [("追加する", 1), ("キャンセル", 0)]
    assert not games.exists() and "start\n" not in clicked.log()

    # Yes: the file is copied whole, and the program starts with the game on its map; a click plays it.
    program.watch({ADD: 1})
    double_click(program, download)
    wait_screen(clicked, "title", timeout=120)
    assert games.stat().st_mode & 0o200 and games.stat().st_uid == os.getuid()
    assert os.listdir(games) == ["KINOMI.VYG"] and (games / "KINOMI.VYG").read_bytes() == KINOMI.read_bytes()
    clicked.click(320, 200)
    park_mouse()
    wait_screen(clicked, "menu")
    assert "set vyg file : KINOMI.VYG(ver1.00)\n" in clicked.log()
    clicked.click_until(point_centre(180, 120), "launch vyg file(1) : KINOMI.VYG")
    clicked.wait_log("start task_sum")


# The program runs, minimised, when the download is double-clicked: it comes to the front and asks,
# and the game is on the map at the next menu entry. While that game is played the same file is
# double-clicked again ("already added"), then another version of it (both shown, replaced on yes).
def test_the_running_minimised_program_comes_forward_asks_and_has_the_game_at_the_next_menu(windows, tmp_path):
    prefix, make = windows
    program = make(tmp_path / "prog")
    shutil.copy(TWICE, program.folder)
    program.start("/q", answers={ADD: 1})
    program.wait_log("ゲームファイルが1個見つかりました")
    download = user_folder(prefix, "Downloads") / "ロビナ の ゲーム" / "KINOMI.VYG"
    download.parent.mkdir()
    shutil.copy(KINOMI, download)
    games = user_folder(prefix, "Documents") / "Robina Games"

    def window(action):
        return wine([TESTTOOL, "window", TITLE, action], env=program.env()).stdout.strip()
    window("minimize")
    wait_for(lambda: window("state").startswith("iconic=1"), what="the minimised window")
    double_click(program, download)
    wait_for(lambda: boxes_of(program, ADD), what="the question")
    assert window("state") == "iconic=0 foreground=1"
    assert "game file handed over: " + windows_path(prefix, download) + "\n" in program.log()
    wait_for(lambda: boxes_of(program, TITLE), what="the added message")
    assert (games / "KINOMI.VYG").read_bytes() == KINOMI.read_bytes()
    assert "KINOMI.VYG(ver1.00)" not in program.log()  # not before the menu is entered again

    program.click_until(point_centre(100, 100), "launch vyg file(0) : TWICE.VYG")
    program.wait_log("rescan: 2 games, 1 joined, 0 left\n")
    assert "set vyg file : KINOMI.VYG(ver1.00)\n" in program.log()
    program.click_until(point_centre(180, 120), "launch vyg file(1) : KINOMI.VYG")
    wait_for(lambda: program.log().count("start task_sum") == 2, what="KINOMI.VYG playing")

    double_click(program, download)
    wait_for(lambda: len(boxes_of(program, TITLE)) == 2, what="the second message")
    said = [b["texts"] for b in boxes_of(program, TITLE)]
    assert said[-1] == ["「KINOMI.VYG」は、もう追加されています。\n\n" + windows_path(prefix, games / "KINOMI.VYG")]
    newer = version_of(KINOMI, 110, tmp_path / "newer")
    shutil.copy(newer, download)
    double_click(program, download)
    wait_for(lambda: len(boxes_of(program, ADD)) == 2, what="the question before replacing")
    replace = boxes_of(program, ADD)[-1]
    question = replace["texts"][-1]
    assert question.index("いまあるもの：kinomi ver1.00") < question.index("開いたもの　：kinomi ver1.10"), question
    assert [(b["text"], b["style"]) for b in replace["buttons"]] == [("置き換える", 0), ("キャンセル", 1)]
    wait_for(lambda: (games / "KINOMI.VYG").read_bytes() == newer.read_bytes(), what="the replaced file")
    assert os.listdir(games) == ["KINOMI.VYG"]
    # The game ends by itself after 8 s of play; back at the map, Esc ends the program.
    wait_for(lambda: program.log().count("first frame of the menu") == 3, what="the map after the game")
    program.key("Escape")
    assert program.wait() == 0
    assert program.log().endswith("アプリ終了 メモリ解放忘れ0\n")


# The command line as a double-click, a drop or a typed command hands it over: any case of ".vyg",
# quoted or not, blanks and Japanese names in the path; a file that is asked about (and cancelled) or
# refused with the rule it breaks. Nothing is ever copied, and the games folder is made only when
# asked for.
def test_the_command_line_table_of_game_files(windows, tmp_path):
    prefix, make = windows
    program = make(tmp_path / "prog")
    down = tmp_path / "ダウンロード" / "my downloads"
    (down / "もっと 新しい").mkdir(parents=True)
    z = "Z:" + str(down).replace("/", "\\") + "\\"
    shutil.copy(KINOMI, down / "kinomi.vyg")
    shutil.copy(KINOMI, down / "KINOMI (1).VYG")
    (down / "notes.Vyg").write_bytes(b"RVPX, and then just notes")
    later = version_of(KINOMI, 100, tmp_path / "later")
    members = tmp_path / "later" / "members"
    (members / "game.ini").write_bytes((members / "game.ini").read_bytes().replace(b"REQUIREVER=104", b"REQUIREVER=150"))
    subprocess.run([str(RVPX), "create", str(down / "もっと 新しい" / later.name)] +
                   sorted(str(p) for p in members.iterdir()), check=True, stdout=subprocess.DEVNULL)
    # (the command line's words: one with blanks reaches the program in quotes, several without;
    # exit status; the box's caption; what its text holds)
    cases = [
        ((z + "kinomi.vyg").split(" "), 0, ADD, NOTICE),
        ([z + "kinomi.VYG"], 0, ADD, "（KINOMI.VYG）"),
        ((z + "kinomi.Vyg").split(" "), 0, ADD, NOTICE),
        ([z + "notes.Vyg"], 2, TITLE, "「notes.Vyg」は追加できません。\n\nポモのロビナのゲームファイル（RVPXパック）では"),
        ([z + "KINOMI (1).VYG"], 2, TITLE, "FILENAME「KINOMI.VYG」と違います。\nファイル名を「KINOMI.VYG」に直して"),
        ([z + "もっと 新しい\\KINOMI.VYG"], 2, TITLE, "ポモのロビナ ver1.50 以上が必要です（これは ver1.04 です）"),
        ([z + "gone.vyg"], 2, TITLE, "ファイルが見つかりません。\n" + z + "gone.vyg"),
        (["/x"], 0, None, None),
    ]
    program.watch({ADD: 2})
    for words, status, caption, text in cases:
        before = len(program.boxes())
        assert program.run(*words) == status, words
        shown = program.boxes()[before:]
        assert [b["caption"] for b in shown] == ([caption] if caption else []), words
        assert not caption or text in shown[0]["texts"][-1], (words, shown)
    games = user_folder(prefix, "Documents") / "Robina Games"
    assert not games.exists()
    assert "loop start" not in program.log()
    # What the Start menu's "ゲームフォルダ" runs: the folder, made when missing, opens in Explorer.
    assert program.run("/folder") == 0 and games.is_dir()
    wait_for(lambda: xdotool("search", "--name", "^Robina Games$", check=False).strip(), what="Explorer's window")


# A copy that cannot be finished (the games folder on a full disk, then read-only) says why and
# leaves nothing behind: no half file, no temporary file.
def test_a_copy_into_a_full_or_read_only_games_folder_leaves_nothing(windows, tmp_path):
    prefix, make = windows
    small = tmp_path / "small"
    small.mkdir()
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=512k", "tmpfs", str(small)],
                      stderr=subprocess.DEVNULL).returncode != 0:
        pytest.skip("no tmpfs can be mounted here (not root)")
    try:
        program = make(tmp_path / "prog")
        (small / "games").mkdir()
        (user_folder(prefix, "Documents") / "Robina Games").symlink_to(small / "games")
        program.watch({ADD: 1})
        for remount, says in ((None, "ディスクの空きが足りません。"), ("remount,ro", "このフォルダには書き込めません")):
            if remount:
                subprocess.run(["mount", "-o", remount, str(small)], check=True)
            before = len(program.boxes())
            assert program.run("Z:" + str(KINOMI).replace("/", "\\")) == 2
            [told] = [b for b in program.boxes()[before:] if b["caption"] == TITLE]
            assert told["texts"][0].startswith("「KINOMI.VYG」を追加できませんでした。何もコピーしていません。"), told
            assert says in told["texts"][0], told
            assert os.listdir(small / "games") == []
    finally:
        subprocess.run(["umount", "-l", str(small)])
