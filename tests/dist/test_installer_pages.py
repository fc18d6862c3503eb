"""The Windows installer as a player meets it: its pages answered with the keyboard on a desktop with a
window manager, beside the same choices made silently. Each scenario has a Wine prefix of its own."""
import contextlib
import json
import os
import re
import shutil
import subprocess

import pytest

import test_dist as base
from conftest import (BUILD, TESTTOOL, TITLE, WINENV, desktop_entered, wait_for, window_manager,  # noqa: F401
                      xdotool)
import dist
import installer_art

SETUP = base.DIST / base.SETUP
CAPTION = f"{TITLE} セットアップ"
UNINSTALL_CAPTION = f"{TITLE} アンインストール"
WELCOME, COMPONENTS, FOLDER = f"{TITLE} セットアップへようこそ", "構成要素の選択", "インストール先の選択"
FINISH = f"{TITLE} セットアップの完了"
KINOMI = BUILD / "win" / "kinomi" / "KINOMI.VYG"  # a game file of the player's, not one the installer ships
SKY, MEADOW = (70, 150, 210), (110, 180, 90)  # the welcome picture's top and its meadow (installer_art.py)


def new_prefix(tmp_path, name="prefix", dpi=None):
    """A prefix of the test's own; dpi gives its screen another density (Wine reads it at its start)."""
    prefix = tmp_path / name
    env = dict(os.environ, ROBINA_PREFIX=str(prefix), **({"ROBINA_DPI": str(dpi)} if dpi else {}))
    subprocess.run([str(WINENV), "--init"], env=env, check=True, timeout=180)
    return prefix


def look(prefix, caption=CAPTION):
    """The installer's visible dialogs of that caption (its window, a question above it), as testtool
    reads them: texts, buttons (enabled, whether the text fits), edit boxes."""
    out = base.in_prefix(prefix, TESTTOOL, "look", caption, check=False, idle=False).stdout
    return [json.loads(line) for line in out.decode("utf-8").splitlines() if line.startswith("{")]


def wait_dialog(prefix, text, caption=CAPTION):
    """The dialog whose texts hold text, once it shows."""
    def found():
        return next((d for d in look(prefix, caption) if text in "\n".join(d["texts"])), None)
    return wait_for(found, 120, interval=0.3, what=f"a dialog saying {text!r}",
                    seen=lambda: [d["texts"] for d in look(prefix, caption)])


def press(*keys, caption=CAPTION):
    """Keys to the installer's window in front (a question is in front of the pages), as typed."""
    windows = xdotool("search", "--onlyvisible", "--name", f"^{caption}$", check=False).split()
    if xdotool("getactivewindow", check=False).strip() not in windows:
        xdotool("windowactivate", "--sync", windows[-1], check=False)
    xdotool("key", *keys)


def start(prefix, *args):
    env = dict(os.environ, ROBINA_PREFIX=str(prefix))
    return subprocess.Popen([str(WINENV)] + [str(a) for a in args], env=env, start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def end(prefix, process):
    """The installer's exit status; the program and the readme it opened at the end are closed."""
    status = process.wait(timeout=120)
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(prefix)), timeout=60)
    return status


def assert_buttons_fit(dialog):
    cut = [b["text"] for b in dialog["buttons"] if b["style"] in (0, 1) and b["text"] and not b["fits"]]
    assert cut == [], cut


def next_button(dialog):
    return next(b for b in dialog["buttons"] if b["id"] == 1)


def through_pages(prefix, *args, question=None, at_welcome=None):
    """Runs the installer and presses Return on each page as a player does, OK on a question whose
    text holds `question` (which must come). Every page's buttons fit their texts; at_welcome looks
    at the first page. Returns the installer's exit status and the pages and questions seen."""
    process = start(prefix, *args)
    seen = {}
    for title in (WELCOME, COMPONENTS, FOLDER):
        seen[title] = wait_dialog(prefix, title)
        assert_buttons_fit(seen[title])
        if title == WELCOME and at_welcome:
            at_welcome()
        press("Return")
    if question:
        seen[question] = wait_dialog(prefix, question)
        press("Return")
    seen[FINISH] = wait_dialog(prefix, FINISH)
    assert_buttons_fit(seen[FINISH])
    press("Return")
    return end(prefix, process), seen


def entry(prefix):
    return base.registry(prefix, "user")[base.UNINSTALL_KEY]


def assert_installed(prefix, folder, extra=()):
    """The program's files, log and uninstaller are in the folder, and the entry names it."""
    names = set(os.listdir(base.windows_path(prefix, folder)))
    assert set(base.INSTALLED + ["install.log", "uninstall.exe"] + list(extra)) == names - {"debug.log", "debughqx.bin"}
    assert entry(prefix)["InstallLocation"] == folder


def default_folder(prefix):
    user = next(p.name for p in (prefix / "drive_c" / "users").iterdir() if p.name not in ("Public", "Default"))
    return f"C:\\users\\{user}\\AppData\\Local\\Programs\\Mossleaf\\Robina"


def welcome_picture_column():
    """The colours down the left edge of the welcome page's picture, from the screen."""
    from PIL import ImageGrab
    window = xdotool("search", "--onlyvisible", "--name", f"^{CAPTION}$").split()[0]
    info = subprocess.run(["xwininfo", "-id", window], stdout=subprocess.PIPE, text=True, check=True).stdout
    x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
    y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
    shot = ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).convert("RGB")
    return [shot.getpixel((x + 8, dy)) for dy in range(y, min(y + 600, shot.height))]


def near(colour, wanted, slack=40):
    return all(abs(a - b) <= slack for a, b in zip(colour, wanted))


def test_crowded_folder_through_the_pages_goes_where_the_question_says(tmp_path, window_manager):
    prefix = new_prefix(tmp_path)
    crowded = prefix / "drive_c" / "Games2"
    crowded.mkdir()
    theirs = {"readme.txt": b"another program's readme", "other.txt": b"theirs"}
    for name, data in theirs.items():
        (crowded / name).write_bytes(data)

    def picture_is_ours():
        column = welcome_picture_column()
        # The program's sky above its meadow, not the stock picture.
        assert near(column[0], SKY) and any(near(c, MEADOW, 20) for c in column), column[::40]
    status, seen = through_pages(prefix, SETUP, "/D=C:\\Games2", question="インストール先: C:\\Games2\\Robina",
                                 at_welcome=picture_is_ours)
    assert status == 0
    assert [e["text"] for e in seen[FOLDER]["edits"]] == ["C:\\Games2"]
    assert "「C:\\Games2」には他のファイルがあるため" in "".join(seen["インストール先: C:\\Games2\\Robina"]["texts"])
    assert {name: (crowded / name).read_bytes() for name in theirs} == theirs
    assert sorted(os.listdir(crowded)) == ["Robina", "other.txt", "readme.txt"]
    assert_installed(prefix, "C:\\Games2\\Robina")
    # Silently the same folder again: the program's own by its log.
    assert base.in_prefix(prefix, SETUP, "/S", "/D=C:\\Games2\\Robina").returncode == 0
    assert_installed(prefix, "C:\\Games2\\Robina")


def test_default_folder_after_an_uninstall_that_kept_a_game_at_144_dpi(tmp_path, window_manager):
    prefix = new_prefix(tmp_path, dpi=144)
    base.in_prefix(prefix, SETUP, "/S")
    folder = default_folder(prefix)
    files = base.windows_path(prefix, folder)
    shutil.copy(KINOMI, files / "KINOMI.VYG")
    base.in_prefix(prefix, files / "uninstall.exe", "/S")
    assert sorted(os.listdir(files)) == ["KINOMI.VYG", "install.log"]
    # Through the pages (no question: the folder is the program's own), then silently once more.
    status, seen = through_pages(prefix, SETUP)
    assert status == 0 and [e["text"] for e in seen[FOLDER]["edits"]] == [folder]
    assert_installed(prefix, folder, ["KINOMI.VYG"])
    base.in_prefix(prefix, files / "uninstall.exe", "/S")
    assert base.in_prefix(prefix, SETUP, "/S").returncode == 0
    assert_installed(prefix, folder, ["KINOMI.VYG"])
    assert not (files / "Robina").exists()


def test_repair_keeps_a_game_file_the_player_changed_silently_and_through_the_pages(tmp_path, window_manager):
    prefix = new_prefix(tmp_path)
    base.in_prefix(prefix, SETUP, "/S")
    folder = default_folder(prefix)
    files = base.windows_path(prefix, folder)
    shipped = {name: (files / name).read_bytes() for name in base.INSTALLED}
    newer = KINOMI.read_bytes()  # the player's newer MOGURA.VYG
    (files / "MOGURA.VYG").write_bytes(newer)
    (files / "Robina.exe").unlink()  # and a shipped file that went missing, which a repair brings back
    assert base.in_prefix(prefix, SETUP, "/S", check=False).returncode == 7
    assert (files / "MOGURA.VYG").read_bytes() == newer
    assert {name: (files / name).read_bytes() for name in base.INSTALLED if name != "MOGURA.VYG"} == \
        {name: data for name, data in shipped.items() if name != "MOGURA.VYG"}
    assert not (files / "~robina-setup.tmp").exists()

    status, seen = through_pages(prefix, SETUP, question="置き換えずにそのまま残しました")
    assert status == 7 and "MOGURA.VYG" in "".join(seen["置き換えずにそのまま残しました"]["texts"])
    assert (files / "MOGURA.VYG").read_bytes() == newer
    assert_installed(prefix, folder)
    # The uninstaller keeps it as well, and the next install still does.
    base.in_prefix(prefix, files / "uninstall.exe", "/S")
    assert sorted(os.listdir(files)) == ["MOGURA.VYG", "install.log"]
    assert base.in_prefix(prefix, SETUP, "/S", check=False).returncode == 7
    assert (files / "MOGURA.VYG").read_bytes() == newer


@contextlib.contextmanager
def small_drive(prefix, letter, options):
    """A tmpfs of the given options, mapped into the prefix as a drive; always unmounted again."""
    mountpoint = prefix.parent / f"drive-{letter}"
    mountpoint.mkdir(exist_ok=True)
    subprocess.run(["mount", "-t", "tmpfs", "-o", options, "robina-test", str(mountpoint)], check=True)
    link = prefix / "dosdevices" / f"{letter}:"
    try:
        link.symlink_to(mountpoint)
        yield mountpoint
    finally:
        if link.is_symlink():
            link.unlink()
        subprocess.run(["umount", "-l", str(mountpoint)], check=True)


def test_full_drive_checked_first_and_a_failed_write_leaves_nothing(tmp_path, window_manager):
    prefix = new_prefix(tmp_path)
    try:
        with small_drive(prefix, "t", "size=3m") as drive:
            result = base.in_prefix(prefix, SETUP, "/S", "/D=T:\\Robina", check=False)
            assert result.returncode == 6 and os.listdir(drive) == []
            # On the folder page the install button is greyed, with a line that says why.
            process = start(prefix, SETUP, "/D=T:\\Robina")
            wait_dialog(prefix, WELCOME)
            press("Return")
            wait_dialog(prefix, COMPONENTS)
            press("Return")
            page = wait_dialog(prefix, "空き容量が足りない")
            assert next_button(page)["enabled"] == 0
            # Another folder, on a drive with room, takes the line away and gives the button back.
            press("End", "shift+Home")
            xdotool("type", "C:\\Robina")
            wait_for(lambda: [(next_button(d)["enabled"], "空き容量が足りない" in "".join(d["texts"]))
                              for d in look(prefix)] == [(1, False)], 60, interval=0.3, what="the button back")
            press("Escape")
            assert end(prefix, process) != 0 and os.listdir(drive) == []
        # Room for the bytes but not for the files: the write fails half way, and nothing stays.
        with small_drive(prefix, "u", "size=64m,nr_inodes=5") as drive:
            result = base.in_prefix(prefix, SETUP, "/S", "/D=U:\\Robina", check=False)
            assert result.returncode == 8 and os.listdir(drive) == []
            assert base.UNINSTALL_KEY not in base.registry(prefix, "user")
    finally:
        leftover = subprocess.run(["mount"], stdout=subprocess.PIPE, text=True).stdout
        assert str(tmp_path) not in leftover, leftover


def test_upgrade_says_so_keeps_its_folder_and_a_move_carries_the_games(tmp_path, window_manager):
    prefix = new_prefix(tmp_path)
    old = prefix / "drive_c" / "setup-1.03.exe"
    dist.build_installer(BUILD / "dist-stage", old, "1.03", dist.source_date_epoch())
    base.in_prefix(prefix, old, "/S")
    folder = default_folder(prefix)
    files = base.windows_path(prefix, folder)
    shutil.copy(KINOMI, files / "KINOMI.VYG")

    status, seen = through_pages(prefix, SETUP)
    assert status == 0
    assert "1.03 からの更新" in "".join(seen[WELCOME]["texts"]) and folder in "".join(seen[WELCOME]["texts"])
    assert "1.03 からの更新" in "".join(seen[FOLDER]["texts"])
    assert [e["text"] for e in seen[FOLDER]["edits"]] == [folder]
    assert_installed(prefix, folder, ["KINOMI.VYG"])
    assert entry(prefix)["DisplayVersion"] == base.VERSION

    # Moved elsewhere with /D=: the game comes along, the old copy goes, one entry names the new one.
    assert base.in_prefix(prefix, SETUP, "/S", "/D=C:\\Games\\Robina").returncode == 0
    assert_installed(prefix, "C:\\Games\\Robina", ["KINOMI.VYG"])
    assert not files.exists()
    user = base.registry(prefix, "user")
    assert user[base.CLASS_KEY + r"\shell\open\command"][""] == '"C:\\Games\\Robina\\Robina.exe" "%1"'
    # On the pages a move is asked first, and done as asked.
    status, seen = through_pages(prefix, SETUP, "/D=C:\\Moved\\Robina", question="に移します")
    assert status == 0 and "「C:\\Games\\Robina」にある" in "".join(seen["に移します"]["texts"])
    assert_installed(prefix, "C:\\Moved\\Robina", ["KINOMI.VYG"])
    assert not (prefix / "drive_c" / "Games" / "Robina").exists()


def test_uninstaller_refuses_an_argument_it_cannot_use(tmp_path, window_manager):
    prefix = new_prefix(tmp_path)
    base.in_prefix(prefix, SETUP, "/S", "/D=C:\\Shelf\\Robina")
    files = prefix / "drive_c" / "Shelf" / "Robina"
    (prefix / "drive_c" / "Elsewhere").mkdir()
    before = sorted(os.listdir(files))
    uninstall = files / "uninstall.exe"
    # (arguments, exit status): another folder; a relative one (NSIS's own refusal).
    for args, status in ((["_?=C:\\Elsewhere"], 9), (["_?=Robina"], 2)):
        result = base.in_prefix(prefix, uninstall, "/S", *args, check=False)
        assert result.returncode == status, args
        assert sorted(os.listdir(files)) == before and base.UNINSTALL_KEY in base.registry(prefix, "user")
    # Quoted (Wine quotes an argument with a blank): NSIS passes it to the copy of the uninstaller it
    # starts, and returns at once; the copy refuses a folder not its own, and its message says so.
    # (Were it taken, the watcher cancels the uninstaller's page.)
    log = tmp_path / "boxes.jsonl"
    watcher = subprocess.Popen([str(WINENV), str(TESTTOOL), "watch", str(log), f"{UNINSTALL_CAPTION}=2"],
                               env=dict(os.environ, ROBINA_PREFIX=str(prefix)), start_new_session=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def refusal():
        boxes = [json.loads(line) for line in log.read_text(encoding="utf-8").splitlines()]
        return next((b for b in boxes if "は使えません" in "".join(b["texts"])), None)
    try:
        wait_for(log.exists, what="the watcher")
        base.in_prefix(prefix, uninstall, "_?=C:\\Game Shelf\\Elsewhere", check=False, idle=False)
        box = wait_for(refusal, 120, what="the uninstaller's refusal", seen=lambda: log.read_text(encoding="utf-8"))
    finally:
        os.killpg(watcher.pid, 9)
        watcher.wait(timeout=10)
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=str(prefix)), timeout=120)
    assert "「_?=C:\\Game Shelf\\Elsewhere」は使えません" in "".join(box["texts"])
    assert sorted(os.listdir(files)) == before
    assert base.in_prefix(prefix, uninstall, "/S", "_?=C:\\Shelf\\Robina").returncode == 0
    assert sorted(os.listdir(files)) == ["install.log", "uninstall.exe"]  # it cannot remove itself in place


@pytest.mark.linux_only
def test_welcome_picture_is_drawn_from_the_programs_icon_art():
    """The picture shows the icon the program carries (drawn larger from the same art), on its sky."""
    from PIL import Image, ImageChops, ImageStat
    picture = installer_art.wizard_picture()
    assert picture.size == (164, 314)
    # The sky runs from the icon's outer blue to its inner blue, right above the meadow.
    sky = 314 - installer_art.MEADOW_HEIGHT
    assert [picture.getpixel((163, y)) for y in (0, sky - 1, sky, 313)] == \
        [SKY, installer_art.SKY_BOTTOM, MEADOW, MEADOW]
    left, top, size = (164 - installer_art.ICON_SIZE) // 2, installer_art.ICON_TOP, installer_art.ICON_SIZE
    drawn = picture.crop((left, top, left + size, top + size)).resize((48, 48), Image.LANCZOS)
    program = Image.open(BUILD / "dist-stage" / "icon120-48.png").convert("RGB")
    middle = (12, 12, 36, 36)  # inside the icon's round frame, where it has no transparent corners
    difference = ImageChops.difference(drawn.crop(middle), program.crop(middle))
    assert max(ImageStat.Stat(difference).mean) < 8
