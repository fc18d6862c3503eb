"""What the ranking tests and the ranking bench share: a PostgreSQL server of their own in a temporary
folder, the page served by the standard library or by gunicorn, registrations forged as the program
sends them, and a load of concurrent players. Every address is on this machine: the servers listen
on 127.0.0.1 and PostgreSQL on a Unix socket only."""
import concurrent.futures
import glob
import http.client
import os
import pathlib
import pwd
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse

REPO = pathlib.Path(__file__).resolve().parents[2]
TOOLS = REPO / "tools" / "ranking"
sys.path.insert(0, str(TOOLS))
import ranking_packet  # noqa: E402

REGIST, PAGE, API = "/robina/ranking/regist.asp?user=", "/robina/ranking/", "/robina/ranking/api/top?game="
PG_USER = "robina-pg"       # PostgreSQL refuses to run as root; tests run as root in CI


def forge(game, user, score, key=100, zumi=7, version=1, shell=104, checksum=None, noise=0):
    """The 84 digits the program would send for these values (game: the id's raw bytes)."""
    rng = random.Random(noise)
    packet = bytearray(rng.randrange(256) for _ in range(42))
    for name, at, size, signed in ranking_packet.FIELDS:
        value = {"shell_version": shell, "user_id": user, "version": version, "score": score, "zumi": zumi}.get(name)
        if name == "game_id":
            packet[at:at + size] = game[:4].ljust(4, b"\0")
        elif value is not None:
            packet[at:at + size] = value.to_bytes(size, "little", signed=signed)
    packet[28] = 0
    packet[29:33] = (sum(packet[:28]) if checksum is None else checksum).to_bytes(4, "little")
    return "".join(f"{((b ^ key) + (0 if j == 28 else (j + 1) * key)) % 256:02X}" for j, b in enumerate(packet))


def get(base, path, headers=None, timeout=60, method="GET"):
    """(status, headers, body text) of a GET (or method) on base, e.g. http://127.0.0.1:8080."""
    parts = urllib.parse.urlsplit(base)
    connection = http.client.HTTPConnection(parts.hostname, parts.port, timeout=timeout)
    try:
        connection.request(method, path, headers=headers or {})
        answer = connection.getresponse()
        return answer.status, dict(answer.getheaders()), answer.read().decode("utf-8")
    finally:
        connection.close()


# PostgreSQL ---------------------------------------------------------------------------------------

def pg_bin(program):
    found = sorted(glob.glob(f"/usr/lib/postgresql/*/bin/{program}"), key=lambda p: int(p.split("/")[4]))
    return found[-1] if found else shutil.which(program)


def as_pg_user(folder):
    """The command prefix that runs PostgreSQL's programs; as root, a system user made once."""
    if os.geteuid() != 0:
        return []
    try:
        pwd.getpwnam(PG_USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "-M", "-s", "/usr/sbin/nologin", PG_USER], check=True)
    shutil.chown(folder, PG_USER)
    return ["runuser", "-u", PG_USER, "--"]


def start_postgres(durable=False):
    """Starts a PostgreSQL server in a temporary folder of its own (its socket there too; a folder the
    server's user can reach, which pytest's are not); returns a record for pg_database() and
    stop_postgres(). durable keeps fsync on, as a real server runs."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="robina-pg-"))
    run_as = as_pg_user(folder)
    data = folder / "data"
    subprocess.run(run_as + [pg_bin("initdb"), "-D", str(data), "-U", "ranking", "--auth=trust", "-E", "UTF8",
                             "--locale=C", "--no-sync"], check=True, capture_output=True, timeout=300)
    with open(data / "postgresql.conf", "a") as conf:
        conf.write(f"listen_addresses = ''\nunix_socket_directories = '{folder}'\nmax_connections = 200\n")
        if not durable:
            conf.write("fsync = off\nfull_page_writes = off\nsynchronous_commit = off\n")
    subprocess.run(run_as + [pg_bin("pg_ctl"), "-D", str(data), "-l", str(folder / "server.log"), "-w", "-t", "120",
                             "start"], check=True, capture_output=True, timeout=180)
    return {"folder": folder, "data": data, "run_as": run_as}


def stop_postgres(server):
    subprocess.run(server["run_as"] + [pg_bin("pg_ctl"), "-D", str(server["data"]), "-m", "fast", "-w", "stop"],
                   capture_output=True, timeout=120)
    shutil.rmtree(server["folder"], ignore_errors=True)


def pg_database(server, name):
    """Makes an empty database; returns its postgresql:// address."""
    import psycopg
    with psycopg.connect(pg_address(server, "postgres"), autocommit=True) as db:
        db.execute(f'DROP DATABASE IF EXISTS "{name}"')
        db.execute(f'CREATE DATABASE "{name}"')
    return pg_address(server, name)


def pg_address(server, name):
    return f"postgresql://ranking@/{name}?host={server['folder']}"


def connect(where):
    """A plain connection to a store, for tests that look at its rows directly."""
    if where.startswith("postgresql://"):
        import psycopg
        return psycopg.connect(where, autocommit=True)
    import sqlite3
    return sqlite3.connect(where, isolation_level=None)


# The page -----------------------------------------------------------------------------------------

def serve(where, folder, settings=None, workers=0, options=()):
    """Starts the page on 127.0.0.1 on store where: the one-command server (with these options), or
    gunicorn with this many workers. Returns (process, base address, log file)."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    log = folder / ("gunicorn.log" if workers else "server.log")
    options = (["--settings", str(settings)] if settings else []) + list(options)
    with open(log, "w") as err:
        if not workers:
            process = subprocess.Popen([sys.executable, str(TOOLS / "ranking_server.py"), "--port", "0", "--db", where,
                                        *options], stdout=subprocess.PIPE, stderr=err, text=True)
            base = process.stdout.readline().strip()[:-len(PAGE)]
            assert base.startswith("http://"), log.read_text()
            return process, base, log
        # The test binds the socket and hands it over, so its port is known before any worker runs.
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(128)
        env = dict(os.environ, RANKING_DB=where, **({"RANKING_SETTINGS": str(settings)} if settings else {}))
        process = subprocess.Popen(["gunicorn", "--chdir", str(TOOLS), "-w", str(workers), "--bind",
                                    f"fd://{listener.fileno()}", "--backlog", "128", "ranking_app:create_app()"],
                                   pass_fds=[listener.fileno()], env=env, stdout=err, stderr=err)
        base = f"http://127.0.0.1:{listener.getsockname()[1]}"
        listener.close()
        return process, base, log


def stop(process):
    process.terminate()
    process.wait(timeout=60)


def load(base, clients=50, each=200, games=20, players=500, deadline_s=600):
    """clients players' machines send `each` registrations apiece at once, each for one of games x
    players; returns (best score sent per (game id, user), [(status, seconds)]). Every player comes
    from an address of its own in X-Forwarded-For, as players behind a proxy do."""
    ids = [f"L{n:03d}".encode() for n in range(games)]
    deadline = time.monotonic() + deadline_s

    def client(number):
        rng, sent, results = random.Random(number), {}, []
        for n in range(each):
            game, user, score = rng.choice(ids), rng.randrange(players) + 1, rng.randrange(1, 10 ** 6)
            start = time.monotonic()
            assert start < deadline, "the load ran past its deadline"
            status, _, _ = get(base, REGIST + forge(game, user, score, key=41 + n % 144, noise=n),
                               {"X-Forwarded-For": f"127.7.{user >> 8}.{user & 255}"})
            results.append((status, time.monotonic() - start))
            sent[game.decode(), user] = max(score, sent.get((game.decode(), user), 0))
        return sent, results

    best, results = {}, []
    with concurrent.futures.ThreadPoolExecutor(clients) as pool:
        for sent, timed in pool.map(client, range(clients)):
            results += timed
            for key, score in sent.items():
                best[key] = max(score, best.get(key, 0))
    return best, results
