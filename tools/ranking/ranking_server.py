#!/usr/bin/python3
"""The ranking page of ポモのロビナ: receives the top scores the program sends and shows the top ten.

The program opens REGIST_PATH?user=<84 upper-case hexadecimal digits> in the browser. The digits
carry a 42-byte packet scrambled under a key R (digits 56-57 hold R itself); the page undoes the
scrambling, checks the packet's checksum and shell version, and keeps each player's best score per
game. Anything else is answered with 400 and stores nothing.

    /usr/bin/python3 tools/ranking/ranking_server.py [--host 127.0.0.1] [--port 8080] [--db ranking.sqlite]

The first line printed is the ranking page's address. Python's standard library only.
"""
import argparse
import contextlib
import html
import re
import sqlite3
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

REGIST_PATH = "/robina/ranking/regist.asp"
PAGE_PATH = "/robina/ranking/"
QUERY = re.compile(r"user=([0-9A-F]{84})")
PACKET_BYTES = 42
KEY_AT = 28                 # the zero byte whose digits carry R
KEY_LOW, KEY_HIGH = 41, 184
SHELL_VERSIONS = {104}      # shells whose packets this page reads
TOP = 10

# Packet layout: (name, offset, size, signed); integers little-endian.
FIELDS = (
    ("shell_version", 7, 1, False),
    ("user_id", 8, 4, False),
    ("game_id", 12, 4, None),
    ("version", 16, 1, False),
    ("score", 17, 4, False),
    ("zumi", 21, 4, True),
    ("checksum", 29, 4, False),
)


class Refused(Exception):
    """A registration that is not taken; its text is the answer's reason."""


def decode(query):
    """The packet's fields from a query string, or Refused with the reason."""
    match = QUERY.fullmatch(query)
    if not match:
        raise Refused(f"the query must be user= and 84 upper-case hexadecimal digits; got {len(query)} characters")
    digits = match.group(1)
    key = int(digits[2 * KEY_AT:2 * KEY_AT + 2], 16)
    if not KEY_LOW <= key <= KEY_HIGH:
        raise Refused(f"packet key {key} outside {KEY_LOW}..{KEY_HIGH}")
    packet = bytearray()
    for j in range(PACKET_BYTES):
        y = int(digits[2 * j:2 * j + 2], 16)
        if j != KEY_AT:
            y = (y - (j + 1) * key) % 256
        packet.append(y ^ key)
    fields = {}
    for name, at, size, signed in FIELDS:
        raw = bytes(packet[at:at + size])
        fields[name] = raw if signed is None else int.from_bytes(raw, "little", signed=signed)
    if fields["checksum"] != sum(packet[:KEY_AT]):
        raise Refused("checksum does not match")
    if fields["shell_version"] not in SHELL_VERSIONS:
        raise Refused(f"shell version {fields['shell_version']} unknown")
    game = fields["game_id"].rstrip(b"\0")
    if not game or not all(0x21 <= b <= 0x7E for b in game):
        raise Refused("game id is not printable text")
    fields["game_id"] = game.decode("ascii")
    if fields["score"] == 0:
        raise Refused("no score")
    return fields


SCHEMA = """CREATE TABLE IF NOT EXISTS best (
    game_id TEXT NOT NULL, user_id INTEGER NOT NULL, score INTEGER NOT NULL, zumi INTEGER NOT NULL,
    version INTEGER NOT NULL, updated TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP,
    PRIMARY KEY (game_id, user_id))"""

# A player's row changes only for a higher score.
KEEP_BEST = """INSERT INTO best (game_id, user_id, score, zumi, version) VALUES (?, ?, ?, ?, ?)
    ON CONFLICT (game_id, user_id) DO UPDATE SET score = excluded.score, zumi = excluded.zumi,
    version = excluded.version, updated = CURRENT_TIMESTAMP WHERE excluded.score > best.score"""

TOP_TEN = """SELECT user_id, score, zumi FROM best WHERE game_id = ?
    ORDER BY score DESC, updated, user_id LIMIT ?"""


@contextlib.contextmanager
def connect(path):
    """One connection per request, committed when the request's work succeeded."""
    db = sqlite3.connect(path, timeout=10)
    try:
        with db:
            db.execute(SCHEMA)
            yield db
    finally:
        db.close()


def register(path, fields):
    """Keeps the score when it beats the player's best; returns (stored, best, place)."""
    with connect(path) as db:
        stored = db.execute(KEEP_BEST, (fields["game_id"], fields["user_id"], fields["score"], fields["zumi"],
                                        fields["version"])).rowcount
        best, = db.execute("SELECT score FROM best WHERE game_id = ? AND user_id = ?",
                           (fields["game_id"], fields["user_id"])).fetchone()
        place, = db.execute("SELECT 1 + COUNT(*) FROM best WHERE game_id = ? AND score > ?",
                            (fields["game_id"], best)).fetchone()
    return stored, best, place


def top_tens(path, game=None):
    with connect(path) as db:
        games = [game] if game else [g for g, in db.execute("SELECT DISTINCT game_id FROM best ORDER BY game_id")]
        return [(g, db.execute(TOP_TEN, (g, TOP)).fetchall()) for g in games]


STYLE = """
body { margin: 0; min-height: 100vh; font-family: "IPAPGothic", "IPAGothic", sans-serif; color: #46301c;
       background: linear-gradient(#fff0d6, #fac896); }
main { max-width: 640px; margin: 0 auto; padding: 24px 16px; }
h1 { margin: 0 0 16px; text-align: center; font-size: 30px; color: #fff8e8;
     text-shadow: 0 0 3px #8c4a1e, 2px 2px 0 #8c4a1e, -2px -2px 0 #8c4a1e, 2px -2px 0 #8c4a1e, -2px 2px 0 #8c4a1e; }
section { background: #fffaee; border-radius: 18px; padding: 12px 16px 16px; margin-bottom: 18px;
          box-shadow: 0 3px 0 #e6a064; }
h2 { margin: 4px 0 10px; font-size: 20px; }
table { width: 100%; border-collapse: separate; border-spacing: 0 3px; }
th { background: linear-gradient(#ffe08a, #f0913c); color: #fff8e8; padding: 5px 10px; text-align: left;
     text-shadow: 1px 1px 0 #8c4a1e; }
th:first-child { border-radius: 8px 0 0 8px; } th:last-child { border-radius: 0 8px 8px 0; }
td { background: #462c1c; color: #fff3dc; padding: 5px 10px; }
tr:nth-child(odd) td { background: #553824; }
td:first-child { border-radius: 6px 0 0 6px; width: 3em; } td:last-child { border-radius: 0 6px 6px 0; }
.score, .zumi { text-align: right; font-variant-numeric: tabular-nums; }
.place1 td:first-child { color: #ffd24a; } .place2 td:first-child { color: #e2e6ee; }
.place3 td:first-child { color: #d68c50; }
.note { text-align: center; font-size: 18px; } .none { text-align: center; color: #8c6a50; }
a { color: #b04a1a; }
"""


def page(title, body):
    return (f'<!DOCTYPE html>\n<html lang="ja"><head><meta charset="utf-8"><title>{html.escape(title)}</title>'
            f"<style>{STYLE}</style></head><body><main><h1>{html.escape(title)}</h1>\n{body}</main></body></html>\n")


def ranking_body(tables):
    if not tables:
        return '<p class="none">まだ だれも とうろくしていません。</p>'
    parts = []
    for game, rows in tables:
        lines = "".join(
            f'<tr class="place{n}"><td>{n}位</td><td>プレイヤー {user:08X}</td>'
            f'<td class="score">{score:,}</td><td class="zumi">{zumi:,}</td></tr>'
            for n, (user, score, zumi) in enumerate(rows, 1))
        parts.append(f'<section id="game-{html.escape(game)}"><h2>{html.escape(game)}</h2><table>'
                     f"<tr><th>順位</th><th>プレイヤー</th><th class=\"score\">スコア</th>"
                     f"<th class=\"zumi\">ズミ</th></tr>{lines}</table></section>")
    return "\n".join(parts)


class Handler(BaseHTTPRequestHandler):
    server_version = "RobinaRanking/1.0"
    database = "ranking.sqlite"

    def answer(self, status, title, body):
        data = page(title, body).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path == REGIST_PATH:
            self.registration(query)
        elif path in (PAGE_PATH, PAGE_PATH.rstrip("/"), "/"):
            game = urllib.parse.parse_qs(query).get("game", [None])[0]
            self.answer(200, "ロビナ ランキング", ranking_body(top_tens(self.database, game)))
        else:
            self.answer(404, "みつかりません", f'<p class="note"><a href="{PAGE_PATH}">ランキングへ</a></p>')

    def registration(self, query):
        try:
            fields = decode(query)
        except Refused as refusal:
            self.answer(400, "とうろくできませんでした",
                        f'<p class="note">Bad registration: {html.escape(str(refusal))}</p>')
            return
        stored, best, place = register(self.database, fields)
        news = (f"{fields['score']:,}てん を とうろくしました！" if stored else
                f"じこベストは {best:,}てん のままです。")
        self.answer(200, "ランキングとうろく",
                    f'<p class="note">{news} いま {place}位です。</p>\n'
                    + ranking_body(top_tens(self.database, fields["game_id"])))


def main(argv=None):
    parser = argparse.ArgumentParser(description="The ranking page of Robina.exe.")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=8080, help="port (default 8080; 0 picks a free one)")
    parser.add_argument("--db", default="ranking.sqlite", help="SQLite file of the best scores")
    args = parser.parse_args(argv)
    Handler.database = args.db
    with connect(args.db):
        pass
    server = ThreadingHTTPServer((args.host, args.port), Handler)
    host, port = server.server_address[:2]
    print(f"http://{host}:{port}{PAGE_PATH}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    server.server_close()


if __name__ == "__main__":
    sys.exit(main())
