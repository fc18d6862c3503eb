"""The ranking page facing the internet: the one-command server under idle sockets, and the maker's
PostgreSQL steps of the README run as written, with gunicorn behind nginx, in a mount and network
namespace of their own (their /srv, their PostgreSQL socket folder, their 127.0.0.1)."""
import contextlib
import ctypes
import json
import os
import pathlib
import pwd
import re
import shlex
import socket
import subprocess
import tempfile
import time
import urllib.parse

import pytest

from ranking_support import API, PAGE, REGIST, REPO, TOOLS, connect, forge, get, pg_bin, serve, stop

IDLE = 300
CLONE_NEWNET = 0x40000000


def idle_sockets(base, count):
    """count connections that send the start of a request, then nothing, as a slow client does."""
    parts = urllib.parse.urlsplit(base)
    held = []
    for _ in range(count):
        held.append(socket.create_connection((parts.hostname, parts.port), timeout=60))
        held[-1].sendall(f"GET {PAGE} HTTP/1.1\r\nHost: ranking\r\n".encode())
    return held


def still_open(sock):
    sock.settimeout(0)
    try:
        return sock.recv(1, socket.MSG_PEEK) != b""
    except BlockingIOError:
        return True
    finally:
        sock.settimeout(60)


def threads(pid):
    return int(re.search(r"Threads:\s+(\d+)", pathlib.Path(f"/proc/{pid}/status").read_text())[1])


def test_the_one_command_page_serves_past_idle_sockets_and_closes_them_on_ipv6_too(tmp_path):
    where = str(tmp_path / "ranking.sqlite")
    process, base, log = serve(where, tmp_path / "v6", options=["--host", "::1", "--idle-timeout", "10"])
    try:
        assert base.startswith("http://[::1]:")
        held = idle_sockets(base, IDLE)
        start = time.monotonic()
        status, headers, _ = get(base, REGIST + forge(b"idle", 1, 10), timeout=5)
        served = time.monotonic() - start
        assert (status, sum(map(still_open, held))) == (200, IDLE)
        assert threads(process.pid) < 20, "a thread for each idle client"
        assert served < 1, f"served in {served:.2f} s past {IDLE} idle sockets"
        assert "Server" not in headers and headers["X-Content-Type-Options"] == "nosniff"
        for sock in held:     # the quiet ones are closed once their time is out
            assert sock.recv(100) == b""
    finally:
        stop(process)
    assert "Traceback" not in log.read_text()

    for options, message in [(["--host", "192.0.2.1"], "ranking_server: cannot listen on 192.0.2.1 port 0: "),
                             (["--host", "no.such.host.invalid"], "cannot listen on no.such.host.invalid port 0"),
                             (["--port", "65536"], "argument --port: invalid port value: '65536'"),
                             (["--idle-timeout", "0"], "argument --idle-timeout: invalid seconds value: '0'")]:
        result = subprocess.run(["/usr/bin/python3", str(TOOLS / "ranking_server.py"), "--port", "0", "--db", where,
                                 *options], capture_output=True, text=True, timeout=60)
        assert result.returncode in (1, 2) and message in result.stderr.splitlines()[-1], result.stderr
        assert "Traceback" not in result.stderr


# The maker's steps ------------------------------------------------------------------------------

def readme_blocks():
    """The fenced blocks of the README's ranking section, by their language: {"sh": [...], ...}."""
    section = re.search(r"^## The ranking page\n(.*?)^## ", (REPO / "README.md").read_text(), re.M | re.S)[1]
    blocks = {}
    for language, text in re.findall(r"^```(\w+)\n(.*?)^```$", section, re.M | re.S):
        blocks.setdefault(language, []).append(text)
    return blocks


def unit_service(path):
    """(user, working folder, environment, command) of a systemd unit's [Service]."""
    fields, environment = {}, []
    for line in path.read_text().splitlines():
        key, _, value = line.partition("=")
        if key == "Environment":
            environment.append(value)
        else:
            fields[key] = value
    return fields["User"], fields["WorkingDirectory"], environment, shlex.split(fields["ExecStart"])


@contextlib.contextmanager
def net_of(pid):
    """This thread's new sockets in the network namespace of process pid."""
    libc = ctypes.CDLL(None, use_errno=True)
    home, there = os.open("/proc/thread-self/ns/net", os.O_RDONLY), os.open(f"/proc/{pid}/ns/net", os.O_RDONLY)
    try:
        assert libc.setns(there, CLONE_NEWNET) == 0, os.strerror(ctypes.get_errno())
        yield
    finally:
        assert libc.setns(home, CLONE_NEWNET) == 0, os.strerror(ctypes.get_errno())
        os.close(home)
        os.close(there)


@pytest.fixture
def machine(tmp_path):
    """A mount and network namespace standing for the maker's server: its own /srv and
    /var/run/postgresql (empty), its own loopback, and a PostgreSQL cluster there that trusts logins
    (peer authentication) and gives SQL_ASCII unless told. run(command, **options) runs a command
    there as root, in folder cwd; start(command) starts one, stopped at the end."""
    try:
        pwd.getpwnam("robina-ranking")
        pytest.skip("this machine has a user robina-ranking of its own, which the README's steps would make")
    except KeyError:
        pass
    holder = subprocess.Popen(["unshare", "--mount", "--net", "--propagation", "private", "sh", "-c",
                               "mount -t tmpfs srv /srv && mount -t tmpfs pg /var/run/postgresql && "
                               "chown postgres: /var/run/postgresql && ip link set lo up && echo ready && "
                               "exec sleep 3600"], stdout=subprocess.PIPE, text=True)
    assert holder.stdout.readline() == "ready\n"
    inside = ["nsenter", "-t", str(holder.pid), "-m", "-n", "--"]
    started = []
    cluster = pathlib.Path(tempfile.mkdtemp(prefix="robina-readme-"))
    os.chmod(cluster, 0o755)
    os.chown(cluster, pwd.getpwnam("postgres").pw_uid, -1)

    def run(command, cwd="/"):     # nsenter leaves a command in /
        return subprocess.run(inside + ["env", "-C", str(cwd)] + command, capture_output=True, text=True, timeout=300)

    def start(command, **options):
        started.append(subprocess.Popen(inside + command, **options))
        return started[-1]

    postgres = ["runuser", "-u", "postgres", "--"]
    assert run(postgres + [pg_bin("initdb"), "-D", f"{cluster}/data", "-U", "postgres", "--auth-local=peer",
                           "--auth-host=reject", "--locale=C", "--no-sync"]).returncode == 0
    with open(cluster / "data" / "postgresql.conf", "a") as conf:
        conf.write("listen_addresses = ''\nfsync = off\nsynchronous_commit = off\n")
    result = run(postgres + [pg_bin("pg_ctl"), "-D", f"{cluster}/data", "-l", f"{cluster}/log", "-w", "start"])
    assert result.returncode == 0, result.stdout + result.stderr
    try:
        yield run, start, lambda: net_of(holder.pid)
    finally:
        for process in reversed(started):
            process.terminate()
            process.wait(timeout=60)
        run(postgres + [pg_bin("pg_ctl"), "-D", f"{cluster}/data", "-m", "fast", "-w", "stop"])
        holder.kill()
        holder.wait()
        with contextlib.suppress(KeyError):
            pwd.getpwnam("robina-ranking")
            # runuser kills gunicorn's master 2 s after passing on the TERM, sometimes before it has
            # reaped its workers: they end a moment later, and userdel refuses a user that still runs.
            deadline = time.monotonic() + 60
            while subprocess.run(["pgrep", "-u", "robina-ranking"], capture_output=True).returncode == 0:
                assert time.monotonic() < deadline, "the page's processes outlived their server"
                time.sleep(0.1)
            subprocess.run(["userdel", "robina-ranking"], check=True)
        subprocess.run(["rm", "-rf", str(cluster)], check=True)


def test_the_makers_steps_as_the_readme_writes_them_behind_nginx(machine, tmp_path):
    run, start, in_machine = machine
    blocks = readme_blocks()
    (setup, copy, check), (site,) = blocks["sh"], blocks["nginx"]
    result = run(["bash", "-euo", "pipefail", "-c", setup], cwd=REPO)
    assert result.returncode == 0, result.stderr

    # systemd's part: the unit's command as its user, in its folder, with its environment.
    user, folder, environment, command = unit_service(TOOLS / "robina-ranking.service")
    assert [word for word in command if "127.0.0.1:" in word] == ["127.0.0.1:8080"], "gunicorn on loopback only"
    gunicorn_log = open(tmp_path / "gunicorn.log", "w")
    gunicorn = start(["runuser", "-u", user, "--", "env", "-C", folder, *environment, *command],
                     stdout=gunicorn_log, stderr=gunicorn_log)
    (tmp_path / "nginx").mkdir()
    conf = tmp_path / "nginx" / "nginx.conf"
    conf.write_text(f"""worker_processes 1;
pid {tmp_path}/nginx/nginx.pid;
error_log {tmp_path}/nginx/error.log;
events {{ worker_connections 512; }}
http {{
    access_log off;
    client_body_temp_path {tmp_path}/nginx/body;
    proxy_temp_path {tmp_path}/nginx/proxy;
    fastcgi_temp_path {tmp_path}/nginx/fastcgi;
    uwsgi_temp_path {tmp_path}/nginx/uwsgi;
    scgi_temp_path {tmp_path}/nginx/scgi;
{site}}}
""")
    start(["nginx", "-c", str(conf), "-g", "daemon off;"])
    base = "http://127.0.0.1:80"
    with in_machine():
        deadline = time.monotonic() + 120
        while not answers(base):
            assert gunicorn.poll() is None and time.monotonic() < deadline, (tmp_path / "gunicorn.log").read_text()
            time.sleep(0.05)
        held = idle_sockets(base, 40)    # ten times the workers
        status, headers, body = get(base, REGIST + forge(b"nginx", 1, 500), {"X-Forwarded-For": "6.6.6.6"}, timeout=5)
        assert status == 200 and "500てん を とうろくしました" in body, body
        assert all(map(still_open, held)) and headers["Server"] == "nginx"
        for sock in held:
            sock.close()

    home = tmp_path / "maker"     # the one-command page's file, in a folder only its maker reads
    home.mkdir(mode=0o700)
    with contextlib.closing(connect(str(home / "ranking.sqlite"))) as db:
        db.execute("PRAGMA wal_autocheckpoint = 0")     # its rows stay in the -wal file, as a killed page leaves them
        db.execute("CREATE TABLE best (game_id TEXT NOT NULL, user_id INTEGER NOT NULL, score INTEGER NOT NULL, "
                   "zumi INTEGER NOT NULL, version INTEGER NOT NULL, updated TEXT NOT NULL, PRIMARY KEY (game_id, user_id))")
        db.execute("PRAGMA journal_mode = WAL")
        db.executemany("INSERT INTO best VALUES (?, ?, 5, 0, 1, '2026-01-01 00:00:00')", [("こと", n) for n in range(1, 4)])
        for _ in range(2):
            result = run(["bash", "-euo", "pipefail", "-c", copy], cwd=home)
            assert result.returncode == 0 and "copied 3 rows" in result.stdout, result.stderr
    result = run(["bash", "-euo", "pipefail", "-c", check])
    assert result.returncode == 0 and "best 4 rows, games 2 rows" in result.stdout, result.stderr
    with in_machine():
        assert json.loads(get(base, API + urllib.parse.quote("こと"))[2])["players"] == 3
    assert "Traceback" not in (tmp_path / "gunicorn.log").read_text()


def answers(base):
    try:
        return get(base, PAGE, timeout=5)[0] == 200
    except OSError:
        return False
