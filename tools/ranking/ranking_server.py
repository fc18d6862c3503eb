#!/usr/bin/python3
"""The ranking page of ポモのロビナ, served by Python's standard library (nothing to install).

    /usr/bin/python3 tools/ranking/ranking_server.py [--host 127.0.0.1] [--port 8080] [--db ranking.sqlite]
        [--settings ranking.ini]
    /usr/bin/python3 tools/ranking/ranking_server.py --db STORE --check
    /usr/bin/python3 tools/ranking/ranking_server.py --db postgresql://... --copy-from ranking.sqlite

--db names a SQLite file or a postgresql:// address (Debian's python3-psycopg). The first line a
server prints is the ranking page's address. For several workers, run ranking_app.py under gunicorn
(see its docstring and the README).
"""
import argparse
import configparser
import logging
import os
import socketserver
import sys
import wsgiref.simple_server

import ranking_app
import ranking_store


class Server(socketserver.ThreadingMixIn, wsgiref.simple_server.WSGIServer):
    daemon_threads = True
    request_queue_size = 128    # the standard 5 drops connections when many players come at once


def check(store):
    """Opens the store and prints its tables and row counts; 0 when it answered."""
    try:
        with ranking_store.session(store) as run:
            counts = ranking_store.row_counts(run)
    except store.errors as failure:
        print(f"{store.name}: cannot open: {failure}".strip(), file=sys.stderr)
        return 1
    print(f"{store.name}: " + ", ".join(f"{table} {rows:,} rows" for table, rows in counts.items()))
    return 0


def copy(source, target):
    """Copies the best scores of a SQLite file into the store, keeping the higher of two."""
    if not os.path.isfile(source):     # SQLite would make an empty one, and the copy would say 0 rows
        print(f"copy from {source}: no such file", file=sys.stderr)
        return 1
    origin = ranking_store.open_store(source)
    try:
        rows = ranking_store.copy_best(origin, target)
    except origin.errors + target.errors as failure:
        print(f"copy from {origin.name} to {target.name} failed: {failure}".strip(), file=sys.stderr)
        return 1
    print(f"copied {rows:,} rows from {origin.name} to {target.name}")
    return check(target)


def main(argv=None):
    parser = argparse.ArgumentParser(description="The ranking page of Robina.exe.")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=8080, help="port (default 8080; 0 picks a free one)")
    parser.add_argument("--db", default="ranking.sqlite",
                        help="a SQLite file (default ranking.sqlite) or a postgresql:// address")
    parser.add_argument("--settings", help="settings file: score ceilings, rate limit, proxies")
    parser.add_argument("--check", action="store_true", help="report the store's tables and row counts, then end")
    parser.add_argument("--copy-from", metavar="SQLITE_FILE", help="copy a SQLite file's scores into --db, then end")
    args = parser.parse_args(argv)
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(name)s %(levelname)s %(message)s")
    try:
        settings = ranking_app.read_settings(args.settings)
    except (OSError, ValueError, configparser.Error) as failure:
        parser.error(f"settings {args.settings}: {failure}")
    app = ranking_app.make_app(args.db, settings)
    if args.check:
        return check(app.store)
    if args.copy_from:
        return copy(args.copy_from, app.store)
    server = wsgiref.simple_server.make_server(args.host, args.port, app, server_class=Server)
    host, port = server.server_address[:2]
    print(f"http://{host}:{port}{ranking_app.PAGE_PATH}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
