"""The SQLite store's connections: one kept for each thread, the rest closed."""
import sqlite3
import threading

import pytest

import ranking_store


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
