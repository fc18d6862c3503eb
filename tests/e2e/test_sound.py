"""Sound at start-up of the real program: the audio device is opened for the whole run, and without
one the program says so and ends in order."""
import pathlib

from conftest import wait_for

NO_DEVICE = ("DirectSoundが使用できません。\n"
             "お使いのマシンにサウンドデバイスが存在しない、もしくは問題があるようです。")
EXIT_LINE = "アプリ終了 メモリ解放忘れ0\n"


def test_the_audio_device_is_open_while_the_program_runs(robina):
    robina.start()
    robina.wait_log("loop start\n")
    wait_for(lambda: len(robina.audio()) > 0, what="the device streaming into the capture file")
    robina.key("Escape")
    assert robina.wait() == 0
    assert "エラー" not in [box["caption"] for box in robina.boxes()]
    assert robina.log().endswith(EXIT_LINE)


def test_without_an_audio_device_the_program_reports_it_and_ends_in_order(robina):
    robina.audio_file = pathlib.Path("none")
    robina.start()
    assert robina.wait() == 0
    assert [box["texts"] for box in robina.boxes() if box["caption"] == "エラー"] == [[NO_DEVICE]]
    log = robina.log()
    assert log.index("loop start\n") < log.index(EXIT_LINE)
    assert log.endswith(EXIT_LINE)
