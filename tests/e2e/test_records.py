"""The player's records across runs of the real program: made fresh on a clean machine, read back
unchanged by the next run, kept when a run is killed, and the game-file association of the folder."""
import subprocess

import pytest

from conftest import BUILD, IDENTITY_FILE, LOCALES, TITLE, hkcr_get, reg_get, reg_set, wait_for

RVPX = BUILD / "host" / "rvpx"
DIALOG = TITLE + "　スタートアップ"


def add_game(program, file_name, game_id):
    """A game file with just its description, enough for the scan and the records."""
    work = program.folder.parent / ("game-" + game_id)
    work.mkdir()
    ini = work / "game.ini"
    ini.write_bytes(("[Robina]\r\nFILENAME=%s\r\nGAMEID=%s\r\nVER=123\r\nMAP_POSX=100\r\nMAP_POSY=80\r\n"
                     % (file_name, game_id)).encode("ascii"))
    subprocess.run([str(RVPX), "create", str(program.folder / file_name.lower()), str(ini)], check=True,
                   stdout=subprocess.DEVNULL)


def boot(program):
    program.start("/q")
    program.wait_log("BMPLoadComplete fade.bmp")


def test_records_are_made_fresh_then_read_back_unchanged_and_survive_a_killed_run(robina):
    add_game(robina, "TOUR1.VYG", "tour")
    boot(robina)
    assert "ゲームファイルが1個見つかりました\n" in robina.log()
    main_record, game_record = reg_get("RBSV100"), reg_get("tour120")
    assert len(main_record) == 115 and len(game_record) == 907
    assert IDENTITY_FILE.exists()
    robina.stop()  # killed, not closed: what was saved must stay

    boot(robina)
    assert "load data tour120\n" in robina.log()
    assert reg_get("RBSV100") == main_record  # accepted as it was: nothing rewritten
    assert reg_get("tour120") == game_record
    robina.key("Escape")
    assert robina.wait() == 0
    assert [b["caption"] for b in robina.boxes()] == [DIALOG, DIALOG]  # no damage reported


# The record written under one locale is the one read under another: one key, the same bytes.
@pytest.mark.parametrize("locale", LOCALES)
def test_a_damaged_record_is_reported_and_replaced(robina, locale):
    add_game(robina, "TOUR1.VYG", "tour")
    boot(robina)
    robina.stop()
    robina.locale = locale
    damaged = bytearray(reg_get("tour120"))
    damaged[10] = ord("0") if damaged[10] != ord("0") else ord("1")
    reg_set("tour120", bytes(damaged))

    robina.start("/q")
    box = robina.wait_box("エラー")
    assert box["texts"] == ["ゲームセーブデータが破損しています。"]
    replaced = wait_for(lambda: (lambda v: v if v != bytes(damaged) else None)(reg_get("tour120")),
                        what="the replaced record")
    assert len(replaced) == 907


def test_association_names_the_program_in_a_folder_with_blanks(make_program):
    program = make_program("game shell folder")
    boot(program)
    exe = "Z:" + str(program.folder / "Robina.exe").replace("/", "\\")
    assert hkcr_get(".vyg") == "PomoRobina.vyg"
    assert hkcr_get("PomoRobina.vyg") == "ロビナ旅先ファイル"
    assert hkcr_get("PomoRobina.vyg\\DefaultIcon") == exe + ",1"
    assert hkcr_get("PomoRobina.vyg\\shell\\open\\command") == f'"{exe}" "%1"'
