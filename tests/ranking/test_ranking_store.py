"""The stores' own connections: SQLite keeps one for each thread; one that failed is closed."""
import glob
import os
import sqlite3
import threading

import pytest

import ranking_store
from ranking_support import connect, pg_database


def test_a_thread_keeps_its_sqlite_connection_and_closes_a_second_or_a_failed_one(tmp_path):
    store = ranking_store.open_store(str(tmp_path / "ranking.sqlite"))
    with ranking_store.session(store) as run:
        kept = run.db
    with ranking_store.session(store, write=True) as run:
        assert run.db is kept
        with ranking_store.session(store) as inner:     # the thread's one is taken: another
            assert inner.db is not kept
        assert run("SELECT COUNT(*) FROM best").fetchone() == (0,)
    with pytest.raises(sqlite3.ProgrammingError):       # given back second: closed
        kept.execute("SELECT 1")
    kept = inner.db
    elsewhere = []
    thread = threading.Thread(target=lambda: elsewhere.append(store.take()))
    thread.start()
    thread.join()
    assert elsewhere[0] is not kept

    with pytest.raises(sqlite3.OperationalError), ranking_store.session(store) as run:
        assert run.db is kept
        run("SELECT * FROM nothing_here")
    with pytest.raises(sqlite3.ProgrammingError):     # a failed one is closed and not kept
        kept.execute("SELECT 1")
    with ranking_store.session(store) as run:
        assert run.db is not kept and run("SELECT {n} + 1", {"n": 1}).fetchone() == (2,)


def test_a_connection_whose_set_up_failed_is_closed_at_once(postgres, tmp_path):
    """Closed, not left to the collector: the failure's traceback, which a caller may keep, holds it."""
    path = tmp_path / "ranking.sqlite"
    holder = sqlite3.connect(path, isolation_level=None)
    holder.execute("BEGIN IMMEDIATE")     # a new file, whose tables a new connection would make

    def files_open():
        return sum(os.path.realpath(fd) == str(path) for fd in glob.glob("/proc/self/fd/*"))
    with pytest.raises(sqlite3.OperationalError) as locked:
        ranking_store.open_store(str(path), lock_wait=0.1).connect()
    holder.close()      # SQLite holds a closed connection's file open while the process locks it
    assert "locked" in str(locked.value) and files_open() == 0

    ascii_db = pg_database(postgres, "ascii_refused")
    with connect(ascii_db.replace("/ascii_refused?", "/postgres?")) as db:
        db.execute("DROP DATABASE ascii_refused")
        db.execute("CREATE DATABASE ascii_refused ENCODING 'SQL_ASCII' TEMPLATE template0")
        with pytest.raises(ranking_store.Unusable) as refused:
            ranking_store.open_store(ascii_db).connect()
        assert "SQL_ASCII" in str(refused.value) and db.execute(
            "SELECT COUNT(*) FROM pg_stat_activity WHERE datname = 'ascii_refused'").fetchone() == (0,)
