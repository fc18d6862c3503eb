"""The release files of `make dist` as people meet them: an administrator installing, a child playing
and a parent uninstalling on Windows (a fresh Wine prefix), a player with the portable zip, a Linux player with the package in a fresh home folder; and two builds of one
commit giving the same files, signed when asked. (An author with the SDK zip: test_sdk.py.)"""
import filecmp
import os
import pathlib
import re
import shutil
import subprocess
import sys
import zipfile

import pytest

REPO = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.path.insert(0, str(REPO / "tools" / "dist"))
from conftest import BUILD, TITLE, WINENV, Program, wait_for, window_manager  # noqa: E402,F401
from screens import park_mouse, point_centre, wait_screen  # noqa: E402
import dist  # noqa: E402

VERSION = dist.shell_version()
DIST = REPO / "dist"
SETUP = f"Robina-{VERSION}-setup.exe"
INSTALLED = sorted(["Robina.exe", "readme.txt"] + dist.GAMES)
UNINSTALL_KEY = r"software\microsoft\windows\currentversion\uninstall\mossleaf robina"
CLASS_KEY = r"software\classes\pomorobina.vyg"
RECORDS_KEY = "software\\mossleaf\\" + TITLE + "\\config"
NOTICE = ("このファイルはポモのロビナ用のゲームファイルです。\n\n"
          "※VYGファイルはRobina.exeのあるフォルダ内に一緒に入れることで、\n遊べるようになります。")


def in_prefix(prefix, *args, cwd=None, check=True):
    """Runs a Windows program in the given prefix to its end, and waits until the prefix is idle (its
    registry written out, an uninstaller's second self gone)."""
    env = dict(os.environ, ROBINA_PREFIX=str(prefix))
    result = subprocess.run([str(WINENV)] + [str(a) for a in args], cwd=cwd, env=env, check=check, timeout=180,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=dict(env, WINEPREFIX=str(prefix)), timeout=120)
    return result


def registry(prefix, hive):
    """A hive file of a prefix ("system" or "user") as {key (lower case): {value name: value}}."""
    def text(escaped):
        return re.sub(r"\\x([0-9a-fA-F]{1,4})|\\(.)",
                      lambda m: chr(int(m.group(1), 16)) if m.group(1) else m.group(2), escaped)
    keys, values = {}, None
    for line in (prefix / f"{hive}.reg").read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("["):
            values = keys.setdefault(text(line[1:line.rindex("]")]).lower(), {})
        elif values is not None and (match := re.match(r'(@|"(?:[^"\\]|\\.)*")=(.*)', line)):
            name = "" if match.group(1) == "@" else text(match.group(1)[1:-1])
            value = match.group(2)
            values[name] = text(value[1:-1]) if value.startswith('"') else value
    return keys


def verify_signed(cert, *files):
    for path in files:
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(path)],
                                stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True)
        assert "Signature verification: ok" in result.stdout, (path, result.stdout[-400:])


@pytest.fixture(scope="module")
def signed_dist(tmp_path_factory):
    """A second build of the release files into a folder of its own, signed with a throwaway
    self-signed certificate made here."""
    folder = tmp_path_factory.mktemp("signed")
    cert, key = folder / "cert.pem", folder / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                    "/CN=Robina test signer", "-keyout", key, "-out", cert], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([sys.executable, str(REPO / "tools" / "dist" / "dist.py"), "--build", str(BUILD),
                    "--out", str(folder / "dist")], check=True, stdout=subprocess.DEVNULL,
                   env=dict(os.environ, SIGN_CERT=str(cert), SIGN_KEY=str(key)))
    return folder / "dist"


def test_signed_on_request_and_two_unsigned_builds_of_one_commit_match(signed_dist):
    cert = signed_dist.parent / "cert.pem"
    verify_signed(cert, signed_dist / SETUP)
    with zipfile.ZipFile(signed_dist / f"Robina-SDK-{VERSION}.zip") as sdk:
        folder = signed_dist.parent / "sdk"
        sdk.extractall(folder)
    verify_signed(cert, *(folder / f"Robina-SDK-{VERSION}" / name for name in ("rvpx.exe", "robina-play.exe")))
    # Unsigned, the same commit builds the same files again: byte for byte, the installer by size.
    again = signed_dist.parent / "again"
    subprocess.run([sys.executable, str(REPO / "tools" / "dist" / "dist.py"), "--build", str(BUILD),
                    "--out", str(again)], check=True, stdout=subprocess.DEVNULL,
                   env={k: v for k, v in os.environ.items() if not k.startswith("SIGN_")})
    for name in (f"Robina-{VERSION}.zip", f"Robina-SDK-{VERSION}.zip", f"robina_{VERSION}_all.deb"):
        assert filecmp.cmp(DIST / name, again / name, shallow=False), name
    assert (DIST / SETUP).stat().st_size == (again / SETUP).stat().st_size


def test_installer_installs_plays_and_uninstalls_keeping_records_then_purges(tmp_path, window_manager,
                                                                             signed_dist):
    prefix = tmp_path / "prefix"
    setup = signed_dist / SETUP
    in_prefix(prefix, setup, "/S")
    drive = prefix / "drive_c"
    folder = drive / "Program Files" / "Mossleaf" / "Robina"
    assert sorted(os.listdir(folder)) == sorted(INSTALLED + ["uninstall.exe"])
    verify_signed(signed_dist.parent / "cert.pem", folder / "uninstall.exe", folder / "Robina.exe")
    start_menu = drive / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / TITLE
    desktop = drive / "users" / "Public" / "Desktop" / f"{TITLE}.lnk"
    shortcuts = sorted(p.name for p in start_menu.iterdir())
    assert shortcuts == [f"{TITLE}.lnk", f"{TITLE}のアンインストール.lnk"] and desktop.exists()
    assert "Robina.exe".encode("utf-16-le") in (start_menu / f"{TITLE}.lnk").read_bytes()
    machine = registry(prefix, "system")
    exe = r"C:\Program Files\Mossleaf\Robina\Robina.exe"
    entry = machine[UNINSTALL_KEY]
    assert (entry["DisplayName"], entry["Publisher"], entry["DisplayVersion"], entry["DisplayIcon"]) == \
        (TITLE, "Mossleaf", VERSION, exe + ",0")
    assert entry["UninstallString"] == '"C:\\Program Files\\Mossleaf\\Robina\\uninstall.exe"'
    assert int(entry["EstimatedSize"].split(":")[1], 16) > 1000  # KB
    assert machine[CLASS_KEY + r"\shell\open\command"][""] == f'"{exe}" "%1"'
    assert machine[r"software\classes\.vyg"][""] == "PomoRobina.vyg"

    # A child plays: the installed program reaches the menu with the five games, and a click starts one.
    program = Program(folder, tmp_path / "audio.raw", prefix=prefix, copy=False)
    program.start("/q")
    park_mouse()
    wait_screen(program, "menu")
    assert "ゲームファイルが5個見つかりました" in program.log()
    program.click(*point_centre(70, 80))
    program.wait_log("start task_sum")
    assert re.search(r"launch vyg file\(\d\) : BALLOON.VYG", program.log())
    program.stop()
    (folder / "MINE.VYG").write_bytes((folder / "MICHI.VYG").read_bytes())  # the player's own game file

    in_prefix(prefix, folder / "uninstall.exe", "/S")
    assert sorted(os.listdir(folder)) == ["MINE.VYG", "debug.log", "debughqx.bin"]
    assert not start_menu.exists() and not desktop.exists()
    machine, user = registry(prefix, "system"), registry(prefix, "user")
    assert UNINSTALL_KEY not in machine and CLASS_KEY not in machine and r"software\classes\.vyg" not in machine
    assert "RBSV100" in user[RECORDS_KEY] and (drive / "windows" / "system32" / "wtconf.ini").exists()

    # Installed again into a folder with blanks, a game file opened from the desktop reaches this
    # program, which answers with its notice.
    # /D= comes last and unquoted, blanks and all, as an administrator types it: through cmd, since
    # Wine would quote an argument with blanks.
    blanks = drive / "Game Shelf" / "Robina Shell"
    shutil.copy(setup, drive / SETUP)
    in_prefix(prefix, "cmd", "/c", f"C:\\{SETUP} /S /D=C:\\Game Shelf\\Robina Shell")
    assert registry(prefix, "system")[CLASS_KEY + r"\shell\open\command"][""] == \
        '"C:\\Game Shelf\\Robina Shell\\Robina.exe" "%1"'
    opened = tmp_path / "my games" / "trip one.vyg"
    opened.parent.mkdir()
    opened.write_bytes(b"RVPX")
    shelf = Program(blanks, tmp_path / "shelf.raw", prefix=prefix, copy=False)
    shelf.watch()
    subprocess.Popen([str(WINENV), "start", "/unix", str(opened)], env=shelf.env(),
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    assert shelf.wait_box(TITLE)["texts"] == [NOTICE]
    shelf.stop()

    in_prefix(prefix, blanks / "uninstall.exe", "/S", "/PURGE")
    assert os.listdir(blanks) == ["debughqx.bin"]
    assert RECORDS_KEY not in registry(prefix, "user")
    assert not (drive / "windows" / "system32" / "wtconf.ini").exists()


def test_portable_zip_unzips_with_japanese_names_and_starts_at_the_menu(tmp_path, window_manager):
    path = DIST / f"Robina-{VERSION}.zip"
    with zipfile.ZipFile(path) as archive:
        infos = archive.infolist()
        assert [i.filename for i in infos] == [f"{TITLE}/{name}" for name in INSTALLED]
        assert all(i.flag_bits & 0x800 for i in infos)  # names in UTF-8, flagged
        archive.extractall(tmp_path / "zipfile")
    subprocess.run(["unzip", "-q", str(path), "-d", str(tmp_path / "unzip")], check=True)
    folder = tmp_path / "unzip" / TITLE
    for name in INSTALLED:
        assert filecmp.cmp(folder / name, tmp_path / "zipfile" / TITLE / name, shallow=False), name
    readme = (folder / "readme.txt").read_bytes()
    assert readme.count(b"\r\n") == readme.count(b"\n") > 30
    text = readme.decode("cp932")
    assert f"{TITLE} Version {VERSION}" in text and "HKEY_CURRENT_USER\\Software\\Mossleaf\\ポモのロビナ" in text

    program = Program(folder, tmp_path / "audio.raw", copy=False)
    program.start("/q")
    park_mouse()
    wait_screen(program, "menu")
    assert "ゲームファイルが5個見つかりました" in program.log()
    program.stop()


def test_debian_package_is_lintian_clean_and_starts_at_the_menu_in_a_fresh_home(tmp_path, window_manager):
    package = DIST / f"robina_{VERSION}_all.deb"
    lint = subprocess.run(["lintian", str(package)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    print(lint.stdout)
    assert not [line for line in lint.stdout.splitlines() if line.startswith("E:")], lint.stdout
    depends = subprocess.run(["dpkg-deb", "-f", str(package), "Depends"], stdout=subprocess.PIPE, text=True).stdout
    assert depends.split(", ") == ["wine", "wine32", "fonts-ipafont-gothic\n"]

    # Installed for real into a root of its own (the package has no maintainer scripts to run).
    root = tmp_path / "root"
    (root / "var" / "lib" / "dpkg" / "updates").mkdir(parents=True)
    (root / "var" / "lib" / "dpkg" / "status").write_text("")
    subprocess.run(["dpkg", f"--root={root}", "--force-depends", "--force-not-root", "--log=/dev/null",
                    "-i", str(package)], check=True, stdout=subprocess.DEVNULL)
    assert (root / "usr" / "share" / "icons" / "hicolor" / "32x32" / "apps" / "robina.png").exists()
    assert "*.vyg" in (root / "usr" / "share" / "mime" / "packages" / "robina.xml").read_text()

    home = tmp_path / "home"
    home.mkdir()
    # The player's sound card: an ALSA sink that keeps what is played (DirectSound needs a device).
    (home / ".asoundrc").write_text(f'pcm.!default {{ type file slave.pcm "null" file "{tmp_path}/audio.raw" '
                                    'format "raw" }\n')
    data = home / ".local" / "share" / "robina"
    games = data / "games"
    program = Program(games, tmp_path / "audio.raw", prefix=data / "prefix", copy=False)
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "XDG_", "LC_", "LANG"))}
    env["HOME"] = str(home)
    launcher = subprocess.Popen([str(root / "usr" / "games" / "robina")], env=env, start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    program.process = launcher
    try:
        wait_for(lambda: (data / "prefix" / ".robina-ready").exists(), 180, what="the player's Wine prefix")
        # The harness leaves the player's prefix as robina made it: it would otherwise set its crash
        # handler there and wait for the prefix to be idle, which it is not while the program runs.
        (data / "prefix" / ".robina-no-debugger").touch()
        program.watch()  # answers the start-up dialog
        park_mouse()
        wait_screen(program, "title", timeout=120)
        program.click(320, 200)
        park_mouse()
        wait_screen(program, "menu")
        assert "ゲームファイルが5個見つかりました" in program.log()
        assert os.readlink(games / "Robina.exe") == str(root / "usr" / "share" / "games" / "robina" / "Robina.exe")
    finally:
        program.stop()
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=str(data / "prefix")), timeout=60)
