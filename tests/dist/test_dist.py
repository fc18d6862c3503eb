"""The release files of `make dist` as people meet them: an administrator installing, a child playing
and a parent uninstalling on Windows (a fresh Wine prefix), a player with the portable zip, a Linux player with the package in a fresh home folder; and two builds of one
commit giving the same files, signed when asked. (An author with the SDK zip: test_sdk.py.)"""
import filecmp
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import zipfile

import pytest

REPO = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.path.insert(0, str(REPO / "tools" / "dist"))
from conftest import (BUILD, TITLE, WINENV, Program, desktop_entered, hkcr_get, wait_for, wine,  # noqa: E402,F401
                      window_manager)
from screens import park_mouse, point_centre, wait_screen  # noqa: E402
import dist  # noqa: E402

VERSION = dist.VERSION
DIST = REPO / "dist"
SETUP = f"Robina-{VERSION}-setup.exe"
INSTALLED = sorted(["Robina.exe", "readme.txt"] + dist.GAMES)
UNINSTALL_KEY = r"software\microsoft\windows\currentversion\uninstall\mossleaf robina"
CLASS_KEY = r"software\classes\pomorobina.vyg"
RECORDS_KEY = "software\\mossleaf\\" + TITLE + "\\config"
REFUSED = ("「trip one.vyg」は追加できません。\n\nポモのロビナのゲームファイル（RVPXパック）ではありません。\n"
           "壊れているか、別の種類のファイルです。")


def in_prefix(prefix, *args, cwd=None, check=True, idle=True):
    """Runs a Windows program in the given prefix to its end, and waits until the prefix is idle (its
    registry written out, an uninstaller's second self gone) unless another program is to go on running."""
    env = dict(os.environ, ROBINA_PREFIX=str(prefix))
    result = subprocess.run([str(WINENV)] + [str(a) for a in args], cwd=cwd, env=env, check=check, timeout=180,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    if idle:
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
                    "--out", str(folder / "dist"), "--stage", str(folder / "stage")], check=True,
                   stdout=subprocess.DEVNULL,
                   env=dict(os.environ, SIGN_CERT=str(cert), SIGN_KEY=str(key)))
    return folder / "dist"


@pytest.mark.linux_only
def test_signed_on_request_and_an_unsigned_build_under_another_umask_matches(signed_dist):
    cert = signed_dist.parent / "cert.pem"
    verify_signed(cert, signed_dist / SETUP)
    with zipfile.ZipFile(signed_dist / f"Robina-SDK-{VERSION}.zip") as sdk:
        folder = signed_dist.parent / "sdk"
        sdk.extractall(folder)
    verify_signed(cert, *(folder / f"Robina-SDK-{VERSION}" / name for name in ("rvpx.exe", "robina-play.exe")))
    # Unsigned and under a umask that takes the group's and others' rights, the same commit builds
    # the same four files again, byte for byte.
    again = signed_dist.parent / "again"
    subprocess.run([sys.executable, str(REPO / "tools" / "dist" / "dist.py"), f"--build={BUILD}",
                    f"--out={again}", f"--stage={again}-stage"], check=True, stdout=subprocess.DEVNULL, preexec_fn=lambda: os.umask(0o027),
                   env={k: v for k, v in os.environ.items() if not k.startswith("SIGN_")})
    for name in (SETUP, f"Robina-{VERSION}.zip", f"Robina-SDK-{VERSION}.zip", f"robina_{VERSION}_all.deb"):
        assert filecmp.cmp(DIST / name, again / name, shallow=False), name


def windows_path(prefix, path):
    """The file of a prefix that a C:\\ path names."""
    return prefix / "drive_c" / path[3:].replace("\\", "/")


def test_installer_for_one_user_plays_uninstalls_its_own_files_then_for_all_users_purges(tmp_path, window_manager,
                                                                                        signed_dist):
    prefix = tmp_path / "prefix"
    setup = signed_dist / SETUP
    manifest = subprocess.run(["wrestool", "-x", "-R", "--type=24", str(setup)], stdout=subprocess.PIPE).stdout
    assert b'level="asInvoker"' in manifest  # no elevation prompt
    in_prefix(prefix, setup, "/S")
    drive = prefix / "drive_c"
    user = registry(prefix, "user")
    entry = user[UNINSTALL_KEY]
    assert UNINSTALL_KEY not in registry(prefix, "system") and CLASS_KEY not in registry(prefix, "system")
    assert re.fullmatch(r"C:\\users\\[^\\]+\\AppData\\Local\\Programs\\Mossleaf\\Robina", entry["InstallLocation"])
    folder = windows_path(prefix, entry["InstallLocation"])
    exe = entry["InstallLocation"] + "\\Robina.exe"
    assert sorted(os.listdir(folder)) == sorted(INSTALLED + ["install.log", "uninstall.exe"])
    verify_signed(signed_dist.parent / "cert.pem", folder / "uninstall.exe", folder / "Robina.exe")
    start_menu = folder.parents[3] / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / TITLE
    assert sorted(p.name for p in start_menu.iterdir()) == ["ゲームフォルダ.lnk", f"{TITLE}.lnk",
                                                            f"{TITLE}のアンインストール.lnk"]
    assert "/folder".encode("utf-16-le") in (start_menu / "ゲームフォルダ.lnk").read_bytes()
    assert (entry["DisplayName"], entry["Publisher"], entry["DisplayVersion"], entry["DisplayIcon"]) == \
        (TITLE, "Mossleaf", VERSION, exe + ",0")
    assert int(entry["EstimatedSize"].split(":")[1], 16) > 1000  # KB
    assert user[CLASS_KEY + r"\shell\open\command"][""] == f'"{exe}" "%1"'

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
    with open(folder / "readme.txt", "ab") as readme:  # and the player's note in the readme
        readme.write(b"my note\r\n")

    # A log line that reaches out of the folder is passed over, though the file there matches it.
    outside = folder.parent / "outside.txt"
    outside.write_bytes(b"not the program's")
    with open(folder / "install.log", "ab") as log:
        log.write(dist.install_log_line(outside).replace("outside.txt", "..\\outside.txt").encode() + b"\r\n")

    # Only the unchanged files it installed go; the player's file and the changed readme stay.
    in_prefix(prefix, folder / "uninstall.exe", "/S")
    assert outside.exists()
    # What stays is named in a new log, which keeps the folder the program's own.
    assert sorted(os.listdir(folder)) == ["MINE.VYG", "debug.log", "debughqx.bin", "install.log", "readme.txt"]
    assert not start_menu.exists()
    user = registry(prefix, "user")
    assert UNINSTALL_KEY not in user and CLASS_KEY not in user and r"software\classes\.vyg" not in user
    assert "RBSV100" in user[RECORDS_KEY] and (drive / "windows" / "system32" / "wtconf.ini").exists()

    # For every user, into a folder with blanks; a game file opened from the desktop reaches this
    # program, which judges it (this one is no game file).
    # /D= comes last and unquoted, blanks and all, as an administrator types it: through cmd, since
    # Wine would quote an argument with blanks.
    blanks = drive / "Game Shelf" / "Robina Shell"
    shutil.copy(setup, drive / SETUP)
    in_prefix(prefix, "cmd", "/c", f"C:\\{SETUP} /S /ALLUSERS /D=C:\\Game Shelf\\Robina Shell")
    in_prefix(prefix, setup, "/S")  # an upgrade keeps the folder and the scope
    assert UNINSTALL_KEY not in registry(prefix, "user")
    machine = registry(prefix, "system")
    assert machine[UNINSTALL_KEY]["InstallLocation"] == "C:\\Game Shelf\\Robina Shell"
    assert machine[CLASS_KEY + r"\shell\open\command"][""] == '"C:\\Game Shelf\\Robina Shell\\Robina.exe" "%1"'
    assert (drive / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / TITLE).exists()
    assert (drive / "users" / "Public" / "Desktop" / f"{TITLE}.lnk").exists()
    opened = tmp_path / "my games" / "trip one.vyg"
    opened.parent.mkdir()
    opened.write_bytes(b"RVPX")
    shelf = Program(blanks, tmp_path / "shelf.raw", prefix=prefix, copy=False)
    shelf.watch()
    subprocess.Popen([str(WINENV), "start", "/unix", str(opened)], env=shelf.env(),
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    assert shelf.wait_box(TITLE)["texts"] == [REFUSED]
    shelf.stop()

    # A purge takes the program's records and leaves the maker's other programs' settings.
    in_prefix(prefix, "reg", "add", "HKCU\\Software\\Mossleaf\\Other Game", "/v", "level", "/d", "7", "/f")
    in_prefix(prefix, blanks / "uninstall.exe", "/S", "/PURGE")
    assert sorted(os.listdir(blanks)) == ["debughqx.bin", "install.log"]
    user = registry(prefix, "user")
    assert RECORDS_KEY not in user and user["software\\mossleaf\\other game"]["level"] == "7"
    assert UNINSTALL_KEY not in registry(prefix, "system")
    assert not (drive / "windows" / "system32" / "wtconf.ini").exists()


def test_installer_keeps_to_its_own_folder_upgrades_in_place_and_waits_for_the_program(tmp_path, signed_dist):
    prefix = tmp_path / "prefix"
    drive = prefix / "drive_c"
    # A crowded folder: the player's files, another program's folder and uninstaller.
    games = drive / "Games"
    in_prefix(prefix, "cmd", "/c", "mkdir C:\\Games\\OtherGame")
    theirs = {"readme.txt": b"the player's readme", "my notes.txt": b"notes", "uninstall.exe": b"MZ another one"}
    for name, data in theirs.items():
        (games / name).write_bytes(data)
    dist.build_installer(BUILD / "dist-stage", drive / "setup-1.03.exe", "1.03", dist.source_date_epoch())
    assert in_prefix(prefix, "cmd", "/c", "C:\\setup-1.03.exe /S /D=C:\\Games").returncode == 0
    assert {name: (games / name).read_bytes() for name in theirs} == theirs
    assert sorted(os.listdir(games)) == sorted(list(theirs) + ["OtherGame", "Robina"])
    folder = games / "Robina"
    assert sorted(os.listdir(folder)) == sorted(INSTALLED + ["install.log", "uninstall.exe"])
    # Neither the folder nor a folder of its own inside it is free: nothing is written.
    (folder.parent / "Full" / "Robina").mkdir(parents=True)
    (folder.parent / "Full" / "Robina" / "x.txt").write_bytes(b"x")
    (folder.parent / "Full" / "y.txt").write_bytes(b"y")
    setup = signed_dist / SETUP
    assert in_prefix(prefix, setup, "/S", "/D=C:\\Games\\Full", check=False).returncode == 4
    assert sorted(os.listdir(folder.parent / "Full")) == ["Robina", "y.txt"]

    # The player's game file and records; then the newer version, and the same again, without /D=.
    (folder / "MINE.VYG").write_bytes(b"RVPX mine")
    in_prefix(prefix, "reg", "add", f"HKCU\\Software\\Mossleaf\\{TITLE}\\Config", "/v", "kept", "/d", "yes", "/f")
    for _ in range(2):
        in_prefix(prefix, setup, "/S")
        entry = registry(prefix, "user")[UNINSTALL_KEY]
        assert (entry["InstallLocation"], entry["DisplayVersion"]) == ("C:\\Games\\Robina", VERSION)
        assert (folder / "MINE.VYG").read_bytes() == b"RVPX mine"
        assert registry(prefix, "user")[RECORDS_KEY]["kept"] == "yes"
    assert not list(drive.glob("users/*/AppData/Local/Programs/Mossleaf")) and not (drive / "Program Files" / "Mossleaf").exists()

    # While the program runs, neither the installer nor the uninstaller touches it: silent, they end
    # with their own status; asked, the player hears the program's name and may cancel.
    program = Program(folder, tmp_path / "audio.raw", prefix=prefix, copy=False)
    program.start("/q", answers={f"{TITLE} セットアップ": 2, f"{TITLE} アンインストール": 2})
    program.window()
    installed = {name: (folder / name).read_bytes() for name in INSTALLED}
    uninstall = folder / "uninstall.exe"
    here = "_?=C:\\Games\\Robina"  # runs in place, so its status is the uninstaller's own
    assert in_prefix(prefix, setup, "/S", check=False, idle=False).returncode == 3
    assert in_prefix(prefix, uninstall, "/S", here, check=False, idle=False).returncode == 3
    assert in_prefix(prefix, setup, check=False, idle=False).returncode == 3
    assert in_prefix(prefix, uninstall, here, check=False, idle=False).returncode == 3
    questions = [box for box in program.boxes() if any("起動しています" in text for text in box["texts"])]
    assert [box["caption"] for box in questions] == [f"{TITLE} セットアップ", f"{TITLE} アンインストール"]
    assert all(f"{TITLE}（Robina.exe）が起動しています" in "".join(box["texts"]) for box in questions)
    assert {name: (folder / name).read_bytes() for name in INSTALLED} == installed
    assert UNINSTALL_KEY in registry(prefix, "user")
    program.stop()
    assert in_prefix(prefix, uninstall, "/S", here).returncode == 0
    assert sorted(os.listdir(folder)) == ["MINE.VYG", "debug.log", "debughqx.bin", "install.log", "uninstall.exe"]
    assert {name: (games / name).read_bytes() for name in theirs} == theirs


def test_portable_zip_unzips_with_japanese_names_and_starts_at_the_menu(tmp_path, window_manager):
    path = DIST / f"Robina-{VERSION}.zip"
    with zipfile.ZipFile(path) as archive:
        infos = archive.infolist()
        assert [i.filename for i in infos] == [f"{TITLE}/{name}" for name in INSTALLED + [dist.UNREGISTER]]
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
    # Its association removal: test_zip_association.py.


@pytest.fixture(scope="module")
def deb_root(tmp_path_factory):
    """The package installed for real into a root of its own (it has no maintainer scripts to run)."""
    root = tmp_path_factory.mktemp("root")
    (root / "var" / "lib" / "dpkg" / "updates").mkdir(parents=True)
    (root / "var" / "lib" / "dpkg" / "status").write_text("")
    subprocess.run(["dpkg", f"--root={root}", "--force-depends", "--force-not-root", "--log=/dev/null",
                    "-i", str(DIST / f"robina_{VERSION}_all.deb")], check=True, stdout=subprocess.DEVNULL)
    return root


@pytest.mark.linux_only
def test_debian_package_is_lintian_clean_says_how_to_get_wine32_and_has_large_icons_of_the_same_art(deb_root):
    from PIL import Image, ImageChops, ImageStat
    package = DIST / f"robina_{VERSION}_all.deb"
    lint = subprocess.run(["lintian", str(package)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    assert not [line for line in lint.stdout.splitlines() if line[:2] in ("E:", "W:")], lint.stdout
    fields = subprocess.run(["dpkg-deb", "-f", str(package), "Depends", "Description"], stdout=subprocess.PIPE,
                            text=True).stdout
    assert "Depends: wine, wine32, fonts-ipafont-gothic\n" in fields
    man = subprocess.run(["zcat", str(deb_root / "usr/share/man/man6/robina.6.gz")], stdout=subprocess.PIPE,
                         text=True).stdout
    enable = "dpkg --add-architecture i386 && sudo apt-get update"
    assert enable in fields and enable in man.replace("\\-", "-")
    assert "rm \\-r ~/.local/share/robina" in man
    assert re.search(r"^Copyright: \d{4} Mossleaf$", (deb_root / "usr/share/doc/robina/copyright").read_text(), re.M)
    assert "*.vyg" in (deb_root / "usr/share/mime/packages/robina.xml").read_text()
    assert "Exec=robina %f" in (deb_root / "usr/share/applications/robina.desktop").read_text()
    for kind, name in (("apps", "robina"), ("mimetypes", "application-x-robina-game")):
        def icon(size):
            return Image.open(deb_root / f"usr/share/icons/hicolor/{size}x{size}/{kind}/{name}.png").convert("RGBA")
        assert [icon(size).size for size in (128, 256)] == [(128, 128), (256, 256)]
        # Scaled down, the large ones are the 48 px icon the program carries.
        for size in (128, 256):
            difference = ImageChops.difference(icon(size).resize((48, 48), Image.LANCZOS), icon(48))
            assert max(ImageStat.Stat(difference).mean) < 8, (name, size)


def robina_command(root, home, *args, path=None):
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "XDG_", "LC_", "LANG"))}
    env.update(HOME=str(home), PATH=f"{path}:{env['PATH']}" if path else env["PATH"])
    return subprocess.run([str(root / "usr" / "games" / "robina"), *args], env=env, timeout=60, cwd=home,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def lock_folder(folder, locked):
    """Makes a folder read-only, or writable again: a read-only mount for root, whom the folder's
    permissions do not stop."""
    if os.geteuid() != 0:
        folder.chmod(0o555 if locked else 0o755)
    elif locked:
        subprocess.run(["mount", "--bind", str(folder), str(folder)], check=True)
        subprocess.run(["mount", "-o", "remount,bind,ro", str(folder)], check=True)
    else:
        subprocess.run(["umount", str(folder)], check=True)


@pytest.mark.linux_only
def test_robina_command_keeps_the_players_files_and_never_writes_through_a_link(tmp_path, deb_root):
    installed = deb_root / "usr" / "share" / "games" / "robina"
    shipped = {name: (installed / name).read_bytes() for name in os.listdir(installed)}
    # Wine stands aside here: its stand-in notes how the program was started.
    stand_in = tmp_path / "bin"
    stand_in.mkdir()
    stand_ins = {"wine": '[ "$1" = Robina.exe ] && printf "%s\\n" "$*" >> "$HOME/started"', "wineboot": "",
                 "wineserver": ""}
    for name, body in stand_ins.items():
        (stand_in / name).write_text(f"#!/bin/sh\n{body}\nexit 0\n")
        (stand_in / name).chmod(0o755)
    mine = tmp_path / "my downloads" / "BALLOON.VYG"
    mine.parent.mkdir()
    mine.write_bytes(b"RVPX the player's balloon")
    # (arguments, exit status, the program's command line or None, what the output says, the player's
    # files before: "folder/name" -> bytes, the folder "games" (the program's) or "mine" (the games folder));
    # in the "set up" case Wine was never set up, and the stand-in's regedit leaves the fonts out.
    own = {"games/MEMORY.VYG": b"RVPX the player's memory", "games/mogura.vyg": b"RVPX an earlier copy",
           "mine/michi.VYG": b"RVPX the player's michi"}
    cases = [
        (["--help"], 0, None, "Usage: robina", {}),
        (["--bogus"], 2, None, "Usage: robina", {}),
        (["notes.txt"], 2, None, "not a game file", {}),
        ([str(tmp_path / "gone" / "LOST.VYG")], 1, None, "LOST.VYG: no such file", {}),
        (["--folder"], 0, None, "/Documents/Robina Games\n", {}),
        ([], 0, "Robina.exe", "", own),
        ([str(mine)], 0, "Robina.exe Z:" + str(mine).replace("/", "\\"), "", own),
        (["read-only"], 0, "Robina.exe", "could not link into", {}),
        (["set up"], 1, None, "could not set up the Japanese fonts", {}),
    ]
    for args, status, started, says, files in cases:
        home = tmp_path / f"home{len(os.listdir(tmp_path))}"
        data = home / ".local" / "share" / "robina"
        games = data / "games"
        folders = {"games": games, "mine": data / "prefix" / "drive_c" / "users" / "player" / "Documents" / "Robina Games"}
        for folder in folders.values():
            folder.mkdir(parents=True)
        fresh, read_only = args == ["set up"], args == ["read-only"]
        if fresh or read_only:
            args = []
        if not fresh:
            (data / "prefix" / ".robina-ready").touch()
        for place, content in files.items():
            folder, name = place.split("/")
            (folders[folder] / name).write_bytes(content)
        os.symlink(installed / "OLD.VYG", games / "OLD.VYG")  # left by an older package
        os.symlink(installed / "MOGURA.VYG", games / "MOGURA.VYG")
        os.symlink(tmp_path / "elsewhere.vyg", games / "LINKED.VYG")  # the player's own link
        if read_only:  # after runs that linked the program: the games are what cannot be linked
            os.symlink(installed / "Robina.exe", games / "Robina.exe")
            lock_folder(games, True)
        try:
            result = robina_command(deb_root, home, *args, path=stand_in)
        finally:
            if read_only:
                lock_folder(games, False)
        out = result.stderr if status or read_only else result.stdout
        assert (result.returncode, says in out) == (status, True), (args, result)
        assert len(out.strip().splitlines()) <= (1 if read_only else 99), out
        assert read_only or status or result.stderr == "", result.stderr  # nothing failed, nothing said
        ran = (home / "started").read_text().strip() if (home / "started").exists() else None
        assert ran == started, (args, result)
        assert sorted(os.listdir(home)) == [".local"] + ["started"] * (started is not None)  # no stray file
        assert {name: (installed / name).read_bytes() for name in os.listdir(installed)} == shipped
        if not started or read_only:
            continue
        # The player's files stay as they were, and a sample steps aside for a player's file of its
        # name in any case of a-z, in either folder: one name, one game file.
        for place, content in files.items():
            folder, name = place.split("/")
            assert not (folders[folder] / name).is_symlink() and (folders[folder] / name).read_bytes() == content
        theirs = {place.split("/")[1].upper() for place in files}
        for name in shipped:
            linked = games / name
            assert linked.is_symlink() == (name.upper() not in theirs), (args, name)
            if linked.is_symlink():
                assert os.readlink(linked) == str(installed / name), (args, name)
        assert not (games / "OLD.VYG").is_symlink() and (games / "LINKED.VYG").is_symlink()
        assert sorted(p.name for p in games.glob(".*")) == []


# The first start sets Wine up and says so in one line; the next starts straight away. Wine stands
# aside: its stand-ins note each call, and the registry editor keeps the fonts file it was given and
# takes it in as the real one does.
@pytest.mark.linux_only
def test_robina_command_sets_up_wine_once_saying_so_in_one_line(tmp_path, deb_root):
    stand_in = tmp_path / "bin"
    stand_in.mkdir()
    taken = tmp_path / "fonts.reg"
    stand_ins = {
        "wineboot": 'echo "wineboot $*" >> "$HOME/calls"',
        "wineserver": 'echo "wineserver $*" >> "$HOME/calls"',
        "wine": 'printf "%s\\n" "wine $*" >> "$HOME/calls"\n'
                f'[ "$1" = regedit ] && cp "$WINEPREFIX/drive_c/robina-fonts.reg" {taken} && '
                'iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/robina-fonts.reg" >> "$WINEPREFIX/system.reg"',
    }
    for name, body in stand_ins.items():
        (stand_in / name).write_text(f"#!/bin/sh\n{body}\nexit 0\n")
        (stand_in / name).chmod(0o755)
    home = tmp_path / "home"
    home.mkdir()
    prefix = home / ".local" / "share" / "robina" / "prefix"
    set_up = ["wineboot -i", "wine regedit /S C:\\robina-fonts.reg", "wineserver -w"]
    for run, calls, said in ((1, set_up + ["wine Robina.exe"], "robina: setting up Wine"), (2, ["wine Robina.exe"], "")):
        (home / "calls").unlink(missing_ok=True)
        result = robina_command(deb_root, home, path=stand_in)
        assert (result.returncode, result.stdout) == (0, ""), (run, result)
        assert [line[:len(said)] for line in result.stderr.splitlines()] == ([said] if said else []), (run, result)
        assert (home / "calls").read_text().splitlines() == calls, run
        assert (prefix / ".robina-ready").exists() and not (prefix / "drive_c" / "robina-fonts.reg").exists()
    fonts = taken.read_bytes()
    assert fonts[:2] == b"\xff\xfe", fonts[:2]
    assert '"ＭＳ Ｐゴシック"="IPAPGothic"' in fonts.decode("utf-16")


# The games folder's name, as the program makes it, is the one the player reads about in the readme,
# the README and the manual page, and the one the Debian command names.
def test_every_text_for_players_names_the_games_folder_the_program_makes():
    made = re.search(r'#define GAMES_FOLDER_NAME L"([^"]+)"', (REPO / "src" / "base" / "base.h").read_text()).group(1)
    texts = {"readme.txt": (REPO / "tools" / "dist" / "readme.txt").read_bytes().decode("utf-8-sig"),
             "README.md": (REPO / "README.md").read_text(),
             "robina.6": (REPO / "tools" / "dist" / "deb" / "robina.6").read_text().replace("\\ ", " "),
             "robina": (REPO / "tools" / "dist" / "deb" / "robina").read_text()}
    assert [name for name, text in texts.items() if made not in text] == [], made


def test_debian_package_sets_up_wine_under_any_locale_and_starts_at_the_menu_in_a_fresh_home(tmp_path, window_manager,
                                                                                           deb_root):
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
    # First on a system whose only locale is English: the Japanese font names must still be right.
    locales = tmp_path / "locales"
    locales.mkdir()
    subprocess.run(["localedef", "-i", "en_US", "-f", "UTF-8", str(locales / "en_US.UTF-8")], check=True)
    english = dict(env, LANG="en_US.UTF-8", LOCPATH=str(locales))
    first = subprocess.Popen([str(deb_root / "usr" / "games" / "robina")], env=english, start_new_session=True,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: (data / "prefix" / ".robina-ready").exists() or first.poll() is not None, 180,
                 what="the player's Wine prefix")
        assert (data / "prefix" / ".robina-ready").exists(), first.returncode
    finally:
        os.killpg(first.pid, signal.SIGKILL)
        first.wait(timeout=10)
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=str(data / "prefix")), timeout=60)
    fonts = registry(data / "prefix", "system")[r"software\microsoft\windows nt\currentversion\fontsubstitutes"]
    assert (fonts["ＭＳ ゴシック"], fonts["ＭＳ Ｐゴシック"]) == ("IPAGothic", "IPAPGothic")

    launcher = subprocess.Popen([str(deb_root / "usr" / "games" / "robina")], env=env, start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    program.process = launcher
    try:
        # The harness leaves the player's prefix as robina made it: it would otherwise set its crash
        # handler there and wait for the prefix to be idle, which it is not while the program runs.
        (data / "prefix" / ".robina-no-debugger").touch()
        program.watch({f"{TITLE}　ゲームの追加": 1})  # answers the start-up dialog, and says yes to a game
        park_mouse()
        wait_screen(program, "title", timeout=120)
        program.click(320, 200)
        park_mouse()
        wait_screen(program, "menu")
        assert "ゲームファイルが5個見つかりました" in program.log()
        assert os.readlink(games / "Robina.exe") == str(deb_root / "usr" / "share" / "games" / "robina" / "Robina.exe")
        # A download given to the command reaches the running program, which asks and copies it into
        # the player's games folder: the one "robina --folder" names, in the home.
        download = home / "Downloads" / "ロビナ" / "kinomi.VYG"
        download.parent.mkdir(parents=True)
        shutil.copy(BUILD / "win" / "kinomi" / "KINOMI.VYG", download)
        subprocess.run([str(deb_root / "usr" / "games" / "robina"), str(download)], env=env, timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        folder = pathlib.Path(subprocess.run([str(deb_root / "usr" / "games" / "robina"), "--folder"], env=env,
                                             stdout=subprocess.PIPE, text=True, check=True).stdout.strip())
        wait_for(lambda: (folder / "kinomi.VYG").exists(), what="the game in the games folder")
        assert (folder / "kinomi.VYG").read_bytes() == download.read_bytes()
        assert str(folder).startswith(str(home)) and folder.name == "Robina Games"
    finally:
        program.stop()
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=str(data / "prefix")), timeout=60)
