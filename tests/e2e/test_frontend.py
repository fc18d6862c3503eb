"""The front end as a person meets it, on a desktop with a window manager: the logos, the title and
the menu as drawn, a hovered destination heard and its status board shown, a game played from the
map and its high score named in the dialog, the records it leaves, a map of thirty games, and
Alt+Enter at the menu and in a game. Each start costs seconds, so each test is one run that checks
everything met on its way."""
import re
import shutil
import subprocess
import time
import wave

import numpy as np
import pytest

from conftest import LOCALES, WIN, reg_get, wait_for, xdotool
from screens import (RVPX, SCREENS, board_of, check_share, park_mouse, play_area, point_centre as centre,
                     wait_screen)

GAMES = WIN / "games"
TEST_GAMES = WIN / "tests" / "launcher"
BALLOON = GAMES / "BALLOON.VYG"
SCORE = TEST_GAMES / "SCORE.VYG"  # plays three seconds, then ends with 1234 points
NAME_DIALOG = "ハイ！ハイ！ハイスコア"
SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768  # full screen covers the desktop: the play area in its middle, black around
EXIT_LINE = "アプリ終了 メモリ解放忘れ0\n"


def install(program, *games):
    for game in games:
        shutil.copy(game, program.folder / game.name)


def install_renamed(program, game, name):
    """The game under another file name, its FILENAME (Shift-JIS in game.ini) changed to match."""
    members = program.folder.parent / ("members-" + game.stem)
    members.mkdir()
    subprocess.run([str(RVPX), "extract", str(game), "-C", str(members)], check=True, stdout=subprocess.DEVNULL)
    ini = members / "game.ini"
    ini.write_bytes(re.sub(rb"FILENAME=[^\r\n]*", b"FILENAME=" + name.encode("cp932"), ini.read_bytes()))
    subprocess.run([str(RVPX), "create", str(program.folder / name)] + [str(f) for f in sorted(members.iterdir())],
                   check=True, stdout=subprocess.DEVNULL)


# --- sound ---

def heard(capture, wav_path, least=0.3):
    """Whether the WAV plays somewhere in the captured float32 stereo stream: the best normalised
    correlation of its waveform with the left channel, over the mixing rates a device may use."""
    with wave.open(str(wav_path)) as w:
        rate, template = w.getframerate(), np.frombuffer(w.readframes(w.getnframes()), "<i2").astype(float)
    signal = np.frombuffer(capture[:len(capture) // 8 * 8], "<f4").reshape(-1, 2)[:, 0].astype(float)
    best = 0.0
    for device_rate in (44100, 48000):
        n = int(len(template) * device_rate / rate)
        if len(signal) <= n:
            continue
        t = np.interp(np.arange(n) * rate / device_rate, np.arange(len(template)), template)
        t = (t - t.mean()) / np.linalg.norm(t - t.mean())
        size = len(signal) + n
        correlation = np.fft.irfft(np.fft.rfft(signal, size) * np.conj(np.fft.rfft(t, size)), size)
        energy = np.sqrt(np.convolve(signal ** 2, np.ones(n), "valid")) + 1e-9
        best = max(best, float((correlation[:len(energy)] / energy).max()))
    return best >= least, round(best, 3)


HEARD_WITHIN_BYTES = 16 << 20  # the sink writes ahead of real time; a sound is early in what follows


def wait_heard(program, mark, wav_path):
    last = {}

    def check():
        found, last["best"] = heard(program.audio()[mark:mark + HEARD_WITHIN_BYTES], wav_path)
        return found
    wait_for(check, interval=1.0, what=f"{wav_path.name} in the audio capture",
             seen=lambda: {"best correlation": last.get("best"), "captured bytes": len(program.audio()) - mark})


# --- records ---

def decode_record(text, n):
    """The plain bytes of a record text (hex digits low first, key byte, checksum); None if damaged."""
    text = text.rstrip(b"\x00")
    digit = lambda c: c - 55 if c >= 65 else c - 48
    byte_at = lambda i: (16 * digit(text[i + 1]) + digit(text[i])) & 0xFF
    k = byte_at(2 * n)
    checksum = 0x5EB1A7C3
    for j in range(2 * n):
        checksum = (checksum + j * j + k * k * text[j] * text[j]) & 0xFFFFFFFF
    if int(text[2 * n + 2:2 * n + 10], 16) != checksum:
        return None
    r = k ^ 0xE3
    return bytes(((((byte_at(2 * i) + i) & 0xFF) ^ r) - 3 * i * i) & 0xFF for i in range(n))


GAME_RECORD_BYTES = 448


def game_record(value_name):
    """Play count, click count, first rank's name and score of a game record in the registry."""
    plain = decode_record(reg_get(value_name), GAME_RECORD_BYTES)
    assert plain is not None, f"the record {value_name} does not decode"
    play, clicks = np.frombuffer(plain[28:36], "<u4")
    name = plain[36:53].split(b"\x00")[0].decode("cp932")
    score = int(np.frombuffer(plain[208:212], "<u4")[0])
    return {"plays": int(play), "clicks": int(clicks), "first name": name, "first score": score}


def name_dialog_window():
    return wait_for(lambda: xdotool("search", "--name", f"^{NAME_DIALOG}$", check=False).split(),
                    what="the name dialog's window")[-1]


CARET_CYCLE_SECONDS = 1.2  # longer than a caret's blink, on and off


def window_picture(window, path):
    """The window's pixels as Windows drew them, and which of them hold still: once two looks a frame
    apart agree, looks for a caret's blink cycle; a pixel that changes meanwhile (the caret) is not
    still."""
    from PIL import Image

    def look():
        subprocess.run(["import", "-window", str(window), str(path)], check=True, stderr=subprocess.DEVNULL)
        return np.asarray(Image.open(path).convert("RGB"))
    last = {"picture": look()}

    def steady():
        picture = look()
        same = picture.shape == last["picture"].shape and (picture == last["picture"]).all()
        last["picture"] = picture
        return same
    wait_for(steady, interval=0.1, what="the window to stop changing")
    first, still = last["picture"], np.ones(last["picture"].shape[:2], bool)
    ends = time.monotonic() + CARET_CYCLE_SECONDS
    while time.monotonic() < ends:
        picture = look()
        assert picture.shape == first.shape, "the window changed its size"
        still &= (picture == first).all(axis=2)
    return first, still


def name_the_high_score(program, name):
    """Types the name into the high score dialog as a person would; returns the dialog as seen."""
    box = program.wait_box(NAME_DIALOG)
    dialog = name_dialog_window()
    xdotool("windowactivate", "--sync", dialog)
    xdotool("key", "End", "shift+Home", "BackSpace")
    xdotool("type", "--delay", 80, name)
    xdotool("key", "Return")
    return box


# --- display rebuilds ---

RELOAD_LINE = re.compile(r"^(ScreenBit|VRAM|halflag|set pack|type:|name:|read resfile|file cached|pack open|"
                         r"make\[|pack close|BMPLoadComplete)")
KEPT_IMAGES = [("MENUDATA", "cursor.bmp"), ("MENUDATA", "fade.bmp")]  # the boot's, kept for the whole run


def loads(lines, since=0):
    """(pack, picture) of every picture loaded in these log lines from line `since` on, in order."""
    found, pack = [], None
    for i, line in enumerate(lines):
        if line.startswith("set pack > "):
            pack = line[len("set pack > "):]
        elif line.startswith("BMPLoadComplete ") and i >= since:
            found.append((pack, line[len("BMPLoadComplete "):line.index("(")]))
    return found


def restores(log):
    """The pictures each display rebuild reloaded, and the log lines before each rebuild."""
    lines = log.splitlines()
    starts = [i for i, line in enumerate(lines) if line == "restore start"]
    result = []
    for start in starts:
        end = start + 1
        while end < len(lines) and RELOAD_LINE.match(lines[end]):
            end += 1
        result.append((loads(lines[start + 1:end]), lines[:start]))
    return result


# --- the tests ---

# From a folder with a Japanese name, with game files of Japanese names (ビ and ナ have second bytes in
# a..z), under each locale: found, shown, launched by a click, named in Japanese; a name with a
# character Shift-JIS has not is refused with a message.
NAME_DIALOG_PICTURES = {}  # the name dialog as each locale's run drew it


@pytest.mark.xdist_group("name dialog")  # one worker, Japanese first: the others are compared with it
@pytest.mark.parametrize("locale", LOCALES)
def test_a_visit_from_the_logos_to_a_named_high_score_and_its_records(make_program, window_manager, locale):
    robina = make_program("ロビナの部屋")
    robina.locale = locale
    install_renamed(robina, BALLOON, "ゲーム.vyg")
    install_renamed(robina, SCORE, "ロビナ.vyg")
    robina.start(answers={NAME_DIALOG: 0})  # the name dialog is answered below, by hand
    park_mouse()
    for screen in ("first logo", "second logo", "title"):
        wait_screen(robina, screen)
    robina.click(320, 200)  # anywhere but the mascot leaves the title
    park_mouse()
    wait_screen(robina, "menu")

    mark = len(robina.audio())
    robina.move(*centre(70, 80))
    wait_screen(robina, "balloon's status board", board_of(BALLOON))
    wait_heard(robina, mark, WIN / "art" / "bt_notify.wav")

    robina.click(*centre(160, 240))
    robina.wait_log("start task_sum")
    for button in (1, 1, 3):  # counted while the game plays
        robina.click(320, 180, button)
        time.sleep(0.2)
    robina.wait_box(NAME_DIALOG)
    picture, still = NAME_DIALOG_PICTURES.setdefault(locale, window_picture(name_dialog_window(),
                                                                             robina.folder.parent / "name-dialog.png"))
    # Drawn as the Japanese run drew it, pixel for pixel but the blinking caret's.
    japanese, japanese_still = NAME_DIALOG_PICTURES.get(LOCALES[0], (picture, still))
    assert still.mean() > 0.99 and (picture == japanese)[still & japanese_still].all()
    box = name_the_high_score(robina, "Zoë")
    assert "1234てんで1位にランクイン！" in box["texts"], box
    refusal = robina.wait_box("エラー")
    assert refusal["texts"] == ["おなまえに使えない文字が入っています。"], refusal
    # Keys typed while the refusal is still open would go to it.
    wait_for(lambda: not xdotool("search", "--name", "^エラー$", check=False).split(), what="the refusal to close")
    name_the_high_score(robina, "ロビン")  # the dialog stayed open
    park_mouse()
    wait_screen(robina, "menu")
    assert game_record("score100") == {"plays": 1, "clicks": 3, "first name": "ロビン", "first score": 1234}
    assert game_record("balloon100")["plays"] == 0
    log = robina.log()
    assert "ゲームファイルが2個見つかりました\n" in log and "set vyg file : ロビナ.VYG(ver1.00)\n" in log, log
    assert [b["caption"] for b in robina.boxes()].count(NAME_DIALOG) == 1


def switched(program, full_screen):
    """The window covers the screen, or is back at its size (a window manager may first give it
    another, and the program asks again)."""
    g = program.geometry()
    return (g["WIDTH"], g["HEIGHT"]) == ((SCREEN_WIDTH, SCREEN_HEIGHT) if full_screen else (640, 360))


def test_alt_enter_at_the_menu_and_in_a_game_rebuilds_every_picture_from_its_own_pack(robina, window_manager):
    install(robina, BALLOON)
    robina.start("/q")
    park_mouse()
    wait_screen(robina, "menu")
    for full_screen in (True, False):
        robina.key("alt+Return")
        wait_for(lambda: switched(robina, full_screen), what="the switch", seen=robina.geometry)
        park_mouse()
        wait_screen(robina, "menu")

    robina.click(*centre(70, 80))
    park_mouse()
    wait_screen(robina, "balloon game")  # its first frame, uncovered
    for full_screen in (True, False):
        robina.key("alt+Return")
        wait_for(lambda: switched(robina, full_screen), what="the switch", seen=robina.geometry)
        park_mouse()
        wait_screen(robina, "balloon game")
    robina.key("Escape")
    assert robina.wait() == 0

    log = robina.log()
    rebuilds = restores(log)
    assert len(rebuilds) == 4, [r[0][:3] for r in rebuilds]
    (menu, before), (menu_again, _), (game, before_game), (game_again, _) = rebuilds
    assert menu == menu_again == loads(before)  # nothing was freed before the first switch
    assert ("BALLOON.VYG", "sys_states.bmp") in menu and ("MENUDATA", "map.bmp") in menu
    launch = max(i for i, line in enumerate(before_game) if line == "call child proc.")
    assert game == game_again == KEPT_IMAGES + loads(before_game, launch)
    assert ("BALLOON.VYG", "sky.bmp") in game
    assert log.endswith(EXIT_LINE)


def test_thirty_installed_games_are_thirty_points_on_a_working_map(robina, window_manager, tmp_path):
    members = tmp_path / "members"
    members.mkdir()
    subprocess.run([str(RVPX), "extract", str(SCORE), "-C", str(members)], check=True, stdout=subprocess.DEVNULL)
    files = [p for p in sorted(members.iterdir()) if p.name != "game.ini"]
    # A 6x6 grid over the island but for the cell on the information point.
    places = [(20 + 58 * c, 32 + 50 * r) for r in range(6) for c in range(6) if (c, r) != (2, 2)][:30]
    for n, (x, y) in enumerate(places):
        name = f"TRIP{n:02d}.VYG"
        (members / "game.ini").write_bytes(
            f"[Robina]\r\nFILENAME={name}\r\nGAMEID=trip{n:02d}\r\nVER=100\r\nREQUIREVER=104\r\n"
            f"MAP_POSX={x}\r\nMAP_POSY={y}\r\nRANKING=1\r\n".encode("ascii"))
        subprocess.run([str(RVPX), "create", str(robina.folder / name), str(members / "game.ini")] +
                       [str(f) for f in files], check=True, stdout=subprocess.DEVNULL)
    robina.start("/q")
    park_mouse()
    wait_screen(robina, "menu", [SCREENS["menu"][1]])
    area = play_area(robina, robina.screenshot())
    # Each place shows one of the point's eight animation pictures.
    shown = [max(check_share(area, (f"point{k}.bmp", None, x, y, None, 0)) for k in range(1, 9)) for x, y in places]
    assert [p for p, share in zip(places, shown) if share < 0.95] == [], shown
    assert "ゲームファイルが30個見つかりました\n" in robina.log()

    last = places[-1]
    robina.move(*centre(*last))
    wait_screen(robina, "the last game's status board", board_of(robina.folder / "TRIP29.VYG"))
    robina.key("Escape")
    assert robina.wait() == 0
    assert robina.log().endswith(EXIT_LINE)
