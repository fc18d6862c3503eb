"""The running program draws real frames: the quick start's menu, the drawn cursor standing in for the
Windows cursor over the play area, and an orderly release of the display at exit."""
from screens import park_mouse, wait_screen


def test_quick_start_draws_the_menu_and_the_cursor_and_releases_the_display_at_exit(robina):
    robina.start("/q")
    park_mouse()
    wait_screen(robina, "menu")
    # The cursor picture's resting cell, its top-left pixel at the mouse.
    robina.move(200, 100)
    wait_screen(robina, "drawn cursor", [("cursor.bmp", None, 200, 100, (0, 0, 15, 15), 0.95)])

    robina.key("Escape")
    assert robina.wait() == 0
    log = robina.log()
    assert "ScreenBit is 32\n" in log
    assert "VRAM :" in log and "halflag 48 > 1\n" in log
    assert "rlDDRelease 0\n" in log
    assert "スプライトメモリ解放0\n" in log
    assert log.rstrip("\n").endswith("アプリ終了 メモリ解放忘れ0")
