#!/usr/bin/python3
"""The ranking page of ポモのロビナ on one machine, served by waitress (Debian's python3-waitress).

    /usr/bin/python3 tools/ranking/ranking_server.py [--host 127.0.0.1] [--port 8080] [--db ranking.sqlite]
        [--settings ranking.ini] [--idle-timeout 20]
    /usr/bin/python3 tools/ranking/ranking_server.py --db STORE --check
    /usr/bin/python3 tools/ranking/ranking_server.py --db postgresql://... --copy-from ranking.sqlite

--db names a SQLite file or a postgresql:// address (Debian's python3-psycopg). The first line a
server prints is the ranking page's address. For several workers, run ranking_app.py under gunicorn
behind nginx (see the README).

waitress reads each request whole in one loop before a thread of the page sees it, so idle and slow
clients hold a socket, never a thread; a connection quiet for --idle-timeout seconds is closed, and
past CONNECTIONS the rest wait in the listen queue until some close.
"""
import argparse
import os
import sys

import ranking_app
import ranking_store

THREADS = 8                 # requests served at once; SQLite takes the writers in turn anyway
CONNECTIONS = 500           # open at once, well inside the usual limit of 1,024 open files
HEADER_BYTES = 16_384       # a registration's address is about 130 bytes
BODY_BYTES = 0              # nothing here reads a body


def check(store):
    """Opens the store and prints its tables and row counts; 0 when it answered."""
    try:
        store.connect().close()     # the store's own reason, where the pool would only wait for it
        with ranking_store.session(store) as run:
            counts = ranking_store.row_counts(run)
    except store.errors as failure:
        print(f"{store.name}: cannot open: {ranking_store.cause(store, failure)}", file=sys.stderr)
        return 1
    print(f"{store.name}: " + ", ".join(f"{table} {rows:,} rows" for table, rows in counts.items()))
    return 0


def copy(source, target):
    """Copies the best scores of a SQLite file into the store, keeping the higher of two."""
    origin = ranking_store.open_store(source, read_only=True)
    try:
        rows = ranking_store.copy_best(origin, target)
    except origin.errors + target.errors as failure:
        print(f"copy from {origin.name} to {target.name} failed: {ranking_store.cause(target, failure)}",
              file=sys.stderr)
        return 1
    print(f"copied {rows:,} rows from {origin.name} to {target.name}")
    return check(target)


def port(text):
    number = int(text)
    if not 0 <= number <= 65535:
        raise ValueError(text)      # waitress would take 99999 as 34463
    return number


def serve(app, args):
    """Serves until interrupted; returns why it cannot, or "" once stopped."""
    try:
        import waitress
    except ImportError:
        return "needs waitress: apt-get install python3-waitress (elsewhere: pip install waitress)"
    try:
        server = waitress.create_server(
            app, host=args.host, port=args.port, threads=THREADS, connection_limit=CONNECTIONS,
            channel_timeout=args.idle_timeout, cleanup_interval=1, asyncore_use_poll=True, ident="",
            max_request_header_size=HEADER_BYTES, max_request_body_size=BODY_BYTES,
            clear_untrusted_proxy_headers=False)
    except (OSError, ValueError) as failure:
        return f"cannot listen on {args.host} port {args.port}: {failure}"
    host = server.effective_host
    print(f"http://{f'[{host}]' if ':' in host else host}:{server.effective_port}{ranking_app.PAGE_PATH}", flush=True)
    try:
        server.run()
    except KeyboardInterrupt:
        pass
    server.close()
    return ""


def main(argv=None):
    parser = argparse.ArgumentParser(description="The ranking page of Robina.exe.")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1; :: for IPv6)")
    parser.add_argument("--port", type=port, default=8080, help="port (default 8080; 0 picks a free one)")
    parser.add_argument("--db", default="ranking.sqlite",
                        help="a SQLite file (default ranking.sqlite) or a postgresql:// address")
    parser.add_argument("--settings", help="settings file: score ceilings, rate limit, proxies")
    parser.add_argument("--idle-timeout", type=ranking_app.seconds, default=20, metavar="SECONDS",
                        help="close a connection quiet this long, in a request or between two (default 20)")
    parser.add_argument("--check", action="store_true", help="report the store's tables and row counts, then end")
    parser.add_argument("--copy-from", metavar="SQLITE_FILE", help="copy a SQLite file's scores into --db, then end")
    args = parser.parse_args(argv)
    ranking_app.log_to_stderr()
    # SQLite would make an empty file, and say it has 0 rows.
    sqlite = not args.db.startswith(ranking_store.POSTGRESQL)
    for option, path in (("--db", args.check and sqlite and args.db), ("--copy-from", args.copy_from)):
        if path and not os.path.isfile(path):
            print(f"{option} {path}: no such file", file=sys.stderr)
            return 1
    try:
        settings = ranking_app.read_settings(args.settings)
        if args.check or args.copy_from:
            store = ranking_store.open_store(args.db, settings.lock_wait)
            return check(store) if args.check else copy(args.copy_from, store)
        app = ranking_app.make_app(args.db, settings)
    except ranking_store.Unusable as failure:
        print(failure, file=sys.stderr)
        return 1
    failure = serve(app, args)
    if failure:
        print(f"ranking_server: {failure}", file=sys.stderr)
    return 1 if failure else 0


if __name__ == "__main__":
    sys.exit(main())
