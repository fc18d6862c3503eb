"""Start-up and shutdown of the real program: the command line, one instance at a time, the settings
dialog and the choices it stores, the window in both modes, and the end through Esc or a close box."""
import pytest

from conftest import LOCALES, TESTTOOL, TITLE, reg_get, reg_set, wait_for, wine

DIALOG = TITLE + "　スタートアップ"
DIRECTX_REFUSAL = ("このソフトを実行するにはMicrosoftから提供されているDirectX7以上が\n"
                   "インストールされている必要があります。")
# Every text of the settings dialog as Windows shows it, the same under every locale (its one static
# control is the picture).
SETTINGS_TEXTS = ["描画設定", "標準(&D)", "VRAMを使用(&V)", "画面設定", "ウィンドウ(&W)", "フルスクリーン(&F)",
                  "スタート(&S)", "終了(&X)"]
BANNER = "ポモのロビナ ver1.04 start\n"
EXIT_LINE = "アプリ終了 メモリ解放忘れ0\n"
SCREEN = (1024, 768)


def window_action(title, action):
    return wine([TESTTOOL, "window", title, action]).stdout.strip()


def radios(box):
    """The checked state of the dialog's four radio buttons, by identifier."""
    return {b["id"]: b["checked"] for b in box["buttons"] if b["id"] in (1007, 1008, 1012, 1013)}


def escape_and_check_exit(program):
    program.key("Escape")
    assert program.wait() == 0
    log = program.log()
    assert log.index(BANNER) < log.index("loop start\n") < log.index(EXIT_LINE)
    assert log.endswith(EXIT_LINE)


# A game file that is not there, in any case of ".vyg", is refused with the path it was given: the
# program does not start, and says so in its exit status.
@pytest.mark.parametrize("locale, line, refused", [
    (None, "/x", False),
    (None, "xy", False),
    (None, r"C:\games\sample.vyg", True),
    (None, r"C:\my games\sample.vyg", True),  # one argument with a blank: quoted, as the association passes it
    (None, r"C:\games\sample.VYG", True),
] + [(locale, r"C:\ロビナの部屋\ゲーム.vyg", True) for locale in LOCALES])
def test_other_command_lines_end_at_once(make_program, locale, line, refused):
    program = make_program()
    program.locale = locale
    assert program.run(line) == (2 if refused else 0)
    boxes = program.boxes()
    if refused:
        name = line.rsplit("\\", 1)[1]
        said = f"「{name}」は追加できません。\n\nファイルが見つかりません。\n{line}"
        assert [(b["caption"], b["texts"][-1]) for b in boxes] == [(TITLE, said)]
    else:
        assert boxes == []
    assert "start\n" not in program.log()  # ended before any other step


@pytest.mark.parametrize("line", ["q", "/q", "-q"])
def test_menu_switch_and_single_letters_start_normally(robina, line):
    robina.start(line)
    robina.wait_log("loop start\n")
    escape_and_check_exit(robina)


@pytest.mark.parametrize("locale", LOCALES)
def test_first_start_offers_standard_and_window_and_stores_zeros(robina, locale):
    robina.locale = locale
    robina.start()
    robina.wait_log("loop start\n")
    box = robina.wait_box(DIALOG)
    assert radios(box) == {1007: 1, 1008: 0, 1012: 1, 1013: 0}
    assert [b["text"] for b in box["buttons"]] == SETTINGS_TEXTS, box
    robina.window()  # found by its title
    assert reg_get("UseVRAM") == b"0\x00"
    assert reg_get("ScreenMode") == b"0\x00"
    assert reg_get("ScreenScale") == b"0\x00"  # the factor the screen suits
    g = robina.geometry()
    assert (g["WIDTH"], g["HEIGHT"]) == (640, 360)
    assert g["X"] == (SCREEN[0] - 640) // 2
    escape_and_check_exit(robina)


def test_stored_choice_is_offered_a_wrong_size_ignored_and_the_obsolete_value_removed(robina):
    reg_set("UseVRAM", b"1\x00")
    reg_set("ScreenMode", b"1\x00\x00")
    reg_set("UseHAL", b"1\x00")
    robina.start()
    robina.wait_log("loop start\n")
    assert radios(robina.wait_box(DIALOG)) == {1007: 0, 1008: 1, 1012: 1, 1013: 0}
    assert "レジストリサイズ異常1" in robina.log()
    assert reg_get("UseVRAM") == b"1\x00"
    assert reg_get("ScreenMode") == b"0\x00"
    assert reg_get("UseHAL") is None
    escape_and_check_exit(robina)


def test_full_screen_choice_and_alt_enter_switch_back_and_forth(robina):
    reg_set("ScreenMode", b"1\x00")
    robina.start()
    robina.wait_log("loop start\n")
    assert radios(robina.wait_box(DIALOG))[1013] == 1
    # A borderless window over the whole desktop, whose mode stays as it was.
    full_screen = lambda: robina.geometry() == {"X": 0, "Y": 0, "WIDTH": SCREEN[0], "HEIGHT": SCREEN[1]}
    assert wait_for(full_screen, what="the full-screen window")
    robina.key("alt+Return")
    assert wait_for(lambda: robina.geometry()["HEIGHT"] == 360, what="the window mode")
    assert robina.geometry()["X"] == (SCREEN[0] - 640) // 2
    robina.key("alt+Return")
    assert wait_for(full_screen, what="full screen again")
    assert reg_get("ScreenMode") == b"1\x00"  # the switch is not stored
    escape_and_check_exit(robina)


@pytest.mark.parametrize("way", ["close box", "quit button"])
def test_leaving_the_dialog_but_by_start_ends_without_starting(robina, way):
    robina.start(answers={DIALOG: 0 if way == "close box" else 2})
    robina.wait_box(DIALOG)
    if way == "close box":
        assert window_action(DIALOG, "close") == ""
    assert robina.wait() == 0
    log = robina.log()
    assert BANNER in log and "loop start" not in log and log.endswith(EXIT_LINE)
    assert reg_get("UseVRAM") is None


def test_close_box_of_the_window_ends_like_escape(robina):
    robina.start()
    robina.wait_log("loop start\n")
    window_action(TITLE, "close")
    assert robina.wait() == 0
    assert robina.log().endswith(EXIT_LINE)


def test_second_start_raises_the_minimised_first_and_ends(make_program):
    first = make_program("first")
    first.start()
    first.wait_log("loop start\n")
    window_action(TITLE, "minimize")
    assert wait_for(lambda: window_action(TITLE, "state").startswith("iconic=1"), what="the minimised window")
    second = make_program("second")
    assert second.start(watch=False).wait() == 0
    assert second.log() == ""
    assert wait_for(lambda: window_action(TITLE, "state") == "iconic=0 foreground=1", what="the first raised")
    assert first.running()
    escape_and_check_exit(first)



def test_a_system_without_a_directx_part_is_refused_before_anything_starts(robina):
    robina.dll_overrides = "dinput=d"  # no DirectInput: the probe finds DirectX 2 at most
    assert robina.run() == 0
    assert [(b["caption"], b["texts"]) for b in robina.boxes()] == [(TITLE, [DIRECTX_REFUSAL])]
    assert BANNER not in robina.log() and robina.log().endswith(EXIT_LINE)
