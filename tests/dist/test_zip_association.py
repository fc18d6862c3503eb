"""The portable zip's association removal on a machine that also has the installed program: the player
played the unzipped copy, then installed it for themselves; the file beside the unzipped program takes
away the association that opens that copy, and the installed copy's stays."""
import os
import pathlib
import subprocess
import sys
import zipfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tests" / "e2e"))
from conftest import TITLE, Program, desktop_entered  # noqa: E402,F401
from test_dist import DIST, SETUP, VERSION, dist, in_prefix, registry  # noqa: E402

CLASS = r"software\classes\pomorobina.vyg"
COMMAND = CLASS + r"\shell\open\command"
EXTENSION = r"software\classes\.vyg"
REMOVED = "「.vyg」ファイルの関連付けを解除しました。"
NONE_HERE = "このRobina.exeを開く「.vyg」ファイルの関連付けは、ありませんでした。\n何も変えていません。"


def settled(prefix):
    """Both hives of the prefix once its processes are gone and the registry is written out."""
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=str(prefix)), timeout=120)
    return registry(prefix, "system"), registry(prefix, "user")


def test_zip_association_removal_keeps_the_installed_copys(tmp_path):
    prefix = tmp_path / "prefix"
    with zipfile.ZipFile(DIST / f"Robina-{VERSION}.zip") as archive:
        archive.extractall(tmp_path / "my games")  # a folder with a blank, and the zip's Japanese one
    folder = tmp_path / "my games" / TITLE
    unzipped = Program(folder, tmp_path / "audio.raw", prefix=prefix, copy=False)
    unzipped.start("/q")
    unzipped.wait_log("ゲームファイルが5個見つかりました")
    unzipped.stop()
    in_prefix(prefix, DIST / SETUP, "/S")
    machine, user = settled(prefix)
    zipped_exe = "Z:" + str(folder / "Robina.exe").replace("/", "\\")
    assert zipped_exe in machine[COMMAND][""] and machine[EXTENSION][""] == "PomoRobina.vyg"
    installed = user[COMMAND][""]
    assert installed.endswith('\\Programs\\Mossleaf\\Robina\\Robina.exe" "%1"'), installed

    # A double click on the file runs it through cmd: the program says what it did, twice over.
    before = len(unzipped.boxes())
    unzipped.watch({TITLE: 1})
    removal = "Z:" + str(folder / dist.UNREGISTER).replace("/", "\\")
    statuses = [in_prefix(prefix, "cmd", "/c", removal, check=False, idle=False).returncode for _ in range(2)]
    said = [box["texts"] for box in unzipped.boxes()[before:]]
    unzipped.stop()
    machine, user = settled(prefix)
    assert (statuses, said) == ([0, 0], [[REMOVED], [NONE_HERE]])
    assert CLASS not in machine and COMMAND not in machine and "" not in machine.get(EXTENSION, {})
    assert (user[COMMAND][""], user[EXTENSION][""]) == (installed, "PomoRobina.vyg")
