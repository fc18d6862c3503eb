"""What tools/install-deps.sh (and so `make run` and `make test`) says when it cannot set the machine up:
run with a PATH of its own, where dpkg, apt-get, id, sudo and wine are stand-ins or missing."""
import os
import pathlib
import subprocess

import pytest

pytestmark = pytest.mark.linux_only  # install-deps.sh with stand-ins: no Windows program

REPO = pathlib.Path(__file__).resolve().parents[2]
REAL_TOOLS = ["bash", "sh", "grep", "cat", "mktemp", "tail", "rm", "sed", "tee", "locale", "env", "make",
              "dirname", "nproc"]
NOT_INSTALLED = "exit 1"
INSTALLED = "printf 'install ok installed'"
ROOT, USER = "echo 0", "echo 1000"
I386_ADDED = 'case "$1" in --print-foreign-architectures) echo i386;; esac'
I386_REFUSED = ('case "$1" in --add-architecture) echo "dpkg: error: cannot add architecture" >&2; exit 2;; '
                'esac')
NO_WINE_PACKAGE = ('case "$*" in *install*) echo "E: Unable to locate package wine32:i386" >&2; exit 100;; '
                   'esac')

# case: stand-ins (None: the command is missing), exit status, phrases of the message
CASES = {
    "no root and no sudo": ({"id": USER, "dpkg-query": NOT_INSTALLED, "sudo": None},
                            1, ["needs root", "su -c 'bash", "Missing: g++-mingw-w64-i686"]),
    "sudo wants a password": ({"id": USER, "dpkg-query": NOT_INSTALLED, "sudo": "exit 1"},
                              1, ["needs root", "su -c 'bash"]),
    "i386 refused": ({"id": ROOT, "dpkg-query": NOT_INSTALLED, "dpkg": I386_REFUSED},
                     1, ["the i386 architecture", "dpkg --add-architecture i386 && apt-get update"]),
    "no Wine package": ({"id": ROOT, "dpkg-query": NOT_INSTALLED, "dpkg": I386_ADDED, "apt-get": NO_WINE_PACKAGE},
                        1, ["cannot set up Wine", "apt-get install wine wine32:i386"]),
    "Wine installed but not on PATH": ({"id": ROOT, "dpkg-query": INSTALLED},
                                       1, ["cannot set up Wine", "--reinstall wine wine32:i386"]),
    "all there": ({"id": ROOT, "dpkg-query": INSTALLED, "wine": "exit 0"}, 0, []),
}


def shadowed_path(folder, stand_ins):
    folder.mkdir()
    for tool in REAL_TOOLS:
        real = subprocess.run(["bash", "-c", f"command -v {tool}"], stdout=subprocess.PIPE, text=True).stdout.strip()
        if real and tool not in stand_ins:
            (folder / tool).symlink_to(real)
    for tool, body in stand_ins.items():
        if body is not None:
            (folder / tool).write_text(f"#!/bin/bash\n{body}\n")
            (folder / tool).chmod(0o755)
    return str(folder)


@pytest.mark.parametrize("case", CASES)
def test_install_deps_names_what_is_missing_and_the_command_that_fixes_it(tmp_path, case):
    stand_ins, status, phrases = CASES[case]
    env = dict(os.environ, PATH=shadowed_path(tmp_path / "bin", stand_ins))
    result = subprocess.run(["bash", str(REPO / "tools" / "install-deps.sh")], env=env, text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    assert result.returncode == status, result.stdout
    for phrase in phrases:
        assert phrase in result.stdout
    if status == 0:
        assert result.stdout == ""


def test_make_test_shows_the_message_and_no_stack_of_make_errors(tmp_path):
    stand_ins, _, phrases = CASES["no root and no sudo"]
    env = dict(os.environ, PATH=shadowed_path(tmp_path / "bin", stand_ins))
    result = subprocess.run(["make", "-C", str(REPO), "test", f"BUILD={tmp_path / 'build'}"], env=env, text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    assert result.returncode != 0
    assert phrases[0] in result.stdout
    assert result.stdout.count("make: ***") <= 1, result.stdout
    assert not (tmp_path / "build" / "host").exists()


# wine: (stand-in, exit status of --can-run, phrases); a kernel that runs no 32-bit program refuses
# Wine's loader as the shell reports it.
REFUSED_LOADER = 'echo "$0: 40: exec: /usr/lib/wine/wine: Exec format error" >&2; exit 126'


@pytest.mark.parametrize("wine, status, phrases", [
    ("echo wine-8.0", 0, []),
    (REFUSED_LOADER, 1, ["cannot run 32-bit programs", "(Exec format error)", "ia32_emulation=on"]),
])
def test_wine_env_says_whether_this_machine_runs_wine(tmp_path, wine, status, phrases):
    # A template that wineboot could not make is named with the reason, and nothing is left of it.
    stand_ins = {"wine": wine, "wineboot": "exit 0", "wineserver": "exit 0"}
    env = dict(os.environ, PATH=shadowed_path(tmp_path / "bin", stand_ins) + ":" + os.environ["PATH"],
               ROBINA_BUILD=str(tmp_path / "build"), DISPLAY=":0")
    wine_env = str(REPO / "tools" / "wine-env.sh")
    can_run = subprocess.run([wine_env, "--can-run"], env=env, text=True, capture_output=True, timeout=60)
    assert (can_run.returncode, can_run.stdout) == (status, "")
    assert all(phrase in can_run.stderr for phrase in phrases) and bool(can_run.stderr) == bool(phrases)
    init = subprocess.run([wine_env, "--init"], env=env, text=True, capture_output=True, timeout=60)
    assert init.returncode == 1 and "wineboot made no prefix" in init.stderr
    assert ("Exec format error" in init.stderr) == bool(phrases)
    assert "touch" not in init.stderr and not (tmp_path / "build" / "prefix-template.new").exists()
