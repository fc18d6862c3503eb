"""The running program draws real frames: a dark grey play area, the drawn cursor over it, and an
orderly release of the display at exit."""
import subprocess

from conftest import wait_for


def test_play_area_is_dark_grey_and_the_display_is_released_at_exit(robina):
    robina.start("/q")
    robina.wait_log("loop start\n")
    subprocess.run(["xdotool", "mousemove", "1010", "760"], check=True)  # off the play area
    window_ready = lambda: robina.client_pixel(robina.screenshot(), 320, 180) == (16, 16, 16)
    wait_for(window_ready, what="a dark grey frame")
    shot = robina.screenshot()
    for x, y in [(0, 0), (639, 0), (0, 359), (639, 359), (100, 250)]:
        assert robina.client_pixel(shot, x, y) == (16, 16, 16)

    robina.key("Escape")
    assert robina.wait() == 0
    log = robina.log()
    assert "ScreenBit is 32\n" in log
    assert "VRAM :" in log and "halflag 48 > 1\n" in log
    assert "rlDDRelease 0\n" in log
    assert "スプライトメモリ解放0\n" in log
    assert log.rstrip("\n").endswith("アプリ終了 メモリ解放忘れ0")


def test_the_drawn_cursor_stands_in_for_the_windows_cursor_over_the_play_area(robina):
    robina.start("/q")
    robina.wait_log("loop start\n")
    robina.move(200, 100)
    # The cursor picture is not black at its hot spot's neighbourhood; the grey floor is.
    def cursor_drawn():
        shot = robina.screenshot()
        return any(robina.client_pixel(shot, 200 + dx, 100 + dy) != (16, 16, 16)
                   for dx in range(0, 8) for dy in range(0, 8))
    wait_for(cursor_drawn, what="the drawn cursor")
