"""The ranking page on each store: what it takes and shows, what it refuses, how it answers when its
store cannot, many players at once, the copy from SQLite into PostgreSQL, and its pages in chromium."""
import contextlib
import html
import itertools
import json
import logging
import os
import re
import sqlite3
import subprocess
import sys
import threading
import time
import urllib.parse

import psycopg
import pytest

import ranking_app
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


VALID_IDS = [  # (the id's bytes, the id, as the HTML shows it)
    (b"a b", "a b", "a b"), ("こと".encode("cp932"), "こと", "こと"), (b'<i>"', '<i>"', "&lt;i&gt;&quot;"),
    (b"'&<>", "'&<>", "&#x27;&amp;&lt;&gt;"), ("①ｱ".encode("cp932"), "①ｱ", "①ｱ"), (b"defa", "defa", "defa"),
    (b"abc\x82", "abc\\x82", "abc\\x82"),  # "abcこ…": the fourth byte cuts a double-byte character
    (b"abc\x81", "abc\\x81", "abc\\x81"), (b"abc\x9f", "abc\\x9F", "abc\\x9F"),  # each end of the lead bytes
    (b"abc\xe0", "abc\\xE0", "abc\\xE0"), (b"abc\xfc", "abc\\xFC", "abc\\xFC"),
    (b"\x1b\r\n\x7f", "\x1b\r\n\x7f", "\\x1B\\x0D\\x0A\\x7F")]
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
    ("byte 0xFD at the cut", forge(b"abc\xfd", 9, 10), "not Shift-JIS"),
    ("no score", forge(b"ok", 9, 0), "no score"),
    ("above the ceiling", forge(b"ok", 9, 100_000_000), "ceiling 99,999,999"),
    ("above this game's ceiling", forge("こと".encode("cp932"), 9, 5001), "ceiling 5,000"),
]


def test_ids_are_shown_escaped_bad_registrations_store_nothing_and_the_pages_rank(store, page, tmp_path):
    settings = tmp_path / "ranking.ini"
    settings.write_text("[ranking]\nregistrations_per_minute = 4\n[ceilings]\nこと = 5000\n", encoding="utf-8")
    base, log = page(store, settings)
    with connect(store) as db:      # an earlier minute's count, forgotten at the first registration of this one
        db.execute("INSERT INTO hits VALUES (0, '127.0.0.1', 3)")

    for n, (raw, game, shown) in enumerate(VALID_IDS):
        status, _, body = register(base, forge(raw, 1, 1000 + n, key=41 + n))
        assert status == 200 and f"<h2>{shown}</h2>" in body, shown
        status, _, body = get(base, PAGE + "?game=" + urllib.parse.quote(game))
        assert status == 200 and f"<h2>{shown}</h2>" in body, shown
        status, _, text = get(base, API + urllib.parse.quote(game))
        assert (status, json.loads(text)) == (200, {"game": game, "players": 1, "top": [
            {"place": 1, "player": "00000001", "score": 1000 + n, "zumi": 7}]})
    assert rows(store, "SELECT * FROM hits WHERE minute = 0") == []
    status, headers, overall = get(base, PAGE)
    for raw, game, shown in VALID_IDS:
        assert f">{shown}</a>" in overall
    assert '<i>"' not in overall and "'&<>" not in overall and "\x1b" not in overall
    assert (headers["X-Content-Type-Options"], headers["X-Frame-Options"]) == ("nosniff", "DENY")
    assert "frame-ancestors 'none'" in headers["Content-Security-Policy"] and "Server" not in headers

    for key, status in [(41, 200), (184, 200)]:   # the program's lowest and highest keys
        assert register(base, forge(b"keys", key, 10, key=key))[0] == status, key
    assert register(base, forge("こと".encode("cp932"), 2, 5000))[0] == 200   # at this game's ceiling
    assert register(base, forge(b"big", 2, 99_999_999))[0] == 200
    stored = rows(store, "SELECT game_id, user_id, score FROM best ORDER BY game_id, user_id")
    for what, digits, reason in REFUSED:
        status, _, body = register(base, digits)
        assert (status, reason in html.unescape(body)) == (400, True), (what, body[-300:])
    assert rows(store, "SELECT game_id, user_id, score FROM best ORDER BY game_id, user_id") == stored

    # A player's best stays, its time and zumi too; players with the same score share a place, the
    # first to reach it first; the page says where one is.
    for user, score, zumi, news in [(1, 500, 7, "500てん を とうろくしました！ いま 1位"), (2, 800, 7, "いま 1位"),
                                    (1, 300, 7, "じこベストは 500てん のままです。 いま 2位"), (1, 900, 7, "いま 1位"),
                                    (3, 800, 7, "いま 2位"), (2, 800, 99, "じこベストは 800てん のままです。 いま 2位")]:
        status, _, body = register(base, forge(b"best", user, score, zumi=zumi, noise=score))
        assert status == 200 and news in body, (user, score)
    top = json.loads(get(base, API + "best")[2])
    assert [(row["place"], row["player"], row["score"], row["zumi"]) for row in top["top"]] == \
        [(1, "00000001", 900, 7), (2, "00000002", 800, 7), (2, "00000003", 800, 7)] and top["players"] == 3
    assert re.search(r'<tr><td>1</td><td><a href="/robina/ranking/\?game=best">best</a></td>'
                     r'<td class="players">3</td><td class="score">900</td>', get(base, PAGE)[2])

    # The place is counted down to 1000th; below, the page says so.
    with connect(store) as db:
        for first, count, standing in [(1, 999, "いま 1000位です"), (1000, 1, "いま 1000位より下です")]:
            db.execute("INSERT INTO best (game_id, user_id, score, zumi, version) VALUES " +
                       ", ".join(f"('deep', {user}, 100, 0, 1)" for user in range(first, first + count)))
            assert standing in register(base, forge(b"deep", 5000, 10, noise=first))[2]

    # What is asked wrongly is answered so, in JSON under the API, with the asked value escaped.
    for method, path, status, kind in [
            ("GET", PAGE + "?game=nobody", 404, "html"), ("GET", API + "nobody", 404, "json"),
            ("GET", PAGE + "?game=a%00b", 404, "html"), ("GET", API + "a%00b", 404, "json"),
            ("GET", PAGE + "?game=%3Cb%3Ex", 404, "&lt;b&gt;x"), ("GET", PAGE + "?page=%3Cb%3E", 400, "&lt;b&gt;"),
            ("GET", "/robina/ranking/api/top", 400, "json"), ("GET", "/robina/ranking/api/other", 404, "json"),
            ("POST", API + "best", 405, "json"), ("GET", PAGE + "?page=0", 400, "html"),
            ("GET", PAGE + "?page=%C2%B2", 400, "html"), ("GET", PAGE + "?page=" + "9" * 30, 400, "html"),
            ("GET", PAGE + "?page=9999999", 404, "html"), ("GET", "/elsewhere", 404, "html"),
            ("HEAD", REGIST + forge(b"head", 1, 10), 405, "html")]:
        answer = get(base, path, method=method)
        assert answer[0] == status and "<b>" not in answer[2], path
        assert answer[1]["Content-Type"].startswith("application/json" if kind == "json" else "text/html"), path
        assert json.loads(answer[2])["error"] if kind == "json" else kind == "html" or kind in answer[2], path
    assert get(base, REGIST + forge(b"head", 1, 10), method="HEAD")[1]["Allow"] == "GET"
    assert json.loads(get(base, API + "head")[2])["error"] == "no registrations for this game"
    assert "ERROR" not in log.read_text()

    # The limit counts refused registrations too; the fifth of a minute is answered 429. The address
    # is the last one the proxy adds (the client writes the others), an IPv6 one by its /64.
    if time.time() % 60 > 50:
        time.sleep(60 - time.time() % 60)   # the count is per clock minute: start in one
    for n, digits in enumerate([forge(b"rate", 1, 5), "bad", forge(b"rate", 1, 6), "bad"]):
        assert register(base, digits, f"10.0.0.{n}, 2001:db8:1:2::{n}")[0] == (200 if n % 2 == 0 else 400)
    status, headers, _ = register(base, forge(b"rate", 1, 7), "10.0.0.9, 2001:db8:1:2:ffff::9")
    assert status == 429 and 0 < int(headers["Retry-After"]) <= 60
    assert register(base, forge(b"rate", 1, 8), "2001:db8:1:3::1")[0] == 200
    assert json.loads(get(base, API + "rate")[2])["top"][0]["score"] == 8

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
    assert re.search(r"ranking store .* back after [\d.]+ s: 1 requests answered 503", log.read_text())

    # A store that is not there: one line when it goes, one when it is back, and no password.
    postgresql = store.startswith("postgresql")
    missing = (re.sub(r"//ranking@(.*)host=.*", rf"//ranking:se%2Fcret@\1host={tmp_path}", store) if postgresql
               else str(tmp_path / "no such folder" / "ranking.sqlite"))
    base, log = page(missing)
    for path, kind in [(PAGE, "text/html"), (REGIST + forge(b"lock", 3, 30), "text/html"), (API + "lock", "application/json")]:
        status, headers, body = get(base, path)
        assert status == 503 and headers["Content-Type"].startswith(kind) and "try again later" in body, path
    text = log.read_text()
    assert text.count("unavailable") == 1 and "Traceback" not in text and "cret" not in text
    if not postgresql:
        (tmp_path / "no such folder").mkdir()
        assert get(base, PAGE)[0] == 200
        assert re.search(r"back after [\d.]+ s: 3 requests answered 503", log.read_text())
    for where in [missing + "&password=hunter2" if postgresql else str(tmp_path / "misspelt.sqlite")]:
        result = check(where)
        assert result.returncode == 1 and ("cannot open" if postgresql else "no such file") in result.stderr
        assert "hunter2" not in result.stderr and not (tmp_path / "misspelt.sqlite").exists()


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
    connect(where).close()
    assert check(where).returncode == 0     # makes the tables
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

    with connect(where) as db:      # exactly one page of games: no next page
        db.execute("DELETE FROM games WHERE game_id BETWEEN 'game49' AND 'game58'")
    assert len(rows(where, "SELECT * FROM games")) == 50 and 'rel="next"' not in get(base, PAGE)[2]
    status, _, body = get(base, PAGE + "?page=2")
    assert status == 404 and f'<a href="{PAGE}">' in body


START_REFUSED = [  # (what, the settings file's bytes, or None for no file, what the one line says)
    ("no file", None, "ranking.ini: [Errno 2] No such file"),
    ("not UTF-8", b"[ranking]\n# \x82\xb1\x82\xc6\n", "ranking.ini: 'utf-8' codec can't decode"),
    ("no section", b"score_ceiling = 5\n", "line: 1"),
    ("a word for a number", b"[ranking]\nscore_ceiling = 5\nregistrations_per_minute = many\n",
     "ranking.ini line 3: [ranking] registrations_per_minute: invalid literal"),
    ("below 0", b"[ranking]\nscore_ceiling = -1\n", "line 2: [ranking] score_ceiling: -1 is below 0"),
    ("no wait", b"[ranking]\n\nlock_wait_seconds = 0\n", "line 3: [ranking] lock_wait_seconds: 0 is not a number"),
    ("no address", b"[ranking]\ntrusted_proxies = ::1 localhost\n", "line 2: [ranking] trusted_proxies: 'localhost'"),
    ("misspelt", b"[ranking]\nregistration_per_minute = 5\n", "line 2: [ranking] registration_per_minute: unknown"),
    ("unknown section", b"[rankings]\nscore_ceiling = 5\n", "line 2: [rankings] score_ceiling: unknown"),
    ("an id no packet carries", "[ceilings]\n# kotori = 5\nこと = 5\nkotori = 50000\n".encode(),
     "line 4: [ceilings] kotori: no registration carries this game id"),
    ("a cut character, written wrong", b"[ceilings]\nabc\\x41 = 5\n", "line 2: [ceilings] abc\\x41: no registration"),
]


def test_a_start_on_settings_or_a_store_the_page_cannot_use_is_refused_with_the_line(postgres, tmp_path):
    settings, sqlite = tmp_path / "ranking.ini", str(tmp_path / "ranking.sqlite")
    ascii_db = pg_database(postgres, "ascii")
    with connect(ascii_db.replace("/ascii?", "/postgres?")) as db:
        db.execute("DROP DATABASE ascii")
        db.execute("CREATE DATABASE ascii ENCODING 'SQL_ASCII' TEMPLATE template0")
    cases = [(what, text, sqlite, message) for what, text, message in START_REFUSED] + \
        [("a database in SQL_ASCII", b"", ascii_db, "encoding is SQL_ASCII, and the page needs UTF8")]
    for what, text, where, message in cases:
        settings.unlink(missing_ok=True)
        if text is not None:
            settings.write_bytes(text)
        result = subprocess.run([sys.executable, str(TOOLS / "ranking_server.py"), "--db", where, "--settings",
                                 str(settings), "--port", "0"], capture_output=True, text=True, timeout=60)
        assert result.returncode == 1 and message in result.stderr and len(result.stderr.splitlines()) == 1, \
            (what, result.stderr)
        if what in ("no file", "misspelt", "a database in SQL_ASCII"):    # gunicorn stops rather than fail each request
            result = subprocess.run(["gunicorn", "--chdir", str(TOOLS), "-w", "2", "-b", "127.0.0.1:0",
                                     "ranking_app:create_app()"], capture_output=True, text=True, timeout=120,
                                    env=dict(os.environ, RANKING_DB=where, RANKING_SETTINGS=str(settings)))
            assert result.returncode != 0 and re.search(f"CRITICAL .*{re.escape(message)}", result.stderr), \
                (what, result.stderr)
    # The example's game line, once taken out of its comment, is one a registration carries; as Notepad
    # saves it (a BOM, CR LF) the file is the same.
    settings.write_text("\ufeff" + (TOOLS / "ranking.ini.example").read_text().replace("# koto = ", "koto = "),
                        encoding="utf-8", newline="\r\n")
    connect(sqlite).close()
    result = subprocess.run([sys.executable, str(TOOLS / "ranking_server.py"), "--db", sqlite, "--settings",
                             str(settings), "--check"], capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, result.stderr


def test_a_connection_the_server_dropped_is_replaced_and_the_pool_keeps_sixteen(postgres):
    where = pg_database(postgres, "dropped")
    # The wait also bounds how long a session waits for the pool to open a connection, which a busy
    # machine takes more than a second to do; the one refused session waits it out.
    store = ranking_store.open_store(where, lock_wait=5)
    registration = {"game_id": "drop", "user_id": 1, "score": 10, "zumi": 0, "version": 1}

    def drop_all():
        with connect(where.replace("/dropped?", "/postgres?")) as db:
            db.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = 'dropped'")

    with ranking_store.session(store) as run:   # the tables are made under a lock, let go afterwards
        assert run("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory'").fetchone() == (0,)
    dropped = []
    for work in [lambda run: run("SELECT 1").fetchone() == (1,),
                 lambda run: ranking_store.keep_best(run, registration)[0] == (1, 10, 1)]:  # statements sent together
        with ranking_store.session(store) as run:
            run("SELECT 1")
        dropped.append(run.db)
        drop_all()
        with ranking_store.session(store, write=True) as run:
            assert work(run)
        assert dropped[-1].closed and not run.db.closed
    with pytest.raises(psycopg.errors.DivisionByZero), ranking_store.session(store) as run:
        run("SELECT 1 / 0")
    refused = run.db
    with pytest.raises(ZeroDivisionError), ranking_store.session(store) as run:
        run("INSERT INTO hits VALUES (1, 'undone', 1)")
        print(1 / 0)
    with ranking_store.session(store) as run:   # the page's own fault: its work undone
        assert run("SELECT COUNT(*) FROM hits WHERE address = 'undone'").fetchone() == (0,)

    # As many at once as a process opens: one more waits its time and is answered as a store that
    # cannot answer now. Given back, all are kept, the refused statement's one too, rolled back.
    rounds = []
    for _ in range(2):
        with contextlib.ExitStack() as sessions:
            runs = [sessions.enter_context(ranking_store.session(store)) for _ in range(ranking_store.CONNECTIONS)]
            with pytest.raises(store.errors):
                sessions.enter_context(ranking_store.session(store))
            assert all(run("SELECT 1").fetchone() == (1,) for run in runs)
        rounds.append({id(run.db) for run in runs})
        with connect(where.replace("/dropped?", "/postgres?")) as db:
            assert db.execute("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = 'dropped'").fetchone() == \
                (ranking_store.CONNECTIONS,)
    assert rounds[0] == rounds[1] and len(rounds[0]) == ranking_store.CONNECTIONS
    assert id(refused) in rounds[0] and not set(map(id, dropped)) & rounds[0]


def test_an_outage_is_logged_once_then_counted_then_once_when_it_ends(tmp_path, caplog, monkeypatch):
    clock = iter([0, 59.9, 60, 75])     # seconds of each look at the clock: the start, two 503s, the first 200
    monkeypatch.setattr(ranking_app.time, "monotonic", lambda: next(clock))
    folder = tmp_path / "later"
    with caplog.at_level(logging.INFO, logger="ranking"):
        app = ranking_app.make_app(str(folder / "ranking.sqlite"), ranking_app.Settings(lock_wait=0.2))

        def status(path=PAGE, query=""):
            answered = []
            app({"REQUEST_METHOD": "GET", "PATH_INFO": path, "QUERY_STRING": query, "REMOTE_ADDR": "127.0.0.1"},
                lambda line, headers: answered.append(line))
            return answered[0]
        assert [status(), status()] == ["503 Service Unavailable"] * 2
        folder.mkdir()
        assert [status(), status()] == ["200 OK"] * 2
    monkeypatch.undo()
    assert [re.sub(r"SQLite \S+|OperationalError.*", "_", record.getMessage()) for record in caplog.records] == [
        "ranking store _ unavailable: _",
        "ranking store _ still unavailable after 60 s: 2 requests answered 503; last _",
        "ranking store _ back after 75.0 s: 2 requests answered 503"]
    with ranking_store.session(app.store, write=True):     # a registration waits for its turn to write
        assert status(REGIST[:-6], "user=" + forge(b"turn", 1, 10)) == "503 Service Unavailable"
    assert "no turn to write within 0.2 s" in caplog.records[-1].getMessage()
    with pytest.raises(ZeroDivisionError), ranking_store.session(app.store, write=True) as run:
        run("INSERT INTO hits VALUES (1, 'undone', 1)")
        print(1 / 0)
    assert rows(str(folder / "ranking.sqlite"), "SELECT * FROM hits WHERE address = 'undone'") == []     # one transaction
