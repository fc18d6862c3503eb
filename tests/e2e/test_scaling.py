"""The play area on today's screens: each run has a display of the size it names and a fresh Windows
whose screen density (Wine's LogPixels) it names. The window takes the whole-number factor the
screen suits; full screen covers the display without changing its mode, the play area enlarged by the
largest factor that fits, centred, black around. In every case each play-area pixel is a solid block
of k x k screen pixels, the program's own pictures show at the 1x size, and a click at the enlarged
place of a map destination launches that game."""
import subprocess

import numpy as np
import pytest

import desktop
from conftest import TESTTOOL, WIN, reg_get, reg_set, wait_for, wine, xdotool
from screens import PLAY_SIZE, enlarged_area, placement, point_centre, wait_screen

BALLOON = WIN / "games" / "BALLOON.VYG"
BALLOON_POINT = point_centre(70, 80)  # the destination's centre on the map, in play-area pixels


@pytest.fixture
def own_screen(monkeypatch, tmp_path):
    """A display of the given size and a fresh prefix of the given density, for the rest of the test."""
    servers = []

    def make(size, dpi):
        server, display = desktop.start_display(screen=f"{size}x24")
        servers.append(server)
        for name, value in {"DISPLAY": display, "ROBINA_PREFIX": str(tmp_path / "prefix"),
                            "WINEPREFIX": str(tmp_path / "prefix"), "ROBINA_DPI": str(dpi)}.items():
            monkeypatch.setenv(name, value)
        subprocess.run([str(desktop.WINENV), "--init"], check=True)
        return tuple(int(n) for n in size.split("x"))
    yield make
    for server in servers:
        server.kill()
        server.wait()


def display_size():
    return tuple(int(n) for n in xdotool("getdisplaygeometry").split())


def blocks_and_surroundings(program, k):
    """Checks the shown play area pixel by pixel: every k x k block solid, and black all around it in
    the client area. Returns the 1x frame."""
    shot = np.asarray(program.screenshot())
    area, shown_k = enlarged_area(program, shot)
    assert shown_k == k
    blocks = area.reshape(PLAY_SIZE[1], k, PLAY_SIZE[0], k, 3)
    broken = (blocks != blocks[:, :1, :, :1]).any(axis=(1, 3, 4))
    assert not broken.any(), f"{broken.sum()} blocks not solid, the first at {np.argwhere(broken)[0][::-1]}"
    g = program.geometry()
    client = shot[g["Y"]:g["Y"] + g["HEIGHT"], g["X"]:g["X"] + g["WIDTH"]].copy()
    left, top, _ = placement(g["WIDTH"], g["HEIGHT"])
    client[top:top + PLAY_SIZE[1] * k, left:left + PLAY_SIZE[0] * k] = 0
    assert not client.any(), "only black around the play area"
    return area[::k, ::k]


def launch_balloon_by_click(program, k, left=0, top=0):
    """Clicks the balloon's destination at its enlarged place until the game starts."""
    x, y = (edge + p * k + k // 2 for edge, p in zip((left, top), BALLOON_POINT))
    park = [n - 1 for n in display_size()]
    program.click_until((x, y), "call child proc.")
    xdotool("mousemove", *park)
    wait_screen(program, "balloon game")


@pytest.mark.parametrize("dpi, size, k", [
    (96, "3840x2160", 3),   # a 4K monitor at 100 %: about half its height
    (144, "1920x1080", 2),  # 150 %: the nearest whole number rounds up
    (192, "1920x1080", 2),  # 200 %
])
def test_the_window_takes_the_factor_the_screen_suits(own_screen, robina, dpi, size, k):
    screen = own_screen(size, dpi)
    robina.folder.joinpath("BALLOON.VYG").write_bytes(BALLOON.read_bytes())
    robina.start("/q")
    xdotool("mousemove", screen[0] - 1, screen[1] - 1)
    wait_screen(robina, "menu")
    g = robina.geometry()
    assert (g["WIDTH"], g["HEIGHT"]) == (PLAY_SIZE[0] * k, PLAY_SIZE[1] * k)
    assert g["X"] == (screen[0] - g["WIDTH"]) // 2  # centred
    blocks_and_surroundings(robina, k)
    launch_balloon_by_click(robina, k)
    blocks_and_surroundings(robina, k)
    robina.key("Escape")
    assert robina.wait() == 0


@pytest.mark.parametrize("size, place, back", [
    ("1920x1080", (0, 0, 3), 2),    # wide: the play area fills the screen at 3; the window at the 2 chosen
    ("1280x1024", (0, 152, 2), 1),  # 5:4: at 2, black bands above and below; a window at 2 is too wide
])
def test_full_screen_covers_the_display_at_the_largest_factor_without_a_mode_change(own_screen, robina, size,
                                                                                    place, back):
    screen = own_screen(size, 96)
    mode = wine([TESTTOOL, "display-mode"]).stdout.strip()
    assert mode == f"{screen[0]}x{screen[1]}x32"
    reg_set("ScreenMode", b"1\x00")
    reg_set("ScreenScale", b"2\x00")  # the player's window factor, for the way back
    robina.folder.joinpath("BALLOON.VYG").write_bytes(BALLOON.read_bytes())
    robina.start("/q")
    whole = {"X": 0, "Y": 0, "WIDTH": screen[0], "HEIGHT": screen[1]}
    wait_for(lambda: robina.geometry() == whole, what="the full-screen window")
    xdotool("mousemove", screen[0] - 1, screen[1] - 1)
    wait_screen(robina, "menu")
    left, top, k = place
    blocks_and_surroundings(robina, k)
    launch_balloon_by_click(robina, k, left, top)
    blocks_and_surroundings(robina, k)

    robina.key("alt+Return")  # back to the window, at the factor chosen where it fits
    wait_for(lambda: robina.geometry()["WIDTH"] == PLAY_SIZE[0] * back, what="the window at its factor")
    g = robina.geometry()
    assert (g["HEIGHT"], g["X"]) == (PLAY_SIZE[1] * back, (screen[0] - g["WIDTH"]) // 2)
    wait_screen(robina, "balloon game")
    blocks_and_surroundings(robina, back)
    robina.key("ctrl+1")
    wait_for(lambda: robina.geometry()["WIDTH"] == 640, what="the window at 1x")
    assert reg_get("ScreenScale") == b"1\x00"
    robina.key("alt+Return")
    wait_for(lambda: robina.geometry() == whole, what="full screen again")
    wait_screen(robina, "balloon game")
    assert wine([TESTTOOL, "display-mode"]).stdout.strip() == mode
    assert reg_get("ScreenMode") == b"1\x00"
    robina.key("Escape")
    assert robina.wait() == 0
