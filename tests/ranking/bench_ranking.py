#!/usr/bin/python3
"""Figures of the ranking page (`make bench`): registrations per second and their latency at 50
concurrent players for SQLite behind the one-command server and for PostgreSQL behind gunicorn
with 4 workers, measured one after the other in one run; then the time of the overall page, a deep
page of it and a game's page with 10,000 games and 1,000,000 rows on each store; then the faults:
registrations from 8 players while a worker is killed, PostgreSQL restarts and then stays down 5 s,
counted by answer, with every answer held against what the store kept.

PostgreSQL runs as a maker would run it (fsync and synchronous commit on); the SQLite file is in WAL
mode with synchronous=NORMAL, as the page opens it. Everything is on 127.0.0.1 and a Unix socket."""
import collections
import math
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from ranking_support import (PAGE, REGIST, connect, forge, get, load, pg_bin, pg_database, serve, start_postgres,
                             stop, stop_postgres)

CLIENTS, EACH = 50, 100
GAMES, ROWS = 10_000, 1_000_000


def fill(where, one_game=None):
    """1,000,000 players' rows: over 10,000 games, their sizes spread from 1 to 200 players, or all
    in one_game."""
    if where.startswith("postgresql://"):
        game = f"'{one_game}'" if one_game else f"'G' || lpad((floor({GAMES} * sqrt(n / {ROWS}.0)))::int::text, 5, '0')"
        with connect(where) as db:
            db.execute(f"""INSERT INTO best (game_id, user_id, score, zumi, version)
                SELECT {game}, n, (n * 2654435761) % 10000000, 0, 1 FROM generate_series(0, {ROWS - 1}) AS n""")
            db.execute("VACUUM ANALYZE")
        return
    with connect(where) as db:
        db.execute("PRAGMA cache_size = -400000")     # 400 MB: the three indexes take rows in any order
        db.execute("BEGIN")
        db.executemany("INSERT INTO best (game_id, user_id, score, zumi, version) VALUES (?, ?, ?, 0, 1)",
                       ((one_game or f"G{math.floor(GAMES * math.sqrt(n / ROWS)):05d}", n, (n * 2654435761) % 10_000_000)
                        for n in range(ROWS)))
        db.execute("COMMIT")
        db.execute("ANALYZE")


def timed(base, path, times=20):
    """Median and slowest seconds of a page, after one request that warms the caches."""
    get(base, path)
    seconds = []
    for _ in range(times):
        start = time.monotonic()
        status, _, _ = get(base, path)
        seconds.append(time.monotonic() - start)
        assert status == 200, (path, status)
    return statistics.median(seconds), max(seconds)


def faults(postgres, folder, settings):
    """Registrations, each from a new player, while the faults happen one after the other; returns
    the counts of answers and of answers that did not tell the truth."""
    where = pg_database(postgres, "faults")
    process, base, _ = serve(where, f"{folder}/faults", settings, 4)
    answers, done = [], threading.Event()

    def player_machine(n):
        user = n << 24
        while not done.is_set():
            user += 1
            try:
                status = get(base, REGIST + forge(b"FALT", user, 1 + user % 1000, key=41 + user % 144),
                             {"X-Forwarded-For": f"127.6.{n}.1"}, timeout=30)[0]
            except OSError:
                status = "no answer"
            answers.append((user, status, time.monotonic()))

    def pg_ctl(*what):      # the server it starts keeps its output: none goes to a pipe that would stay open
        subprocess.run(postgres["run_as"] + [pg_bin("pg_ctl"), "-D", str(postgres["data"]), "-m", "fast", "-w", "-l",
                                             str(postgres["folder"] / "server.log"), *what],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    steps = [("worker killed", lambda: os.kill(int(open(f"/proc/{process.pid}/task/{process.pid}/children")
                                                    .read().split()[0]), signal.SIGKILL)),
             ("PostgreSQL restarted", lambda: pg_ctl("restart")),
             ("PostgreSQL down 5 s", lambda: (pg_ctl("stop"), time.sleep(5), pg_ctl("start")))]
    machines = [threading.Thread(target=player_machine, args=(n,)) for n in range(8)]
    try:
        get(base, PAGE)
        for machine in machines:
            machine.start()
        lines = []
        for name, fault in steps:
            time.sleep(2)
            fault()
            back = time.monotonic()
            time.sleep(2)
            first = min((at for _, status, at in answers if status == 200 and at > back), default=math.inf)
            lines.append(f"{name}: first 200 {1000 * (first - back):.0f} ms after")
        done.set()
        for machine in machines:
            machine.join()
    finally:
        stop(process)
    stored = {user for user, in connect(where).execute("SELECT user_id FROM best WHERE game_id = 'FALT'").fetchall()}
    counts = collections.Counter(status for _, status, _ in answers)
    lied = [(status, f"{at - answers[0][2]:.1f} s") for user, status, at in answers
            if status in (200, 503) and (status == 200) != (user in stored)]
    return counts, lied, lines


def load_figures(postgres, folder, settings):
    print(f"ranking: {CLIENTS} clients x {EACH} registrations (20 games, 500 players), one after the other")
    print(f"  {'set-up':34} {'reg/s':>8} {'p50 ms':>8} {'p99 ms':>8}  refused")
    for name, where, workers in setups(postgres, folder, "load"):
        process, base, _ = serve(where, f"{folder}/{workers}", settings, workers)
        try:
            get(base, PAGE)
            start = time.monotonic()
            _, results = load(base, CLIENTS, EACH)
            elapsed = time.monotonic() - start
        finally:
            stop(process)
        latency = sorted(seconds for _, seconds in results)
        bad = sum(status != 200 for status, _ in results)
        print(f"  {name:34} {len(results) / elapsed:8.0f} {1000 * latency[len(latency) // 2]:8.1f} "
              f"{1000 * latency[int(len(latency) * 0.99)]:8.1f}  {bad}", flush=True)


def page_figures(postgres, folder, settings):
    """The pages, then a registration at the bottom of a game of 1,000,000 players, whose place is
    counted no further than 1000."""
    print(f"ranking: pages with {GAMES:,} games and {ROWS:,} rows, and a registration placed below "
          f"{ROWS:,} others (median / slowest of 20, ms)")
    for name, where, workers in setups(postgres, folder, "big"):
        process, base, _ = serve(where, f"{folder}/big{workers}", settings, workers)
        try:
            get(base, PAGE)     # makes the tables
            start = time.monotonic()
            fill(where)
            fill(where, "HUGE")
            filled = time.monotonic() - start
            figures = [timed(base, path) for path in (PAGE, PAGE + "?page=150", PAGE + "?game=G09999",
                                                      REGIST + forge(b"HUGE", ROWS + 1, 1))]
        finally:
            stop(process)
        print(f"  {name:34} " + "  ".join(f"{what} {1000 * mid:.1f} / {1000 * worst:.1f}" for what, (mid, worst) in
                                           zip(("overall", "page 150", "game", "placed"), figures))
              + f"  (filled in {filled:.0f} s)", flush=True)


def fault_figures(postgres, folder, settings):
    counts, lied, lines = faults(postgres, folder, settings)
    print("ranking: faults under 8 players, PostgreSQL behind gunicorn 4 workers")
    print("  answers: " + ", ".join(f"{status} {n:,}" for status, n in sorted(counts.items(), key=str)) +
          f"; answered 200 but not kept, or 503 but kept: {len(lied)} {lied[:5] if lied else ''}")
    for line in lines:
        print(f"  {line}", flush=True)


def setups(postgres, folder, name):
    return [("SQLite, one-command server", f"{folder}/{name}.sqlite", 0),
            ("PostgreSQL, gunicorn 4 workers", pg_database(postgres, name), 4)]


PARTS = {"load": load_figures, "pages": page_figures, "faults": fault_figures}


def main(parts):
    """parts: of PARTS, all when none is named."""
    folder = tempfile.mkdtemp(prefix="ranking-bench-")
    settings = f"{folder}/ranking.ini"
    with open(settings, "w") as file:
        file.write("[ranking]\nregistrations_per_minute = 100000\n")
    postgres = start_postgres(durable=True)
    try:
        for part in parts or PARTS:
            PARTS[part](postgres, folder, settings)
    finally:
        stop_postgres(postgres)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
