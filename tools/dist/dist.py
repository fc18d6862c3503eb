#!/usr/bin/env python3
"""`make dist`: what leaves the bench, from a built tree (make win), into one folder.

    Robina-VERSION-setup.exe   the Windows installer (NSIS, Japanese)
    Robina-VERSION.zip         the portable program: unzip anywhere and run
    Robina-SDK-VERSION.zip     for game authors on Windows: guide, header, rvpx.exe, robina-play.exe, the
                               template and the example game with their build scripts
    robina_VERSION_all.deb     for Linux players: the program under Wine, one prefix per user

The version and the sample games are the build's: CMake writes them into BUILD/win/release.json.
Builds are reproducible: every timestamp is SOURCE_DATE_EPOCH (by default the time of the last commit)
and members go in a fixed order, so two builds of one commit give byte-identical zips and package.
With SIGN_CERT and SIGN_KEY (PEM files) in the environment the executables, the installer and its
uninstaller are signed with osslsigncode.

    dist.py [--build BUILD] [--out FOLDER]
    dist.py sign FILE          sign FILE in place (makensis calls this for its two programs)
"""
import argparse
import gzip
import hashlib
import io
import json
import os
import pathlib
import shutil
import subprocess
import sys
import time
import zipfile

import installer_art

REPO = pathlib.Path(__file__).resolve().parents[2]
HERE = REPO / "tools" / "dist"
BUILD = pathlib.Path(os.environ.get("ROBINA_BUILD", REPO / "build")).resolve()  # as for the tests
PRODUCT = "ポモのロビナ"
# What the build ships (read_release): the version ("1.04"), the sample games, and with the program and
# the readme what the installer and the portable zip hold.
VERSION, GAMES, PLAYER_FILES = None, [], []
# The portable program writes the game-file association at every start; this file, a double click
# before the folder is deleted, has the program take it away again (where it opens this copy only).
UNREGISTER = "関連付けの解除.bat"
MENU_PICTURES = ["sys_logo.bmp", "sys_states.bmp", "help.bmp"]
# The SDK's games: folder, source, and the members drawn at build time (game.ini is written there too).
SDK_GAMES = {
    "template": ("template.cpp", MENU_PICTURES + ["robin.bmp", "text.bmp", "peep.wav"]),
    "kinomi": ("kinomi.cpp", MENU_PICTURES + ["sheet.bmp", "text.bmp", "wind.wav", "pop.wav"]),
}
BUILD_SCRIPTS = ["build.bat", "build-msvc.bat"]
ICON_PROGRAM, ICON_GAME_FILE = 120, 121  # the program's icon resources (src/res/resource.h)
LARGE_ICON_SIZES = (128, 256)
ZIP_EPOCH_FLOOR = 315532800  # 1980-01-01, the earliest time a zip entry holds


def run(*args, **kwargs):
    return subprocess.run([str(a) for a in args], check=True, **kwargs)


def read_release(build):
    global VERSION, GAMES, PLAYER_FILES
    where = build / "win" / "release.json"
    if not where.exists():
        sys.exit(f"dist.py: {where} is missing: build the Windows tree first (make win)")
    facts = json.loads(where.read_text(encoding="utf-8"))
    VERSION, GAMES = facts["version"], facts["games"]
    PLAYER_FILES = ["Robina.exe", "readme.txt"] + GAMES


def source_date_epoch():
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    out = run("git", "-C", REPO, "log", "-1", "--format=%ct", stdout=subprocess.PIPE, text=True).stdout
    return int(out.strip())


def sign(path):
    """Signs a Windows program in place with the certificate and key the environment names."""
    path = pathlib.Path(path)
    signed = path.with_name(path.name + ".signed")
    run("osslsigncode", "sign", "-certs", os.environ["SIGN_CERT"], "-key", os.environ["SIGN_KEY"],
        "-h", "sha256", "-n", PRODUCT, "-i", "http://robina.example/", "-in", path, "-out", signed,
        stdout=subprocess.DEVNULL)
    signed.replace(path)


def signing():
    """Both files named: sign. Only one: refuse, rather than give an unsigned build to whoever meant
    to sign it."""
    named = [name for name in ("SIGN_CERT", "SIGN_KEY") if os.environ.get(name)]
    if len(named) == 1:
        sys.exit(f"dist: {named[0]} is set without {({'SIGN_CERT', 'SIGN_KEY'} - set(named)).pop()}: "
                 "name both to sign, or neither")
    return len(named) == 2


def windows_text(text, version):
    """A text for Windows players: Shift-JIS with CRLF line ends."""
    return text.replace("@VERSION@", version).replace("\n", "\r\n").encode("cp932")


def write_zip(path, members, epoch):
    """members: (name in the zip, bytes), stored in name order with one timestamp. Names that are not
    ASCII are stored as UTF-8 with the language-encoding flag, which Windows' own unzip honours."""
    stamp = time.gmtime(max(epoch, ZIP_EPOCH_FLOOR))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in sorted(members):
            info = zipfile.ZipInfo(name, stamp)
            # Made "on Unix" (mode rw-r--r--, and the archive attribute Windows sets): unzip on Linux
            # then reads the names as UTF-8 too, where for "MS-DOS" it would convert them from OEM.
            info.create_system = 3
            info.external_attr = (0o100644 << 16) | 0x20
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


def extract_icons(program, folder):
    """The program's icon groups as .ico files, and each image of them as a PNG: {number: (ico, {size:
    png})}. The images are 32-bit with alpha, which icotool refuses for want of the unused AND mask."""
    from PIL import Image
    icons = {}
    for number in (ICON_PROGRAM, ICON_GAME_FILE):
        ico = folder / f"icon{number}.ico"
        run("wrestool", "-x", "--type=group_icon", f"--name={number}", "-o", ico, program, stderr=subprocess.DEVNULL)
        pngs = {}
        with Image.open(ico) as group:
            for size in sorted(group.ico.sizes()):
                pngs[size[0]] = folder / f"icon{number}-{size[0]}.png"
                group.ico.getimage(size).save(pngs[size[0]])
        icons[number] = (ico, pngs)
    return icons


def install_log_line(path):
    """One line of the installer's log: SHA-256, the size in ten digits, the name. The uninstaller
    computes the first two of the file it finds and removes it only when they match."""
    data = path.read_bytes()
    return f"{hashlib.sha256(data).hexdigest()} {len(data):010d} {path.name}"


def large_icons(number):
    """{size: PNG bytes} of the sizes a desktop shows large, drawn from the same art as the program's
    icon, which holds the sizes up to 48 px."""
    sys.path.insert(0, str(REPO / "tools" / "artgen"))
    import art_shell
    from PIL import Image
    art = art_shell.program_icon() if number == ICON_PROGRAM else art_shell.game_file_icon()
    pngs = {}
    for size in LARGE_ICON_SIZES:
        out = io.BytesIO()
        art.resize((size, size), Image.LANCZOS).save(out, format="PNG")
        pngs[size] = out.getvalue()
    return pngs


def build_installer(stage, out, version, epoch):
    installer_art.write_wizard_picture(stage / "wizard.bmp")
    for name in PLAYER_FILES + ["wizard.bmp"]:
        os.utime(stage / name, (epoch, epoch))  # the installer keeps each file's time
    lines = (["!macro InstallFiles"] + [f'  File "{stage}/{name}"' for name in PLAYER_FILES] + ["!macroend",
             "!macro WriteInstallLog HANDLE"] +
             [f'  FileWrite ${{HANDLE}} "{install_log_line(stage / name)}$\\r$\\n"' for name in PLAYER_FILES] +
             ["!macroend"])
    (stage / "installed.nsh").write_text("\n".join(lines) + "\n", encoding="utf-8")
    quad = ".".join([version.split(".")[0], "0", str(int(version.split(".")[1])), "0"])
    defines = [f"-DVERSION={version}", f"-DVERSION_QUAD={quad}", f"-DSTAGE={stage}", f"-DOUTFILE={out}"]
    if signing():
        defines.append(f"-DSIGN={sys.executable} {pathlib.Path(__file__).resolve()} sign")
    run("makensis", "-INPUTCHARSET", "UTF8", "-V2", *defines, HERE / "robina.nsi", stdout=subprocess.DEVNULL)


def sdk_members(build, stage, version):
    top = f"Robina-SDK-{version}/"
    guide = (HERE / "guide.md").read_text(encoding="utf-8").replace("@VERSION@", version)
    members = [(top + "include/robina_game.h", (REPO / "include" / "robina_game.h").read_bytes()),
               (top + "rvpx.exe", (stage / "rvpx.exe").read_bytes()),
               (top + "robina-play.exe", (stage / "robina-play.exe").read_bytes()),
               (top + "guide.md", guide.replace("\n", "\r\n").encode("utf-8"))]
    for folder, (source, assets) in SDK_GAMES.items():
        drawn = build / "win" / "games" / folder / folder
        members.append((f"{top}{folder}/{source}", (REPO / "games" / folder / source).read_bytes()))
        members += [(f"{top}{folder}/{name}", (drawn / name).read_bytes()) for name in ["game.ini"] + assets]
        members += [(f"{top}{folder}/{script}", windows_text((HERE / script).read_text(encoding="utf-8"), version))
                    for script in BUILD_SCRIPTS]
    return members


def deb_tree(root, stage, icons, version, epoch):
    def put(relative, data, mode=0o644):
        path = root / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        path.chmod(mode)
        for folder in path.relative_to(root).parents:  # whatever the umask made them
            (root / folder).chmod(0o755)

    def gz(data):
        return gzip.compress(data, 9, mtime=0)
    deb = HERE / "deb"
    day = time.strftime("%a, %d %b %Y %H:%M:%S +0000", time.gmtime(epoch))
    put("usr/games/robina", (deb / "robina").read_bytes(), 0o755)
    for name in ["Robina.exe"] + GAMES:
        put(f"usr/share/games/robina/{name}", (stage / name).read_bytes())
    put("usr/share/applications/robina.desktop", (deb / "robina.desktop").read_bytes())
    put("usr/share/mime/packages/robina.xml", (deb / "robina.xml").read_bytes())
    for number, name, kind in ((ICON_PROGRAM, "robina", "apps"),
                               (ICON_GAME_FILE, "application-x-robina-game", "mimetypes")):
        for size, png in icons[number][1].items():
            put(f"usr/share/icons/hicolor/{size}x{size}/{kind}/{name}.png", png.read_bytes())
        for size, png in large_icons(number).items():
            put(f"usr/share/icons/hicolor/{size}x{size}/{kind}/{name}.png", png)
    put("usr/share/man/man6/robina.6.gz", gz((deb / "robina.6").read_text().replace("@VERSION@", version).encode()))
    year = time.strftime("%Y", time.gmtime(epoch))
    put("usr/share/doc/robina/copyright", (deb / "copyright").read_text().replace("@YEAR@", year).encode())
    changelog = (deb / "changelog").read_text().replace("@VERSION@", version).replace("@DATE@", day)
    put("usr/share/doc/robina/changelog.gz", gz(changelog.encode()))
    files = sorted(p for p in root.rglob("*") if p.is_file())
    size_kb = sum((p.stat().st_size + 1023) // 1024 for p in files)
    control = (deb / "control").read_text().replace("@VERSION@", version).replace("@SIZE@", str(size_kb))
    put("DEBIAN/control", control.encode())
    sums = "".join(f"{hashlib.md5(p.read_bytes()).hexdigest()}  {p.relative_to(root).as_posix()}\n" for p in files)
    put("DEBIAN/md5sums", sums.encode())
    for path in sorted(root.rglob("*"), reverse=True):
        os.utime(path, (epoch, epoch), follow_symlinks=False)
    os.utime(root, (epoch, epoch))


def make_dist(build, out, stage):
    read_release(build)
    version = VERSION
    epoch = source_date_epoch()
    win = build / "win"
    shutil.rmtree(stage, ignore_errors=True)
    stage.mkdir(parents=True)
    out.mkdir(parents=True, exist_ok=True)
    for name in ("Robina.exe", "robina-play.exe", "rvpx.exe"):
        shutil.copy(win / name, stage / name)
        if signing():
            sign(stage / name)
    for name in GAMES:
        shutil.copy(win / "games" / name, stage / name)
    readme = windows_text((HERE / "readme.txt").read_text(encoding="utf-8"), version)
    (stage / "readme.txt").write_bytes(readme)
    icons = extract_icons(stage / "Robina.exe", stage)
    shutil.copy(icons[ICON_PROGRAM][0], stage / "robina.ico")

    made = []
    installer = out / f"Robina-{version}-setup.exe"
    build_installer(stage, installer, version, epoch)
    made.append(installer)

    portable = out / f"Robina-{version}.zip"
    top = PRODUCT + "/"
    unregister = windows_text((HERE / "unregister.bat").read_text(encoding="utf-8"), version)
    write_zip(portable, [(top + name, (stage / name).read_bytes()) for name in PLAYER_FILES] +
              [(top + UNREGISTER, unregister)], epoch)
    made.append(portable)

    sdk = out / f"Robina-SDK-{version}.zip"
    write_zip(sdk, sdk_members(build, stage, version), epoch)
    made.append(sdk)

    root = stage / "deb"
    deb_tree(root, stage, icons, version, epoch)
    package = out / f"robina_{version}_all.deb"
    run("dpkg-deb", "--root-owner-group", "-Zxz", "--build", root, package, stdout=subprocess.DEVNULL,
        env=dict(os.environ, SOURCE_DATE_EPOCH=str(epoch)))
    made.append(package)

    for path in made:
        print(f"dist: {path} ({path.stat().st_size} bytes)")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "sign":
        sign(sys.argv[2])
        return 0
    parser = argparse.ArgumentParser(description="Builds the release files into one folder.")
    parser.add_argument("--build", default=str(BUILD), help="the build folder (make win)")
    parser.add_argument("--out", default=str(REPO / "dist"), help="where the release files go")
    parser.add_argument("--stage", help="where the files are gathered first (default: BUILD/dist-stage); "
                                        "emptied first")
    args = parser.parse_args()
    build = pathlib.Path(args.build).resolve()
    make_dist(build, pathlib.Path(args.out).resolve(), pathlib.Path(args.stage or build / "dist-stage").resolve())
    return 0


# Whoever imports this (the release tests) gets the default build's facts, once it is built.
if (BUILD / "win" / "release.json").exists():
    read_release(BUILD)

if __name__ == "__main__":
    sys.exit(main())
