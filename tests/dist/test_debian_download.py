"""The Debian command given a download whose name is a sample's in another case (`robina
~/Downloads/mogura.vyg` beside the package's MOGURA.VYG): the real program under Wine, started by the
command in a player's home, asks and replaces the sample's link with the player's file. One game file of
that name is left, the player's, and the installed sample is untouched."""
import os
import pathlib
import shutil
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tests" / "e2e"))
from conftest import TITLE, WINENV, Program, desktop_entered  # noqa: E402,F401
from test_add_game import version_of  # noqa: E402
from test_dist import deb_root  # noqa: E402,F401  (the package installed into a root of its own)


def test_a_download_named_as_a_sample_in_another_case_replaces_the_samples_link(tmp_path, deb_root):  # noqa: F811
    installed = deb_root / "usr" / "share" / "games" / "robina"
    shipped = {name: (installed / name).read_bytes() for name in os.listdir(installed)}
    home = tmp_path / "home"
    data = home / ".local" / "share" / "robina"
    # The player's Wine as the command leaves it after its first start (made here from the test prefix,
    # which has the same fonts mapped): what is tested is the hand-over, not the set-up.
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "XDG_", "LC_", "LANG"))}
    subprocess.run([str(WINENV), "--init"], env=dict(env, ROBINA_PREFIX=str(data / "prefix")), check=True)
    env["HOME"] = str(home)
    download = home / "Downloads" / "mogura.vyg"
    download.parent.mkdir(parents=True)
    shutil.copy(version_of(installed / "MOGURA.VYG", 110, tmp_path / "newer"), download)

    games = data / "games"
    program = Program(games, tmp_path / "audio.raw", prefix=data / "prefix", copy=False)
    program.watch({f"{TITLE}　ゲームの追加": 1})  # answers the start-up dialog, and says yes to the game
    program.process = subprocess.Popen([str(deb_root / "usr" / "games" / "robina"), str(download)], env=env,
                                       start_new_session=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        program.wait_log("ゲームファイルが5個見つかりました", timeout=120)
        log = program.log()
    finally:
        program.stop()
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=str(data / "prefix")), timeout=60)
    asked = [box["texts"][-1] for box in program.boxes() if box["caption"] == f"{TITLE}　ゲームの追加"]
    assert len(asked) == 1 and "いまあるもの：mogura ver1.00" in asked[0], asked
    assert "set vyg file : MOGURA.VYG(ver1.10)" in log and "passed over" not in log, log
    folders = [games] + list((data / "prefix" / "drive_c" / "users").glob("*/Documents/Robina Games"))
    named = [path for folder in folders for path in folder.iterdir() if path.name.lower().startswith("mogura.vyg")]
    assert named == [games / "MOGURA.VYG"] and not named[0].is_symlink(), named
    assert named[0].read_bytes() == download.read_bytes()
    assert {name: (installed / name).read_bytes() for name in os.listdir(installed)} == shipped
