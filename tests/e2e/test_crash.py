"""A game that crashes inside the real program: the shell's message instead of the system's, a
non-zero exit, the game's library file gone and the game's record as it was saved before."""
import glob
import os
import re
import shutil

from conftest import WIN, reg_get

CRASH_MESSAGE = "ゲームが異常終了しました。\nプログラムを終了します。"


def test_a_game_dividing_by_zero_in_a_step_ends_the_program_with_the_crash_message(robina):
    shutil.copy(WIN / "tests" / "launcher" / "CRASHSTP.VYG", robina.folder / "CRASHSTP.VYG")
    robina.start("/q")
    robina.wait_log("first frame of the menu")
    record_name = re.search(r"load data (\S+)\n", robina.log()).group(1)
    record = reg_get(record_name)
    robina.click_until((116, 116), "launch vyg file")  # the game's map point
    assert robina.wait() == 3
    log = robina.log()
    temp = re.search(r"make\[game\.dll\] \S*\\(rvpx\d+\.tmp)\n", log, re.I).group(1)
    assert re.search(r"game crashed CRASHSTP\.VYG: exception C0000094 at [0-9A-Fa-f]+\n", log), log[-800:]
    assert [(b["caption"], b["texts"]) for b in robina.boxes()][-1:] == [("エラー", [CRASH_MESSAGE])]
    assert reg_get(record_name) == record
    assert glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "Temp", temp)) == []
