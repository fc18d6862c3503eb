#!/usr/bin/python3
"""Figures of the ranking page (`make bench`): registrations per second and their latency at 50
concurrent players for SQLite behind the standard-library server and for PostgreSQL behind gunicorn
with 4 workers, measured one after the other in one run; then the time of the overall page, a deep
page of it and a game's page with 10,000 games and 1,000,000 rows on each store.

PostgreSQL runs as a maker would run it (fsync and synchronous commit on); the SQLite file is in WAL
mode with synchronous=NORMAL, as the page opens it. Everything is on 127.0.0.1 and a Unix socket."""
import math
import statistics
import sys
import tempfile
import time

from ranking_support import PAGE, connect, get, load, pg_database, serve, start_postgres, stop, stop_postgres

CLIENTS, EACH = 50, 100
GAMES, ROWS = 10_000, 1_000_000


def fill(where):
    """10,000 games and 1,000,000 players' rows, the games' sizes spread from 1 to 200 players."""
    if where.startswith("postgresql://"):
        with connect(where) as db:
            db.execute(f"""INSERT INTO best (game_id, user_id, score, zumi, version)
                SELECT 'G' || lpad((floor({GAMES} * sqrt(n / {ROWS}.0)))::int::text, 5, '0'), n,
                       (n * 2654435761) % 10000000, 0, 1 FROM generate_series(0, {ROWS - 1}) AS n""")
            db.execute("VACUUM ANALYZE")
        return
    with connect(where) as db:
        db.execute("PRAGMA cache_size = -400000")     # 400 MB: the three indexes take rows in any order
        db.execute("BEGIN")
        db.executemany("INSERT INTO best (game_id, user_id, score, zumi, version) VALUES (?, ?, ?, 0, 1)",
                       ((f"G{math.floor(GAMES * math.sqrt(n / ROWS)):05d}", n, (n * 2654435761) % 10_000_000)
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


def main():
    folder = tempfile.mkdtemp(prefix="ranking-bench-")
    settings = f"{folder}/ranking.ini"
    with open(settings, "w") as file:
        file.write("[ranking]\nregistrations_per_minute = 100000\n")
    postgres = start_postgres(durable=True)
    setups = [("SQLite, standard-library server", f"{folder}/load.sqlite", 0),
              ("PostgreSQL, gunicorn 4 workers", pg_database(postgres, "load"), 4)]
    try:
        print(f"ranking: {CLIENTS} clients x {EACH} registrations (20 games, 500 players), one after the other")
        print(f"  {'set-up':34} {'reg/s':>8} {'p50 ms':>8} {'p99 ms':>8}  refused")
        for name, where, workers in setups:
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

        print(f"ranking: pages with {GAMES:,} games and {ROWS:,} rows (median / slowest of 20, ms)")
        for (name, _, workers), where in zip(setups, [f"{folder}/big.sqlite", pg_database(postgres, "big")]):
            process, base, _ = serve(where, f"{folder}/big{workers}", settings, workers)
            try:
                get(base, PAGE)     # makes the tables
                start = time.monotonic()
                fill(where)
                filled = time.monotonic() - start
                figures = [timed(base, path) for path in (PAGE, PAGE + "?page=150", PAGE + "?game=G09999")]
            finally:
                stop(process)
            print(f"  {name:34} " + "  ".join(f"{what} {1000 * mid:.1f} / {1000 * worst:.1f}" for what, (mid, worst) in
                                               zip(("overall", "page 150", "game"), figures))
                  + f"  (filled in {filled:.0f} s)", flush=True)
    finally:
        stop_postgres(postgres)
    return 0


if __name__ == "__main__":
    sys.exit(main())
