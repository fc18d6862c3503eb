"""The ranking page on each store: what it takes and shows, what it refuses, how it answers when its
store cannot, many players at once, the copy from SQLite into PostgreSQL, and its pages in chromium."""
import html
import itertools
import json
import re
import sqlite3
import subprocess
import sys
import threading
import time
import urllib.parse

import pytest

import ranking_store
from conftest import rows
from ranking_support import API, PAGE, REGIST, TOOLS, connect, forge, get, load, pg_database

_addresses = itertools.count(1)


def register(base, digits, address=None):
    """A registration from an address of its own (each player has one), unless one is given."""
    n = next(_addresses)
    address = address or f"127.8.{n >> 8 & 255}.{n & 255}"
    return get(base, REGIST + digits, {"X-Forwarded-For": address})


def check(where):
    return subprocess.run([sys.executable, str(TOOLS / "ranking_server.py"), "--db", where, "--check"],
                          capture_output=True, text=True, timeout=60)


VALID_IDS = [(b"a b", "a b"), ("こと".encode("cp932"), "こと"), (b'<i>"', '<i>"'), (b"'&<>", "'&<>"),
             (b"abc\x82", "abc\\x82"),  # "abcこ…": the fourth byte cuts a double-byte character
             ("①ｱ".encode("cp932"), "①ｱ"), (b"defa", "defa")]
REFUSED = [  # (what, digits, reason)
    ("truncated", forge(b"ok", 9, 10)[:-2], "84 upper-case hexadecimal"),
    ("not hexadecimal", "G" + forge(b"ok", 9, 10)[1:], "84 upper-case hexadecimal"),
    ("lower case", forge(b"ok", 9, 10).lower(), "84 upper-case hexadecimal"),
    ("key 40", forge(b"ok", 9, 10, key=40), "packet key 40 outside 41..184"),
    ("key 185", forge(b"ok", 9, 10, key=185), "packet key 185 outside"),
    ("wrong checksum", forge(b"ok", 9, 10, checksum=5), "checksum does not match"),
    ("other shell", forge(b"ok", 9, 10, shell=105), "shell version 105 unknown"),
    ("zero inside the id", forge(b"a\0b", 9, 10), "zero byte before its end"),
    ("no id", forge(b"", 9, 10), "no game id"),
    ("unassigned double byte", forge(b"\x85\x40", 9, 10), "not Shift-JIS"),
    ("byte 0xFF", forge(b"ab\xff", 9, 10), "not Shift-JIS"),
    ("byte 0x80", forge(b"\x80", 9, 10), "not Shift-JIS"),
    ("lead byte before the padding", forge(b"ab\x82", 9, 10), "not Shift-JIS"),
    ("no score", forge(b"ok", 9, 0), "no score"),
    ("above the ceiling", forge(b"ok", 9, 100_000_000), "ceiling 99,999,999"),
    ("above this game's ceiling", forge("こと".encode("cp932"), 9, 5001), "ceiling 5,000"),
]


def test_ids_are_shown_escaped_bad_registrations_store_nothing_and_the_pages_rank(store, page, tmp_path):
    settings = tmp_path / "ranking.ini"
    settings.write_text("[ranking]\nregistrations_per_minute = 4\n[ceilings]\nこと = 5000\n", encoding="utf-8")
    base, _ = page(store, settings)

    for n, (raw, shown) in enumerate(VALID_IDS):
        status, _, body = register(base, forge(raw, 1, 1000 + n, key=41 + n))
        assert status == 200 and f"<h2>{html.escape(shown)}</h2>" in body, shown
        status, _, body = get(base, PAGE + "?game=" + urllib.parse.quote(shown))
        assert status == 200 and f"<h2>{html.escape(shown)}</h2>" in body, shown
        status, _, text = get(base, API + urllib.parse.quote(shown))
        assert (status, json.loads(text)) == (200, {"game": shown, "players": 1, "top": [
            {"place": 1, "player": "00000001", "score": 1000 + n, "zumi": 7}]})
    overall = get(base, PAGE)[2]
    for raw, shown in VALID_IDS:
        assert f">{html.escape(shown)}</a>" in overall
    assert '<i>"' not in overall and "'&<>" not in overall

    for key, status in [(41, 200), (184, 200)]:   # the program's lowest and highest keys
        assert register(base, forge(b"keys", key, 10, key=key))[0] == status, key
    assert register(base, forge("こと".encode("cp932"), 2, 5000))[0] == 200   # at this game's ceiling
    assert register(base, forge(b"big", 2, 99_999_999))[0] == 200
    stored = rows(store, "SELECT game_id, user_id, score FROM best ORDER BY game_id, user_id")
    for what, digits, reason in REFUSED:
        status, _, body = register(base, digits)
        assert (status, reason in html.unescape(body)) == (400, True), (what, body[-300:])
    assert rows(store, "SELECT game_id, user_id, score FROM best ORDER BY game_id, user_id") == stored

    # A player's best stays; players with the same score share a place; the page says where one is.
    for user, score, news in [(1, 500, "500てん を とうろくしました！ いま 1位"), (2, 800, "いま 1位"),
                              (1, 300, "じこベストは 500てん のままです。 いま 2位"), (1, 900, "いま 1位"),
                              (3, 800, "いま 2位")]:
        status, _, body = register(base, forge(b"best", user, score, noise=score))
        assert status == 200 and news in body, (user, score)
    top = json.loads(get(base, API + "best")[2])
    assert [(row["place"], row["player"], row["score"]) for row in top["top"]] == \
        [(1, "00000001", 900), (2, "00000002", 800), (2, "00000003", 800)] and top["players"] == 3
    assert re.search(r'<tr><td>1</td><td><a href="/robina/ranking/\?game=best">best</a></td>'
                     r'<td class="players">3</td><td class="score">900</td>', get(base, PAGE)[2])

    assert get(base, PAGE + "?game=nobody")[0] == 404 and get(base, API + "nobody")[0] == 404
    for path in ["/robina/ranking/api/top", PAGE + "?page=0", PAGE + "?page=%C2%B2", PAGE + "?page=" + "9" * 30]:
        assert get(base, path)[0] == 400, path
    assert get(base, "/elsewhere")[0] == 404

    # The limit counts refused registrations too; the fifth of a minute is answered 429.
    if time.time() % 60 > 50:
        time.sleep(60 - time.time() % 60)   # the count is per clock minute: start in one
    for n, digits in enumerate([forge(b"rate", 1, 5), "bad", forge(b"rate", 1, 6), "bad"]):
        assert register(base, digits, "127.9.9.9")[0] == (200 if n % 2 == 0 else 400)
    status, headers, _ = register(base, forge(b"rate", 1, 7), "127.9.9.9")
    assert status == 429 and 0 < int(headers["Retry-After"]) <= 60
    assert json.loads(get(base, API + "rate")[2])["top"][0]["score"] == 6

    counts = dict((table, n) for table, n in [("best", len(rows(store, "SELECT * FROM best"))),
                                              ("games", len(rows(store, "SELECT * FROM games")))])
    assert f"best {counts['best']:,} rows, games {counts['games']:,} rows" in check(store).stdout


def test_a_locked_or_missing_store_is_answered_503_and_logged(store, page, tmp_path):
    settings = tmp_path / "ranking.ini"
    settings.write_text("[ranking]\nlock_wait_seconds = 0.2\n")
    base, log = page(store, settings)
    assert register(base, forge(b"lock", 1, 10))[0] == 200
    holder = connect(store)
    holder.execute("BEGIN")
    holder.execute("LOCK TABLE hits IN ACCESS EXCLUSIVE MODE" if store.startswith("postgresql")
                   else "INSERT INTO hits VALUES (0, 'holder', 1)")
    status, headers, body = register(base, forge(b"lock", 2, 20))
    assert (status, headers.get("Retry-After")) == (503, "30") and "try again later" in body
    holder.execute("ROLLBACK")
    assert register(base, forge(b"lock", 2, 20))[0] == 200
    holder.close()
    assert re.search(r"ranking store .* unavailable: \w+: .*(lock|timeout)", log.read_text(), re.I)

    missing = (re.sub(r"host=.*", f"host={tmp_path}", store) if store.startswith("postgresql")
               else str(tmp_path / "no such folder" / "ranking.sqlite"))
    base, log = page(missing)
    status, _, body = get(base, PAGE)
    assert status == 503 and "ただいま こんでいます" in body
    assert register(base, forge(b"lock", 3, 30))[0] == 503
    assert "unavailable" in log.read_text() and "Traceback" not in log.read_text()
    result = check(missing)
    assert result.returncode == 1 and "cannot open" in result.stderr


def test_fifty_players_at_once_lose_nothing_and_duplicate_nothing(store, page, tmp_path):
    settings = tmp_path / "ranking.ini"
    settings.write_text("[ranking]\nregistrations_per_minute = 1000\n")
    # PostgreSQL behind gunicorn's workers, SQLite behind the standard library's threads.
    base, _ = page(store, settings, workers=4 if store.startswith("postgresql") else 0)
    sent, results = load(base)
    assert len(results) == 50 * 200 and {status for status, _ in results} == {200}
    stored = {(game, user): score for game, user, score in rows(store, "SELECT game_id, user_id, score FROM best")}
    assert stored == sent
    players = {}
    for game, _ in sent:
        players[game] = players.get(game, 0) + 1
    assert dict(rows(store, "SELECT game_id, players FROM games")) == players


def until(done, what):
    deadline = time.monotonic() + 60
    while not done():
        assert time.monotonic() < deadline, what()
        time.sleep(0.01)


def test_writers_of_one_server_take_the_sqlite_file_in_the_order_they_came(tmp_path):
    store = ranking_store.open_store(str(tmp_path / "ranking.sqlite"), lock_wait=30)
    wrote = []

    def writer(name):
        try:
            with ranking_store.session(store, write=True) as run:
                wrote.append(name)
                run("INSERT INTO hits VALUES (1, ?, 1)", (name,))
        except sqlite3.OperationalError as failure:
            wrote.append(f"{name}: {failure}")

    with ranking_store.session(store, write=True):
        for n, name in enumerate("abcde"):
            threading.Thread(target=writer, args=(name,)).start()
            until(lambda: len(store.turns.waiting) == n + 1, lambda: wrote)     # each waits before the next
        store.turns.seconds = 0.05
        threading.Thread(target=writer, args=("late",)).start()
        until(lambda: wrote, lambda: "the late writer never gave up")
        store.turns.seconds = 30
        assert wrote == ["late: database is locked: no turn to write within 0.05 s"]
        assert len(store.turns.waiting) == 5    # those before it kept their places
    until(lambda: len(wrote) == 6, lambda: wrote)
    assert wrote[1:] == list("abcde") and not store.turns.busy
    assert rows(str(tmp_path / "ranking.sqlite"), "SELECT address FROM hits ORDER BY rowid") == [(c,) for c in "abcde"]


def test_a_sqlite_file_is_copied_into_postgresql_once(postgres, tmp_path):
    old = tmp_path / "old.sqlite"   # as the earlier page kept it: the best table alone
    with connect(str(old)) as db:
        db.execute("BEGIN")
        db.execute("""CREATE TABLE best (game_id TEXT NOT NULL, user_id INTEGER NOT NULL, score INTEGER NOT NULL,
            zumi INTEGER NOT NULL, version INTEGER NOT NULL, updated TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP,
            PRIMARY KEY (game_id, user_id))""")
        db.executemany("INSERT INTO best VALUES (?, ?, ?, ?, ?, ?)",
                       [("こと", 1, 300, -5, 2, "2026-01-02 03:04:05"), ("こと", 2, 300, 0, 2, "2026-01-01 00:00:00"),
                        ("a b", 1, 50, 0, 1, "2026-01-03 00:00:00")] +
                       [(f"g{n}", n, n, 0, 1, "2026-02-01 00:00:00") for n in range(1, 7001)])
        db.execute("COMMIT")
    target = pg_database(postgres, "copy")
    tool = [sys.executable, str(TOOLS / "ranking_server.py"), "--db", target]
    assert subprocess.run(tool + ["--check"], capture_output=True, timeout=60).returncode == 0
    with connect(target) as db:     # the target has players already: the higher score stays
        db.execute("INSERT INTO best VALUES ('a b', 1, 70, 0, 1, now()), ('a b', 9, 10, 0, 1, now())")
    for _ in range(2):
        result = subprocess.run(tool + ["--copy-from", str(old)], capture_output=True, text=True, timeout=120)
        assert result.returncode == 0 and "copied 7,003 rows" in result.stdout, result.stderr
        assert "best 7,004 rows, games 7,002 rows" in result.stdout
    assert rows(target, "SELECT game_id, user_id, score, zumi FROM best WHERE game_id IN ('こと', 'a b') "
                        "ORDER BY game_id, user_id") == [("a b", 1, 70, 0), ("a b", 9, 10, 0), ("こと", 1, 300, -5),
                                                         ("こと", 2, 300, 0)]
    assert rows(target, "SELECT to_char(updated, 'YYYY-MM-DD HH24:MI:SS') FROM best WHERE game_id = 'こと' "
                        "ORDER BY user_id") == [("2026-01-02 03:04:05",), ("2026-01-01 00:00:00",)]
    assert rows(target, "SELECT game_id, players FROM games WHERE game_id IN ('こと', 'a b') ORDER BY game_id") == \
        [("a b", 2), ("こと", 2)]
    assert "best 7,003 rows, games 7,002 rows" in check(str(old)).stdout   # the old file gained its counts


def test_the_pages_in_headless_chromium(page, tmp_path):
    where = str(tmp_path / "ranking.sqlite")
    assert check(where).returncode == 0
    with connect(where) as db:
        db.execute("BEGIN")
        db.executemany("INSERT INTO best (game_id, user_id, score, zumi, version) VALUES (?, ?, ?, 0, 1)",
                       [(f"game{n:02d}", user, user * 10) for n in range(59) for user in range(1 + n % 3)] +
                       [("ことり", user, user * 100) for user in range(1, 13)])
        db.execute("COMMIT")
    base, _ = page(where)
    flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--no-first-run", f"--user-data-dir={tmp_path / 'p'}"]

    def dom(path):
        return subprocess.run(["chromium", *flags, "--dump-dom", base + path], capture_output=True, text=True,
                              timeout=120).stdout

    overall = dom(PAGE)
    listed = re.findall(r'<tr><td>(\d+)</td><td><a href="([^"]+)">', overall)
    assert [int(n) for n, _ in listed] == list(range(1, 51))
    assert listed[0][1] == "/robina/ranking/?game=" + urllib.parse.quote("ことり")    # the most players first
    assert '<a rel="next" href="/robina/ranking/?page=2">つぎへ</a>' in overall and 'rel="prev"' not in overall
    second = get(base, PAGE + "?page=2")[2]
    assert len(re.findall(r"<tr><td>\d+</td>", second)) == 10 and 'rel="next"' not in second
    game = dom(listed[0][1])
    assert re.findall(r'<tr class="place(\d+)"><td>\d+位</td><td>プレイヤー ([0-9A-F]{8})', game) == \
        [(str(n), f"{13 - n:08X}") for n in range(1, 11)] and "12にんが とうろく" in game
